// The graphic output format: a viewer that shows one figure or diagram at a
// time on the terminal through curses: the caption above the board, the
// notes below it, the comments beside it, then waits for a key.
#include "device/screen.h"

// The wide-character calls of curses, for bytes the C locale has no
// character for.
#define NCURSES_WIDECHAR 1
#include <curses.h>
#include <fcntl.h>
#include <langinfo.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <new>
#include <string>
#include <vector>

#include "device/devices.h"
#include "device/drawing.h"
#include "figure/figure.h"
#include "game/game.h"
#include "util/message.h"
#include "util/strutil.h"

namespace kg {

// ---- glyphs -------------------------------------------------------------------

namespace {

// Codes the board never draws show as an inner point.
constexpr const char* kPlainGlyphs[kGlyphs] = {
    "@ ", ". ", ". ", ". ", ". ", ". ", ". ", ". ", ". ", ". ", ". ",
    ". ", "O ", ". ", ". ", ". ", ". ", ". ", ". ", ". ", ". ", ". ",
    ". ", ". ", ". ", ". ", ". ", ". ", ". ", ". ", ". ",
};

// Each glyph of the terminal font is split into a left and a right half.
constexpr const char* kFontGlyphs[kGlyphs] = {
    "\xC0\xC1", "\xC4\xC5", "\xC4\xC5", "\xC6\xC7", "\xC8\xC5", "\xC9\xCA", "\xCB\xCA",
    "\xCB\xCC", "\xC4\xCD", "\xCE\xCF", "\xD0\xCF", "\xD0\xD1", "\xD2\xD3", "\xC4\xC5",
    "\xC4\xC5", "\xC4\xC5", "\xC4\xC5", "\xC4\xC5", "\xC4\xC5", "\xC4\xC5", "\xC4\xC5",
    "\xC4\xC5", "\xC4\xC5", "\xC4\xC5", "\xC4\xC5", "\xC4\xC5", "\xC4\xC5", "\xC4\xC5",
    "\xC4\xC5", "\xC4\xC5", "\xC4\xC5",
};

// The point's own column in the Unicode set; the heavy cross of a star
// point still joins the lines around it.
constexpr const char* kUnicodeGlyphs[kGlyphs] = {
    "●", "┼", "┼", "╋", "├", "└", "┴", "┘", "┤", "┌", "┬", "┐", "○", "┼", "┼", "┼",
    "┼", "┼", "┼", "┼", "┼", "┼", "┼", "┼", "┼", "┼", "┼", "┼", "┼", "┼", "┼",
};

// The Unicode set's two columns of each code, as font_decode gives them.
constexpr const char* kUnicodePairs[kGlyphs] = {
    "●─", "┼─", "┼─", "╋─", "├─", "└─", "┴─", "┘ ", "┤ ", "┌─", "┬─", "┐ ", "○─", "┼─", "┼─", "┼─",
    "┼─", "┼─", "┼─", "┼─", "┼─", "┼─", "┼─", "┼─", "┼─", "┼─", "┼─", "┼─", "┼─", "┼─", "┼─",
};

}  // namespace

std::optional<GlyphSet> glyph_set(const char* forced, const char* term, bool utf8) {
  if (forced && *forced) {
    const std::string_view name = forced;
    if (name == "plain") return GlyphSet::plain;
    if (name == "font") return GlyphSet::font;
    if (name == "unicode") return GlyphSet::unicode;
    return std::nullopt;
  }
  if (utf8) return GlyphSet::unicode;
  return term && std::strcmp(term, "xterm") == 0 ? GlyphSet::font : GlyphSet::plain;
}

Font::Font() = default;

void Font::font_init(GlyphSet set) { set_ = set; }

const char* Font::font_decode(int code) const {
  if (code < 0 || code >= kGlyphs) return "??";
  switch (set_) {
    case GlyphSet::font: return kFontGlyphs[code];
    case GlyphSet::unicode: return kUnicodePairs[code];
    case GlyphSet::plain: break;
  }
  return kPlainGlyphs[code];
}

std::string_view Font::centre(int code) const {
  if (code < 0 || code >= kGlyphs) return "?";
  if (set_ == GlyphSet::unicode) return kUnicodeGlyphs[code];
  return std::string_view(kPlainGlyphs[code], 1);
}

std::string_view Font::between(bool outside) const {
  return set_ == GlyphSet::unicode && !outside ? "─" : " ";
}

int point_glyph(int size, int row, int column) {
  const int edge = size - 1;
  if (row == 0) return column == 0 ? GLYPH_TOP_LEFT : column == edge ? GLYPH_TOP_RIGHT : GLYPH_TOP;
  if (row == edge)
    return column == 0 ? GLYPH_BOTTOM_LEFT : column == edge ? GLYPH_BOTTOM_RIGHT : GLYPH_BOTTOM;
  if (column == 0) return GLYPH_LEFT;
  if (column == edge) return GLYPH_RIGHT;
  return star_point(size, row, column) ? GLYPH_STAR : GLYPH_INNER;
}

// ---- layout -------------------------------------------------------------------

ScreenLayout screen_layout(int size, bool diagram, int columns, int lines, bool wide,
                           bool coordinates) {
  ScreenLayout l;
  // The widest points first, then coordinates; the designed layout last.
  for (int width : {3, 2}) {
    if (width == 3 && !wide) continue;
    for (bool coords : {true, false}) {
      if (coords && !coordinates) continue;
      const int left = coords ? (width == 2 ? 3 : 2) : 0, right = coords ? 3 : 0;
      const int board_width = left + width * size + right;
      const int board_height = size + (coords ? 2 : 0);
      const int panel = columns - board_width - 4;
      const int notes = lines - board_height - 2;
      const bool last = width == 2 && !coords;
      if (!last && (panel < (width == 3 ? kPanelMinimum : 1) || notes < 1)) continue;
      const int board_x = diagram ? columns - board_width - 1 : 1;
      l.title = {board_x, 0, board_width, 1};
      l.board = {board_x, 1, board_width, board_height};
      l.notes = {board_x, board_height + 1, board_width, notes};
      l.text = {diagram ? 1 : board_width + 3, 0, panel, lines - 1};
      l.point_width = width;
      l.coordinates = coords;
      l.board_x = left;
      l.board_y = coords ? 1 : 0;
      return l;
    }
  }
  return l;
}

ScreenSize screen_needs(int size) { return {2 * size + 5, size + 3}; }

// ---- text ---------------------------------------------------------------------------

namespace {

// The forms curses itself gives control codes: "^[" for ESC, "~[" for CSI.
void add_control(std::string& out, unsigned code) {
  if (code < 0x20) {
    out += '^';
    out += static_cast<char>(code + 0x40);
  } else if (code == 0x7F) {
    out += "^?";
  } else {
    out += '~';
    out += static_cast<char>(code - 0x80 + 0x40);
  }
}

// The character at the start of a text in the locale's coding: its length
// (0 when the bytes make none) and its value.
std::pair<std::size_t, wchar_t> decode(std::string_view text) {
  std::mbstate_t state{};
  wchar_t wc = 0;
  const std::size_t n = std::mbrtowc(&wc, text.data(), text.size(), &state);
  if (n == 0 || n > text.size()) return {0, 0};
  return {n, wc};
}

// The length of the character at the start of a safe text, and its columns.
std::pair<std::size_t, int> next_char(std::string_view text, bool utf8) {
  if (!utf8 || static_cast<unsigned char>(text[0]) < 0x80) return {1, 1};
  const auto [n, wc] = decode(text);
  if (n == 0) return {1, 1};
  const int width = wcwidth(wc);
  return {n, width < 0 ? 1 : width};
}

}  // namespace

std::string screen_safe(std::string_view text, bool utf8) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      ++i;
    } else if (c == '\n' || c == '\t' || (c >= 0x20 && c < 0x7F)) {
      out += static_cast<char>(c);
      ++i;
    } else if (c < 0xA0 && (c < 0x80 || !utf8)) {
      add_control(out, c);
      ++i;
    } else if (!utf8) {
      out += static_cast<char>(c);
      ++i;
    } else {
      const auto [n, wc] = decode(text.substr(i));
      if (n == 0) {
        out += '?';
        ++i;
        continue;
      }
      if (wc >= 0x80 && wc < 0xA0)
        add_control(out, static_cast<unsigned>(wc));
      else if (wcwidth(wc) < 0)
        out += '?';
      else
        out.append(text.substr(i, n));
      i += n;
    }
  }
  return out;
}

