// The three record readers. Each returns the complete top-level game, built
// under `opt`, or none for an unusable input (reported as it was found). An
// input that cannot be opened ends the run with the reader's one line.
#pragma once

#include <cstdio>

#include "util/options.h"

namespace kg {

struct Game;

Game* sgf_read(const char* filename, const Options& opt);  // none: standard input
// The SGF reader on an open stream, which it leaves open; `name` (none for
// standard input) becomes the game's file name.
Game* sgf_read_stream(FILE* in, const char* name, const Options& opt);
Game* read_tavolin(const char* name, const Options& opt);
Game* read_standard(const char* filename, const Options& opt);  // none: standard input

}  // namespace kg
