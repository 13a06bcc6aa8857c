// The SGF reader: character by character through a small state machine,
// into the store operations of the game model.
#include <sys/mman.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <array>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "game/game.h"
#include "read/charset.h"
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

// A move on the current node, which has none yet.
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

// One value of a property as an action sees it.
struct Call {
  Game* game;
  std::string_view key;
  std::string_view v;
  bool more;  // not the property's first value
};

// Every point a value names: one point, or the rectangle "xy:zw" of a
// compressed list, whose corners must both lie on the board. A single
// point off the board is handed on as it is, for the store to refuse.
template <class F>
void each_point(const Call& c, F f) {
  const std::string_view v = c.v;
  if (v.size() == 5 && v[2] == ':') {
    const int x0 = letter(v[0]), y0 = letter(v[1]), x1 = letter(v[3]), y1 = letter(v[4]);
    if (point_at(c.game, x0, y0) < 0 || point_at(c.game, x1, y1) < 0) {
      if (warns(c.game)) message("Bad points in %.*s[%.*s]\n", static_cast<int>(c.key.size()), c.key.data(),
                                  static_cast<int>(v.size()), v.data());
      return;
    }
    for (int y = std::min(y0, y1); y <= std::max(y0, y1); ++y)
      for (int x = std::min(x0, x1); x <= std::max(x0, x1); ++x) f(point_at(c.game, x, y));
    return;
  }
  if (has_point(v)) f(point(c.game, v));
}

void do_mark(const Call& c, int kind) {
  each_point(c, [&](int p) { store_m(c.game, p, kind); });
}

void act_ab(const Call& c) {
  each_point(c, [&](int p) { store_addstone(c.game, BLACK, p); });
}
void act_ae(const Call& c) {
  each_point(c, [&](int p) { store_ae(c.game, p); });
}
void act_an(const Call& c) { store_analysis(c.game, c.v); }
void act_aw(const Call& c) {
  each_point(c, [&](int p) { store_addstone(c.game, WHITE, p); });
}
// A node holds one move: a second one ("B[cc]W[dd]") begins a node of its
// own, so that neither is lost.
void second_move(Game* game) {
  if (const Move* node = game->current; node && (node->location >= 0 || node->location == LOC_PASS))
    store_node(game);
}

void act_b(const Call& c) {
  second_move(c.game);
  do_move(c.game, c.v, BLACK);
}
void act_bl(const Call& c) { store_time(c.game, BLACK, c.v); }
void act_bp(const Call& c) { do_player(c.game, c.v, true); }
void act_br(const Call& c) { store_br(c.game, c.v); }

// Pieces of a converted listing that only make sense inside the program that
// wrote them: navigation hints are dropped, diagram references shortened.
void act_c(const Call& c) {
  if (c.game->options && c.game->options->varsk) {
    for (std::string_view hint :
         {"... ...", "[*** end of", "'[' to go back", "'[' to get back", "' to continue.]"})
      if (c.v.find(hint) != std::string_view::npos) return;
    if (c.v.find("[*** '") != std::string_view::npos) {
      store_c(c.game, "(See diagram)\n");
      return;
    }
  }
  store_c(c.game, c.v);
}

// The text was decoded by the CA of its root before it was read; what is
// left is the name to write back (the reader makes it UTF-8 when it
// converted the text). CA elsewhere says nothing of the text.
void act_ca(const Call& c) {
  const Game* g = c.game;
  if (g->parent || c.more || (g->current && g->current != g->first && g->current->prev != g->first)) return;
  std::string_view v = c.v;
  while (!v.empty() && (v.front() == ' ' || v.front() == '\t' || v.front() == '\n')) v.remove_prefix(1);
  while (!v.empty() && (v.back() == ' ' || v.back() == '\t' || v.back() == '\n')) v.remove_suffix(1);
  c.game->charset = std::string(v);
}
void act_cr(const Call& c) { do_mark(c, MARK_CIRCLE); }
void act_dd(const Call& c) { do_mark(c, MARK_DIMMED); }
void act_dt(const Call& c) { store_dt(c.game, c.v); }
void act_ev(const Call& c) { store_ev(c.game, c.v); }
void act_ff(const Call& c) { c.game->format = std::string(c.v); }
void act_gc(const Call& c) { store_gc(c.game, c.v); }
void act_gm(const Call& c) { c.game->gametype = leading_int(c.v); }
void act_gn(const Call& c) { store_gn(c.game, c.v); }
void act_gr(const Call& c) { store_gr(c.game, std::string(c.v).c_str()); }
void act_gs(const Call& c) { store_gs(c.game, std::string(c.v).c_str()); }
void act_ha(const Call& c) { store_ha(c.game, c.v); }
void act_id(const Call& c) { store_id(c.game, c.v); }
void act_kb(const Call& c) {
  if (!c.v.empty()) store_kb(c.game, c.v);
}
void act_km(const Call& c) { store_km(c.game, c.v); }
void act_l(const Call& c) {
  each_point(c, [&](int p) { store_l(c.game, p, -1); });
}