int screen_columns(std::string_view text, bool utf8) {
  int columns = 0;
  while (!text.empty()) {
    const auto [length, width] = next_char(text, utf8);
    columns += width;
    text.remove_prefix(length);
  }
  return columns;
}

std::string_view screen_fit(std::string_view text, int columns, bool utf8) {
  std::size_t end = 0;
  while (end < text.size()) {
    const auto [length, width] = next_char(text.substr(end), utf8);
    if (width > columns) break;
    columns -= width;
    end += length;
  }
  return text.substr(0, end);
}

std::vector<std::string> screen_wrap(std::string_view text, int width, int column, bool utf8) {
  if (width < 1) width = 1;
  std::vector<std::string> lines(1);
  int used = std::min(column, width);
  std::string blanks;  // blanks since the last word, not yet placed
  auto expanded = [&](std::string_view run, int at) {
    std::string out;
    for (char c : run) {
      const int n = c == '\t' ? 8 - (at + static_cast<int>(out.size())) % 8 : 1;
      out.append(static_cast<std::size_t>(n), ' ');
    }
    return out;
  };
  auto new_line = [&] {
    lines.emplace_back();
    used = 0;
    blanks.clear();
  };
  while (!text.empty()) {
    const char c = text[0];
    if (c == '\n') {
      text.remove_prefix(1);
      new_line();
      continue;
    }
    if (c == ' ' || c == '\t') {
      blanks += c;
      text.remove_prefix(1);
      continue;
    }
    std::size_t end = 0;
    while (end < text.size() && text[end] != ' ' && text[end] != '\t' && text[end] != '\n') ++end;
    std::string_view word = text.substr(0, end);
    text.remove_prefix(end);
    const int word_width = screen_columns(word, utf8);
    std::string gap = expanded(blanks, used);
    blanks.clear();
    const int gap_width = static_cast<int>(gap.size());
    if (used + gap_width + word_width > width && used > 0 && word_width <= width) {
      new_line();
      gap.clear();
    }
    if (used + static_cast<int>(gap.size()) < width) {
      lines.back() += gap;
      used += static_cast<int>(gap.size());
    } else if (used > 0 && !word.empty()) {
      new_line();
    }
    // A word longer than the room left is cut where the line ends.
    while (!word.empty()) {
      const std::string_view head = screen_fit(word, width - used, utf8);
      if (head.empty() && used == 0) {
        // A character wider than the whole window: it goes out alone.
        const std::size_t one = next_char(word, utf8).first;
        lines.back() += word.substr(0, one);
        word.remove_prefix(one);
        if (!word.empty()) new_line();
        continue;
      }
      lines.back() += head;
      used += screen_columns(head, utf8);
      word.remove_prefix(head.size());
      if (!word.empty()) new_line();
    }
  }
  // The next text may go on on this line: a blank keeps the words apart.
  const int room = std::min(static_cast<int>(expanded(blanks, used).size()), width - used);
  if (room > 0) lines.back().append(static_cast<std::size_t>(room), ' ');
  return lines;
}

