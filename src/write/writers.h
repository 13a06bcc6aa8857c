// The record writers; all write to `fw`.
#pragma once

#include <string_view>

namespace kg {

struct Game;

void game2sgf(Game* game);
// `game` may be none for an unreadable input; `filename` none selects the
// SGF-header form.
void game2db(Game* game, const char* filename);
void game2sf(Game* game);
// Writes text with "]" and "\" escaped.
void text2sgf(std::string_view text);
// Forgets that a record was written (tests run several in one process).
void game2db_reset();

}  // namespace kg
