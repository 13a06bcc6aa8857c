// Shared by the unit tests: games built with the model's own operations,
// records read from strings, and what the code writes caught as text.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "figure/figure.h"
#include "game/game.h"
#include "read/readers.h"
#include "util/files.h"
#include "util/message.h"
#include "util/options.h"
#include "write/writers.h"

namespace kg::test {

// The options of the test that runs: reader warnings on, everything else
// as a run starts.
inline Options& opt() {
  static Options options;
  return options;
}
inline void reset_options() {
  opt() = Options{};
  opt().sgfwarn = 1;
}

// What `body` writes to the stream it is given.
inline std::string output_of(const std::function<void(FILE*)>& body) {
  char* data = nullptr;
  std::size_t size = 0;
  FILE* memory = open_memstream(&data, &size);
  body(memory);
  std::fclose(memory);
  std::string out(data ? data : "", size);
  std::free(data);
  return out;
}
// What `body` writes to standard error, the message column starting at 0.
inline std::string stderr_of(const std::function<void()>& body) {
  message_column = 0;
  testing::internal::CaptureStderr();
  body();
  return testing::internal::GetCapturedStderr();
}
// "status text" of the Exit that `body` throws.
inline std::string exit_of(const std::function<void()>& body) {
  try {
    body();
  } catch (const Exit& e) {
    return std::to_string(e.status()) + " " + e.text();
  }
  return "no Exit";
}
// A new empty file under /tmp, for the caller to remove.
inline std::string temp_file() {
  char name[] = "/tmp/kg-test-XXXXXX";
  int fd = mkstemp(name);
  EXPECT_GE(fd, 0);
  close(fd);
  return name;
}
inline void put(const std::string& path, std::string_view bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}
inline std::string contents(const std::string& path) {
  std::string out;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) out.append(buffer, n);
    std::fclose(f);
  }
  return out;
}
// What `body` writes to a main output, as a device run writes it.
inline std::string main_output_of(const std::function<void(MainOutput&)>& body) {
  const std::string name = temp_file();
  {
    MainOutput out(opt().program);
    EXPECT_TRUE(out.open(name));
    body(out);
    out.close(0);
  }
  std::string text = contents(name);
  std::remove(name.c_str());
  return text;
}

// What the figures of `g`, drawn by the device `make` makes, write to the
// main output.
using MakeDevice = std::unique_ptr<OutputDevice> (*)(const Options&, MainOutput&);
inline std::string figures_of(Game* g, MakeDevice make, const FigureNeeds& needs = {}) {
  return main_output_of([&](MainOutput& out) {
    auto device = make(opt(), out);
    game2fig(g, *device, opt(), needs);
  });
}

// The nodes of a line, root first, or only those with a move or pass.
inline std::vector<Move*> line(const Game* g, bool moves_only = false) {
  std::vector<Move*> out;
  for (Move* m = g->first; m; m = m->next)
    if (!moves_only || m->location != LOC_NONE) out.push_back(m);
  return out;
}
inline std::vector<Move*> moves(const Game* g) { return line(g, true); }
inline std::vector<Game*> variations(const Move* m) {
  std::vector<Game*> out;
  for (Game* v = m->variations; v; v = v->next) out.push_back(v);
  return out;
}

inline int point(const Game* g, const char* p) { return (p[1] - 'a') * g->size + (p[0] - 'a'); }
inline Game* new_game(int size = 19) {
  Game* g = game_alloc(nullptr, &opt());
  if (size != 19) store_sz(g, size);
  return g;
}
// A new node holding a move (a pass for none), numbered after the line's last.
inline Move* play(Game* g, int colour, const char* p) {
  store_node(g);
  if (p)
    store_move(g, -1, colour, point(g, p));
  else
    store_pass(g, -1, colour);
  return g->current;
}

// Each test starts from the settings before main runs, with reader
// warnings on; `game` is released after it.
class Fresh : public testing::Test {
 protected:
  void SetUp() override {
    reset_options();
    message_column = 0;
  }
  void TearDown() override {
    game_free(game);
    reset_options();
  }
  Game* game = nullptr;
};

// Reads SGF from strings; the games are freed after the test.
class SgfTest : public Fresh {
 protected:
  void TearDown() override {
    for (Game* g : games_) game_free(g);
    Fresh::TearDown();
  }
  Game* read(std::string_view text, const char* name = "t.sgf") {
    FILE* in = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), in);
    std::rewind(in);
    Game* g = sgf_read_stream(in, name, opt());
    last_offset_ = std::ftell(in);
    std::fclose(in);
    if (g) games_.push_back(g);
    return g;
  }
  // Standard error of the read, without the breaks of the 72-column wrapping.
  std::string read_errors(std::string_view text, Game** out = nullptr) {
    Game* g = nullptr;
    std::string errors = stderr_of([&] { g = read(text); });
    if (out) *out = g;
    for (auto at = errors.find("\n\n"); at != std::string::npos; at = errors.find("\n\n"))
      errors.erase(at, 1);
    if (!errors.empty() && errors[0] == '\n') errors.erase(0, 1);
    return errors;
  }
  static std::string sgf_of(Game* g) {
    return output_of([g](FILE* f) { game2sgf(g, opt(), f); });
  }

  long last_offset_ = 0;
  std::vector<Game*> games_;
};

}  // namespace kg::test