// ---- the terminal ---------------------------------------------------------------

namespace {

// Everything needed to give the terminal back, also from a signal handler:
// the modes it had, the bytes that end the full-screen mode, and standard
// error, which is collected while curses draws so that messages do not
// scribble over the screen.
struct Terminal {
  volatile std::sig_atomic_t active = 0;
  SCREEN* screen = nullptr;
  FILE* tty = nullptr;  // /dev/tty, when standard input or output is not one
  int fd = -1;          // the terminal curses writes to
  termios modes{};
  bool have_modes = false;
  char reset[512] = {};
  std::size_t reset_length = 0;
  int saved_stderr = -1;
  FILE* collected = nullptr;  // standard error while curses runs
  int collected_fd = -1;
  bool utf8 = false;    // texts go out as UTF-8 characters
  std::string locale;  // LC_CTYPE before the viewer set the terminal's
  struct sigaction old_actions[9] = {};
};

// Static: the signal handler that gives the terminal back must reach it.
Terminal term;
// The ways out that leave the terminal raw unless it is given back: a kill,
// the end of the session, and a crash.
constexpr int kSignals[9] = {SIGTERM, SIGHUP, SIGINT, SIGQUIT, SIGABRT,
                             SIGSEGV, SIGBUS, SIGFPE, SIGILL};
constexpr int kSignalCount = 9;

// Only calls that are safe in a signal handler.
void give_back_stderr_raw() {
  if (term.saved_stderr < 0) return;
  dup2(term.saved_stderr, STDERR_FILENO);
  if (term.collected_fd >= 0 && lseek(term.collected_fd, 0, SEEK_SET) == 0) {
    char buffer[4096];
    ssize_t n;
    while ((n = read(term.collected_fd, buffer, sizeof buffer)) > 0)
      if (write(STDERR_FILENO, buffer, static_cast<std::size_t>(n)) < 0) break;
  }
}

extern "C" void on_signal(int signal) {
  if (term.active) {
    term.active = 0;
    if (term.have_modes) tcsetattr(term.fd, TCSANOW, &term.modes);
    if (write(term.fd, term.reset, term.reset_length) < 0) {
      // The terminal is gone; nothing else to give back there.
    }
    give_back_stderr_raw();
  }
  // The action from before the viewer takes the signal once this handler
  // returns: the default one ends the process with it, and a crash comes
  // back at the faulting instruction.
  for (int i = 0; i < kSignalCount; ++i)
    if (kSignals[i] == signal) sigaction(signal, &term.old_actions[i], nullptr);
  raise(signal);
}

void append_reset(const char* capability) {
  if (!capability || capability == reinterpret_cast<const char*>(-1)) return;
  std::size_t n = std::strlen(capability);
  if (term.reset_length + n >= sizeof term.reset) return;
  std::memcpy(term.reset + term.reset_length, capability, n);
  term.reset_length += n;
}

void collect_stderr() {
  if (!isatty(STDERR_FILENO)) return;
  term.collected = std::tmpfile();
  if (!term.collected) return;
  std::fflush(stderr);
  term.collected_fd = fileno(term.collected);
  term.saved_stderr = dup(STDERR_FILENO);
  if (term.saved_stderr < 0 || dup2(term.collected_fd, STDERR_FILENO) < 0) {
    if (term.saved_stderr >= 0) close(term.saved_stderr);
    term.saved_stderr = -1;
    std::fclose(term.collected);
    term.collected = nullptr;
    term.collected_fd = -1;
  }
}

void give_back_stderr() {
  std::fflush(stderr);
  give_back_stderr_raw();
  if (term.saved_stderr >= 0) close(term.saved_stderr);
  if (term.collected) std::fclose(term.collected);
  term.saved_stderr = term.collected_fd = -1;
  term.collected = nullptr;
}

// Picks the glyph set and the coding texts go out in. A UTF-8 terminal gets
// whole characters, and curses counts their columns in its locale, which is
// set for the viewer alone. The terminal font is a set of single bytes, as
// is every other coding: those texts go out byte by byte.
GlyphSet choose_coding(const std::string& program) {
  const char* current = std::setlocale(LC_CTYPE, nullptr);
  term.locale = current ? current : "C";
  auto is_utf8 = [] {
    const char* codeset = nl_langinfo(CODESET);
    return codeset && std::strcmp(codeset, "UTF-8") == 0;
  };
  bool utf8 = std::setlocale(LC_CTYPE, "") && is_utf8();
  const char* forced = std::getenv("KIFUGRAM_BOARD");
  const std::optional<GlyphSet> set = glyph_set(forced, std::getenv("TERM"), utf8);
  if (set == GlyphSet::unicode && !utf8) {
    // Asked for by name: the terminal is taken at its word, whatever the
    // locale says.
    utf8 = std::setlocale(LC_CTYPE, "C.UTF-8") && is_utf8();
  }
  term.utf8 = utf8 && set != GlyphSet::font;
  if (!term.utf8) std::setlocale(LC_CTYPE, term.locale.c_str());
  if (!set)
    fatal(1, "%s: KIFUGRAM_BOARD is \"%s\"; it names a board: plain, font or unicode\n",
          program.c_str(), forced);
  if (set == GlyphSet::unicode && !term.utf8)
    fatal(1, "%s: KIFUGRAM_BOARD=unicode needs a UTF-8 locale, and there is none\n",
          program.c_str());
  return *set;
}

// Writes a safe text. The C locale has no characters for the bytes 0xA0 to
// 0xFF: each goes out as the wide character of its value, which curses
// writes as that byte.
void put_text(WINDOW* win, std::string_view text) {
  if (term.utf8) {
    waddnstr(win, text.data(), static_cast<int>(text.size()));
    return;
  }
  while (!text.empty()) {
    std::size_t plain = 0;
    while (plain < text.size() && static_cast<unsigned char>(text[plain]) < 0x80) ++plain;
    if (plain > 0) {
      waddnstr(win, text.data(), static_cast<int>(plain));
      text.remove_prefix(plain);
      continue;
    }
    const wchar_t wide[2] = {static_cast<wchar_t>(static_cast<unsigned char>(text[0])), 0};
    cchar_t cell;
    setcchar(&cell, wide, 0, 0, nullptr);
    wadd_wch(win, &cell);
    text.remove_prefix(1);
  }
}

// Keys come from the terminal even when the record came on standard input.
void start_curses(Font& font, const std::string& program) {
  font.font_init(choose_coding(program));
  FILE* in = isatty(STDIN_FILENO) ? stdin : nullptr;
  FILE* out = isatty(STDOUT_FILENO) ? stdout : nullptr;
  if (!in || !out) {
    term.tty = std::fopen("/dev/tty", "r+");
    if (!term.tty) {
      if (term.utf8) std::setlocale(LC_CTYPE, term.locale.c_str());
      term.utf8 = false;
      fatal(1, "%s: -to graphic needs a terminal, and there is none\n", program.c_str());
    }
    if (!in) in = term.tty;
    if (!out) out = term.tty;
  }
  term.fd = fileno(out);
  term.have_modes = tcgetattr(term.fd, &term.modes) == 0;

  for (int i = 0; i < kSignalCount; ++i) sigaction(kSignals[i], nullptr, &term.old_actions[i]);
  term.screen = newterm(nullptr, out, in);
  // A terminal that cannot move the cursor (dumb, say) would show the
  // board run together on one line.
  const char* move = term.screen ? tigetstr("cup") : nullptr;
  if (!move || move == reinterpret_cast<const char*>(-1)) {
    if (term.screen) {
      endwin();
      delscreen(term.screen);
      term.screen = nullptr;
    }
    if (term.utf8) std::setlocale(LC_CTYPE, term.locale.c_str());
    term.utf8 = false;
    if (term.tty) std::fclose(term.tty);
    term.tty = nullptr;
    const char* name = std::getenv("TERM");
    fatal(1, "%s: cannot use the terminal type \"%s\"\n", program.c_str(), name ? name : "");
  }

  term.reset_length = 0;
  append_reset(tigetstr("sgr0"));
  append_reset(tigetstr("cnorm"));
  append_reset(tigetstr("rmkx"));
  append_reset(tiparm(move, LINES - 1, 0));
  append_reset("\r\n");
  append_reset(tigetstr("rmcup"));

  term.active = 1;
  collect_stderr();
  struct sigaction action {};
  action.sa_handler = on_signal;
  action.sa_flags = SA_RESETHAND;
  // One giving back at a time: the others wait until the first has ended.
  sigemptyset(&action.sa_mask);
  for (int signal : kSignals) sigaddset(&action.sa_mask, signal);
  // A signal the caller chose to ignore stays ignored.
  for (int i = 0; i < kSignalCount; ++i)
    if (term.old_actions[i].sa_handler != SIG_IGN) sigaction(kSignals[i], &action, nullptr);
}

struct ScreenWindow {
  WINDOW* win = nullptr;
  ScreenArea area;
};

struct Screen {
  ScreenWindow title, notes, board, text;
  ScreenLayout layout;
  Game* game = nullptr;
};

void drop_window(ScreenWindow& w) {
  if (!w.win) return;
  werase(w.win);
  delwin(w.win);
  w.win = nullptr;
}

// What a cell of the board shows, each with the attributes of its own.
enum Ink : int {
  INK_BOARD,         // lines, edges, star points and the board around them
  INK_BLACK,         // a stone without a number
  INK_WHITE,
  INK_BLACK_NUMBER,  // a numbered stone
  INK_WHITE_NUMBER,
  INK_BLACK_OTHER,   // every other numbered stone of a row, where
  INK_WHITE_OTHER,   // two-column points leave no gap between numbers
  INK_LABEL,
  INK_MARK,          // a marked point: empty, black or white
  INK_MARK_BLACK,
  INK_MARK_WHITE,
  kInks
};

// The attributes of each ink: the designed standout for black numbers, or,
// on a terminal with colours, a wooden board, black and white stones, and
// numbers light on black and dark on white stones. Where two-column points
// leave no gap between two numbers, every other point of a row writes its
// number in a second colour (underlined without colours), so that "3839"
// reads as two.
struct Palette {
  attr_t ink[kInks] = {};

