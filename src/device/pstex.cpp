// The pstex output format (the default): every figure and selected diagram
// becomes an EPS file of board data for the procedures of the prolog, and
// the LaTeX text written to `fw` places each file under its caption.
#include "device/pstex.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <string>

#include "device/devices.h"
#include "device/drawing.h"
#include "device/tex_frame.h"
#include "figure/figure.h"
#include "game/game.h"
#include "util/files.h"
#include "util/message.h"
#include "util/strutil.h"

namespace kg {

namespace {

constexpr FontMetrics kHelvetica = {
    "Helvetica",
    {{556, 43, -23, 507, 709},
     {556, 102, 0, 347, 709},
     {556, 34, 0, 511, 710},
     {556, 32, -23, 506, 709},
     {556, 28, 0, 520, 709},
     {556, 35, -23, 513, 709},
     {556, 43, -23, 513, 709},
     {556, 46, 0, 520, 709},
     {556, 37, -23, 513, 709},
     {556, 38, -23, 509, 709}},
    -23,
    710,
    74};

constexpr FontMetrics kHelveticaBold = {
    "Helvetica-Bold",
    {{556, 29, -23, 517, 725},
     {556, 68, 0, 378, 709},
     {556, 30, 0, 515, 726},
     {556, 29, -23, 516, 726},
     {556, 24, 0, 522, 709},
     {556, 27, -24, 517, 709},
     {556, 32, -23, 519, 727},
     {556, 29, 0, 528, 709},
     {556, 22, -23, 525, 726},
     {556, 28, -23, 516, 728}},
    -24,
    728,
    55};

// A header comment ends at a line break; what followed would run as code.
std::string comment_text(const char* text) {
  std::string out(text);
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  return out;
}

// Full-board width in hundredths of a centimetre, as "boardinit" reads it.
void put_boardinit(std::FILE* stream, int size, int points) {
  long long w = static_cast<long long>(points) * 254 / 72;
  std::fprintf(stream, "%d %lld.%02lld boardinit\n", size, w / 100, (w < 0 ? -w : w) % 100);
}

void put_fonts(std::FILE* stream) {
  std::fprintf(stream, "%%%%DocumentFonts: %s %s %s %s\n", font_roles[wFont]->name,
               font_roles[bFont]->name, font_roles[fFont]->name, font_roles[mFont]->name);
}

// A file name as LaTeX text: the characters TeX reads specially become
// control symbols, which the style turns back into plain characters.
std::string tex_path(const std::string& name) {
  std::string out;
  for (char c : name) {
    switch (c) {
      case '\\': case '{': case '}': case '$': case '&': case '#': case '^':
      case '_': case '%': case '~': case ' ':
        out += '\\';
        break;
      default: break;
    }
    out += c;
  }
  return out;
}

// A label as a PostScript string: the delimiters escaped (labels reach here
// as printable ASCII only).
void put_label(std::FILE* stream, const std::string& text) {
  std::fputc('(', stream);
  for (char c : text) {
    if (c == '(' || c == ')' || c == '\\') std::fputc('\\', stream);
    std::fputc(c, stream);
  }
  std::fputc(')', stream);
}

// A text mark of the standard format, drawn like a label when Helvetica can
// set it in a point.
std::string text_mark(const std::string& text) {
  if (text.size() > 3) return "?";
  for (char c : text)
    if (c <= ' ' || c >= 127) return "?";
  return text;
}

// The outlined kind of a filled mark.
int outline(int kind) {
  switch (kind) {
    case MARK_SQUARE: return MARK_CROSS;
    case MARK_CIRCLE_FILLED: return MARK_CIRCLE;
    case MARK_TRIANGLE: return MARK_PLAIN;
    default: return kind;
  }
}

const char* mark_procedure(int kind) {
  switch (kind) {
    case MARK_CROSS: return "square_e";
    case MARK_SQUARE: return "square_f";
    case MARK_CIRCLE: return "circle_e";
    case MARK_CIRCLE_FILLED: return "circle_f";
    case MARK_PLAIN: return "triang_e";
    case MARK_TRIANGLE: return "triang_f";
    case MARK_PLUS: return "ps";
    case MARK_MINUS: return "ms";
    default: return nullptr;
  }
}

class PsTexDevice : public OutputDevice {
 public:
  PsTexDevice(const Options& opt, MainOutput& out)
      : opt_(opt), frame_(opt, out, TexFrame::Kind::book) {}

