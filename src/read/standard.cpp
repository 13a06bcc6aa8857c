// Reader of the keyword-based standard format: one keyword per line, moves
// with explicit numbers, comments and user data collected over several lines
// and attached when the next move-like line (or the end of the input) comes.
// Format errors are reported on standard output and never stop the reading.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "game/game.h"
#include "read/charset.h"
#include "read/readers.h"
#include "util/message.h"
#include "util/strutil.h"

namespace kg {
namespace {

// Documented limits of the format; the buffers themselves can grow, the
// limits are enforced where the format says what happens beyond them.
constexpr std::size_t kLineLimit = 255;     // a longer line is taken as several lines
constexpr std::size_t kWordLimit = 255;     // characters kept of one word
constexpr std::size_t kCommentSize = 5000;  // commentary text
constexpr std::size_t kUserSize = 5000;     // user data
constexpr std::size_t kRemarkSize = 300;    // remarks
constexpr std::size_t kPieceBreak = 64;     // a piece may end at white space from here on

enum SfError {
  E_MEMORY, E_DATA, E_SIZE, E_RESIZE, E_LOCATION, E_SEQUENCE, E_NOCOMMENT, E_OPENCOMMENT,
  E_LONGCOMMENT, E_NOUSER, E_OPENUSER, E_LONGUSER, E_NOVAR, E_OPENVAR, E_INCOMPLETE,
  E_NUMBER, E_RANGE, E_PRISONER, E_VARIATION, E_MARK, E_SETUP, E_SETUPCOMMENT, E_SETUPMARK
};

constexpr const char* kErrorText[] = {
    "Not enough memory",      "Unable to use data",       "Unusable board size",
    "Size changed after move", "Unusable board location", "Out of sequence?",
    "Unopened comment",       "Unclosed comment",         "Comment too long",
    "Unopened user data",     "Unclosed user data",       "User data too long",
    "Unopened variation",     "Unclosed variation",       "Incomplete move data",
    "Unusable move number",   "Unusable move range",      "Unusable prisoner",
    "Unusable variation",     "Unusable board mark",      "Setup after B/W move",
    "Setup comment deleted",  "Setup un/mark deleted"};
constexpr int kErrorCount = static_cast<int>(sizeof kErrorText / sizeof kErrorText[0]);
static_assert(kErrorCount == 23);

struct SfState {
  long line = 0;
  int move = 0;   // number of the last B or W line
  int moves = 0;  // placed moves and DIAGRAM lines since the start or EVENT
  int setups = 0;
  int size = 19;  // for reading points
  bool diagram = false;
  bool in_comment = false;
  bool in_user = false;
  bool user_full = false;
  int depth = 0;
  std::string commentary;
  std::string user;
  std::string remark;
};

bool is_white(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view sf_trim(std::string_view s) {
  while (!s.empty() && is_white(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_white(s.back())) s.remove_suffix(1);
  return s;
}

// Takes the next word off `rest`; the position moves past the whole word.
std::string_view sf_word(std::string_view& rest) {
  std::size_t i = 0;
  while (i < rest.size() && is_white(rest[i])) ++i;
  std::size_t start = i;
  while (i < rest.size() && !is_white(rest[i])) ++i;
  std::string_view word = rest.substr(start, std::min(i - start, kWordLimit));
  rest.remove_prefix(i);
  return word;
}

// A word matches a keyword it is a case-blind prefix of; the empty word
// matches everything.
bool sf_match(std::string_view word, std::string_view key) {
  if (word.size() > key.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i)
    if (lower(word[i]) != lower(key[i])) return false;
  return true;
}

// Decimal integer as atoi reads it, held within int range.
long to_int(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && is_white(s[i])) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  long value = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i)
    value = std::min(value * 10 + (s[i] - '0'), 2000000000L);
  return negative ? -value : value;
}


int decode_location(int size, std::string_view text, int& column, int& row) {
  if (text.size() < 2 || text.size() > 3) return 0;
  int index = letter_column(lower(text[0]));
  if (index < 0 || index + 1 > size) return 0;
  long number = to_int(text.substr(1));
  if (number < 1 || number > size) return 0;
  column = index + 1;
  row = static_cast<int>(number);
  return 1;
}

std::string encode_location(int size, int column, int row) {
  if (column < 1 || column > size || row < 1 || row > size || column > 19) return "???";
  return format_text("%c%d", column_letter(column - 1), row);
}

int decode_color(std::string_view text, int& colour) {
  colour = -1;
  if (text.size() != 1) return 0;
  char c = lower(text[0]);
  if (c == 'b') colour = 0;
  else if (c == 'w') colour = 1;
  return colour >= 0;
}

// "#n" or "#n-m", one to four digits each; digits after the fourth are not
// looked at.
int decode_move_range(std::string_view text, int& from, int& to) {
  from = to = 0;
  auto digits = [&text](std::size_t& i, int& value) {
    int count = 0;
    value = 0;
    while (count < 4 && i < text.size() && text[i] >= '0' && text[i] <= '9') {
      value = value * 10 + (text[i++] - '0');
      ++count;
    }
    return count > 0 && value >= 1;
  };
  std::size_t i = 0;
  if (text.empty() || text[i++] != '#') return 0;
  int n = 0, m = 0;
  if (!digits(i, n)) return 0;
  if (i < text.size() && text[i] == '-') {
    ++i;
    if (!digits(i, m)) return 0;
  } else {
    m = n;
  }
  from = n;
  to = m;
  return 1;
}

// One reading of a record: where it is, and the texts collected for the
// next move-like line.
class StandardReader {
 public:
  explicit StandardReader(Game* game) : sf_g(game) {}