  void plain() {
    blocks = false;
    for (attr_t& a : ink) a = A_NORMAL;
    ink[INK_BLACK_NUMBER] = A_STANDOUT;
    // No second colour: the other numbers are underlined.
    ink[INK_BLACK_OTHER] = A_STANDOUT | A_UNDERLINE;
    ink[INK_WHITE_OTHER] = A_UNDERLINE;
    ink[INK_MARK] = ink[INK_MARK_BLACK] = ink[INK_MARK_WHITE] = A_STANDOUT;
  }

  void colours() {
    plain();
    if (!has_colors() || start_color() == ERR || COLORS < 8 || COLOR_PAIRS <= kInks) return;
    use_default_colors();
    const bool many = COLORS >= 256, sixteen = COLORS >= 16;
    const short wood = many ? 179 : COLOR_YELLOW;
    const short white = sixteen ? 15 : COLOR_WHITE;
    const short gold = many ? 221 : sixteen ? 11 : COLOR_YELLOW;
    const short blue = many ? 19 : COLOR_BLUE;
    // The stone's sign in a shade of its own colour: the block is the stone.
    const short on_black = many ? 240 : sixteen ? 8 : COLOR_WHITE;
    const short on_white = many ? 245 : sixteen ? 7 : COLOR_BLACK;
    // Eight colours: white is light grey, and bold makes it white.
    const attr_t bright = sixteen ? A_NORMAL : A_BOLD;
    const struct {
      Ink ink;
      short fg, bg;
      attr_t extra;
    } pairs[] = {
        {INK_BOARD, COLOR_BLACK, wood, A_NORMAL},
        {INK_BLACK, on_black, COLOR_BLACK, A_NORMAL},
        {INK_WHITE, on_white, white, A_NORMAL},
        {INK_BLACK_NUMBER, white, COLOR_BLACK, bright},
        {INK_WHITE_NUMBER, COLOR_BLACK, white, A_NORMAL},
        {INK_BLACK_OTHER, gold, COLOR_BLACK, bright},
        {INK_WHITE_OTHER, blue, white, A_NORMAL},
        {INK_LABEL, COLOR_BLACK, wood, A_NORMAL},
        // Reverse video would turn a black stone white: a mark is red.
        {INK_MARK, COLOR_RED, wood, A_BOLD},
        {INK_MARK_BLACK, COLOR_RED, COLOR_BLACK, A_BOLD},
        {INK_MARK_WHITE, COLOR_RED, white, A_BOLD},
    };
    for (const auto& p : pairs) {
      const short pair = static_cast<short>(p.ink + 1);
      if (init_pair(pair, p.fg, p.bg) == ERR) return plain();
      ink[p.ink] = static_cast<attr_t>(COLOR_PAIR(pair)) | p.extra;
    }
    blocks = true;
  }

