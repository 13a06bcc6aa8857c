// The tex output format: a LaTeX document whose figures are drawn with the
// macros of the go style, one \p line per stone.
#include <cstdio>
#include <string>

#include "device/devices.h"
#include "device/tex_frame.h"
#include "figure/figure.h"
#include "game/game.h"
#include "util/message.h"
#include "util/strutil.h"

namespace kg {

namespace {

// The go fonts have stones up to 252 here; later moves are named by number.
std::string tex_stone(int number, int colour) {
  if (number > 252) return format_text("%d", number);
  return format_text("\\mbox{\\text%s{%d}}", colour == BLACK ? "black" : "white", number);
}

// Rows are lettered as the go style letters them: j is left out.
int row_letter(int row) { return 'a' + row + (row >= 9 ? 1 : 0); }

class TexDevice : public OutputDevice {
 public:
  TexDevice(const Options& opt, MainOutput& out) : frame_(opt, out, TexFrame::Kind::go_fonts) {}

  void exit(Game* game) override { frame_.tex_trailer(game); }

  void onmove(Game*, int number, int colour, int old_number, int old_colour) override {
    con_printf("%s at %s", tex_stone(number, colour).c_str(), tex_stone(old_number, old_colour).c_str());
  }

  void onstone(Game* game, int number, int colour, int location) override {
    con_printf("%s at %s", tex_stone(number, colour).c_str(),
               point_name(location, game->size, PointName::sgf_pair).c_str());
  }

  void pass(Game*, int number, int colour) override {
    con_printf("%s pass", tex_stone(number, colour).c_str());
  }

  bool emit(Game* game, const Figure& figure) override;

 private:
  TexFrame frame_;
};

bool TexDevice::emit(Game* game, const Figure& figure) {
  std::FILE* fw = frame_.fw();
  frame_.tex_header(game);
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
  // Figures and variation diagrams share one count.
  std::fprintf(fw, "\\texmove{%d}{", figure.serial);
  frame_.text2tex(figure.captioned());
  std::fputs("}\n", fw);
  message("[%d (%s)]", figure.serial, figure.caption.c_str());
  frame_.tex_text(figure, lowest, highest);
  return true;
}

}  // namespace

std::unique_ptr<OutputDevice> make_tex_device(const Options& opt, MainOutput& out) {
  return std::make_unique<TexDevice>(opt, out);
}

}  // namespace kg