// These messages go out whatever sgfwarn says.
void act_lb(const Call& c) {
  Game* g = c.game;
  std::string text(c.v);
  int location = has_point(c.v) ? point(g, c.v) : -1;
  if (location < 0 || location >= g->size * g->size) {
    std::fprintf(stderr, "Bad pnt in LB[\"%s\"]\n", text.c_str());
    return;
  }
  std::size_t colon = c.v.find(':');
  if (colon == std::string_view::npos) {
    std::fprintf(stderr, "Missing semicolon in LB[\"%s\"]\n", text.c_str());
    return;
  }
  if (colon + 1 == c.v.size()) {
    std::fprintf(stderr, "Empty label in LB[\"%s\"]\n", text.c_str());
    return;
  }
  store_lb(g, location, c.v.substr(colon + 1));
}

void act_m(const Call& c) { do_mark(c, MARK_PLAIN); }
void act_ma(const Call& c) { do_mark(c, MARK_CROSS); }
// A number that is not one is kept as it was written.
void act_mn(const Call& c) {
  std::size_t digits = c.v.find_first_of("0123456789");
  if (digits == std::string_view::npos)
    store_raw(c.game, c.key, c.v, c.more);
  else
    store_mn(c.game, leading_int(c.v));
}
// The record's first node names the game; N on a later node of the main
// line names that node alone, and is kept with it.
void act_n(const Call& c) {
  const Game* g = c.game;
  if (!g->parent && g->current && g->current != g->first && g->current->prev != g->first)
    store_raw(c.game, c.key, c.v, c.more);
  else
    store_n(c.game, c.v);
}
void act_pb(const Call& c) { store_pb(c.game, c.v); }
void act_pc(const Call& c) { store_pc(c.game, c.v); }
// A value other than B or W is kept as it was written.
void act_pl(const Call& c) {
  if (c.v == "B")
    store_pl(c.game, BLACK);
  else if (c.v == "W")
    store_pl(c.game, WHITE);
  else
    store_raw(c.game, c.key, c.v, c.more);
}
void act_pw(const Call& c) { store_pw(c.game, c.v); }
void act_re(const Call& c) { store_re(c.game, c.v); }
void act_rg(const Call& c) {
  if (!c.v.empty()) store_rg(c.game, letter(c.v[0]), c.v.size() >= 2 ? letter(c.v[1]) : -1);
}
void act_ro(const Call& c) { store_ro(c.game, c.v); }
void act_ru(const Call& c) { store_rules(c.game, c.v); }
void act_so(const Call& c) { store_so(c.game, c.v); }
void act_sq(const Call& c) { do_mark(c, MARK_SQUARE); }
void act_sz(const Call& c) { store_sz(c.game, leading_int(c.v)); }
void act_tb(const Call& c) { do_mark(c, MARK_BLACK_TERRITORY); }
void act_tm(const Call& c) { store_tm(c.game, c.v); }
void act_tr(const Call& c) { do_mark(c, MARK_TRIANGLE); }
void act_tw(const Call& c) { do_mark(c, MARK_WHITE_TERRITORY); }
void act_us(const Call& c) { store_us(c.game, c.v); }

