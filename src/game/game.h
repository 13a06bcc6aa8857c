// The records of one game: the tree of nodes and variations, the board on
// which moves are checked while a record is read, the position arrays the
// figure driver draws from, and the game information.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "util/options.h"
#include "util/pool.h"

namespace kg {

struct Game;
struct Move;
struct MoveInfo;
struct Chain;
struct Text;
struct GameInfo;
struct Team;
struct Ref;
struct Stat;

// An owned text that may be absent, one pointer wide: records that carry
// one are held by the million.
class OptText {
 public:
  OptText() = default;
  OptText(std::string_view text) : text_(std::make_unique<std::string>(text)) {}
  OptText& operator=(std::string_view text) {
    text_ = std::make_unique<std::string>(text);
    return *this;
  }
  explicit operator bool() const { return text_ != nullptr; }
  bool has_value() const { return text_ != nullptr; }
  const std::string& operator*() const { return *text_; }
  std::string& operator*() { return *text_; }
  const std::string* operator->() const { return text_.get(); }
  std::string* operator->() { return text_.get(); }
  void reset() { text_.reset(); }

 private:
  std::unique_ptr<std::string> text_;
};

// Colours.
inline constexpr int EMPTY = 0, BLACK = 1, WHITE = 2;
// On the reading board's arrays: the edge, or a stone of no colour of play.
inline constexpr int NO_PLAY = 3;
// Special node locations.
inline constexpr int LOC_NONE = -1, LOC_PASS = -3, LOC_TENUKI = -4;
// The board sizes the model plays on.
inline constexpr int kMinBoardSize = 3, kMaxBoardSize = 19;

// Mark kinds: plain numbers chosen by the readers; every device decides what
// each looks like. Kind 0 is never stored: it only removes a mark.
inline constexpr int MARK_TEXT = 2;            // a mark that carries a text
inline constexpr int MARK_CROSS = 3;           // SGF MA
inline constexpr int MARK_SQUARE = 4;          // SGF SQ
inline constexpr int MARK_CIRCLE = 5;
inline constexpr int MARK_CIRCLE_FILLED = 6;
inline constexpr int MARK_PLAIN = 7;           // SGF M, the usual mark elsewhere
inline constexpr int MARK_TRIANGLE = 8;        // SGF TR
inline constexpr int MARK_PLUS = 9;
inline constexpr int MARK_MINUS = 10;
inline constexpr int MARK_SHADE_FIRST = 11;    // shades 0, 10, ... 100 percent
inline constexpr int MARK_SHADE_LAST = 21;
inline constexpr int MARK_BLACK_TERRITORY = 22;  // SGF TB
inline constexpr int MARK_WHITE_TERRITORY = 23;  // SGF TW
inline constexpr int MARK_DIMMED = 24;           // SGF DD (MARK_CIRCLE is SGF CR)

// A property the model does not hold, kept with its node as it was read,
// so that the SGF writer gives it back.
struct RawProperty {
  std::string key;
  std::vector<std::string> values;
};

// A rectangle of board points; width or height 0 means none.
struct Region {
  int x = 0, y = 0, width = 0, height = 0;
  friend bool operator==(const Region&, const Region&) = default;
};

struct BoardPoint {
  BoardPoint* north = nullptr;
  BoardPoint* east = nullptr;
  BoardPoint* south = nullptr;
  BoardPoint* west = nullptr;
  Move* stone = nullptr;    // node whose stone stands here
  std::uint32_t stamp = 0;  // last fill generation that visited the point
  // The colour of `stone`, kept beside it: liberty checks then never touch
  // the nodes, which in a long game lie scattered over much memory.
  std::int16_t colour = 0;
};

// The reading board. Besides the linked points it keeps the groups of
// connected stones as they change, so that a legality check never walks a
// group; they live in small arrays by location, which stay in the nearest
// cache however long the record.
struct Board {
  std::vector<BoardPoint> points;  // size x size, never resized after linking
  std::uint32_t stamp = 0;
  // Entry size x size of the other arrays stands for the edge.
  std::vector<std::array<std::int16_t, 4>> around;  // neighbours N, E, S, W
  std::vector<std::int8_t> colour;                  // as on the points; NO_PLAY for the edge
  std::vector<std::int16_t> head;                   // the group's first point; the edge when empty
  std::vector<std::int16_t> next_stone;             // the group's stones in a ring
  // On heads only: the group's stones, and its empty neighbours counted once
  // per adjacent stone (the group has a liberty exactly when that is not 0).
  std::vector<std::int16_t> stones;
  std::vector<std::int16_t> liberties;
  // The groups no longer match the stones (a stone left a group of several);
  // rebuilt before the next legality check.
  bool groups_stale = false;
  // Working space of the fills and of taking a node back, kept between
  // calls so that a long record does not allocate for every move.
  struct Scratch {
    std::vector<int> stack, taken;
    std::vector<Move*> captured;  // the stones one move takes, in order
    std::vector<const Move*> made;
  } scratch;
  // The last entries of the ordered lists of the node being annotated, so
  // that a node with hundreds of setup stones or emptied points is built in
  // linear time while the records keep only the heads. Another node's tails
  // are found by a walk when it is annotated.
  struct Tails {
    const MoveInfo* info = nullptr;
    Chain* cleared = nullptr;
    Chain* added = nullptr;
    Chain* labels = nullptr;
  } tails;
};

struct BoardCell {
  std::int16_t colour = 0;
  std::int32_t number = 0;
  Chain* label = nullptr;
  Chain* mark = nullptr;
};

// A link between the nodes of a line, read and assigned like a Move*. It is
// half a pointer's size: nodes come from the pools' arena (MP_PLACED), and a
// link holds a node's place there. A long game holds millions of nodes, each
// with two links.
class MoveLink {
 public:
  MoveLink& operator=(Move* node) {
    // A node always has a place: its pool makes no block without one.
    place_ = node ? static_cast<std::uint32_t>((reinterpret_cast<unsigned char*>(node) - arena_origin) / kArenaUnit)
                  : 0;
    return *this;
  }
  operator Move*() const { return static_cast<Move*>(arena_record(place_)); }
  Move* operator->() const { return *this; }

