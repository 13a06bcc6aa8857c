// The three record readers. Each returns the complete top-level game, or none
// for an unusable input (already reported).
#pragma once

namespace kg {

struct Game;

Game* sgf_read(const char* filename);      // none: standard input
Game* read_tavolin(const char* name);
Game* read_standard(const char* filename); // none: standard input

}  // namespace kg