  // Stones are blocks of their colour over all the point's columns.
  bool blocks = false;
};

class ScreenDevice : public OutputDevice {
 public:
  explicit ScreenDevice(const Options& opt) : opt_(opt) {}
  ~ScreenDevice() override { release_terminal(); }

  // ---- the viewer ---------------------------------------------------------------

  // One key; KEY_RESIZE and interrupted reads are not keys.
  int read_key(WINDOW* win) {
    if (input_gone) return ERR;
    for (;;) {
      errno = 0;
      int key = wgetch(win);
      if (key == KEY_RESIZE) continue;
      if (key != ERR) return key;
      if (errno == EINTR) continue;
      input_gone = true;
      return ERR;
    }
  }

  // Stops at "[more]" when the comment window is full.
  void page(WINDOW* win) {
    const int height = getmaxy(win);
    if (getcury(win) + 1 < height - 1 || height <= 1) return;
    if (go_mode) {
      wrefresh(win);
      return;
    }
    wstandout(win);
    waddstr(win, "[more]");
    wstandend(win);
    wrefresh(win);
    read_key(win);
    werase(win);
    wmove(win, 0, 0);
  }

  // Writes a safe text wrapped at blanks; `each_line` runs before every
  // line after the first. A line that fills the window's width has moved
  // the cursor to the next line already.
  template <typename EachLine>
  void put_wrapped(WINDOW* win, std::string_view text, attr_t attributes, EachLine each_line) {
    const std::vector<std::string> lines = screen_wrap(text, getmaxx(win), getcurx(win), term.utf8);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (i > 0) {
        if (lines[i - 1].empty() || getcurx(win) != 0) waddch(win, '\n');
        // A break that only ends the text leaves the next text to page.
        if (i + 1 < lines.size() || !lines[i].empty()) each_line();
      }
      if (lines[i].empty()) continue;
      wattron(win, attributes);
      put_text(win, lines[i]);
      wattroff(win, attributes);
    }
  }

