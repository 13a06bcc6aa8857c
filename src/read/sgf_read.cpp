// The SGF reader: character by character through a small state machine,
// into the store operations of the game model.
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "game/game.h"
#include "read/readers.h"
#include "util/message.h"

namespace kg {
namespace {

constexpr std::size_t kKeyMax = 32;     // letters of a key
constexpr std::size_t kValueMax = 1024; // characters of a value or comment piece
constexpr int kPiece = 64;              // comment piece countdown
constexpr int kKibitzPiece = 1024;      // kibitz line countdown

// ---- actions of the property table -------------------------------------------

// A point value needs two letters; shorter values name no point.
bool has_point(std::string_view v) { return v.size() >= 2; }

int letter(char c) { return static_cast<unsigned char>(c) - 'a'; }

// A point off the board (a column or row past its edge) has no location: it
// must not wrap onto the next row.
int point(const Game* game, std::string_view v) { return point_at(game, letter(v[0]), letter(v[1])); }

// The integer at the start of a text, as atoi reads it; saturates instead of
// overflowing.
int leading_int(std::string_view v) {
  std::size_t i = 0;
  while (i < v.size() && (v[i] == ' ' || (v[i] >= '\t' && v[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < v.size() && (v[i] == '+' || v[i] == '-')) negative = v[i++] == '-';
  long long n = 0;
  for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) {
    n = n * 10 + (v[i] - '0');
    if (n > INT_MAX) {
      n = static_cast<long long>(INT_MAX) + 1;
      if (!negative) n = INT_MAX;
      break;
    }
  }
  return static_cast<int>(negative ? -n : n);
}

void do_move(Game* game, std::string_view v, int colour) {
  if (v.empty() || (v.size() >= 2 && letter(v[0]) == 19 && letter(v[1]) == 19)) {
    store_pass(game, -1, colour);
    return;
  }
  // A one-letter value is no point: it is reported as off the board.
  if (has_point(v))
    store_move_at(game, -1, colour, letter(v[0]), letter(v[1]));
  else
    store_move(game, -1, colour, -1);
}

void do_player(Game* game, std::string_view v, bool black) {
  std::size_t comma = v.find(',');
  if (comma == std::string_view::npos) return;
  std::string_view name = v.substr(0, comma), rank = v.substr(comma + 1);
  if (black)
    store_black(game, name, rank);
  else
    store_white(game, name, rank);
}

void do_mark(Game* game, std::string_view v, int kind) {
  if (has_point(v)) store_m(game, point(game, v), kind, nullptr);
}

void act_ab(Game* g, std::string_view v) {
  if (has_point(v)) store_addstone(g, BLACK, point(g, v));
}
void act_ae(Game* g, std::string_view v) {
  if (has_point(v)) store_ae(g, point(g, v));
}
void act_aw(Game* g, std::string_view v) {
  if (has_point(v)) store_addstone(g, WHITE, point(g, v));
}
void act_b(Game* g, std::string_view v) { do_move(g, v, BLACK); }
void act_bl(Game* g, std::string_view v) { store_time(g, BLACK, v); }
void act_bp(Game* g, std::string_view v) { do_player(g, v, true); }
void act_br(Game* g, std::string_view v) { store_br(g, v); }

// Pieces of a converted listing that only make sense inside the program that
// wrote them: navigation hints are dropped, diagram references shortened.
void act_c(Game* g, std::string_view v) {
  if (g->options && g->options->varsk) {
    for (std::string_view hint :
         {"... ...", "[*** end of", "'[' to go back", "'[' to get back", "' to continue.]"})
      if (v.find(hint) != std::string_view::npos) return;
    if (v.find("[*** '") != std::string_view::npos) {
      store_c(g, "(See diagram)\n");
      return;
    }
  }
  store_c(g, v);
}

void act_dt(Game* g, std::string_view v) { store_dt(g, v); }
void act_ev(Game* g, std::string_view v) { store_ev(g, v); }
void act_ff(Game* g, std::string_view v) { g->format = std::string(v); }
void act_gc(Game* g, std::string_view v) { store_gc(g, v); }
void act_gm(Game* g, std::string_view v) { g->gametype = leading_int(v); }
void act_gn(Game* g, std::string_view v) { store_gn(g, v); }
void act_gr(Game* g, std::string_view v) { store_gr(g, std::string(v).c_str()); }
void act_gs(Game* g, std::string_view v) { store_gs(g, std::string(v).c_str()); }
void act_ha(Game* g, std::string_view v) { store_ha(g, v); }
void act_id(Game* g, std::string_view v) { store_id(g, v); }
void act_kb(Game* g, std::string_view v) {
  if (!v.empty()) store_kb(g, v);
}
void act_km(Game* g, std::string_view v) { store_km(g, v); }
void act_l(Game* g, std::string_view v) {
  if (has_point(v)) store_l(g, point(g, v), -1);
}

// These two messages go out whatever sgfwarn says.
void act_lb(Game* g, std::string_view v) {
  std::string text(v);
  int location = has_point(v) ? point(g, v) : -1;
  if (location < 0 || location >= g->size * g->size) {
    std::fprintf(stderr, "Bad pnt in LB[\"%s\"]\n", text.c_str());
    return;
  }
  std::size_t colon = v.find(':');
  if (colon == std::string_view::npos) {
    std::fprintf(stderr, "Missing semicolon in LB[\"%s\"]\n", text.c_str());
    return;
  }
  // Unsigned, so that no byte can pass for -1 (the next letter).
  store_l(g, location, static_cast<unsigned char>(text[colon + 1]));
}

void act_m(Game* g, std::string_view v) { do_mark(g, v, MARK_PLAIN); }
void act_ma(Game* g, std::string_view v) { do_mark(g, v, MARK_CROSS); }
void act_n(Game* g, std::string_view v) { store_n(g, v); }
void act_pb(Game* g, std::string_view v) { store_pb(g, v); }
void act_pc(Game* g, std::string_view v) { store_pc(g, v); }
void act_pw(Game* g, std::string_view v) { store_pw(g, v); }
void act_re(Game* g, std::string_view v) { store_re(g, v); }
void act_rg(Game* g, std::string_view v) {
  if (!v.empty()) store_rg(g, letter(v[0]), v.size() >= 2 ? letter(v[1]) : -1);
}
void act_ro(Game* g, std::string_view v) { store_ro(g, v); }
void act_so(Game* g, std::string_view v) { store_so(g, v); }
void act_sq(Game* g, std::string_view v) { do_mark(g, v, MARK_SQUARE); }
void act_sz(Game* g, std::string_view v) { store_sz(g, leading_int(v)); }
void act_tb(Game* g, std::string_view v) { do_mark(g, v, MARK_BLACK_TERRITORY); }
void act_tm(Game* g, std::string_view v) { store_tm(g, v); }
void act_tr(Game* g, std::string_view v) { do_mark(g, v, MARK_TRIANGLE); }
void act_tw(Game* g, std::string_view v) { do_mark(g, v, MARK_WHITE_TERRITORY); }
void act_us(Game* g, std::string_view v) { store_us(g, v); }
void act_vw(Game* g, std::string_view v) {
  if (v.empty()) {
    g->view.x = g->view.y = g->view.width = 0;
    return;
  }
  store_vw(g, letter(v[0]), v.size() >= 2 ? letter(v[1]) : -1);
}
void act_w(Game* g, std::string_view v) { do_move(g, v, WHITE); }
void act_wl(Game* g, std::string_view v) { store_time(g, WHITE, v); }
void act_wp(Game* g, std::string_view v) { do_player(g, v, false); }
void act_wr(Game* g, std::string_view v) { store_wr(g, v); }

// ---- the property table ----------------------------------------------------------

using Action = void (*)(Game*, std::string_view);

struct Property {
  std::string_view key;
  Action action;  // none: known and ignored
};

constexpr Property sgf_table[] = {
    {"AB", act_ab}, {"AE", act_ae}, {"AW", act_aw}, {"B", act_b},   {"BL", act_bl},
    {"BP", act_bp}, {"BR", act_br}, {"C", act_c},   {"DT", act_dt}, {"EV", act_ev},
    {"FF", act_ff}, {"GC", act_gc}, {"GM", act_gm}, {"GN", act_gn}, {"GR", act_gr},
    {"GS", act_gs}, {"HA", act_ha}, {"ID", act_id}, {"KB", act_kb}, {"KM", act_km},
    {"L", act_l},   {"LB", act_lb}, {"M", act_m},   {"MA", act_ma}, {"N", act_n},
    {"NB", nullptr}, {"NW", nullptr}, {"PB", act_pb}, {"PC", act_pc}, {"PW", act_pw},
    {"RE", act_re}, {"RG", act_rg}, {"RO", act_ro}, {"SO", act_so}, {"SQ", act_sq},
    {"SY", nullptr}, {"SZ", act_sz}, {"TB", act_tb}, {"TM", act_tm}, {"TR", act_tr},
    {"TW", act_tw}, {"US", act_us}, {"VW", act_vw}, {"W", act_w},   {"WL", act_wl},
    {"WP", act_wp}, {"WR", act_wr},
};

constexpr bool is_key(std::string_view key) {
  if (key.empty() || key.size() > 2) return false;
  for (char c : key)
    if (c < 'A' || c > 'Z') return false;
  return true;
}

// Keys of one or two capital letters, sorted, none twice.
constexpr bool strictly_sorted(const Property* table, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    if (!is_key(table[i].key) || (i > 0 && !(table[i - 1].key < table[i].key))) return false;
  return true;
}

static_assert(std::size(sgf_table) == 47);
static_assert(strictly_sorted(sgf_table, std::size(sgf_table)), "sgf_table must stay sorted");

// Every key the table can hold, one or two capital letters, mapped to its
// entry: a lookup costs one index instead of a search.
constexpr int kSlots = 26 * 27;

constexpr int slot(std::string_view key) {
  return (key[0] - 'A') * 27 + (key.size() > 1 ? key[1] - 'A' + 1 : 0);
}

constexpr auto sgf_index = [] {
  std::array<std::int8_t, kSlots> index{};
  index.fill(-1);
  for (std::size_t i = 0; i < std::size(sgf_table); ++i) index[slot(sgf_table[i].key)] = static_cast<std::int8_t>(i);
  return index;
}();

const Property* sgf_find(std::string_view key) {
  if (!is_key(key)) return nullptr;
  int entry = sgf_index[slot(key)];
  return entry < 0 ? nullptr : &sgf_table[entry];
}

// A text of bounded length kept in place. The scanner's limits keep it
// within `N` characters; anything beyond would be dropped, never written.
template <std::size_t N>
class Bounded {
 public:
  bool empty() const { return size_ == 0; }
  std::size_t size() const { return size_; }
  char back() const { return text_[size_ - 1]; }
  void push_back(char c) {
    if (size_ < N) text_[size_++] = c;
  }
  void append(const char* s, std::size_t n) {
    n = std::min(n, N - size_);
    std::memcpy(text_.data() + size_, s, n);
    size_ += n;
  }
  void assign(std::string_view s) {
    size_ = 0;
    append(s.data(), s.size());
  }
  void clear() { size_ = 0; }
  const char* c_str() {
    text_[size_] = '\0';
    return text_.data();
  }
  std::string_view view() const { return {text_.data(), size_}; }
  bool operator==(std::string_view s) const { return view() == s; }

 private:
  std::array<char, N + 1> text_;
  std::size_t size_ = 0;
};

using Key = Bounded<kKeyMax>;
using Value = Bounded<kValueMax>;

void sgf_dispatch(Game* game, Key& key, Value& value) {
  const Property* property = sgf_find(key.view());
  if (property && property->action) {
    property->action(game, value.view());
  } else if (warns(game)) {
    message(property ? "Info ignored: \"%s[%s]\"\n" : "Not supported: \"%s[%s]\"\n", key.c_str(),
            value.c_str());
  }
}

// ---- the scanner -------------------------------------------------------------------

bool is_space(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; }

class SgfReader {
 public:
  SgfReader(FILE* in, const Options& opt) : in_(in), opt_(opt) {
    // Files and memory are read ahead in large pieces. A pipe or terminal is
    // read a character at a time, so that reading stops at the end of the
    // game even when the other side keeps writing.
    struct stat st;
    int fd = fileno(in);
    if (fd < 0 || (fstat(fd, &st) == 0 && S_ISREG(st.st_mode))) chunk_.resize(1 << 16);
  }
  Game* read(const char* name);
  // Puts the stream back behind the last character the reader took, as if
  // it had never read ahead.
  void give_back() {
    long ahead = static_cast<long>(end_ - next_) + (has_back_ && back_ != EOF);
    if (ahead > 0) std::fseek(in_, -ahead, SEEK_CUR);
  }

 private:
  enum class Step { go_on, done, failed };

  int get() {
    if (has_back_) {
      has_back_ = false;
      return back_;
    }
    if (next_ < end_) return static_cast<unsigned char>(*next_++);
    if (chunk_.empty()) return getc_unlocked(in_);
    std::size_t n = std::fread(chunk_.data(), 1, chunk_.size(), in_);
    next_ = chunk_.data();
    end_ = next_ + n;
    return n ? static_cast<unsigned char>(*next_++) : EOF;
  }
  void unget(int c) {
    back_ = c;
    has_back_ = true;
  }

  bool take_run(int c);
  bool quick_move();
  void after_value();
  Step between_values(int c);
  Step in_value(int c);
  Step end_value();
  Step comment_char(int c);
  Step end_variation();
  void finish(const char* name);
  Step syntax_failure(const char* text);
  void dispatch() {
    if (skip_ == 0) sgf_dispatch(game_, key_, value_);
  }
  // The first character past a buffer's limit is reported; the rest of the
  // key or value is skipped silently.
  void report_overflow(const char* buffer, const char* text, std::size_t limit) {
    if (overflow_) return;
    overflow_ = true;
    if (opt_.sgfwarn) {
      message("%s-buffer overflow (\"%s\" >= %d)\n", buffer, text, static_cast<int>(limit));
      message("Further characters skipped\n");
    }
  }
  void reset_countdown() { countdown_ = key_ == "KB" ? kKibitzPiece : kPiece; }

  FILE* in_;
  const Options& opt_;
  std::vector<char> chunk_;  // empty: no reading ahead
  const char* next_ = nullptr;
  const char* end_ = nullptr;
  int back_ = 0;
  bool has_back_ = false;

  Game* top_ = nullptr;
  Game* game_ = nullptr;
  int state_ = 0;
  Key key_;
  Value value_;
  bool comment_ = false;
  bool overflow_ = false;
  bool skipping_ = false;  // blanks after a closing blank of a comment piece
  int countdown_ = 0;
  int count_ = 0;
  int skip_ = 0;  // depth inside a variation that could not be opened
};

Game* SgfReader::read(const char* name) {
  for (;;) {
    int c = get();
    if (c == EOF) {
      if (state_ == 0) return nullptr;
      if (skipping_) {
        syntax_failure(nullptr);
        return nullptr;
      }
      if (opt_.sgfwarn) message("sgf_read(): EOF before End Of Game\n");
      game_free(top_);
      return nullptr;
    }
    Step step = Step::go_on;
    if (state_ == 0) {
      ++count_;
      if (c == '(') {
        top_ = game_ = game_alloc(nullptr, &opt_);
        if (!game_) return nullptr;
        state_ = 1;
      }
    } else if (state_ == 1) {
      ++count_;
      step = between_values(c);
    } else {
      if (!(skipping_ && (c == ' ' || c == '\\'))) ++count_;
      if (!take_run(c)) step = in_value(c);
    }
    if (step == Step::done) {
      finish(name);
      return top_;
    }
    if (step == Step::failed) return nullptr;
  }
}

// Characters of a value that need none of the scanner's rules (no bracket,
// escape or carriage return; in a comment also no blank or line feed, where
// pieces end) are taken together with those of them already read ahead.
// Returns false, having taken nothing, when `c` is not such a character.
bool SgfReader::take_run(int c) {
  auto plain = [this](int d) {
    if (d == ']' || d == '\\' || d == '\r' || d == EOF) return false;
    return !comment_ || (d != ' ' && d != '\n');
  };
  if (key_.empty() || skipping_ || overflow_ || !plain(c) || (opt_.kibitz && c == ' ' && value_.empty()) ||
      value_.size() >= kValueMax)
    return false;
  value_.push_back(static_cast<char>(c));
  int taken = 0;
  if (next_ != end_ && !has_back_) {
    std::size_t room = kValueMax - value_.size();
    const char* stop = next_ + std::min(room, static_cast<std::size_t>(end_ - next_));
    const char* p = next_;
    while (p < stop && plain(static_cast<unsigned char>(*p))) ++p;
    value_.append(next_, static_cast<std::size_t>(p - next_));
    taken = static_cast<int>(p - next_);
    next_ = p;
  }
  count_ += taken;
  if (comment_) countdown_ -= taken + 1;
  return true;
}

SgfReader::Step SgfReader::between_values(int c) {
  switch (c) {
    case ' ':
    case '\t':
    case '\n':
    case '\f':
    case '\r':
      return Step::go_on;
    case '(':
      if (skip_ > 0) {
        ++skip_;
      } else if (Game* variation = push_var(game_)) {
        game_ = variation;
      } else {
        skip_ = 1;  // no variation to store into: read past it
      }
      return Step::go_on;
    case ')':
      return end_variation();
    case ';':
      if (skip_ == 0 && !quick_move()) store_node(game_);
      return Step::go_on;
    case ']':
      return syntax_failure("List ended in keyword!\n");
    case '[':
      state_ = 2;
      if (key_.empty() || key_ == "C") {
        comment_ = true;
        if (opt_.kibitz) {
          key_.assign("KB");
          countdown_ = kKibitzPiece;
        } else {
          countdown_ = kPiece;
        }
        int d = get();
        if (d == '\r') d = get();
        if (d == EOF) return syntax_failure(nullptr);
        if (d != '\n') unget(d);
      }
      return Step::go_on;
    default:
      break;
  }
  if (key_.size() >= kKeyMax) {
    report_overflow("key", key_.c_str(), kKeyMax);
  } else if (c >= 'A' && c <= 'Z') {
    key_.push_back(static_cast<char>(c));
  } else if (!(c >= 'a' && c <= 'z') && opt_.sgfwarn) {
    message("Garbage in key: \"%c\" (ignored)\n", c);
  }
  return Step::go_on;
}

SgfReader::Step SgfReader::in_value(int c) {
  if (key_.empty()) return syntax_failure("List without keyword\n");
  if (skipping_) {
    if (c == ' ') return Step::go_on;
    skipping_ = false;
    if (c == '\\') {
      // The writer follows a blank-ended piece with "\" and a line break; that
      // blank belongs to the break between pieces, not to the next piece.
      int d = get();
      if (d == '\r') d = get();
      if (d == EOF) return syntax_failure(nullptr);
      if (d == '\n') {
        skipping_ = true;
        return Step::go_on;
      }
      ++count_;
      return comment_char(d);  // a piece has just closed: no overflow here
    }
  }
  if (c == ']') return end_value();
  if (value_.size() >= kValueMax) {
    report_overflow("val", value_.c_str(), kValueMax);
    return Step::go_on;
  }
  if (c == '\\') {
    int d = get();
    if (d == '\r') d = get();
    if (d == EOF) return syntax_failure(nullptr);
    c = d == '\n' ? ' ' : d;
  } else if (c == '\r') {
    return Step::go_on;
  }
  if (comment_) return comment_char(c);
  if (!(opt_.kibitz && c == ' ' && value_.empty())) value_.push_back(static_cast<char>(c));
  return Step::go_on;
}

SgfReader::Step SgfReader::comment_char(int c) {
  if (opt_.kibitz && c == ' ' && value_.empty()) return Step::go_on;
  --countdown_;
  value_.push_back(static_cast<char>(c));
  if (c == '\n' || (c == ' ' && countdown_ <= 0)) {
    dispatch();
    value_.clear();
    reset_countdown();
    if (c == ' ' && !opt_.kibitz) skipping_ = true;
  }
  return Step::go_on;
}

SgfReader::Step SgfReader::end_value() {
  if (comment_ && !value_.empty() && value_.back() != '\n' && value_.size() < kValueMax) value_.push_back('\n');
  dispatch();
  value_.clear();
  after_value();
  return Step::go_on;
}

// Behind a value: another value of the same key, or the next key.
void SgfReader::after_value() {
  overflow_ = false;
  int c;
  do c = get();
  while (is_space(c));
  if (c == '[') {
    state_ = 2;
    return;
  }
  key_.clear();
  comment_ = false;
  state_ = 1;
  unget(c);
}

// Most nodes of a record are a single move, ";B[pd]": when the characters
// read ahead hold one, it is stored at once, and so is every such node that
// follows right after it. What this does is exactly what the scanner would
// do with them, one by one.
bool SgfReader::quick_move() {
  auto one_move_at = [this](const char* m) {
    auto letter = [](char c) { return c >= 'a' && c <= 'z'; };
    return end_ - m >= 5 && (m[0] == 'B' || m[0] == 'W') && m[1] == '[' && letter(m[2]) && letter(m[3]) &&
           m[4] == ']';
  };
  if (has_back_ || !key_.empty() || !one_move_at(next_) || !store_node(game_)) return false;
  char key;
  for (;;) {
    const char* m = next_;
    key = m[0];
    next_ += 5;
    count_ += 5;
    do_move(game_, std::string_view(m + 2, 2), key == 'B' ? BLACK : WHITE);
    if (next_ == end_ || *next_ != ';' || !one_move_at(next_ + 1)) break;
    // The ";" of the next node, taken as the scanner takes it.
    ++next_;
    ++count_;
    if (!store_node(game_)) {
      store_node(game_);
      key_.clear();
      comment_ = overflow_ = false;
      return true;
    }
  }
  key_.push_back(key);
  after_value();
  return true;
}

SgfReader::Step SgfReader::end_variation() {
  if (skip_ > 0) {
    --skip_;
    return Step::go_on;
  }
  Game* g = game_;
  g->nmoves = g->movenum;
  if (g->region.width == 0 || g->region.height == 0) g->region = Region{0, 0, g->size, g->size};
  if (g->view.width == 0 || g->view.height == 0) g->view = Region{0, 0, g->size, g->size};
  if (!g->parent) {
    // Nothing reads the board once the record is read, so the main line is
    // not taken back move by move.
    g->current = g->first;
    return Step::done;
  }
  Game* parent = pop_var(g);
  game_ = parent;
  return Step::go_on;
}

void SgfReader::finish(const char* name) {
  top_->filename = name ? name : "";
  top_->gametype = 1;
  top_->movenum = 0;
  if (top_->view.width == 0) top_->view.width = top_->size;
  if (top_->view.height == 0) top_->view.height = top_->size;
}

SgfReader::Step SgfReader::syntax_failure(const char* text) {
  if (opt_.sgfwarn) {
    if (text) message("%s", text);
    message("%d: %s[%s]\n", count_, key_.c_str(), value_.c_str());
  }
  game_free(top_);
  top_ = game_ = nullptr;
  return Step::failed;
}

}  // namespace

Game* sgf_read_stream(FILE* in, const char* name, const Options& opt) {
  SgfReader reader(in, opt);
  Game* game = reader.read(name);
  reader.give_back();
  return game;
}

Game* sgf_read(const char* filename, const Options& opt) {
  if (!filename) return sgf_read_stream(stdin, nullptr, opt);
  FILE* in = std::fopen(filename, "r");
  if (!in) throw Exit(1, format_text("sgf_read: Can't open \"%s\"\n", filename));
  Game* game = sgf_read_stream(in, filename, opt);
  std::fclose(in);
  return game;
}

}  // namespace kg
