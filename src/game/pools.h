// The record pools of the game model, made on first use.
#pragma once

#include <vector>

#include "game/game.h"
#include "util/pool.h"

namespace kg {

extern TypedPool<Move> move_pool;
extern TypedPool<MoveInfo> info_pool;
extern TypedPool<Chain> chain_pool;
extern TypedPool<Text> text_pool;
extern TypedPool<Ref> ref_pool;
extern TypedPool<Stat> stat_pool;

// True when `location` names a point of the game's board.
inline bool on_board(const Game* game, int location) {
  return game->goban && location >= 0 &&
         static_cast<std::size_t>(location) < game->goban->points.size() &&
         location < game->size * game->size;
}

// Puts `stone` (or nothing) on a point of the board, keeping its groups.
void set_stone(Board& board, BoardPoint& point, Move* stone);
// Takes a whole group off the board: `stones` are every stone of one group.
void remove_group(const std::vector<BoardPoint*>& stones);
// Makes the groups match the stones again after `groups_stale` was set.
void refresh_groups(Board& board);

// Appends an empty text entry to the current node's comments (made with
// need_node under `label`); none when a record could not be had.
Text* append_text(Game* game, const char* label);

}  // namespace kg
