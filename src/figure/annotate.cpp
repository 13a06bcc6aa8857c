// Letters, marks, setup stones and emptied points of one figure, placed on
// its figure board. A marking never hides a move of the figure: the move's
// number must stay readable, so such a marking is refused with a report.
#include <cstdio>
#include <string>

#include "game/game.h"
#include "figure/figure.h"
#include "util/strutil.h"

namespace kg {

namespace {

// The cell of an entry's point, or none for a point off the arrays (a record
// whose board was resized after the entry was stored).
BoardCell* cell_at(std::vector<BoardCell>& cells, int location) {
  if (location < 0 || static_cast<std::size_t>(location) >= cells.size()) return nullptr;
  return &cells[location];
}

std::string point(const Game* game, int location) {
  return point_name(location, game->size, PointName::sgf);
}

// Calls `each(node, info)` for the nodes from `start` through `last`.
template <class F>
void for_range(Move* start, Move* last, F each) {
  for (Move* m = start; m; m = m->next) {
    if (m->info) each(m, m->info);
    if (m == last) break;
  }
}

}  // namespace

std::string label_character(const Chain* c) {
  if (c->text && !c->text->empty() && static_cast<unsigned char>((*c->text)[0]) >= 0x80 &&
      c->label == static_cast<unsigned char>((*c->text)[0]))
    return c->text->substr(0, first_char_length(*c->text));
  return std::string(1, static_cast<char>(c->label));
}

void add_letters(Game* game, Move* start, Move* last) {
  std::fprintf(stderr, "[Adding letters]");
  if (!start) return;
  int highest = 0;
  for_range(start, last, [&](Move* node, MoveInfo* info) {
    for (Chain* c = info->labels; c; c = c->next) {
      BoardCell* cell = cell_at(game->figure_board, c->location);
      if (!cell) continue;
      if (cell->number != 0) {
        std::fprintf(stderr, "Move %d: Ignored letter %s (can be move %d)\n", node->number,
                     label_character(c).c_str(), cell->number);
      } else if (cell->label) {
        std::fprintf(stderr, "Move %d: Skipped letter %s overwriting letter %s\n", node->number,
                     label_character(c).c_str(), label_character(cell->label).c_str());
      } else {
        // The letters of one figure run upwards across its nodes; a label
        // that is a character of several bytes is no letter of the run.
        if (c->label >= 0x80) {
          cell->label = c;
          continue;
        }
        if (highest && c->label <= highest) {
          std::fprintf(stderr, "Move %d: Changed letter %c to %c\n", node->number, c->label,
                       highest + 1);
          c->label = highest + 1;
        }
        highest = c->label;
        cell->label = c;
      }
    }
  });
}

void add_marks(Game* game, Move* start, Move* last) {
  std::fprintf(stderr, "[Adding marks]");
  if (!start) return;
  for_range(start, last, [&](Move* node, MoveInfo* info) {
    for (Chain* c = info->marks; c; c = c->next) {
      BoardCell* cell = cell_at(game->figure_board, c->location);
      if (!cell) continue;
      if (cell->number != 0)
        std::fprintf(stderr, "Move %d: Ignored mark %d overwriting move %d\n", node->number,
                     c->mark, cell->number);
      else if (cell->label)
        std::fprintf(stderr, "Move %d: Ignoring mark %d overwriting letter %c\n", node->number,
                     c->mark, cell->label->label);
      else
        cell->mark = c;
    }
  });
}

void add_stones(Game* game, Move* start, Move* last) {
  std::fprintf(stderr, "[Adding stones]");
  if (!start) return;
  for_range(start, last, [&](Move* node, MoveInfo* info) {
    for (Chain* c = info->added; c; c = c->next) {
      int p = c->location;
      BoardCell* cell = cell_at(game->figure_board, p);
      BoardCell* at = cell_at(game->board, p);
      if (!cell || !at || !c->move) continue;
      int colour = c->move->colour;
      char letter = colour == BLACK ? 'B' : 'W';
      if (cell->number != 0) {
        std::fprintf(stderr, "Move %d: Ignored A%c[%s] (overwriting move %d)\n", node->number,
                     letter, point(game, p).c_str(), cell->number);
      } else if (cell->label) {
        std::fprintf(stderr, "Move %d: Ignored A%c[%s] (overwriting letter %c)\n",
                     node->number, letter, point(game, p).c_str(), cell->label->label);
      } else {
        std::fprintf(stderr, "Placing %d\n", p);
        cell->colour = static_cast<std::int16_t>(colour);
        at->colour = static_cast<std::int16_t>(colour);
      }
    }
  });
}

void remove_stones(Game* game, Move* start, Move* last) {
  std::fprintf(stderr, "[Removing stones]");
  if (!start) return;
  for_range(start, last, [&](Move* node, MoveInfo* info) {
    for (Chain* c = info->cleared; c; c = c->next) {
      int p = c->location;
      BoardCell* cell = cell_at(game->figure_board, p);
      BoardCell* at = cell_at(game->board, p);
      if (!cell || !at) continue;
      if (cell->number != 0) {
        std::fprintf(stderr, "Move %d: Refuse to remove move %d at [%s]\n", node->number,
                     cell->number, point(game, p).c_str());
      } else {
        cell->colour = EMPTY;
        at->colour = EMPTY;
      }
    }
  });
}

}  // namespace kg
