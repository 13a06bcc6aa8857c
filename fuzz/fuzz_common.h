// Shared by the fuzz targets: run one reader, then write what it read.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "game/game.h"
#include "main/settings.h"
#include "util/message.h"
#include "write/writers.h"

namespace kg::fuzz {

// Reads with `read` from fresh settings, writes the game as a standard-format
// record to memory and releases it. A fatal report ends a run; it is not a
// crash.
template <class Read>
int read_and_write_sf(Read read) {
  settings_reset();
  sgfwarn = 1;
  message_column = 0;
  Game* game = nullptr;
  try {
    game = read();
  } catch (const Exit&) {
    return 0;
  }
  if (game) {
    char* text = nullptr;
    std::size_t length = 0;
    fw = open_memstream(&text, &length);
    game2sf(game);
    std::fclose(fw);
    fw = stdout;
    std::free(text);
    game_free(game);
  }
  return 0;
}

}  // namespace kg::fuzz