  // Adds text to the comment window, stopping at "[more]" when it is full.
  void add_text(WINDOW* win, const std::string& text, bool standout = false) {
    page(win);
    std::string_view start = text;
    if (getcury(win) == 0 && !start.empty() && start[0] == '\n') start.remove_prefix(1);
    put_wrapped(win, screen_safe(start, term.utf8), standout ? A_STANDOUT : A_NORMAL,
                [&] { page(win); });
  }

  bool prompt(WINDOW* win) {
    if (go_mode) {
      wrefresh(win);
      return true;
    }
    wclrtobot(win);
    add_text(win, "[(q)uit, (g)o, or <any>]", true);
    wrefresh(win);
    int key = read_key(win);
    if (key == ERR || key == 'q') {
      go_mode = false;
      return false;
    }
    go_mode = key == 'g';
    werase(win);
    return true;
  }

  void add_comments(WINDOW* win, Move* first_comment, Move* next, int smallest, int largest) {
    walk_comments(first_comment, next, opt_.kibitz, [&](Move* m) {
      if (m->number != 0 && opt_.labels && smallest != largest)
        add_text(win, format_text("\n%s %3d:\n", m->colour == BLACK ? "Black" : "White", m->number),
                 true);
    }, [&](const Text& t, Speaker who) {
      if (who == Speaker::none || who == Speaker::unnamed) {
        // The break goes with the text: a lone line feed at the top is skipped.
        add_text(win, text_needs_break(t.text) ? t.text + '\n' : t.text);
      } else if (who == Speaker::named) {
        add_text(win, format_text("%s[%s]: %s\n", t.name->c_str(), rank2str(t.rank).c_str(),
                                  t.text.c_str()));
      } else {
        const std::size_t width =
            screen_columns(screen_safe(*t.name, term.utf8), term.utf8) + rank2str(t.rank).size() + 4;
        add_text(win, std::string(width, ' ') + t.text + "\n");
      }
    });
  }

  bool init(Game*) override {
    start_curses(font_, opt_.program);
    noecho();
    nl();
    raw();
    // The terminal font's pictures are the board: no colours on them.
    if (font_.set() == GlyphSet::font)
      palette_.plain();
    else
      palette_.colours();
    return true;
  }

  void exit(Game*) override {
    if (!term.active) return;
    wclear(stdscr);
    wrefresh(stdscr);
    release_terminal();
  }

  void abort() override { release_terminal(); }

  bool make_window(ScreenWindow& w, const ScreenArea& area, bool scrolls) {
    w.area = area;
    w.win = subwin(stdscr, area.height, area.width, area.y, area.x);
    if (!w.win) return false;
    scrollok(w.win, scrolls);
    return true;
  }

