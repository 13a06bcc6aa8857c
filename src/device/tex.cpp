// The tex output format: a LaTeX document whose figures are drawn with the
// macros of the go style, one \p line per stone.
#include <cstdio>
#include <string>

#include "device/tex_frame.h"
#include "game/game.h"
#include "main/figure.h"
#include "main/settings.h"
#include "util/message.h"

namespace kg {

namespace {

int diagrams = 0;  // figures and variation diagrams share the count

// The go fonts have stones up to 252 here; later moves are named by number.
const char* tex_stone(int number, int colour) {
  static char text[64];
  if (number > 252)
    std::snprintf(text, sizeof text, "%d", number);
  else
    std::snprintf(text, sizeof text, "\\mbox{\\text%s{%d}}", colour == BLACK ? "black" : "white",
                  number);
  return text;
}

// Rows are lettered as the go style letters them: j is left out.
int row_letter(int row) { return 'a' + row + (row >= 9 ? 1 : 0); }

int TeX_init(Game*) {
  diagrams = 0;
  return 1;
}

void TeX_exit(Game* game) { tex_trailer(game); }
int TeX_alloc(Game*) { return 1; }
void TeX_free(Game*) {}

void TeX_onmove(Game*, int number, int colour, int old_number, int old_colour) {
  std::string stone = tex_stone(number, colour);
  con_printf("%s at %s", stone.c_str(), tex_stone(old_number, old_colour));
}

void TeX_onstone(Game* game, int number, int colour, int location) {
  con_printf("%s at (%c,%c)", tex_stone(number, colour), 'a' + location % game->size,
             'a' + location / game->size);
}

void TeX_pass(Game*, int number, int colour) { con_printf("%s pass", tex_stone(number, colour)); }
void TeX_time(Game*, const char*, const char*) {}

int TeX_emit(Game* game, Move* first, Move* last, Move* first_comment, Move* next) {
  const std::string caption = board_caption(game, first, last);
  tex_header(game);
  ++diagrams;
  // The go style draws 19 x 19 unless told otherwise.
  if (game->size != 19) std::fprintf(fw, "\\goboardsize{%d}\n", game->size);
  std::fputs("\\inifulldiagram\n", fw);
  int lowest = 999, highest = 0;
  const int size = game->size;
  const auto& board = game->figure_board;
  auto stone = [&](const BoardCell& cell, int letter, int column, bool numbered) {
    const char colour = cell.colour == BLACK ? 'b' : 'w';
    if (numbered && cell.number != 0) {
      if (cell.number < lowest) lowest = cell.number;
      if (cell.number > highest) highest = cell.number;
      std::fprintf(fw, "\\p:%c-%d=\\%c{%d}\n", letter, column, colour, (cell.number - 1) % 100 + 1);
    } else {
      std::fprintf(fw, "\\p:%c-%d=\\%c.\n", letter, column, colour);
    }
  };
  for (int row = 0; row < size; ++row) {
    for (int col = 0; col < size; ++col) {
      const std::size_t at = static_cast<std::size_t>(row) * size + col;
      if (at >= board.size()) break;
      const BoardCell& cell = board[at];
      const int letter = row_letter(row), column = col + 1;
      if (cell.label) {
        message("[L[%c,%c) ignored]", 'a' + col, 'a' + row);
        // The label is ignored, not the stone under it.
        if (cell.colour != EMPTY) stone(cell, letter, column, true);
      } else if (cell.mark) {
        // A stone under the mark goes first: the style then draws the
        // marked stone of its colour instead of an empty point.
        if (cell.colour != EMPTY) stone(cell, letter, column, false);
        std::fprintf(fw, "\\gomark{%c}{%d}{%s}\n", letter, column, "\\triangle");
      } else if (cell.colour != EMPTY) {
        stone(cell, letter, column, true);
      }
    }
  }
  std::fprintf(fw, "\\connect{%s}\n", con_cat().c_str());
  std::fprintf(fw, "\\texmove{%d}{", diagrams);
  text2tex(caption);
  std::fputs("}\n", fw);
  message("[%d (%s)]", diagrams, caption.c_str());
  tex_text(first_comment, next, lowest, highest);
  return 1;
}

}  // namespace

const OutputDevice tex_device = {TeX_init,    TeX_exit, TeX_alloc, TeX_free, TeX_onmove,
                                 TeX_onstone, TeX_pass, TeX_time,  TeX_emit};

}  // namespace kg
