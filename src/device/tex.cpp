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

// What the style draws for a mark kind: the go fonts' triangle for the
// marks that always had it, the style's own shapes for the others.
const char* tex_mark(int kind) {
  switch (kind) {
    case MARK_CROSS: return "cross";
    case MARK_SQUARE: return "square";
    case MARK_CIRCLE: return "circle";
    case MARK_CIRCLE_FILLED: return "disc";
    case MARK_PLUS: return "plus";
    case MARK_MINUS: return "minus";
    case MARK_BLACK_TERRITORY: return "blackterritory";
    case MARK_WHITE_TERRITORY: return "whiteterritory";
    default:
      if (kind >= MARK_SHADE_FIRST && kind <= MARK_SHADE_LAST) return "shade";
      return "\\triangle";
  }
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
  // Labels of up to three characters are set whole; a longer one stands in
  // as a letter named in the notes.
  const FigureLabels labels = figure_labels(game, 3);
  for (int row = 0; row < size; ++row) {
    for (int col = 0; col < size; ++col) {
      const std::size_t at = static_cast<std::size_t>(row) * size + col;
      if (at >= board.size()) break;
      const BoardCell& cell = board[at];
      const int letter = row_letter(row), column = col + 1;
      // A stone goes first: the style then puts the label or the mark on
      // the stone, in the stone's contrasting colour.
      if (cell.colour != EMPTY) stone(cell, letter, column, !cell.label);
      if (cell.label) {
        std::fprintf(fw, "\\golabel{%c}{%d}{", letter, column);
        frame_.text2tex(labels.shown[at]);
        std::fputs("}\n", fw);
      } else if (cell.mark) {
        const int kind = cell.mark->mark;
        if (kind == MARK_DIMMED) {
          std::fprintf(fw, "\\godim{%c}{%d}\n", letter, column);
        } else if (kind == MARK_TEXT && cell.mark->text) {
          std::fprintf(fw, "\\golabel{%c}{%d}{", letter, column);
          frame_.text2tex(cell.mark->text->substr(0, 3));
          std::fputs("}\n", fw);
        }
        else if (const char* name = tex_mark(kind))
          std::fprintf(fw, "\\gomark{%c}{%d}{%s}\n", letter, column, name);
      }
    }
  }
  const std::string notes = con_cat();
  std::fprintf(fw, "\\connect{%s", notes.c_str());
  if (!labels.notes.empty()) {
    std::fputs(notes.empty() ? "" : ", ", fw);
    frame_.text2tex(labels.notes);
  }
  std::fputs("}\n", fw);
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
