// The groups of the reading board. Every group knows its stones and how
// many (stone, empty neighbour) pairs it has, so that the legality check
// of a move never walks a group; only captures visit stones, each once.
#include <utility>
#include <vector>

#include "game/game.h"
#include "game/pools.h"

namespace kg {
namespace {

template <class F>
void each_neighbour(BoardPoint& p, F f) {
  for (BoardPoint* n : {p.north, p.east, p.south, p.west})
    if (n) f(*n);
}

void join(BoardPoint* a, BoardPoint* b) {
  if (a->stones < b->stones) std::swap(a, b);
  BoardPoint* s = b;
  do {
    s->group = a;
    s = s->next_stone;
  } while (s != b);
  std::swap(a->next_stone, b->next_stone);
  a->stones += b->stones;
  a->liberties += b->liberties;
}

// A stone on an empty point, groups up to date.
void attach(BoardPoint& p) {
  p.group = &p;
  p.next_stone = &p;
  p.stones = 1;
  p.liberties = 0;
  each_neighbour(p, [&](BoardPoint& n) {
    if (!n.stone)
      ++p.liberties;
    else
      --n.group->liberties;
  });
  each_neighbour(p, [&](BoardPoint& n) {
    if (n.stone && n.colour == p.colour && n.group != p.group) join(p.group, n.group);
  });
}

void clear(BoardPoint& p) {
  p.stone = nullptr;
  p.colour = 0;
  p.group = nullptr;
}

// Every stone's empty neighbours that count for its group.
void give_back_liberties(BoardPoint& emptied) {
  each_neighbour(emptied, [](BoardPoint& n) {
    if (n.stone) ++n.group->liberties;
  });
}

}  // namespace

void set_stone(Board& board, BoardPoint& point, Move* stone) {
  if (point.stone) {
    bool alone = !board.groups_stale && point.group->stones == 1;
    clear(point);
    if (alone)
      give_back_liberties(point);
    else
      board.groups_stale = true;  // the rest of the group may fall apart
  }
  if (!stone) return;
  point.stone = stone;
  point.colour = stone->colour;
  if (!board.groups_stale) attach(point);
}

void remove_group(const std::vector<BoardPoint*>& stones) {
  for (BoardPoint* p : stones) clear(*p);
  for (BoardPoint* p : stones) give_back_liberties(*p);
}

void refresh_groups(Board& board) {
  if (!board.groups_stale) return;
  board.groups_stale = false;
  for (BoardPoint& p : board.points) p.group = nullptr;
  static std::vector<BoardPoint*> stack;
  for (BoardPoint& head : board.points) {
    if (!head.stone || head.group) continue;
    head.group = &head;
    head.next_stone = &head;
    head.stones = 1;
    head.liberties = 0;
    stack.assign(1, &head);
    while (!stack.empty()) {
      BoardPoint* p = stack.back();
      stack.pop_back();
      each_neighbour(*p, [&](BoardPoint& n) {
        if (!n.stone) {
          ++head.liberties;
        } else if (!n.group && n.colour == head.colour) {
          n.group = &head;
          n.next_stone = head.next_stone;
          head.next_stone = &n;
          ++head.stones;
          stack.push_back(&n);
        }
      });
    }
  }
}

}  // namespace kg