  SfState sf;
  Game* sf_g;             // the game or variation being filled
  int unmark_size = 19;   // last size given to record_boardsize

  // Reports go to standard error like every other diagnostic: on standard
  // output they would land inside a record written there.
  int echo_read_error(int code, std::string_view text) {
    std::fprintf(stderr, "\n*** Line %-6ld  move %-3d ", sf.line, sf.move);
    if (code >= 0 && code < kErrorCount)
      std::fprintf(stderr, "%s %.*s\n", kErrorText[code], static_cast<int>(text.size()), text.data());
    else
      std::fprintf(stderr, " Unknown read error %.*s\n", static_cast<int>(text.size()), text.data());
    return 0;
  }

  // ---- recording into the game ---------------------------------------------------

  // Columns count from 1 at the left, rows from 1 at the bottom. A point off the
  // game's board (read with another size than the game's) has no location.
  int location_of(int column, int row) { return point_at(sf_g, column - 1, sf_g->size - row); }

  // Points computed with a size that no longer matches the game's (after EVENT
  // on a small board) may fall off it; they are dropped here.
  bool on_board(int location) {
    int size = sf_g->size;
    return size > 0 && sf_g->goban && location >= 0 && location < size * size &&
           static_cast<std::size_t>(location) < sf_g->goban->points.size();
  }

  int record_event(std::string_view text) {
    store_node(sf_g);
    store_gn(sf_g, text);
    return 0;
  }

  int record_boardsize(int size) {
    store_sz(sf_g, size);
    unmark_size = size;
    return 0;
  }

  int record_var(std::string_view name) {
    Game* parent = sf_g;
    Game* variation = push_var(parent);
    if (!variation) return 2;  // out of memory: nothing to store into
    sf_g = variation;
    store_node(sf_g);
    if (!name.empty()) store_n(sf_g, name);
    Move* last = move_current(parent);
    if (!last) {
      std::fprintf(stderr, "Couldn't hide last move!\n");
    } else if (on_board(last->location)) {
      store_ae(sf_g, last->location);  // the variation replaces the last move
    }
    return 0;
  }

  int record_endvar() {
    Game* parent = pop_var(sf_g);
    if (!parent) return 2;
    sf_g = parent;
    return 0;
  }

  int record_remark(std::string_view text) {
    store_node(sf_g);
    store_c(sf_g, "(Remark: ");
    // The remark and its closing bracket make one text: a text that ends in
    // neither a line feed nor a blank is set apart from the next one.
    store_c(sf_g, std::string(text) + ")\n");
    return 0;
  }

  int record_move(bool diagram, int colour, int number, int column, int row) {
    int location = location_of(column, row);
    if (diagram || number == 0) {
      if (diagram && (column < 1 || row < 1)) return 0;
      if (on_board(location)) store_addstone(sf_g, colour + 1, location);
      return 0;
    }
    store_node(sf_g);
    store_move_at(sf_g, number, colour + 1, column - 1, sf_g->size - row);
    return 0;
  }

  int record_pass(int colour, int number) {
    store_node(sf_g);
    store_pass(sf_g, number, colour + 1);
    return 0;
  }

  int record_prisoner() { return 0; }

