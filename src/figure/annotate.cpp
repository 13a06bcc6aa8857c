// Letters, marks, setup stones and emptied points of one figure, placed on
// its figure board. A letter or a stone never hides a move of the figure:
// the move's number must stay readable, so such a marking is refused with a
// report. A mark is drawn on the numbered stone, beside its number.
#include <algorithm>
#include <cstdio>
#include <map>
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
    // Within one node the letters are the record's, in whatever order it
    // gives them; only a later node's sequence is moved on.
    const int before = highest;
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
        // The letters of one figure run upwards across its nodes. A label
        // of several characters ("74", "A1", a character of several bytes)
        // is the record's own text: another would say something else.
        const bool letter = (!c->text || c->text->size() <= 1) && c->label < 0x80;
        if (letter && before && c->label <= before) {
          std::fprintf(stderr, "Move %d: Changed letter %c to %c\n", node->number, c->label,
                       highest + 1);
          c->label = highest + 1;
          if (c->text) c->text = std::string(1, static_cast<char>(c->label));
        }
        if (letter && c->label > highest) highest = c->label;
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
      if (cell->label)
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

namespace {

bool drawable(const std::string& text, std::size_t longest) {
  if (text.empty() || text.size() > longest) return false;
  for (char c : text)
    if (c <= ' ' || c >= 127) return false;
  return true;
}

}  // namespace

FigureLabels figure_labels(const Game* game, std::size_t longest, bool one_character) {
  FigureLabels out;
  const auto& cells = game->figure_board;
  // Most figures have no label: nothing to size or fill.
  if (std::none_of(cells.begin(), cells.end(), [](const BoardCell& c) { return c.label != nullptr; }))
    return out;
  out.shown.resize(cells.size());
  std::vector<bool> taken(128, false);
  std::vector<std::size_t> standing_in;  // points whose label gets a letter
  for (std::size_t p = 0; p < cells.size(); ++p) {
    const Chain* label = cells[p].label;
    if (!label) continue;
    std::string text =
        label->text ? *label->text : std::string(1, static_cast<char>(label->label));
    // One character of several bytes (a kanji, a letter with an accent)
    // is drawn whole where the device can show it.
    const bool whole_character = one_character && static_cast<unsigned char>(text[0]) >= 0x80 &&
                                 first_char_length(text) == text.size() && valid_utf8(text) &&
                                 display_columns(text) <= 2;
    if (whole_character || drawable(text, longest)) {
      if (text.size() == 1) taken[static_cast<unsigned char>(text[0])] = true;
      out.shown[p] = std::move(text);
    } else {
      standing_in.push_back(p);
    }
  }
  // One text keeps one letter however many points carry it.
  std::map<std::string, char> given;
  auto next_free = [&, letter = 0]() mutable -> char {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    while (letters[letter] && taken[static_cast<unsigned char>(letters[letter])]) ++letter;
    return letters[letter] ? letters[letter++] : '?';
  };
  for (std::size_t p : standing_in) {
    const Chain* label = cells[p].label;
    std::string text =
        label->text ? *label->text : std::string(1, static_cast<char>(label->label));
    auto [at, fresh] = given.try_emplace(text, '?');
    if (fresh) {
      at->second = next_free();
      if (!out.notes.empty()) out.notes += ", ";
      out.notes += at->second;
      out.notes += " = ";
      out.notes += text;
    }
    out.shown[p] = std::string(1, at->second);
  }
  return out;
}

const char* mark_name(int kind) {
  switch (kind) {
    case MARK_CROSS: return "cross";
    case MARK_SQUARE: return "square";
    case MARK_CIRCLE: return "circle";
    case MARK_CIRCLE_FILLED: return "disc";
    case MARK_PLAIN: return "mark";
    case MARK_TRIANGLE: return "triangle";
    case MARK_PLUS: return "plus";
    case MARK_MINUS: return "minus";
    case MARK_BLACK_TERRITORY: return "black territory";
    case MARK_WHITE_TERRITORY: return "white territory";
    case MARK_DIMMED: return "dimmed";
    default: return kind >= MARK_SHADE_FIRST && kind <= MARK_SHADE_LAST ? "shade" : "mark";
  }
}

}  // namespace kg
