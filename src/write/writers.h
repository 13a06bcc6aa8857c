// The record writers; all write to the output stream `fw`.
#pragma once

#include <cstdio>

#include "util/options.h"

namespace kg {

struct Game;

void game2sgf(Game* game, const Options& opt, FILE* fw);
// `game` may be none for an unreadable input; `filename` none selects the
// SGF-header form.
void game2db(Game* game, const char* filename, const Options& opt, FILE* fw);
void game2sf(Game* game, FILE* fw);

}  // namespace kg