  void exit(Game* game) override { frame_.tex_trailer(game); }
  void onmove(Game* game, int number, int colour, int old_number, int old_colour) override;
  void onstone(Game* game, int number, int colour, int location) override;
  void pass(Game* game, int number, int colour) override;
  bool emit(Game* game, const Figure& figure) override;

 private:
  std::FILE* fw() const { return frame_.fw(); }
  std::string eps_begin(Game* game, char kind, int count, const char* caption);
  void eps_end(int count, const char* caption);
  void put_points(Game* game, int& lowest, int& highest);
  std::string stone_note(Game* game, int number, int colour);
  std::string eps_stone(Game* game, int number, int colour);
  void eps_prolog(std::FILE* stream);
  OutFile create_file(const std::string& name);
  void finish_file(OutFile& file);

  const Options& opt_;
  TexFrame frame_;
  bool prolog_failed_ = false;
  bool prolog_read_ = false;
  std::string prolog_;  // the prolog's bytes, read once per run
  OutFile figure_;
  std::string label_notes_;  // "a = 74": labels the figure shows as a letter
};

}  // namespace

const FontMetrics* const font_roles[kFontRoles] = {&kHelvetica, &kHelveticaBold, &kHelvetica,
                                                   &kHelvetica};

void eps_number(std::FILE* stream, int number, int colour, NumberBox& box) {
  const FontMetrics& m = *font_roles[colour == WHITE ? wFont : bFont];
  std::fputs("mark ", stream);
  std::string pending;  // digits waiting for their group, rightmost first
  auto flush = [&] {
    if (pending.empty()) return;
    std::string group(pending.rbegin(), pending.rend());
    std::fprintf(stream, "%s) 0 ", group.c_str());
    pending.clear();
  };
  int rest = number > 0 ? number : 0;
  int width = 0, digit = 0;
  bool rightmost = true;
  do {
    digit = rest % 10;
    rest /= 10;
    width = rightmost ? m.digit[digit].urx : width + m.digit[digit].wx;
    rightmost = false;
    // A 1 is narrow: it moves towards the digit on its left, twice as far
    // when that is a 1 as well.
    const int narrowing = digit != 1 ? 0 : rest % 10 == 1 ? m.kern1 : m.kern1 / 2;
    if (narrowing != 0) {
      if (rest != 0) width -= narrowing;
      flush();
      std::fprintf(stream, "(1) %d ", narrowing);
    } else {
      if (pending.empty()) std::fputc('(', stream);
      pending += static_cast<char>('0' + digit);
    }
  } while (rest != 0);
  flush();
  box.left = m.digit[digit].llx;
  box.width = width - box.left;
  box.baseline = m.bottom;
  box.height = m.top - m.bottom;
}

namespace {

std::string PsTexDevice::eps_stone(Game* game, int number, int colour) {
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, "/%c.%03d", colour == BLACK ? 'b' : 'w', number);
  std::string name = opt_.epsf.dir + suffix;
  OutFile file = create_file(name);
  std::FILE* f = file.get();
  const int size = game->size > 0 ? game->size : 1;
  const int half = (opt_.epsf.size / size + 1) / 2;
  std::fputs("%!PS-Adobe-2.0 EPSF-1.2\n", f);
  std::fprintf(f, "%%%%Title: %s stone numbered %d\n", colour == BLACK ? "Black" : "White",
               number);
  std::fprintf(f, "%%%%Creator: %s\n", opt_.program.c_str());
  std::fprintf(f, "%%%%BoundingBox: -%d -%d %d %d\n", half, half, half, half);
  put_fonts(f);
  std::fputs("%%EndComments\n", f);
  eps_prolog(f);
  std::fputs("Tavolin begin\n/cache false def\n/axis  false def\n", f);
  put_boardinit(f, game->size, opt_.epsf.size);
  NumberBox box;
  eps_number(f, number, colour, box);
  const char c = colour == BLACK ? 'b' : 'w';
  std::fprintf(f, "\n/%cB %d def\n/%cH %d def\n", c, box.baseline, c, box.height);
  std::fprintf(f, "%d %d 0 0 %cst\n", box.left, box.width, c);
  std::fputs("end\n%%Trailer\n", f);
  finish_file(file);
  return name;
}

void PsTexDevice::eps_prolog(std::FILE* stream) {
  if (prolog_failed_) return;
  if (!prolog_read_) {
    const char* env = std::getenv("SGFPROLOG");
    const char* path = env ? env : kPrologFile;
    std::FILE* in = std::fopen(path, "rb");
    if (!in) {
      std::fprintf(stderr, "Can not open \"%s\"\n", path);
      prolog_failed_ = true;
      return;
    }
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) prolog_.append(buffer, n);
    std::fclose(in);
    prolog_read_ = true;
  }
  std::fwrite(prolog_.data(), 1, prolog_.size(), stream);
}

