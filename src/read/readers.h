// The three record readers. Each builds its games under `opt`; an input
// that cannot be opened, or that is no record of its format, ends the run
// with the reader's one line.
#pragma once

#include <cstdio>
#include <memory>

#include "util/options.h"

namespace kg {

struct Game;

// The games of one input, one after another: an SGF file may hold a
// collection of several.
class GameSource {
 public:
  virtual ~GameSource() = default;
  // The next game, built whole; none when no game is left (done()) or the
  // next one is unusable (reported as it was found).
  virtual Game* read_game() = 0;
  // Passes over the next game without building it; false when none is left.
  virtual bool skip_game() = 0;
  virtual bool done() const = 0;
};

// An SGF file (none: standard input), read game after game.
std::unique_ptr<GameSource> open_sgf(const char* filename, const Options& opt);
// The source of the one game that `read` makes of a file.
std::unique_ptr<GameSource> open_single(Game* (*read)(const char*, const Options&), const char* filename,
                                        const Options& opt);

// The first game of an SGF file; none when it is unusable.
Game* sgf_read(const char* filename, const Options& opt);  // none: standard input
// The first game on an open stream, which is left open; `name` (none for
// standard input) becomes the game's file name.
Game* sgf_read_stream(FILE* in, const char* name, const Options& opt);
Game* read_tavolin(const char* name, const Options& opt);
Game* read_standard(const char* filename, const Options& opt);  // none: standard input
// The game of a standard-format record on an open stream, which is left open.
// `name` (none: standard input) names it in messages.
Game* read_standard_stream(FILE* in, const Options& opt, const char* name = nullptr);

}  // namespace kg
