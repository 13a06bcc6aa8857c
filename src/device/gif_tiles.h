// Names in the tile library that both the gif scripts and the tile
// generator spell out.
#pragma once

#include <cstdio>
#include <string>

namespace kg {

// A label's tile: its letter for a letter or digit, its code in hex for any
// other byte, so that no tile name means anything to a shell. Like %c,
// only the low byte of the label counts.
inline std::string label_tile(int label) {
  int code = label & 0xFF;
  char name[8];
  if ((code >= 'a' && code <= 'z') || (code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9'))
    std::snprintf(name, sizeof name, "l/%c", code);
  else
    std::snprintf(name, sizeof name, "l/x%02x", code);
  return name;
}

}  // namespace kg