// Figure and stone files have names anyone can predict in a shared
// directory: a link planted at such a name is refused, never followed.
OutFile PsTexDevice::create_file(const std::string& name) {
  OutFile file;
  if (!file.open(name, OutFile::Open::fresh)) {
    message("Couldn't create: \"%s\"\n", name.c_str());
    throw Exit(1);
  }
  return file;
}

// A file cut short (a full disk) would stop LaTeX or dvips far from here:
// it is removed and the run fails at once.
void PsTexDevice::finish_file(OutFile& file) {
  if (file.close()) return;
  ::unlink(file.name().c_str());
  cannot_write(opt_.program, file.name());
}

std::string PsTexDevice::eps_begin(Game* game, char kind, int count, const char* caption) {
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, ".%c%02d", kind, count);
  const std::string name = opt_.epsf.dir + '/' + opt_.epsf.base + suffix;
  figure_ = create_file(name);
  std::FILE* f = figure_.get();

  const int size = game->size;
  if (game->view.width == 0) game->view.width = size;
  if (game->view.height == 0) game->view.height = size;
  std::time_t now = std::time(nullptr);
  const char* date = std::ctime(&now);

  std::fputs("%!PS-Adobe-2.0 EPSF-1.2\n", f);
  std::fprintf(f, "%%%%Title: %s\n", comment_text(picture_title(game, caption).c_str()).c_str());
  std::fprintf(f, "%%%%Creator: %s\n", opt_.program.c_str());
  std::fprintf(f, "%%%%CreationDate: %s", date ? date : "\n");
  const long long full = opt_.epsf.fullsize, points = size > 0 ? size : 1;
  std::fprintf(f, "%%%%BoundingBox: 0 0 %lld %lld\n", game->view.width * full / points,
               game->view.height * full / points);
  put_fonts(f);
  std::fputs("%%EndComments\n", f);
  eps_prolog(f);
  std::fputs("Tavolin begin\n", f);
  std::fprintf(f, "/cache %s def\n", opt_.caching ? "true" : "false");
  std::fprintf(f, "/axis  %s def\n", opt_.coords ? "true" : "false");
  put_boardinit(f, size, opt_.epsf.size);
  std::fprintf(f, "/bdx %2d def\n/bdy %2d def\n/bdw %2d def\n/bdh %2d def\n", game->view.x,
               game->view.y, game->view.width, game->view.height);
  std::fprintf(f, "/rgx %2d def\n/rgy %2d def\n/rgw %2d def\n/rgh %2d def\n", game->region.x,
               game->region.y, game->region.width, game->region.height);
  std::fputs("board\n", f);
  return name;
}

