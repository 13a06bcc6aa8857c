// The ascii output format: every figure and selected diagram as a text board
// with coordinates, a centred caption, the figure's notes and its comments.
#include <cstdio>
#include <cstring>
#include <string>

#include "device/devices.h"
#include "figure/figure.h"
#include "game/game.h"
#include "kibitz/kibitz.h"
#include "util/strutil.h"

namespace kg {

namespace {

// Circles as text diagrams on the web draw them (C, B, W), dimmed stones
// as a lighter sign; every other mark keeps the one sign for all kinds.
char mark_glyph(int kind, int colour) {
  const int i = colour == BLACK ? 1 : colour == WHITE ? 2 : 0;
  if (kind == MARK_CIRCLE || kind == MARK_CIRCLE_FILLED) return "CBW"[i];
  if (kind == MARK_DIMMED) return ",:;"[i];
  return "#xo"[i];
}

class AsciiDevice : public OutputDevice {
 public:
  AsciiDevice(const Options& opt, MainOutput& out) : opt_(opt), out_(out) {}

  void onmove(Game*, int number, int, int old_number, int) override {
    con_printf("%d at %d", number, old_number);
  }
  void onstone(Game* game, int number, int, int location) override {
    con_printf("%d at %s", number, point_name(location, game->size, PointName::board_pair).c_str());
  }
  void pass(Game*, int number, int) override { con_printf("%d pass", number); }
  bool emit(Game* game, const Figure& figure) override;

 private:
  void print_columns(int size);
  void print_caption(Game* game, const std::string& caption);
  void print_comments(const Figure& figure, int smallest, int largest);

  const Options& opt_;
  MainOutput& out_;
  std::FILE* fw = nullptr;
  KibitzTable kibitzers_;
};

void AsciiDevice::print_columns(int size) {
  std::fputs("\t   ", fw);
  for (int c = 0; c < size; ++c) std::fprintf(fw, "%c ", column_letter(c));
}

void AsciiDevice::print_caption(Game* game, const std::string& caption) {
  // Centred and underlined by the columns it takes, not its bytes.
  int length = display_columns(caption);
  int pad = (2 * game->size - length) / 2;
  if (pad < 0) pad = 0;
  std::fprintf(fw, "\t%*s%s\n", pad, "", caption.c_str());
  std::fprintf(fw, "\t%*s%s\n", pad, "", std::string(length, '-').c_str());
}

// Prints the comments of the nodes [first_comment, next).
void AsciiDevice::print_comments(const Figure& figure, int smallest, int largest) {
  const bool kibitz = opt_.kibitz;
  // Lines and kibitzer names are printed whole, however long.
  std::string line;
  walk_comments(figure.first_comment, figure.next, kibitz, [&](Move* m) {
    if (kibitz) kibitzers_.kib_add(m->info->texts);
    if (m->number != 0 && opt_.labels && smallest != largest) {
      std::fprintf(fw, "\n%s %3d:\n", m->colour == BLACK ? "Black" : "White", figure.shown(m));
      std::fputs("---------\n", fw);
    }
  }, [&](const Text& t, Speaker who) {
    line = t.text.c_str();
    if (!line.empty() && line.back() == ' ') line.back() = '\n';
    if (who == Speaker::none) {
      std::fputs(line.c_str(), fw);
      if (text_needs_break(t.text)) std::fputc('\n', fw);
      return;
    }
    if (!line.empty() && line.back() == '\n') line.pop_back();
    const std::string rank = who == Speaker::unnamed ? "" : rank2str(t.rank);
    if (who == Speaker::unnamed) {
      // A plain comment among kibitz lines has no speaker to align under.
      std::fprintf(fw, "%s\n", line.c_str());
    } else if (who == Speaker::named) {
      std::fprintf(fw, "%s[%s]: %s\n", t.name->c_str(), rank.c_str(), line.c_str());
    } else {
      int width = display_columns(*t.name) + static_cast<int>(rank.size()) + 4;
      std::fprintf(fw, "%*s%s\n", width, "", line.c_str());
    }
  });
}

bool AsciiDevice::emit(Game* game, const Figure& figure) {
  fw = out_.stream();
  const int size = game->size;
  const auto& fig = game->figure_board;
  int smallest = 999, largest = 0;

  std::fputc('\n', fw);
  print_columns(size);
  std::fputc('\n', fw);
  // One character a point: a longer label stands in as a letter, a mark
  // on a numbered stone as a note.
  const FigureLabels labels = figure_labels(game, 1, true);
  std::string marked;
  for (int row = 0; row < size; ++row) {
    std::fprintf(fw, "\t%2d ", size - row);
    for (int col = 0; col < size; ++col) {
      std::size_t at = static_cast<std::size_t>(row) * size + col;
      BoardCell cell = at < fig.size() ? fig[at] : BoardCell{};
      if (cell.label) {
        // A point is two columns: a wide character fills both.
        const std::string& label = labels.shown[at];
        std::fprintf(fw, "%s%s", label.c_str(), display_columns(label) >= 2 ? "" : " ");
      } else if (cell.colour != EMPTY && cell.number != 0) {
        std::fprintf(fw, "%-2d", cell.number % 100);
        if (cell.number < smallest) smallest = cell.number;
        if (cell.number > largest) largest = cell.number;
        if (cell.mark && cell.mark->mark != 0)
          marked += format_text("%s%s on %d", marked.empty() ? "" : ", ",
                                mark_name(cell.mark->mark), cell.number);
      } else if (cell.mark && cell.mark->mark != 0) {
        std::fprintf(fw, "%c ", mark_glyph(cell.mark->mark, cell.colour));
      } else if (cell.colour == EMPTY) {
        std::fputs(". ", fw);
      } else {
        std::fputs(cell.colour == BLACK ? "@ " : "O ", fw);
      }
    }
    std::fprintf(fw, " %2d\n", size - row);
  }
  print_columns(size);
  std::fputs("\n\n", fw);
  print_caption(game, figure.captioned());
  std::string notes = con_cat();
  for (const std::string& more : {labels.notes, marked})
    if (!more.empty()) notes += (notes.empty() ? "" : ", ") + more;
  if (!notes.empty()) std::fprintf(fw, "\n%s\n", notes.c_str());
  std::fputc('\n', fw);

  if (figure.first_comment && figure.first_comment != figure.next)
    print_comments(figure, smallest, largest);
  return true;
}

}  // namespace

std::unique_ptr<OutputDevice> make_ascii_device(const Options& opt, MainOutput& out) {
  return std::make_unique<AsciiDevice>(opt, out);
}

}  // namespace kg