  int record_hide(int column, int row) {
    int location = location_of(column, row);
    if (on_board(location)) store_ae(sf_g, location);
    return 0;
  }

  int record_mark(bool all, int from, int to, std::string_view label, int column, int row) {
    if (all) {
      message("Mark all move numbers\n");
      return 0;
    }
    if (from > 0) {
      if (from == to) message("Mark on move %d\n", from);
      else message("Mark on moves %d to %d\n", from, to);
      return 0;
    }
    int location = location_of(column, row);
    if (!on_board(location)) return 0;
    unsigned char first = label.empty() ? 0 : static_cast<unsigned char>(label[0]);
    if (label.size() == 1 && first >= 33 && first <= 122)
      store_l(sf_g, location, first);
    else if (label.empty())
      store_m(sf_g, location, MARK_PLAIN);
    else
      store_m(sf_g, location, MARK_TEXT, label);
    return 0;
  }

  int record_unmark(bool all, int from, int to, int column, int row) {
    message("Unmark");
    if (all)
      message(" all marks\n");
    else if (from > 0 && from == to)
      message(" number on move %d\n", from);
    else if (from > 0)
      message(" numbers on moves %d to %d\n", from, to);
    else
      message(" mark on point or stone at %s\n", encode_location(unmark_size, column, row).c_str());
    return 0;
  }

  int record_userdata(std::string_view text) {
    store_us(sf_g, text);
    return 0;
  }

  // Cuts the text into pieces that end at white space once they hold
  // kPieceBreak characters; the white space after a break is skipped. A run
  // without white space stays in one piece however long: cut in two, its
  // first part would end in neither a blank nor a line feed, and such a text
  // is set apart from the next one.
  int record_commentary(std::string_view text) {
    std::string piece;
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n'; };
    std::size_t i = 0;
    while (i < text.size()) {
      char c = text[i++];
      piece += c;
      if (piece.size() >= kPieceBreak && blank(c)) {
        store_c(sf_g, piece);
        piece.clear();
        while (i < text.size() && blank(text[i])) ++i;
      }
    }
    if (!piece.empty()) store_c(sf_g, piece);
    return 0;
  }

  // ---- collecting texts ------------------------------------------------------------

  void sf_add_comment(std::string_view text) {
    std::string& commentary = sf.commentary;
    if (!commentary.empty() && commentary.size() < kCommentSize - 2) {
      bool text_white = !text.empty() && is_white(text.back());
      if (!is_white(commentary.back()) && !text_white) commentary += ' ';
      if (text.empty()) text = "\n\n";
    }
    if (text.empty()) return;
    if (commentary.size() + text.size() + 1 < kCommentSize + 1)
      commentary.append(text);
    else
      echo_read_error(E_LONGCOMMENT, text);
  }

  void sf_add_user(std::string_view text) {
    if (sf.user_full) return;
    if (sf.user.size() + text.size() + 1 > kUserSize - 1) {
      sf.user_full = true;
      echo_read_error(E_LONGUSER, text);
      return;
    }
    if (!sf.user.empty()) sf.user += '\n';
    sf.user.append(text);
  }

  void sf_flush() {
    if (!sf.remark.empty()) record_remark(sf.remark);
    if (!sf.commentary.empty()) {
      sf_add_comment(" ");
      record_commentary(sf.commentary);
    }
    if (!sf.user.empty()) record_userdata(sf.user);
    sf.remark.clear();
    sf.commentary.clear();
    sf.user.clear();
  }

  // ---- keyword handlers: (index in sf_keywords, rest of the line) ------------------

  // A player as the writer puts one: "name (rank)", the group left out
  // when both are empty; a name that ends in a bracket of its own is
  // followed by an empty group, so that it is not taken for a rank.
  void record_player(int colour, std::string_view text) {
    std::string_view name = text, rank;
    // The group that the closing bracket at the end closes.
    int depth = 0;
    for (std::size_t open = text.size(); !text.empty() && text.back() == ')' && open-- > 0;) {
      depth += text[open] == ')' ? 1 : text[open] == '(' ? -1 : 0;
      if (depth != 0) continue;
      if (open == 0 || is_white(text[open - 1])) {
        name = sf_trim(text.substr(0, open));
        rank = sf_trim(text.substr(open + 1, text.size() - open - 2));
      }
      break;
    }
    auto store = colour == BLACK ? store_black : store_white;
    if (!name.empty()) store(sf_g, name, std::nullopt);
    if (!rank.empty()) store(sf_g, std::nullopt, rank);
  }