// The view is the smallest rectangle that holds every point of the
// property: two corners of old records, a list of points since FF[4]. An
// empty value shows the whole board again.
void act_vw(const Call& c) {
  Region& view = c.game->view;
  if (c.v.empty()) {
    view = Region{};
    return;
  }
  bool first = !c.more;
  each_point(c, [&](int p) {
    const int size = c.game->size;
    if (p < 0 || size <= 0) return;
    const int x = p % size, y = p / size;
    if (first || view.width == 0) {
      view = Region{x, y, 1, 1};
      first = false;
      return;
    }
    const int x1 = std::max(view.x + view.width - 1, x), y1 = std::max(view.y + view.height - 1, y);
    view.x = std::min(view.x, x);
    view.y = std::min(view.y, y);
    view.width = x1 - view.x + 1;
    view.height = y1 - view.y + 1;
  });
}

void act_w(const Call& c) {
  second_move(c.game);
  do_move(c.game, c.v, WHITE);
}
void act_wl(const Call& c) { store_time(c.game, WHITE, c.v); }
void act_wp(const Call& c) { do_player(c.game, c.v, false); }
void act_wr(const Call& c) { store_wr(c.game, c.v); }

// ---- the property table ----------------------------------------------------------

using Action = void (*)(const Call&);

struct Property {
  std::string_view key;
  Action action;  // none: read and dropped (the writer writes its own)
};