 private:
  std::uint32_t place_ = 0;
};

// Move numbers run from 1 to this; a record's number past it is refused.
// Two of them still add up within an int: a merged line is numbered on from
// the move it branches at.
inline constexpr int kMaxMoveNumber = 999999999;
// `number` numbered on from `base`; a sum past the limit stays at the limit.
inline int number_on(int base, int number) {
  const int sum = base + number;
  return sum > kMaxMoveNumber ? kMaxMoveNumber : sum;
}

struct Move {
  MoveInfo* info = nullptr;
  // A location fits in 16 bits (a board has at most 19 x 19 points), which
  // leaves the number its full width within the four words.
  std::int16_t location = LOC_NONE;
  std::int16_t colour = 0;
  std::int32_t number = 0;
  MoveLink prev;
  MoveLink next;
  Game* variations = nullptr;
};
static_assert(sizeof(Move) == 32, "a node is four words: a long game holds millions");

struct MoveInfo {
  Text* texts = nullptr;
  Text* texts_tail = nullptr;
  // The nodes whose stones this node's move captured, newest first, ending
  // in none; none when it captured nothing. A node is all a capture needs
  // (a stone stands on its node's location), and a long game captures
  // about as many stones as it plays.
  Move** captured = nullptr;
  Chain* cleared = nullptr;
  Chain* added = nullptr;
  Chain* labels = nullptr;    // letters on points, in the order given
  Chain* marks = nullptr;     // newest first
  OptText black_time;
  OptText white_time;
  // SGF MN: the number shown for this node's move and those after it.
  int shown_number = 0;
  bool has_shown_number = false;
  std::int8_t to_play = EMPTY;  // SGF PL: the side to move
  // A node of the record that holds nothing, written back as a node of its
  // own: empty nodes the model makes for itself are not.
  bool empty_node = false;
  std::unique_ptr<std::vector<RawProperty>> raw;  // none when there are none
};

struct Chain {
  Move* move = nullptr;
  Move* occupant = nullptr;
  int label = 0;
  int mark = 0;
  int location = 0;
  // A label's text (its letter is the text's first byte), or a text mark's;
  // none for a letter given by its place alone (SGF L).
  OptText text;
  Chain* next = nullptr;
};

struct Text {
  OptText name;  // kibitzer; none for a plain comment
  int rank = 0;                     // kibitz rank code, or the comment's length
  std::string text;
  Text* next = nullptr;
  Text* prev = nullptr;
};

struct Game {
  // The run's options, shared by every variation; none for a game made
  // outside a run (no warnings, main-line captures kept).
  const Options* options = nullptr;
  std::shared_ptr<GameInfo> info;  // shared with the parent until stored through
  Ref* refs = nullptr;
  Stat* stat = nullptr;
  Board* goban = nullptr;  // owned by the top-level game, shared by variations
  Region view;
  Region region;
  std::vector<BoardCell> board;         // empty until board_alloc
  std::vector<BoardCell> figure_board;
  std::vector<BoardCell> saved_board;
  Move* first = nullptr;
  Move* current = nullptr;
  int movenum = 0;
  int nmoves = 0;
  int gametype = 0;
  int varno = 0;
  int figure_number = 0;
  int diagram_number = 0;
  std::string name;      // empty: none
  std::string filename;
  std::string format;
  // The CA to write: the record's own for a record read as it was, UTF-8
  // for one converted to it; empty: none.
  std::string charset;
  int size = 0;
  Game* parent = nullptr;
  Game* next = nullptr;
  Game* prev = nullptr;
  void* device = nullptr;
  // Kept on the first variation of a node while reading: the last sibling,
  // so that opening the 100,000th variation does not walk the other 99,999.
  Game* last_sibling = nullptr;
};

// ---- records and their allocation ------------------------------------------

// A new top-level game (no parent) under `options`, or a variation of
// `parent` under the parent's; none on failure.
Game* game_alloc(Game* parent, const Options* options = nullptr);
// Whether the model and the readers report their warnings for `game`.
inline bool warns(const Game* game) { return game && game->options && game->options->sgfwarn; }
// Releases the game, its later siblings, its nodes and variations (iteratively).
void game_free(Game* game);
// `warn`: report a failure.
Board* goban_alloc(int size, bool warn);
Board* goban_new(Game* game, int size);
void goban_free(Board* board);
// Three position arrays, copies of the parent's current board for a variation.
int board_alloc(Game* game);
void board_free(Game* game);
// `game`: whose options say whether a failure is reported; may be none.
Move* move_alloc(const Game* game);
Move* move_new(Game* game, Move* prev);
// Unlinks and releases one node of `game` with its annotations; returns its
// former prev.
Move* move_free(Game* game, Move* node);
MoveInfo* move_info(Move* node);
Text* text_alloc(const Game* game);
Chain* chain_alloc(const Game* game);
void chain_free(Chain* entry);
void chain_freelist(Chain* entry);
// A `captured` list with room for `count` stones and its end; none when
// memory runs out. Released with captures_free.
Move** captures_alloc(int count);
void captures_free(Move** list);
int captures_count(const Move* const* list);
// Whether the moves of `game` record what they capture. The lists of a
// variation are needed to take it back while reading; those of the
// top-level line only by the outputs that replay or list captures, so the
// options leave them out for the others, which saves a long record much
// memory.
bool keeps_captures(const Game* game);

// ---- placing moves and annotations ------------------------------------------

Move* need_node(Game* game, const char* label);
Move* store_node(Game* game);
// The location of the point at `column` and `row` (from 0, row 0 at the
// top), or LOC_NONE when either lies off the game's board.
int point_at(const Game* game, int column, int row);
void store_move(Game* game, int number, int colour, int location);
// A move named by column and row: one off the board is refused like any
// illegal move, and the report names it by its own column and row.
void store_move_at(Game* game, int number, int colour, int column, int row);
void store_pass(Game* game, int number, int colour);
// Records the nodes `stones` as captured by the current node's move, the last
// of them first in its list.
void store_captures(Game* game, Move* const* stones, int count);
void store_addstone(Game* game, int colour, int location);
void store_ae(Game* game, int location);
// A letter on a point: `letter` -1 takes the letter after the node's last
// (SGF L); any other letter is given, and kept as the label's text.
void store_l(Game* game, int location, int letter);
// A label with a text (SGF LB); its letter is the text's first byte.
void store_lb(Game* game, int location, std::string_view text);
// A mark of `kind` on a point, replacing the point's mark; kind 0 only
// removes it. `text` is kept for a mark that carries one.
Chain* store_m(Game* game, int location, int kind, std::string_view text = {});
// The side to move (SGF PL) and the number shown from this node on (SGF MN).
void store_pl(Game* game, int colour);
void store_mn(Game* game, int number);
// One value of a property the model does not hold: a new property of the
// current node, or (`more`) the next value of its last one.
void store_raw(Game* game, std::string_view key, std::string_view value, bool more);
void store_c(Game* game, std::string_view text);
void store_time(Game* game, int colour, std::string_view text);
void store_n(Game* game, std::string_view text);
void store_sz(Game* game, int size);
enum class Legality { legal, occupied, suicide, off_board };
Legality rules_check(Game* game, int location, int colour);

// ---- navigation --------------------------------------------------------------

Game* push_var(Game* game);
Game* pop_var(Game* game);
Move* move_current(Game* game);
Move* move_mv_back(Game* game);
Move* move_mv_allback(Game* game);

// ---- game information ---------------------------------------------------------

struct Team {
  std::vector<std::optional<std::string>> names;
  std::vector<std::optional<std::string>> ranks;
  int count = 0;
};

struct GameInfo {
  std::optional<std::string> ev, id, gn, gc, us, tm;
  std::shared_ptr<Team> black, white;
  std::optional<std::string> ha, km, dt, pc, re, so, ro, recorder, analysis, rules;
};

void info_need(Game* game, const char* label);
void store_ev(Game* game, std::string_view text);
void store_id(Game* game, std::string_view text);
void store_us(Game* game, std::string_view text);
void store_so(Game* game, std::string_view text);
void store_gc(Game* game, std::string_view text);
void store_tm(Game* game, std::string_view text);
void store_gn(Game* game, std::string_view text);
void store_pc(Game* game, std::string_view text);
void store_ha(Game* game, std::string_view text);
void store_km(Game* game, std::string_view text);
void store_ro(Game* game, std::string_view text);
void store_recorder(Game* game, std::string_view text);
void store_analysis(Game* game, std::string_view text);
void store_rules(Game* game, std::string_view text);
void store_re(Game* game, std::string_view text);
void store_dt(Game* game, std::string_view text);
// A none name or rank leaves that entry as it is.
void store_black(Game* game, std::optional<std::string_view> name, std::optional<std::string_view> rank);
void store_white(Game* game, std::optional<std::string_view> name, std::optional<std::string_view> rank);
void store_pb(Game* game, std::string_view name);
void store_br(Game* game, std::string_view rank);
void store_pw(Game* game, std::string_view name);
void store_wr(Game* game, std::string_view rank);

// Getters give none (nullptr) for an unset field.
const char* info_ev(const Game* game);
const char* info_id(const Game* game);
const char* info_gn(const Game* game);
const char* info_us(const Game* game);
const char* info_tm(const Game* game);
const char* info_ha(const Game* game);
const char* info_km(const Game* game);
const char* info_dt(const Game* game);
const char* info_pc(const Game* game);
const char* info_re(const Game* game);
const char* info_so(const Game* game);
const char* info_ro(const Game* game);
const char* info_recorder(const Game* game);
const char* info_analysis(const Game* game);
const char* info_rules(const Game* game);
// "" when the team or entry does not exist, none when the entry was never given.
const char* info_pbn(const Game* game, int i);
const char* info_brn(const Game* game, int i);
const char* info_pwn(const Game* game, int i);
const char* info_wrn(const Game* game, int i);
const char* info_pb(const Game* game);
const char* info_br(const Game* game);
const char* info_pw(const Game* game);
const char* info_wr(const Game* game);

int str2rank(const char* text);
std::string rank2str(int code);

// ---- regions, references, statistics -------------------------------------------

struct Ref {
  int a = 0;
  long b = 0;
  int c = 0;
  Region region;
  Ref* next = nullptr;
};

struct Stat {
  int s1 = 0, s5 = 0, s2 = 0, s4 = 0, s3 = 0;  // storage order of the text's numbers
};

void store_vw(Game* game, int x, int y);
void store_rg(Game* game, int x, int y);
Ref* ref_alloc(Game* game);
void store_gr(Game* game, const char* text);
Stat* stat_alloc(Game* game);
void store_gs(Game* game, const char* text);

// ---- kibitz lines (stored like comments) ----------------------------------------

void store_kb(Game* game, std::string_view line);

}  // namespace kg
