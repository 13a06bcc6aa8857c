// Names in the tile library that both the gif scripts and the tile
// generator spell out.
#pragma once

#include <cstdio>
#include <string>

namespace kg {

// A label's tile: its letter for a letter or digit, its code in hex for any
// other byte, so that no tile name means anything to a shell. Like %c,
// only the low byte of the label counts. `on` is the stone under it: 'b' or
// 'w' for the tiles of letters on stones (printable ASCII only), anything
// else for a letter on the board.
inline std::string label_tile(int label, int on = 0) {
  int code = label & 0xFF;
  const char* dir = on == 'b' ? "bl" : on == 'w' ? "wl" : "l";
  char name[16];
  if ((code >= 'a' && code <= 'z') || (code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9'))
    std::snprintf(name, sizeof name, "%s/%c", dir, code);
  else
    std::snprintf(name, sizeof name, "%s/x%02x", dir, code);
  return name;
}

}  // namespace kg
