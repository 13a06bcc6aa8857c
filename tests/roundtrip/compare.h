// Round trips as properties: a game read from a record, written by one of
// the record writers and read back, compared with the game first read.
#pragma once

#include <cstdio>
#include <string>

#include "util/options.h"

namespace kg {
struct Game;
}

namespace kg::roundtrip {

enum class Format { sgf, sf };

// What a writer must give back. SGF: every node's properties, node for
// node (nodes that hold nothing aside). The standard format: the moves of
// every line with their numbers, setup stones, emptied points, letters,
// where marks are (every kind is written alike) and the comments with runs
// of white space as one blank, all of it per move, since the format
// attaches what follows a move to that move.
// The first difference between `a` and `b`, or "" when there is none.
std::string difference(const Game* a, const Game* b, Format carried);

// Whether the standard format can carry the texts of `game`: the reader
// keeps at most 5000 bytes of comment per move and ends a line at a NUL.
bool sf_can_carry(const Game* game);

// `game` written in `format`, as the program writes it with `opt`.
std::string write(Game* game, Format format, const Options& opt);
// The game read from `text`; none when the reader refuses it. Warnings go
// to standard error; a fatal report gives none.
Game* read(const std::string& text, Format format, const Options& opt);

}  // namespace kg::roundtrip
