// The record pools of the game model, made on first use.
#pragma once

#include <vector>

#include "game/game.h"
#include "util/pool.h"

namespace kg {

// Released capture lists are kept by their number of stones, reused first:
// every list of one length has the same size.
inline constexpr int kMostCaptured = 32 * 32;

struct ModelPools {
  TypedPool<Move> move{361, 100, MP_PLACED};  // lines link their nodes by place
  TypedPool<MoveInfo> info{361, 100};
  TypedPool<Chain> chain{361, 100};
  TypedPool<Text> text{100, 100};
  TypedPool<Ref> ref{500, 500};
  TypedPool<Stat> stat{100, 50};
  Move** captures_free[kMostCaptured + 1] = {};
};
// Static: the records of every game come from the pools, whose blocks lie
// in the arena and live until the process ends.
extern ModelPools pools;

// True when `location` names a point of the game's board.
inline bool on_board(const Game* game, int location) {
  return game->goban && location >= 0 &&
         static_cast<std::size_t>(location) < game->goban->points.size() &&
         location < game->size * game->size;
}

// Puts `stone` (or nothing) on a point of the board, keeping its groups.
void set_stone(Board& board, BoardPoint& point, Move* stone);
// Takes a whole group off the board: `stones` are the locations of every
// stone of one group.
void remove_group(Board& board, const std::vector<int>& stones);
// Makes the groups match the stones again (needed once `groups_stale` is set).
void refresh_groups(Board& board);
inline int location_of(const Board& board, const BoardPoint& point) {
  return static_cast<int>(&point - board.points.data());
}

// Drops what the store operations remember of a node's lists; called before
// its annotations are released. `board` may be none.
void forget_tails(Board* board, const MoveInfo* info);

// Appends an empty text entry to the current node's comments (made with
// need_node under `label`); none when a record could not be had.
Text* append_text(Game* game, const char* label);

}  // namespace kg
