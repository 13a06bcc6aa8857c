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

}  // namespace

void Font::font_init() {
  const char* term = std::getenv("TERM");
  glyphs_ = term && std::strcmp(term, "xterm") == 0 ? kFontGlyphs : kPlainGlyphs;
}

const char* Font::font_decode(int code) const {
  return code >= 0 && code < kGlyphs ? glyphs_[code] : "??";
}

bool Font::font_is_terminal() const { return glyphs_ == kFontGlyphs; }

Font::Font() : glyphs_(kPlainGlyphs) {}

bool star_line(int size, int line) {
  if (size == 19 && line == 9) return true;
  if (size >= 10) return line == 3 || line == size - 4;
  if (size >= 7) return line == 2 || line == size - 3;
  return false;
}

int point_glyph(int size, int row, int column) {
  const int edge = size - 1;
  if (row == 0) return column == 0 ? GLYPH_TOP_LEFT : column == edge ? GLYPH_TOP_RIGHT : GLYPH_TOP;
  if (row == edge)
    return column == 0 ? GLYPH_BOTTOM_LEFT : column == edge ? GLYPH_BOTTOM_RIGHT : GLYPH_BOTTOM;
  if (column == 0) return GLYPH_LEFT;
  if (column == edge) return GLYPH_RIGHT;
  return star_line(size, row) && star_line(size, column) ? GLYPH_STAR : GLYPH_INNER;
}

// ---- layout -------------------------------------------------------------------

ScreenLayout screen_layout(int size, bool diagram, int columns, int lines) {
  const int board_x = diagram ? columns - 2 * size - 1 : 1;
  const int text_x = diagram ? 1 : 2 * size + 3;
  ScreenLayout l;
  l.title = {board_x, 0, 2 * size, 1};
  l.board = {board_x, 1, 2 * size, size};
  l.notes = {board_x, size + 1, 2 * size, lines - size - 2};
  l.text = {text_x, 0, columns - 2 * size - 4, lines - 1};
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

// A UTF-8 terminal gets whole characters, and curses counts their columns in
// its locale, which is set for the viewer alone. The terminal font is a set
// of single bytes, as is every other coding: those texts go out byte by byte.
void choose_coding(const Font& font) {
  term.utf8 = false;
  if (font.font_is_terminal()) return;
  const char* current = std::setlocale(LC_CTYPE, nullptr);
  term.locale = current ? current : "C";
  if (std::setlocale(LC_CTYPE, "")) {
    const char* codeset = nl_langinfo(CODESET);
    term.utf8 = codeset && std::strcmp(codeset, "UTF-8") == 0;
  }
  if (!term.utf8) std::setlocale(LC_CTYPE, term.locale.c_str());
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

void put_safe(WINDOW* win, std::string_view text) { put_text(win, screen_safe(text, term.utf8)); }

// Keys come from the terminal even when the record came on standard input.
void start_curses(const Font& font, const std::string& program) {
  FILE* in = isatty(STDIN_FILENO) ? stdin : nullptr;
  FILE* out = isatty(STDOUT_FILENO) ? stdout : nullptr;
  if (!in || !out) {
    term.tty = std::fopen("/dev/tty", "r+");
    if (!term.tty)
      fatal(1, "%s: -to graphic needs a terminal, and there is none\n", program.c_str());
    if (!in) in = term.tty;
    if (!out) out = term.tty;
  }
  term.fd = fileno(out);
  term.have_modes = tcgetattr(term.fd, &term.modes) == 0;

  for (int i = 0; i < kSignalCount; ++i) sigaction(kSignals[i], nullptr, &term.old_actions[i]);
  choose_coding(font);
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
  Game* game = nullptr;
};

void drop_window(ScreenWindow& w) {
  if (!w.win) return;
  wclear(w.win);
  delwin(w.win);
  w.win = nullptr;
}

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

  // Adds text to the comment window, stopping at "[more]" when it is full.
  void add_text(WINDOW* win, const std::string& text, bool standout = false) {
    const int height = getmaxy(win);
    if (getcury(win) + 1 >= height - 1 && height > 1) {
      if (!go_mode) {
        wstandout(win);
        waddstr(win, "[more]");
        wstandend(win);
        wrefresh(win);
        read_key(win);
        wclear(win);
        wmove(win, 0, 0);
      } else {
        wrefresh(win);
      }
    }
    const char* start = text.c_str();
    if (getcury(win) == 0 && *start == '\n') ++start;
    if (standout) wstandout(win);
    put_safe(win, start);
    if (standout) wstandend(win);
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
    wclear(win);
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
    font_.font_init();
    start_curses(font_, opt_.program);
    noecho();
    nl();
    raw();
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
    const ScreenLayout l = screen_layout(size, game->parent != nullptr, COLS, LINES);
    wclear(stdscr);
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
    wclear(w.win);
    wmove(w.win, 0, (w.area.width - screen_columns(caption, term.utf8)) / 2);
    put_text(w.win, caption);
    wrefresh(w.win);
  }

  // Draws the figure board; returns the smallest and largest numbers drawn.
  std::pair<int, int> draw_board(const ScreenWindow& w, Game* game) {
    const int size = game->size;
    const auto& fig = game->figure_board;
    int smallest = 1023, largest = 0;
    for (int p = 0; p < size * size; ++p) {
      const BoardCell cell = static_cast<std::size_t>(p) < fig.size() ? fig[p] : BoardCell{};
      const int glyph = cell.colour == BLACK ? GLYPH_BLACK : GLYPH_WHITE;
      char text[8];
      wmove(w.win, p / size, 2 * (p % size));
      if (cell.label) {
        // A label is one byte: one that is no character of its own shows as '?'.
        std::string label = screen_safe(std::string(1, cell.label->label) + ' ', term.utf8);
        if (screen_columns(label, term.utf8) != 2) label = "? ";
        put_text(w.win, label);
      } else if (cell.mark && cell.mark->mark != 0) {
        wstandout(w.win);
        put_text(w.win, cell.colour == EMPTY ? font_.font_decode(point_glyph(size, p / size, p % size))
                                             : font_.font_decode(glyph));
        wstandend(w.win);
      } else if (cell.colour != EMPTY && cell.number != 0) {
        // Two cells per point: a number that would need more is cut.
        std::snprintf(text, sizeof text, "%-2d", cell.number % 100);
        text[2] = '\0';
        if (cell.colour == BLACK) wstandout(w.win);
        waddstr(w.win, text);
        if (cell.colour == BLACK) wstandend(w.win);
        if (cell.number < smallest) smallest = cell.number;
        if (cell.number > largest) largest = cell.number;
      } else if (cell.colour != EMPTY) {
        put_text(w.win, font_.font_decode(glyph));
      } else {
        put_text(w.win, font_.font_decode(point_glyph(size, p / size, p % size)));
      }
    }
    return {smallest, largest};
  }

  bool emit(Game* game, const Figure& figure) override {
    auto* s = static_cast<Screen*>(game->device);
    if (!s) return true;
    draw_caption(s->title, figure.caption);
    const auto [smallest, largest] = draw_board(s->board, game);
    wclrtobot(s->notes.win);
    put_safe(s->notes.win, con_cat());
    wrefresh(s->notes.win);
    wrefresh(s->board.win);
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