  bool alloc(Game* game) override {
    const int size = game->size;
    const ScreenSize need = screen_needs(size);
    if (COLS < need.columns || LINES < need.lines)
      fatal(1,
            "%s: the terminal has %d columns and %d lines; a %dx%d board needs %d columns and %d "
            "lines\n",
            opt_.program.c_str(), COLS, LINES, size, size, need.columns, need.lines);
    Screen* s = new (std::nothrow) Screen{};
    if (!s) {
      message("Out of memory in scr_alloc()\n");
      throw std::bad_alloc();
    }
    const ScreenLayout l = screen_layout(size, game->parent != nullptr, COLS, LINES,
                                         font_.set() != GlyphSet::font, opt_.coords != 0);
    s->layout = l;
    // Nothing of the screen before stays where this one draws nothing: the
    // prompt of a figure beside a diagram's board, say.
    werase(stdscr);
    wnoutrefresh(stdscr);
    if (!make_window(s->title, l.title, false) || !make_window(s->notes, l.notes, true) ||
        !make_window(s->board, l.board, false) || !make_window(s->text, l.text, true)) {
      drop_screen(s);
      return false;
    }
    // Arrow and function keys come as one key each.
    keypad(s->text.win, TRUE);
    s->game = game;
    game->device = s;
    try {
      live.push_back(s);
    } catch (const std::bad_alloc&) {
      drop_screen(s);
      message("Out of memory in scr_alloc()\n");
      throw;
    }
    return true;
  }

  void free(Game* game) override {
    if (game->device) drop_screen(static_cast<Screen*>(game->device));
  }

  void onmove(Game*, int number, int, int old_number, int) override {
    con_printf("%d on %d", number, old_number);
  }

  void onstone(Game* game, int number, int, int location) override {
    con_printf("%d at %s", number, point_name(location, game->size, PointName::sgf_pair).c_str());
  }

  void pass(Game*, int number, int) override { con_printf("%d pass", number); }

  void draw_caption(const ScreenWindow& w, const std::string& text) {
    const std::string whole = screen_safe(text, term.utf8);
    const std::string_view caption = screen_fit(whole, w.area.width - 1, term.utf8);
    werase(w.win);
    wmove(w.win, 0, (w.area.width - screen_columns(caption, term.utf8)) / 2);
    put_text(w.win, caption);
    wnoutrefresh(w.win);
  }

  // Column letters above and below the board, row numbers beside it, as
  // the ascii output has them.
  void draw_coordinates(WINDOW* win, const ScreenLayout& l, int size) {
    const int centre = l.point_width == 3 ? 1 : 0;
    for (int y : {0, size + 1}) {
      wmove(win, y, 0);
      wclrtoeol(win);
      for (int c = 0; c < size; ++c)
        mvwaddch(win, y, l.board_x + l.point_width * c + centre, static_cast<chtype>(column_letter(c)));
    }
    for (int row = 0; row < size; ++row) {
      char number[16];
      std::snprintf(number, sizeof number, "%2d", size - row);
      mvwaddstr(win, l.board_y + row, 0, number);
      mvwaddstr(win, l.board_y + row, l.board_x + l.point_width * size, " ");
      waddstr(win, number);
    }
  }

  void put_ink(WINDOW* win, std::string_view text, attr_t attributes) {
    wattrset(win, attributes);
    put_text(win, text);
    wattrset(win, A_NORMAL);
  }

  // One point of the plain or Unicode board: with three columns a column
  // towards the left neighbour, then two: the point and the column after
  // it, or a number. With colours a stone is a block of its colour over
  // all its columns, as stones side by side touch.
  void draw_point(WINDOW* win, const ScreenLayout& l, int size, int row, int column,
                  const BoardCell& cell) {
    const attr_t board = palette_.ink[INK_BOARD];
    const int code = cell.colour == EMPTY   ? point_glyph(size, row, column)
                     : cell.colour == BLACK ? GLYPH_BLACK
                                            : GLYPH_WHITE;
    const bool marked = cell.mark && cell.mark->mark != 0;
    Ink ink = cell.colour == BLACK ? INK_BLACK : cell.colour == WHITE ? INK_WHITE : INK_BOARD;
    if (marked) {
      ink = cell.colour == BLACK ? INK_MARK_BLACK : cell.colour == WHITE ? INK_MARK_WHITE : INK_MARK;
    } else if (cell.colour != EMPTY && cell.number != 0) {
      // Two-column points: every other point of a row in the second colour.
      const bool other = l.point_width == 2 && (row + column) % 2 == 1;
      ink = cell.colour == BLACK ? (other ? INK_BLACK_OTHER : INK_BLACK_NUMBER)
                                 : (other ? INK_WHITE_OTHER : INK_WHITE_NUMBER);
    }
    const bool block = palette_.blocks && cell.colour != EMPTY && !cell.label;
    if (l.point_width == 3) {
      if (block)
        put_ink(win, " ", palette_.ink[ink]);
      else
        put_ink(win, font_.between(column == 0), board);
    }
    const std::string_view after = font_.between(column == size - 1);
    if (cell.label) {
      // A label is one column here: one that is no such character shows as '?'.
      const std::string label = screen_safe(label_character(cell.label), term.utf8);
      const bool one = screen_columns(label, term.utf8) == 1;
      put_ink(win, one ? std::string_view(label) : "?", palette_.ink[INK_LABEL]);
      put_ink(win, after, board);
    } else if (!marked && cell.colour != EMPTY && cell.number != 0) {
      char text[8];
      std::snprintf(text, sizeof text, "%-2d", cell.number % 100);
      text[2] = '\0';
      put_ink(win, text, palette_.ink[ink]);
    } else {
      // Without colours a mark stands out over both columns, as designed.
      const bool whole = block || (marked && !palette_.blocks);
      put_ink(win, font_.centre(code), palette_.ink[ink]);
      put_ink(win, block ? " " : after, whole ? palette_.ink[ink] : board);
    }
  }

