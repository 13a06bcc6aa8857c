// The three record readers. Each returns the complete top-level game, or none
// for an unusable input (already reported).
#pragma once

#include <cstdio>

namespace kg {

struct Game;

Game* sgf_read(const char* filename);      // none: standard input
// The SGF reader on an open stream, which it leaves open; `name` (none for
// standard input) becomes the game's file name.
Game* sgf_read_stream(FILE* in, const char* name);
Game* read_tavolin(const char* name);
Game* read_standard(const char* filename); // none: standard input

}  // namespace kg
