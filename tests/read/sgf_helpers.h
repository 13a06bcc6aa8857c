// Shared by the SGF reader, writer and layout tests: read SGF from a string,
// write a game into a string, capture standard error.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "game/game.h"
#include "main/settings.h"
#include "read/readers.h"
#include "util/message.h"
#include "write/writers.h"

namespace kg::sgftest {

class SgfTest : public testing::Test {
 protected:
  void SetUp() override {
    settings_reset();
    sgfwarn = 1;
    message_column = 0;
    game2db_reset();
  }
  void TearDown() override {
    for (Game* g : games_) game_free(g);
    settings_reset();
    game2db_reset();
  }

  // Reads `text` as a whole input; the game (if any) is freed after the test.
  Game* read(std::string_view text, const char* name = "t.sgf") {
    FILE* in = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), in);
    std::rewind(in);
    Game* g = sgf_read_stream(in, name);
    last_offset_ = std::ftell(in);
    std::fclose(in);
    if (g) games_.push_back(g);
    return g;
  }
  // Reads and returns what went to standard error, without the extra line
  // breaks of the 72-column wrapping.
  std::string read_errors(std::string_view text, Game** out = nullptr) {
    message_column = 0;
    testing::internal::CaptureStderr();
    Game* g = read(text);
    std::string errors = testing::internal::GetCapturedStderr();
    if (out) *out = g;
    std::string::size_type at;
    while ((at = errors.find("\n\n")) != std::string::npos) errors.erase(at, 1);
    if (!errors.empty() && errors[0] == '\n') errors.erase(0, 1);
    return errors;
  }
  template <class F>
  static std::string output_of(F&& write) {
    char* buffer = nullptr;
    std::size_t size = 0;
    FILE* memory = open_memstream(&buffer, &size);
    FILE* saved = fw;
    fw = memory;
    write();
    std::fclose(memory);
    fw = saved;
    std::string out(buffer, size);
    std::free(buffer);
    return out;
  }
  static std::string sgf_of(Game* g) {
    game2db_reset();
    return output_of([g] { game2sgf(g); });
  }
  static int loc(const Game* g, const char* p) { return (p[0] - 'a') + (p[1] - 'a') * g->size; }
  // The nodes of a line, root first, or only those with a move or pass.
  static std::vector<Move*> line(const Game* g, bool moves_only = false) {
    std::vector<Move*> out;
    for (Move* m = g->first; m; m = m->next)
      if (!moves_only || m->location != LOC_NONE) out.push_back(m);
    return out;
  }
  static std::vector<Move*> moves(const Game* g) { return line(g, true); }
  static std::vector<Game*> variations(const Move* m) {
    std::vector<Game*> out;
    for (Game* v = m->variations; v; v = v->next) out.push_back(v);
    return out;
  }

  long last_offset_ = 0;
  std::vector<Game*> games_;
};

}  // namespace kg::sgftest