void PsTexDevice::eps_end(int count, const char* caption) {
  std::fputs("end\n%%Trailer\n", figure_.get());
  finish_file(figure_);
  message("[%d (%s)]", count, caption);
}

// The point lines of a figure; returns the lowest and highest number drawn
// (0 and 0 when none is).
void PsTexDevice::put_points(Game* game, int& lowest, int& highest) {
  std::FILE* f = figure_.get();
  const int size = game->size;
  const auto& cells = game->figure_board;
  // Labels of up to three characters are drawn whole; a longer one, or one
  // that Helvetica cannot set, stands in as a letter named in the notes.
  const FigureLabels labels = figure_labels(game, 3);
  label_notes_ = labels.notes;
  bool black_seen = false, white_seen = false;
  for (int row = 0; row < size; ++row) {
    for (int col = 0; col < size; ++col) {
      const std::size_t at = static_cast<std::size_t>(row) * size + col;
      if (at >= cells.size()) return;
      const BoardCell& cell = cells[at];
      const int x = col, y = size - 1 - row;
      const bool black = cell.colour == BLACK;
      const int kind = cell.mark ? cell.mark->mark : 0;
      const bool dimmed = kind == MARK_DIMMED;
      const bool stone = cell.colour != EMPTY;
      // The stone under a label or a mark is drawn first, so that neither
      // hides its colour (a marked white stone once vanished under its mark).
      const bool numbered = stone && cell.number > 0 && !cell.label;
      const bool plain_mark = kind != 0 && !dimmed && !numbered && !cell.label;
      if (dimmed && stone) std::fputs("dimon\n", f);
      if (numbered) {
        if (lowest == 0 || cell.number < lowest) lowest = cell.number;
        if (cell.number > highest) highest = cell.number;
        NumberBox box;
        eps_number(f, (cell.number - 1) % 100 + 1, cell.colour, box);
        bool& seen = black ? black_seen : white_seen;
        if (!seen) {
          seen = true;
          const char c = black ? 'b' : 'w';
          std::fprintf(f, "\n/%cB %d def\n/%cH %d def\n", c, box.baseline, c, box.height);
        }
        std::fprintf(f, "%d %d %d %d %cst\n", box.left, box.width, x, y, black ? 'b' : 'w');
      } else if (stone && !(plain_mark && black && mark_procedure(kind))) {
        // A mark draws a black stone itself.
        std::fprintf(f, "%d %d %cs\n", x, y, black ? 'b' : 'w');
      }
      if (dimmed && stone) std::fputs("dimoff\n", f);
      if (cell.label) {
        put_label(f, labels.shown[at]);
        std::fprintf(f, " %d %d %s\n", x, y, !stone ? "fs" : black ? "bfs" : "wfs");
      } else if (kind == MARK_TEXT && cell.mark->text && !cell.mark->text->empty()) {
        put_label(f, text_mark(*cell.mark->text));
        std::fprintf(f, " %d %d %s\n", x, y, !stone ? "fs" : black ? "bfs" : "wfs");
      } else if (dimmed) {
        if (!stone) std::fprintf(f, "%d %d dimpt\n", x, y);
      } else if (const char* name = kind ? mark_procedure(numbered ? outline(kind) : kind) : nullptr) {
        // s: 0 an empty point, 1 a black stone the mark draws, 2 a white
        // stone; 3 and 4 a black and a white stone whose number the mark
        // goes round (an outline, which leaves the number readable).
        const int s = !stone ? 0 : numbered ? (black ? 3 : 4) : black ? 1 : 2;
        std::fprintf(f, "%d %d %d %s\n", s, x, y, name);
      } else if (kind >= MARK_SHADE_FIRST && kind <= MARK_SHADE_LAST) {
        std::fprintf(f, "%d %d %d shade\n", (kind - MARK_SHADE_FIRST) * 10, x, y);
      } else if (kind == MARK_BLACK_TERRITORY || kind == MARK_WHITE_TERRITORY) {
        std::fprintf(f, "%d %d %s\n", x, y, kind == MARK_BLACK_TERRITORY ? "bterr" : "wterr");
      }
    }
  }
}