  int record_head_data(int index, std::string_view rest) {
    std::string_view text = sf_trim(rest);
    if (text.empty()) return 0;
    switch (index) {
      case 0: store_analysis(sf_g, text); break;
      case 2: record_player(BLACK, text); break;
      case 5: store_dt(sf_g, text); break;
      case 11: store_ha(sf_g, text); break;
      case 13: store_km(sf_g, text); break;
      case 15: store_pc(sf_g, text); break;
      case 17: store_recorder(sf_g, text); break;
      case 19: store_re(sf_g, text); break;
      case 20: store_rules(sf_g, text); break;
      case 22: store_so(sf_g, text); break;
      case 23: store_tm(sf_g, text); break;
      case 28: record_player(WHITE, text); break;
      default: message("Funny index (%d) in record_head_data\n", index); break;
    }
    return 0;
  }

  int sf_move(int index, std::string_view rest) {
    int colour = index == 1 ? 0 : 1;
    sf_flush();
    sf.diagram = false;
    std::string_view word = sf_word(rest);
    if (word.empty()) return echo_read_error(E_INCOMPLETE, "");
    long number = to_int(word);
    // A number past the model's range is refused, never cut down.
    if (number < 1 || number > kMaxMoveNumber) return echo_read_error(E_NUMBER, word);
    sf.move = static_cast<int>(number);
    word = sf_word(rest);
    if (word.empty()) return echo_read_error(E_INCOMPLETE, "");
    if (sf_match(word, "Pass") || sf_match(word, "Tenuki")) return record_pass(colour, sf.move);
    int column = 0, row = 0;
    if (!decode_location(sf.size, word, column, row)) return echo_read_error(E_LOCATION, word);
    ++sf.moves;
    return record_move(false, colour, sf.move, column, row);
  }

  int sf_boardsize(int, std::string_view rest) {
    sf.diagram = false;
    long n = to_int(rest);
    // The sizes the game model plays on: a size it refuses would leave the
    // reader reading points for another board than the game's.
    if (n < kMinBoardSize || n > kMaxBoardSize) return echo_read_error(E_SIZE, rest);
    if (n == sf.size) return record_boardsize(sf.size);
    if (sf.setups == 0 && sf.moves == 0) {
      sf.size = static_cast<int>(n);
      return record_boardsize(sf.size);
    }
    return echo_read_error(E_RESIZE, rest);
  }

  int sf_com(int, std::string_view rest) {
    if (sf.in_comment) return echo_read_error(E_OPENCOMMENT, "");
    sf.in_comment = true;
    std::string text(sf_trim(rest));
    if (!text.empty()) {
      text += "\n\n";
      sf_add_comment(text);
    }
    return 0;
  }

  int sf_endcom(int, std::string_view) {
    if (!sf.in_comment) return echo_read_error(E_NOCOMMENT, "");
    sf.in_comment = false;
    return 0;
  }

  int sf_diagram(int, std::string_view) {
    sf_flush();
    sf.diagram = true;
    ++sf.moves;
    return 0;
  }

  int sf_enduser(int, std::string_view) {
    if (!sf.in_user) return echo_read_error(E_NOUSER, "");
    sf.in_user = false;
    sf.user_full = false;
    return 0;
  }

  int sf_endvar(int, std::string_view) {
    sf_flush();
    sf.diagram = false;
    if (sf.moves < 1) echo_read_error(E_VARIATION, "");
    if (sf.depth < 1) return echo_read_error(E_NOVAR, "");
    --sf.depth;
    return record_endvar();
  }

  int sf_event(int, std::string_view rest) {
    sf_flush();
    sf.diagram = false;
    sf.move = 0;
    sf.moves = 0;
    sf.setups = 0;
    sf.size = 19;
    return record_event(sf_trim(rest));
  }

  int sf_hide(int, std::string_view rest) {
    if (!sf.diagram) return echo_read_error(E_MARK, "HIDE");
    for (std::string_view word = sf_word(rest); !word.empty(); word = sf_word(rest)) {
      int column = 0, row = 0;
      if (decode_location(sf.size, word, column, row)) record_hide(column, row);
    }
    return 0;
  }

