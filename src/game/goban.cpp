// The groups of the reading board. Every group knows its stones and how
// many (stone, empty neighbour) pairs it has, so that the legality check
// of a move never walks a group; only captures visit stones, each once.
#include <algorithm>
#include <bit>
#include <utility>
#include <vector>

#include "game/game.h"
#include "game/pools.h"

namespace kg {
namespace {

void join(Board& b, int x, int y) {
  if (b.stones[x] < b.stones[y]) std::swap(x, y);
  int s = y;
  do {
    b.head[s] = static_cast<std::int16_t>(x);
    s = b.next_stone[s];
  } while (s != y);
  std::swap(b.next_stone[x], b.next_stone[y]);
  b.stones[x] = static_cast<std::int16_t>(b.stones[x] + b.stones[y]);
  b.liberties[x] = static_cast<std::int16_t>(b.liberties[x] + b.liberties[y]);
}

// Puts the stone on `x` into the ring of the group headed by `h`.
void link_stone(Board& b, int h, int x) {
  b.head[x] = static_cast<std::int16_t>(h);
  b.next_stone[x] = b.next_stone[h];
  b.next_stone[h] = static_cast<std::int16_t>(x);
}

bool is_stone(int colour) { return colour == BLACK || colour == WHITE; }

// The stones around `x` gain (+1) or lose (-1) it as a liberty of their groups.
void count_as_liberty(Board& b, int x, int change) {
  for (int n : b.around[x])
    b.liberties[b.head[n]] = static_cast<std::int16_t>(b.liberties[b.head[n]] + change * is_stone(b.colour[n]));
}

// A stone just put on `x`, groups up to date. The loop over the neighbours
// has no branch: the edge and empty points lead to the spare last entry.
// A stone beside a group of its colour joins it directly; joining groups is
// the one loop, for a stone that connects several.
void attach(Board& b, int x) {
  int c = b.colour[x], libs = 0;
  unsigned same = 0;
  const auto& around = b.around[x];
  for (int k = 0; k < 4; ++k) {
    int n = around[k], cn = b.colour[n];
    libs += cn == EMPTY;
    b.liberties[b.head[n]] = static_cast<std::int16_t>(b.liberties[b.head[n]] - is_stone(cn));
    same |= static_cast<unsigned>(cn == c) << k;
  }
  if (!same) {
    b.head[x] = b.next_stone[x] = static_cast<std::int16_t>(x);
    b.stones[x] = 1;
    b.liberties[x] = static_cast<std::int16_t>(libs);
    return;
  }
  int h = b.head[around[std::countr_zero(same)]];
  link_stone(b, h, x);
  b.stones[h] = static_cast<std::int16_t>(b.stones[h] + 1);
  b.liberties[h] = static_cast<std::int16_t>(b.liberties[h] + libs);
  for (same &= same - 1; same; same &= same - 1) {
    int other = b.head[around[std::countr_zero(same)]];
    if (other != b.head[x]) join(b, b.head[x], other);
  }
}

void clear(Board& b, BoardPoint& p, int x) {
  p.stone = nullptr;
  p.colour = 0;
  b.colour[x] = EMPTY;
  b.head[x] = static_cast<std::int16_t>(b.points.size());
}

}  // namespace

void set_stone(Board& board, BoardPoint& point, Move* stone) {
  int x = location_of(board, point);
  if (point.stone) {
    bool alone = !board.groups_stale && board.stones[board.head[x]] == 1;
    clear(board, point, x);
    if (alone)
      count_as_liberty(board, x, +1);
    else
      board.groups_stale = true;  // the rest of the group may fall apart
  }
  if (!stone) return;
  point.stone = stone;
  point.colour = stone->colour;
  if (is_stone(stone->colour)) {
    board.colour[x] = static_cast<std::int8_t>(stone->colour);
    if (!board.groups_stale) attach(board, x);
    return;
  }
  // A node without a colour of play takes the point like the edge does: no
  // group, no liberty.
  board.colour[x] = NO_PLAY;
  if (!board.groups_stale) count_as_liberty(board, x, -1);
}

void remove_group(Board& board, const std::vector<int>& stones) {
  for (int x : stones) clear(board, board.points[x], x);
  for (int x : stones) count_as_liberty(board, x, +1);
}

void refresh_groups(Board& board) {
  board.groups_stale = false;
  int n = static_cast<int>(board.points.size());
  std::fill(board.head.begin(), board.head.end(), static_cast<std::int16_t>(n));
  auto& stack = board.scratch.stack;
  for (int h = 0; h < n; ++h) {
    if (!is_stone(board.colour[h]) || board.head[h] != n) continue;
    board.head[h] = board.next_stone[h] = static_cast<std::int16_t>(h);
    int stones = 1, liberties = 0;
    stack.assign(1, h);
    while (!stack.empty()) {
      int p = stack.back();
      stack.pop_back();
      for (int m : board.around[p]) {
        if (board.colour[m] == EMPTY) {
          ++liberties;
        } else if (board.head[m] == n && board.colour[m] == board.colour[h]) {
          link_stone(board, h, m);
          ++stones;
          stack.push_back(m);
        }
      }
    }
    board.stones[h] = static_cast<std::int16_t>(stones);
    board.liberties[h] = static_cast<std::int16_t>(liberties);
  }
}

}  // namespace kg