// The stone file of (number, colour) as the notes name it.
std::string PsTexDevice::stone_note(Game* game, int number, int colour) {
  return tex_path(eps_stone(game, number, colour));
}

void PsTexDevice::onmove(Game* game, int number, int colour, int old_number, int old_colour) {
  std::string stone = stone_note(game, number, colour);
  con_printf("\\stone{%s} at \\stone{%s}", stone.c_str(),
             stone_note(game, old_number, old_colour).c_str());
}

void PsTexDevice::onstone(Game* game, int number, int colour, int location) {
  const int size = game->size > 0 ? game->size : 1;
  con_printf("\\stone{%s} at %s", stone_note(game, number, colour).c_str(),
             point_name(location, size, PointName::board_pair).c_str());
}

void PsTexDevice::pass(Game* game, int number, int colour) {
  con_printf("\\stone{%s} pass", stone_note(game, number, colour).c_str());
}

bool PsTexDevice::emit(Game* game, const Figure& figure) {
  const std::string& caption = figure.caption;
  Move *first = figure.first, *last = figure.last;
  std::FILE* fw = this->fw();
  frame_.tex_header(game);
  const bool diagram = figure.diagram;
  const int count = figure.count;
  const std::string figure_name = eps_begin(game, diagram ? 'd' : 'f', count, caption.c_str());
  int lowest = 0, highest = 0;
  put_points(game, lowest, highest);
  eps_end(count, caption.c_str());

  // A figure without a numbered stone is captioned with the moves it holds
  // (passes, or moves on points whose stones it cannot show), and with its
  // number alone when it holds none.
  if (highest == 0 && first) {
    lowest = figure.shown(first);
    highest = last ? figure.shown(last) : lowest;
  } else if (!diagram) {
    // Moves at either end that only the notes show (a pass, a stone on a
    // point taken before) still belong to the figure's range: the next
    // figure begins after them.
    auto move = [](const Move* m) { return m && m->location != LOC_NONE && m->number > 0; };
    if (move(first)) lowest = std::min(lowest, figure.shown(first));
    if (move(last)) highest = std::max(highest, figure.shown(last));
  }
  const std::string notes = con_cat();
  std::fprintf(fw, "\\connect{%s", notes.c_str());
  if (!label_notes_.empty()) {
    std::fputs(notes.empty() ? "" : ", ", fw);
    frame_.text2tex(label_notes_);
  }
  std::fputs("}\n", fw);
  std::fprintf(fw, "\\epsfflush{%s}{%s %d", tex_path(figure_name).c_str(),
               diagram ? "Diagram" : "Figure", count);
  if (lowest == highest && highest != 0)
    std::fprintf(fw, " (%d)", lowest);
  else if (highest != 0 || lowest != 0)
    std::fprintf(fw, " (%d--%d)", lowest, highest);
  if (!figure.branch.empty()) {
    std::fputs(": ", fw);
    frame_.text2tex(figure.branch);
  }
  std::fputs("}\n", fw);
  if (highest == 0 && lowest == 0) lowest = 999;
  frame_.tex_text(figure, lowest, highest);
  return true;
}

}  // namespace

std::unique_ptr<OutputDevice> make_pstex_device(const Options& opt, MainOutput& out) {
  return std::make_unique<PsTexDevice>(opt, out);
}

}  // namespace kg