  // The designed board of the terminal font: two columns per point, glyphs
  // as byte pairs, standout for black numbers and for marks.
  void draw_font_point(WINDOW* win, int size, int row, int column, const BoardCell& cell) {
    const int glyph = cell.colour == BLACK ? GLYPH_BLACK : GLYPH_WHITE;
    if (cell.label) {
      // A wide character fills the point's two columns, any other one and a blank.
      std::string label = screen_safe(label_character(cell.label), term.utf8);
      if (screen_columns(label, term.utf8) == 1) label += ' ';
      if (screen_columns(label, term.utf8) != 2) label = "? ";
      put_text(win, label);
    } else if (cell.mark && cell.mark->mark != 0) {
      wstandout(win);
      put_text(win, font_.font_decode(cell.colour == EMPTY ? point_glyph(size, row, column) : glyph));
      wstandend(win);
    } else if (cell.colour != EMPTY && cell.number != 0) {
      char text[8];
      std::snprintf(text, sizeof text, "%-2d", cell.number % 100);
      text[2] = '\0';
      if (cell.colour == BLACK) wstandout(win);
      waddstr(win, text);
      if (cell.colour == BLACK) wstandend(win);
    } else {
      put_text(win, font_.font_decode(cell.colour != EMPTY ? glyph : point_glyph(size, row, column)));
    }
  }

  // Draws the figure board; returns the smallest and largest numbers drawn.
  std::pair<int, int> draw_board(const ScreenWindow& w, const ScreenLayout& l, Game* game) {
    const int size = game->size;
    const auto& fig = game->figure_board;
    werase(w.win);
    if (l.coordinates) draw_coordinates(w.win, l, size);
    int smallest = 1023, largest = 0;
    for (int p = 0; p < size * size; ++p) {
      const int row = p / size, column = p % size;
      const BoardCell cell = static_cast<std::size_t>(p) < fig.size() ? fig[p] : BoardCell{};
      wmove(w.win, l.board_y + row, l.board_x + l.point_width * column);
      if (font_.set() == GlyphSet::font)
        draw_font_point(w.win, size, row, column, cell);
      else
        draw_point(w.win, l, size, row, column, cell);
      if (cell.colour != EMPTY && cell.number != 0 && !cell.label && !(cell.mark && cell.mark->mark)) {
        smallest = std::min<int>(smallest, cell.number);
        largest = std::max<int>(largest, cell.number);
      }
    }
    return {smallest, largest};
  }

  bool emit(Game* game, const Figure& figure) override {
    auto* s = static_cast<Screen*>(game->device);
    if (!s) return true;
    draw_caption(s->title, figure.caption);
    const auto [smallest, largest] = draw_board(s->board, s->layout, game);
    wclrtobot(s->notes.win);
    put_wrapped(s->notes.win, screen_safe(con_cat(), term.utf8), A_NORMAL, [] {});
    wnoutrefresh(s->notes.win);
    wnoutrefresh(s->board.win);
    // One update for the whole screen: the terminal gets what differs from
    // the screen before, not a cleared screen drawn anew.
    doupdate();
    if (figure.first_comment && figure.first_comment != figure.next)
      add_comments(s->text.win, figure.first_comment, figure.next, smallest, largest);
    return prompt(s->text.win);
  }

 private:
  void drop_screen(Screen* s) {
    drop_window(s->text);
    drop_window(s->board);
    drop_window(s->notes);
    drop_window(s->title);
    if (s->game) s->game->device = nullptr;
    std::erase(live, s);
    delete s;
  }

  // Ends curses and undoes everything screen_init changed; safe to call twice.
  void release_terminal() {
    if (!term.active) return;
    while (!live.empty()) drop_screen(live.back());
    term.active = 0;
    endwin();
    for (int i = 0; i < kSignalCount; ++i) sigaction(kSignals[i], &term.old_actions[i], nullptr);
    if (term.screen) delscreen(term.screen);
    term.screen = nullptr;
    if (term.tty) std::fclose(term.tty);
    term.tty = nullptr;
    give_back_stderr();
    if (term.utf8) std::setlocale(LC_CTYPE, term.locale.c_str());
    term.utf8 = false;
  }

  const Options& opt_;
  Font font_;
  Palette palette_;
  // The figure's and its open diagrams' records: quitting leaves them to
  // exit, which the driver calls instead of their free.
  std::vector<Screen*> live;
  bool go_mode = false;
  // The keyboard is gone (end of input): nothing waits any more, and the
  // next prompt ends the run.
  bool input_gone = false;
};

}  // namespace

std::unique_ptr<OutputDevice> make_screen_device(const Options& opt, MainOutput&) {
  return std::make_unique<ScreenDevice>(opt);
}

}  // namespace kg