// Every property not in the table is kept with its node as it was read.
constexpr Property sgf_table[] = {
    {"AB", act_ab}, {"AE", act_ae}, {"AN", act_an}, {"AP", nullptr}, {"AW", act_aw},
    {"B", act_b},   {"BL", act_bl}, {"BP", act_bp}, {"BR", act_br}, {"C", act_c},
    {"CA", act_ca}, {"CR", act_cr}, {"DD", act_dd}, {"DT", act_dt}, {"EV", act_ev}, {"FF", act_ff},
    {"GC", act_gc}, {"GM", act_gm}, {"GN", act_gn}, {"GR", act_gr}, {"GS", act_gs},
    {"HA", act_ha}, {"ID", act_id}, {"KB", act_kb}, {"KM", act_km}, {"L", act_l},
    {"LB", act_lb}, {"M", act_m},   {"MA", act_ma}, {"MN", act_mn}, {"N", act_n},
    {"PB", act_pb}, {"PC", act_pc}, {"PL", act_pl}, {"PW", act_pw}, {"RE", act_re},
    {"RG", act_rg}, {"RO", act_ro}, {"RU", act_ru}, {"SO", act_so}, {"SQ", act_sq},
    {"SZ", act_sz}, {"TB", act_tb}, {"TM", act_tm}, {"TR", act_tr}, {"TW", act_tw},
    {"US", act_us}, {"VW", act_vw}, {"W", act_w},   {"WL", act_wl}, {"WP", act_wp},
    {"WR", act_wr},
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

static_assert(std::size(sgf_table) == 52);
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

void sgf_dispatch(Game* game, Key& key, Value& value, bool more) {
  const Property* property = sgf_find(key.view());
  if (!property)
    store_raw(game, key.view(), value.view(), more);
  else if (property->action)
    property->action(Call{game, key.view(), value.view(), more});
}

// ---- the scanner -------------------------------------------------------------------

bool is_space(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; }

// The head of an input that is read before anything else: 64 KiB.
constexpr std::size_t kHead = std::size_t{1} << 16;

// Whether the head of an input can begin an SGF record: a "(" followed,
// after blanks, by ";", with no NUL byte before it (text has none; pictures,
// programs and UTF-16 text are full of them), and none of the signatures
// that pictures, documents and archives begin with.
bool sgf_head(std::string_view head) {
  static constexpr std::string_view kSignatures[] = {
      "\x89PNG", "%PDF", "GIF8", "\xFF\xD8\xFF", "PK\x03\x04", "\x1F\x8B", "\x7F" "ELF", "BZh",
      "\xFD" "7zXZ", "\xFE\xFF", "\xFF\xFE", "II*", "MM\0*", "RIFF", "OggS", "ID3"};
  for (std::string_view signature : kSignatures)
    if (head.substr(0, signature.size()) == signature) return false;
  for (std::size_t open = head.find('('); open != std::string_view::npos; open = head.find('(', open + 1)) {
    std::size_t next = head.find_first_not_of(" \t\r\n\f\v", open + 1);
    if (next != std::string_view::npos && head[next] == ';')
      return head.substr(0, open).find('\0') == std::string_view::npos;
  }
  return false;
}

// A node that carries nothing: a sub-tree's own root and the node its
// opening makes.
bool bare(const Move* m) { return m->location == LOC_NONE && !m->info && !m->variations; }

// A sub-tree that is its line's only continuation (no sibling sub-tree,
// nothing after it in the sequence) continues the line, as SGF means it:
// "(;A(;B;C))" reads as "(;A;B;C)". One walk over the read tree splices
// every such sub-tree into its line, numbering its moves on from the line's
// (a sub-tree's moves are numbered from 1) and taking along what it stored
// of its own: game information, a name, a view.
void continue_lines(Game* top) {
  std::vector<Game*> lines{top};
  while (!lines.empty()) {
    Game* g = lines.back();
    lines.pop_back();
    int base = 0, last_number = 0;
    bool spliced = false;
    for (Move* m = g->first; m; m = m->next) {
      if (spliced && m->number != 0) m->number = number_on(base, m->number);
      if (m->location >= 0 || m->location == LOC_PASS) last_number = m->number;
      Game* v = m->variations;
      const bool sole = v && !v->next && !m->next && v->first;
      for (Game* s = v; s; s = s->next) {
        s->parent = g;
        if (!sole) lines.push_back(s);
      }
      if (!sole) continue;
      Move* head = v->first;
      while (head && bare(head)) {
        Move* next = head->next;
        head->next = nullptr;
        if (next) next->prev = nullptr;
        move_free(v, head);
        head = next;
      }
      if (head && !v->name.empty()) {
        if (MoveInfo* info = move_info(head)) {
          if (!info->raw) info->raw = std::make_unique<std::vector<RawProperty>>();
          info->raw->insert(info->raw->begin(), RawProperty{"N", {v->name}});
        }
      }
      if (v->info != g->info) g->info = v->info;
      if (v->view != g->view) g->view = v->view;
      if (v->region != g->region) g->region = v->region;
      if (!g->refs) std::swap(g->refs, v->refs);
      if (!g->stat) std::swap(g->stat, v->stat);
      m->variations = nullptr;
      m->next = head;
      if (head) head->prev = m;
      v->first = v->current = nullptr;
      game_free(v);
      base = last_number;
      spliced = true;
    }
    if (spliced) g->movenum = g->nmoves = last_number;
  }
}

class SgfReader {
 public:
  // Reads the head of the input: what is no SGF record ends the run here,
  // before any of it reaches a message.
  SgfReader(FILE* in, const char* name, const Options& opt);
  ~SgfReader() {
    if (map_) munmap(map_, map_size_);
  }
  SgfReader(const SgfReader&) = delete;
  SgfReader& operator=(const SgfReader&) = delete;
  // The next game of the input; none when no game is left (done()) or the
  // game is unusable (reported).
  Game* read(const char* name);
  // Passes over the next game; false when no game is left.
  bool skip();
  bool done() const { return done_; }
  // Puts the stream back behind the last character the reader took, as if
  // it had never read ahead.
  void give_back() {
    long ahead = plain_ ? static_cast<long>(end_ - next_) + (has_back_ && back_ != EOF)
                        : static_cast<long>(raw_.size() - pos_);
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
    return EOF;
  }
  void unget(int c) {
    back_ = c;
    has_back_ = true;
  }

  bool begin_game(const char* name, bool build);
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
    if (skip_ == 0) sgf_dispatch(game_, key_, value_, values_ > 0);
    ++values_;
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
  std::vector<char> chunk_;  // the whole input, read when it could not be mapped
  // The whole input: a file is mapped, not copied (its pages are the
  // system's cache), anything else read into chunk_.
  std::string_view raw_;
  void* map_ = nullptr;
  std::size_t map_size_ = 0;
  // The input is UTF-8 and read as it is; else each game is put before the
  // scanner on its own, converted to UTF-8 by its encoding.
  bool plain_ = true;
  bool ascii_ = true;          // the input is plain ASCII
  std::size_t pos_ = 0;        // not plain: where the next game's bytes begin
  std::string decoded_;        // not plain: the current game in UTF-8
  bool converted_ = false;     // the current game's text is not its bytes
  bool done_ = false;
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
  int values_ = 0;  // values of the current key handed on so far
  Move* node_ = nullptr;  // the node the last ";" began
  // The node the last ";" began is complete: one that holds nothing is kept
  // as a node of the record (the root, which holds the header, aside).
  void keep_empty() {
    Move* m = node_;
    node_ = nullptr;
    if (!m || m->location != LOC_NONE || m->info || m->variations) return;
    if (!game_->parent && m->prev == game_->first) return;
    if (MoveInfo* info = move_info(m)) info->empty_node = true;
  }
  bool sole_seen_ = false;  // a line ends in a sole sub-tree
};

Game* SgfReader::read(const char* name) {
  top_ = game_ = nullptr;
  node_ = nullptr;
  state_ = skip_ = values_ = 0;
  sole_seen_ = false;
  key_.clear();
  value_.clear();
  comment_ = overflow_ = skipping_ = false;
  if (!plain_ && !begin_game(name, true)) {
    done_ = true;
    return nullptr;
  }
  for (;;) {
    int c = get();
    if (c == EOF) {
      done_ = plain_ || pos_ >= raw_.size();
      if (state_ == 0) return nullptr;
      // A record cut short keeps what was read: the value it ends in is
      // dropped, the open lines are closed.
      if (opt_.sgfwarn) message("sgf_read(): EOF before End Of Game\n");
      skip_ = 0;
      while (end_variation() != Step::done) {
      }
      finish(name);
      return top_;
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
// escape, carriage return or NUL; in a comment also no blank or line feed, where
// pieces end) are taken together with those of them already read ahead.
// Returns false, having taken nothing, when `c` is not such a character.
bool SgfReader::take_run(int c) {
  auto plain = [this](int d) {
    if (d == ']' || d == '\\' || d == '\r' || d == '\0' || d == EOF) return false;
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
      keep_empty();
      if (skip_ > 0) {
        ++skip_;
      } else if (Game* variation = push_var(game_)) {
        game_ = variation;
      } else {
        skip_ = 1;  // no variation to store into: read past it
      }
      return Step::go_on;
    case ')':
      keep_empty();
      return end_variation();
    case ';':
      keep_empty();
      if (skip_ == 0 && !quick_move()) store_node(game_);
      if (skip_ == 0) node_ = game_->current;
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
        if (d == EOF) return Step::go_on;  // cut short: the reading ends at the next character
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
    // The text is UTF-8 by now: a character of several bytes is named whole,
    // in one message.
    char garbage[5] = {static_cast<char>(c)};
    int n = 1;
    while (c >= 0xC0 && n < 4) {
      const int d = get();
      if (d == EOF || (d & 0xC0) != 0x80) {
        unget(d);
        break;
      }
      garbage[n++] = static_cast<char>(d);
      ++count_;
    }
    message("Garbage in key: \"%s\" (ignored)\n", garbage);
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
      if (d == EOF) return Step::go_on;  // cut short: the reading ends at the next character
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
    if (d == EOF) return Step::go_on;  // cut short: the reading ends at the next character
    c = d == '\n' ? ' ' : d;
  } else if (c == '\r') {
    return Step::go_on;
  }
  // A NUL is no character of a text: every writer and device would end the
  // text there.
  if (c == '\0') return Step::go_on;
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
  values_ = 0;
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
  if (!sole_seen_) {
    Move* last = g->current ? g->current : g->first;
    while (last && last->next) last = last->next;
    sole_seen_ = last && last->variations && !last->variations->next;
  }
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
  if (sole_seen_) continue_lines(top_);
  if (converted_) {
    top_->charset = kUtf8;
  } else if (!ascii_ && !top_->charset.empty() && charset_name(top_->charset) != std::optional<std::string>(kUtf8)) {
    // Text that is UTF-8 was read as it is, whatever an old CA says of it.
    std::fprintf(stderr, "%s: \"%s\": CA[%s], but the text is UTF-8: read as UTF-8\n", opt_.program.c_str(),
                 name ? name : "stdin", top_->charset.c_str());
    top_->charset = kUtf8;
  }
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

SgfReader::SgfReader(FILE* in, const char* name, const Options& opt) : in_(in), opt_(opt) {
  // The head shows whether the input holds a record at all; only then is
  // the rest read, all of it: what a text's bytes mean is known only once
  // the whole text is there.
  struct stat st;
  const int fd = fileno(in);
  const bool stat_ok = fd >= 0 && fstat(fd, &st) == 0;
  if (stat_ok && S_ISDIR(st.st_mode))
    throw Exit(1, format_text("sgf_read: Can't open \"%s\": %s\n", name ? name : "stdin", std::strerror(EISDIR)));
  const long start = stat_ok && S_ISREG(st.st_mode) ? std::ftell(in) : -1;
  chunk_.resize(kHead);
  std::size_t n = std::fread(chunk_.data(), 1, chunk_.size(), in);
  if (!sgf_head(std::string_view(chunk_.data(), n)))
    throw Exit(1, format_text("%s: \"%s\": not an SGF record\n", opt.program.c_str(), name ? name : "stdin"));
  if (n == chunk_.size() && start >= 0 && st.st_size > start) {
    map_size_ = static_cast<std::size_t>(st.st_size);
    // Mapped at once: one call maps every page, not a fault per page.
    map_ = mmap(nullptr, map_size_, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    if (map_ == MAP_FAILED) {
      map_ = nullptr;
    } else {
      madvise(map_, map_size_, MADV_SEQUENTIAL);
      raw_ = std::string_view(static_cast<const char*>(map_) + start, map_size_ - static_cast<std::size_t>(start));
      std::fseek(in, 0, SEEK_END);  // as if all of it had been read
      chunk_ = {};
    }
  }
  if (!map_) {
    if (n == chunk_.size()) {
      if (stat_ok && S_ISREG(st.st_mode) && st.st_size > 0)
        chunk_.resize(std::max(chunk_.size(), static_cast<std::size_t>(st.st_size) + 1));
      for (;;) {
        if (n == chunk_.size()) chunk_.resize(chunk_.size() * 2);
        const std::size_t m = std::fread(chunk_.data() + n, 1, chunk_.size() - n, in);
        if (m == 0) break;
        n += m;
      }
    }
    chunk_.resize(n);
    raw_ = std::string_view(chunk_.data(), n);
  }
  next_ = raw_.data();
  end_ = next_ + raw_.size();
  // A UTF-8 input, plain ASCII among them, is read as it is: no copy, no
  // conversion. Anything else is taken game by game.
  plain_ = (!opt.encoding || *opt.encoding == kUtf8) && utf8_text(raw_, &ascii_);
}

// The next game's text before the scanner, from its "(" to its closing ")":
// its own bytes when they are UTF-8, else its bytes converted to UTF-8 by
// -encoding, by its CA, or by what they look like (Latin-1, FF[4]'s
// default, when they look like no multi-byte encoding). False when no game
// is left. `build`: the game is read, not passed over, and what its
// encoding asks for is said.
bool SgfReader::begin_game(const char* name, bool build) {
  const std::string_view raw = raw_;
  converted_ = false;
  has_back_ = false;
  decoded_.clear();
  next_ = end_ = raw.data() + raw.size();
  const std::size_t open = raw.find('(', pos_);
  if (open == std::string_view::npos) {
    pos_ = raw.size();
    return false;
  }
  const std::string_view game = raw.substr(open);
  const char* shown = name ? name : "stdin";
  const char* program = opt_.program.c_str();
  std::string charset;
  if (opt_.encoding) {
    charset = *opt_.encoding;
  } else if (const std::optional<std::string> ca = root_charset(game)) {
    if (std::optional<std::string> known = charset_name(*ca))
      charset = *known;
    else if (build)
      std::fprintf(stderr, "%s: \"%s\": CA[%s] names no encoding known here\n", program, shown, ca->c_str());
  }
  bool guessed = false;
  bool mixed = false;  // Latin-1 for want of anything else
  if (!opt_.encoding && charset != kUtf8) {
    // The game is UTF-8 when it closes before the first byte that is not:
    // only that much is looked at. (As UTF-8 its brackets are its ASCII ones.)
    bool ascii = true;
    const std::size_t valid = utf8_prefix(game);
    bool closed = false;
    const std::size_t length = game_extent(game.substr(0, valid), kUtf8, &closed);
    if ((closed || valid == game.size()) && utf8_text(game.substr(0, length), &ascii) &&
        (charset.empty() || !ascii)) {
      charset = kUtf8;  // an old CA that the text belies: finish() says so
    } else if (charset.empty()) {
      const std::optional<std::string> guess = guess_multibyte(game.substr(0, game_extent(game, kUtf8)));
      guessed = guess.has_value();
      mixed = !guessed;
      charset = guess ? *guess : kLatin1;
    }
  }
  if (charset.empty()) charset = kUtf8;
  const std::string_view text = game.substr(0, game_extent(game, charset));
  pos_ = open + text.size();
  if (!build) return true;
  if (charset == kUtf8 && utf8_text(text, &ascii_)) {
    next_ = text.data();
    end_ = next_ + text.size();
    return true;
  }
  std::size_t bad = 0;
  std::optional<std::string> utf8 = mixed ? utf8_or_latin1(text) : to_utf8(text, charset, &bad);
  if (!utf8) {
    std::fprintf(stderr, "%s: \"%s\": no converter from %s here: read as %s\n", program, shown, charset.c_str(),
                 kLatin1);
    charset = kLatin1;
    utf8 = to_utf8(text, charset, &bad);
  }
  if (guessed)
    std::fprintf(stderr, "%s: \"%s\": no CA and not UTF-8: read as %s (-encoding names another)\n", program,
                 shown, charset.c_str());
  if (bad > 0)
    std::fprintf(stderr, "%s: \"%s\": %zu byte sequence%s not %s, each read as U+FFFD\n", program, shown, bad,
                 bad == 1 ? "" : "s", charset.c_str());
  decoded_ = std::move(*utf8);
  converted_ = true;
  next_ = decoded_.data();
  end_ = next_ + decoded_.size();
  return true;
}

bool SgfReader::skip() {
  if (!plain_) {
    done_ = !begin_game(nullptr, false);
    return !done_;
  }
  int depth = 0;
  bool in_value = false;
  for (int c; (c = get()) != EOF;) {
    if (in_value) {
      if (c == '\\')
        get();
      else if (c == ']')
        in_value = false;
    } else if (c == '[') {
      in_value = depth > 0;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')' && depth > 0 && --depth == 0) {
      return true;
    }
  }
  done_ = true;
  return depth > 0;  // a game cut short is a game too
}

Game* sgf_read_stream(FILE* in, const char* name, const Options& opt) {
  SgfReader reader(in, name, opt);
  Game* game = reader.read(name);
  reader.give_back();
  return game;
}

namespace {

class SgfSource : public GameSource {
 public:
  SgfSource(FILE* in, const char* name, const Options& opt)
      : in_(in), name_(name ? std::optional<std::string>(name) : std::nullopt), reader_(in, name, opt) {}
  ~SgfSource() override {
    if (in_ != stdin) std::fclose(in_);
  }
  Game* read_game() override { return reader_.read(name_ ? name_->c_str() : nullptr); }
  bool skip_game() override { return reader_.skip(); }
  bool done() const override { return reader_.done(); }

 private:
  FILE* in_;
  std::optional<std::string> name_;
  SgfReader reader_;
};

FILE* open_input(const char* filename) {
  if (!filename) return stdin;
  FILE* in = std::fopen(filename, "r");
  if (!in) throw Exit(1, format_text("sgf_read: Can't open \"%s\": %s\n", filename, std::strerror(errno)));
  return in;
}

}  // namespace

std::unique_ptr<GameSource> open_sgf(const char* filename, const Options& opt) {
  FILE* in = open_input(filename);
  try {
    return std::make_unique<SgfSource>(in, filename, opt);
  } catch (...) {
    if (in != stdin) std::fclose(in);
    throw;
  }
}

Game* sgf_read(const char* filename, const Options& opt) { return open_sgf(filename, opt)->read_game(); }

}  // namespace kg