  int sf_mark(int, std::string_view rest) {
    for (std::string_view word = sf_word(rest); !word.empty(); word = sf_word(rest)) {
      if (sf_match(word, "all")) {
        record_mark(true, 0, 0, {}, 0, 0);
        continue;
      }
      std::string_view label, target = word;
      if (std::size_t at = word.rfind('@'); at != std::string_view::npos) {
        label = word.substr(0, at);
        target = word.substr(at + 1);
      }
      int column = 0, row = 0, from = 0, to = 0;
      if (label.size() > 2)
        echo_read_error(E_MARK, word);
      else if (decode_location(sf.size, target, column, row))
        record_mark(false, 0, 0, label, column, row);
      else if (decode_move_range(target, from, to))
        record_mark(false, from, to, label, 0, 0);
      else
        echo_read_error(E_MARK, word);
    }
    return 0;
  }

  int sf_prisoner(int, std::string_view rest) {
    if (sf.moves < 1 || sf.diagram) return echo_read_error(E_PRISONER, rest);
    for (std::string_view word = sf_word(rest); !word.empty(); word = sf_word(rest)) {
      int column = 0, row = 0, from = 0, to = 0;
      if (decode_location(sf.size, word, column, row))
        record_prisoner();
      else if (!decode_move_range(word, from, to))
        echo_read_error(E_PRISONER, word);
      else if (from == to)
        record_prisoner();
      else
        echo_read_error(E_RANGE, word);
    }
    return 0;
  }

  int sf_remark(int, std::string_view rest) {
    std::string_view text = sf_trim(rest);
    std::size_t length = sf.remark.size() + (sf.remark.empty() ? 0 : 1) + text.size();
    if (length > kRemarkSize - 1) return 0;  // dropped without a report
    if (!sf.remark.empty()) sf.remark += '\n';
    sf.remark.append(text);
    return 0;
  }

  int sf_setup(int, std::string_view rest) {
    sf_flush();
    if (sf.moves > 0 && !sf.diagram) return echo_read_error(E_SETUP, rest);
    int colour = -1;
    for (std::string_view word = sf_word(rest); !word.empty(); word = sf_word(rest)) {
      int column = 0, row = 0, c = -1;
      if (decode_color(word, c)) {
        colour = c;
      } else if (decode_location(sf.size, word, column, row)) {
        if (colour < 0) {
          echo_read_error(E_INCOMPLETE, "");
        } else {
          record_move(sf.diagram, colour, 0, column, row);
          ++sf.setups;
        }
      } else {
        echo_read_error(E_LOCATION, word);
      }
    }
    return 0;
  }

  int sf_unmark(int, std::string_view rest) {
    for (std::string_view word = sf_word(rest); !word.empty(); word = sf_word(rest)) {
      int column = 0, row = 0, from = 0, to = 0;
      if (sf_match(word, "all"))
        record_unmark(true, 0, 0, 0, 0);
      else if (decode_location(sf.size, word, column, row))
        record_unmark(false, 0, 0, column, row);
      else if (decode_move_range(word, from, to))
        record_unmark(false, from, to, 0, 0);
      else
        echo_read_error(E_MARK, word);
    }
    return 0;
  }

  int sf_user(int, std::string_view rest) {
    if (sf.in_user) return echo_read_error(E_OPENUSER, "");
    sf.in_user = true;
    sf.user_full = false;
    sf_add_user(sf_trim(rest));
    return 0;
  }

  int sf_var(int, std::string_view rest) {
    sf_flush();
    sf.diagram = false;
    if (sf.moves < 1) return echo_read_error(E_VARIATION, "");
    ++sf.depth;
    return record_var(rest);
  }

