// Building games for the figure tests with the model's own operations, and
// catching what a device writes.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "game/game.h"
#include "main/settings.h"

namespace kg::test {

inline int point(const Game* g, const char* p) { return (p[1] - 'a') * g->size + (p[0] - 'a'); }

inline Game* new_game(int size = 19) {
  Game* g = game_alloc(nullptr);
  if (size != 19) store_sz(g, size);
  return g;
}

// A new node holding a move (or a pass for none), numbered after the line's last.
inline Move* play(Game* g, int colour, const char* p) {
  store_node(g);
  if (p)
    store_move(g, -1, colour, point(g, p));
  else
    store_pass(g, -1, colour);
  return g->current;
}

// A ko on a 5 x 5 board, set up on the root node, then `retakes` moves
// taking it in turn (Black at cb, White at bb).
inline Game* ko_game(int retakes) {
  Game* g = new_game(5);
  for (const char* p : {"ba", "ab", "bc"}) store_addstone(g, BLACK, point(g, p));
  for (const char* p : {"ca", "bb", "db", "cc"}) store_addstone(g, WHITE, point(g, p));
  for (int i = 0; i < retakes; ++i) play(g, i % 2 ? WHITE : BLACK, i % 2 ? "bb" : "cb");
  return g;
}

// fw into memory; ASCII_exit may close it.
struct Output {
  char* data = nullptr;
  std::size_t size = 0;
  FILE* stream = nullptr;
  Output() { fw = stream = open_memstream(&data, &size); }
  std::string text() {
    if (fw == stream) std::fflush(stream);
    return std::string(data ? data : "", size);
  }
  ~Output() {
    if (fw == stream) std::fclose(stream);
    fw = stdout;
    std::free(data);
  }
};

}  // namespace kg::test