  int sf_line(std::string_view raw);
};

struct SfKeyword {
  char name[16];
  int (StandardReader::*handler)(int index, std::string_view rest);
};

// Table order decides abbreviations: the first keyword a word matches wins.
constexpr SfKeyword sf_keywords[] = {
    {"Analysis", &StandardReader::record_head_data}, {"B", &StandardReader::sf_move},
    {"Black", &StandardReader::record_head_data}, {"BOARDSIZE", &StandardReader::sf_boardsize},
    {"COM", &StandardReader::sf_com}, {"Date", &StandardReader::record_head_data},
    {"DIAGRAM", &StandardReader::sf_diagram}, {"ENDCOM", &StandardReader::sf_endcom},
    {"ENDUSER", &StandardReader::sf_enduser}, {"ENDVAR", &StandardReader::sf_endvar},
    {"EVENT", &StandardReader::sf_event}, {"Handicap", &StandardReader::record_head_data},
    {"HIDE", &StandardReader::sf_hide}, {"Komi", &StandardReader::record_head_data},
    {"MARK", &StandardReader::sf_mark}, {"Place", &StandardReader::record_head_data},
    {"PRISONER", &StandardReader::sf_prisoner}, {"Recorder", &StandardReader::record_head_data},
    {"REMARK", &StandardReader::sf_remark}, {"Result", &StandardReader::record_head_data},
    {"Rules", &StandardReader::record_head_data}, {"SETUP", &StandardReader::sf_setup},
    {"Source", &StandardReader::record_head_data}, {"Timelimit", &StandardReader::record_head_data},
    {"UNMARK", &StandardReader::sf_unmark}, {"USER", &StandardReader::sf_user},
    {"VAR", &StandardReader::sf_var}, {"W", &StandardReader::sf_move},
    {"White", &StandardReader::record_head_data},
};
static_assert(sizeof sf_keywords / sizeof sf_keywords[0] == 29);

int StandardReader::sf_line(std::string_view raw) {
  std::string_view line = sf_trim(raw);
  std::string_view rest = line;
  std::string_view word = sf_word(rest);
  // A blank line in a comment is a paragraph break; only a word ends it.
  if (sf.in_comment && (word.empty() || !sf_match(word, "ENDCOM"))) {
    sf_add_comment(line);
    return 0;
  }
  if (sf.in_user && !sf_match(word, "ENDUSER")) {
    sf_add_user(line);
    return 0;
  }
  if (word.empty()) return 0;
  for (int i = 0; i < static_cast<int>(sizeof sf_keywords / sizeof sf_keywords[0]); ++i)
    if (sf_match(word, sf_keywords[i].name)) return (this->*sf_keywords[i].handler)(i, rest);
  return echo_read_error(E_DATA, line);
}

// Releases a game that is not handed out (reading stopped, fatal reports).
struct GameFree {
  void operator()(Game* g) const { game_free(g); }
};

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

// Reads a whole standard-format record from an open stream, which is left
// open; none when the reading had to stop.
Game* read_standard_stream(std::FILE* in, const Options& opt, const char* name) {
  // A record in another encoding than UTF-8 (-encoding) is read converted.
  std::string converted;
  std::unique_ptr<std::FILE, FileCloser> memory;
  if (opt.encoding && *opt.encoding != kUtf8) {
    converted = read_converted(in, *opt.encoding, opt.program, name);
    if (!converted.empty()) {
      memory.reset(fmemopen(converted.data(), converted.size(), "r"));
      if (!memory) throw Exit(1, format_text("%s: Out of memory\n", opt.program.c_str()));
      in = memory.get();
    }
  }
  std::unique_ptr<Game, GameFree> owner{game_alloc(nullptr, &opt)};
  Game* game = owner.get();
  if (!game) return nullptr;
  StandardReader reader(game);
  SfState& sf = reader.sf;
  std::string line;
  line.reserve(kLineLimit + 1);
  for (;;) {
    line.clear();
    int c = 0;
    // A comment's line is read whole: cut, it would be joined again with a
    // blank inside a word, and its rest could be taken for ENDCOM.
    const std::size_t limit = sf.in_comment ? std::string::npos : kLineLimit;
    while (line.size() < limit && (c = std::getc(in)) != EOF) {
      line += static_cast<char>(c);
      if (c == '\n') break;
    }
    if (line.empty()) break;
    ++sf.line;
    if (std::size_t nul = line.find('\0'); nul != std::string::npos) line.resize(nul);
    if (reader.sf_line(line) == 2) return nullptr;
  }
  if (sf.in_comment) reader.echo_read_error(E_OPENCOMMENT, "");
  if (sf.in_user) reader.echo_read_error(E_OPENUSER, "");
  if (sf.depth > 0) reader.echo_read_error(E_OPENVAR, "");
  reader.sf_flush();
  if (game->view.width == 0) game->view.width = game->size;
  if (game->view.height == 0) game->view.height = game->size;
  return owner.release();
}

// Reads a whole standard-format record; none when the reading had to stop.
// An unopenable file ends the run.
Game* read_standard(const char* filename, const Options& opt) {
  if (!filename) return read_standard_stream(stdin, opt);
  std::unique_ptr<std::FILE, FileCloser> in(std::fopen(filename, "r"));
  if (!in) {
    message("read_standard(): Can't open \"%s\"\n", filename);
    throw Exit(1);
  }
  return read_standard_stream(in.get(), opt, filename);
}

}  // namespace kg
