// Invariants of the game model that no written record shows: capture lists
// and undo on the shared board, node and variation links, shared game
// information, points off the board, regions, ranks, and a line too long for
// recursion. (Legality messages and capture rules are golden runs.)
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "game/pools.h"
#include "kg_test.h"

namespace kg::test {
namespace {

class Model : public Fresh {
 protected:
  void SetUp() override { Fresh::SetUp(), game = new_game(); }

  int loc(const char* p) const { return point(game, p); }
  Move* stone(const char* p) { return game->goban->points[loc(p)].stone; }
  void play(int colour, const char* p, Game* g = nullptr) { test::play(g ? g : game, colour, p); }
  std::vector<Move*> position() const {
    std::vector<Move*> out;
    for (const auto& p : game->goban->points) out.push_back(p.stone);
    return out;
  }
  // prev/next links of a line agree.
  static void check_line(const Game* g) {
    for (const Move* m = g->first; m && m->next; m = m->next) EXPECT_EQ(m->next->prev, m);
  }
};

TEST_F(Model, RejectedMovesLeaveNoTrace) {
  play(BLACK, "ba");
  play(BLACK, "ab");
  auto before = position();
  Move* last = game->current;
  EXPECT_EQ(stderr_of([&] { play(WHITE, "aa"); }), "*** W[aa] (suicide) ***\n");
  EXPECT_EQ(position(), before);
  EXPECT_EQ(std::tuple(game->movenum, game->current, last->next), std::tuple(2, last, nullptr));
  Move* c = store_node(game);
  EXPECT_EQ(move_free(game, move_new(game, last)), last);  // a node put in and taken out again
  EXPECT_EQ(std::tuple(last->next, c->prev), std::tuple(c, last));
  check_line(game);
  // A rejected move on a variation's own first node keeps the node; the
  // root itself rejected: the line starts, isolated, with the next property.
  Game* v = push_var(game);
  Game* bare = game_alloc(nullptr, &opt());
  stderr_of([&] { store_move(v, -1, WHITE, loc("ab")), store_move(bare, -1, BLACK, -5); });
  EXPECT_NE(v->first, nullptr);
  pop_var(v);
  EXPECT_EQ(bare->first, nullptr);
  EXPECT_EQ(stderr_of([&] { store_c(bare, "still stored"); }),
            "*** isolated info (\"store_c\"), allocated storage ***\n");
  EXPECT_NE(bare->first, nullptr);
  game_free(bare);
}

TEST_F(Model, CapturesAreListedAndUndone) {
  play(WHITE, "aa");
  play(BLACK, "ba");
  play(BLACK, "ab");
  Move* const* c = game->current->info->captured;
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(std::tuple(c[0]->location, c[1], stone("aa")), std::tuple(0, nullptr, nullptr));
  move_mv_back(game);
  EXPECT_EQ(stone("aa")->colour, WHITE);
  EXPECT_EQ(stone("ab"), nullptr);
  // Two groups taken by one stone: the one captured last stands first.
  for (const char* p : {"jb", "ic", "kc", "ie", "ke", "jf"}) play(BLACK, p);
  play(WHITE, "jc");
  play(WHITE, "je");
  play(BLACK, "jd");
  c = game->current->info->captured;
  ASSERT_TRUE(c && c[0] && c[1]);
  EXPECT_EQ(std::tuple(c[0]->location, c[1]->location, c[2]), std::tuple(loc("je"), loc("jc"), nullptr));
}

// Without kept captures the main line records none, yet a variation still
// records its own and is taken back to the branching position; lists of one
// length are reused.
TEST_F(Model, MainLineCapturesAreKeptOnlyWhenAsked) {
  opt().keep_main_captures = false;
  play(WHITE, "aa");
  play(BLACK, "ba");
  play(BLACK, "ab");  // takes aa
  EXPECT_EQ(std::tuple(game->current->info, stone("aa")), std::tuple(nullptr, nullptr));
  play(WHITE, "bb");
  auto before = position();
  Game* v = push_var(game);
  play(BLACK, "cb", v);
  play(BLACK, "bc", v);  // takes bb
  ASSERT_TRUE(v->current->info && v->current->info->captured);
  Move** list = v->current->info->captured;
  EXPECT_EQ(std::tuple(captures_count(list), list[0]->location), std::tuple(1, loc("bb")));
  EXPECT_EQ(pop_var(v), game);
  EXPECT_EQ(position(), before);

  Move **one = captures_alloc(1), **three = captures_alloc(3);
  one[0] = three[0] = three[1] = three[2] = game->first;
  captures_free(one);
  captures_free(three);
  EXPECT_EQ(captures_alloc(3), three);
  EXPECT_EQ(std::tuple(three[0], three[3]), std::tuple(nullptr, nullptr));
  EXPECT_EQ(captures_alloc(1), one);
}

TEST_F(Model, VariationsRestoreTheBranchingPosition) {
  play(WHITE, "aa");
  play(BLACK, "ba");
  play(BLACK, "dd");
  auto before = position();
  Game* v = push_var(game);
  store_move(v, -1, BLACK, loc("ab"));  // captures the main line's aa
  EXPECT_EQ(v->current->number, 1);
  play(WHITE, "cc", v);
  store_node(v);
  store_addstone(v, BLACK, loc("ba"));  // setup over an occupied point
  store_ae(v, loc("ab"));
  for (int colour : {WHITE, BLACK, EMPTY, WHITE}) {  // one point set up again and again
    if (colour == EMPTY) store_ae(v, loc("dd"));
    if (colour != EMPTY) store_addstone(v, colour, loc("dd"));
  }
  EXPECT_EQ(pop_var(v), game);
  EXPECT_EQ(position(), before);
  EXPECT_EQ(game->movenum, 3);
  Game* w = push_var(game);
  Game* y = push_var(push_var(w));
  EXPECT_EQ(y->parent->parent, w);
  pop_var(pop_var(pop_var(y)));
  EXPECT_EQ(std::tuple(game->current->variations, v->next, w->prev, w->varno),
            std::tuple(v, w, v, 1));
  check_line(v);
}

// The board keeps its groups as stones come and go; a plain flood fill on
// a small board, after every move, setup, emptied point and undo of a long
// random record, must agree with them and with the verdict on each move.
TEST_F(Model, GroupsMatchAFloodFillThroughMovesSetupAndUndo) {
  store_sz(game, 5);
  auto& points = game->goban->points;
  auto flood = [&](int start) {  // the group of `start` and its empty neighbours
    std::vector<int> group{start}, empty;
    for (std::size_t i = 0; i < group.size(); ++i) {
      BoardPoint& p = points[group[i]];
      for (BoardPoint* n : {p.north, p.east, p.south, p.west}) {
        if (!n) continue;
        if (n->stone && n->colour != p.colour) continue;
        auto& into = n->stone ? group : empty;
        int at = static_cast<int>(n - points.data());
        if (std::find(into.begin(), into.end(), at) == into.end()) into.push_back(at);
      }
    }
    return std::pair(group, empty);
  };
  auto check = [&] {
    Board& b = *game->goban;
    if (b.groups_stale) refresh_groups(b);
    for (int i = 0; i < 25; ++i) {
      ASSERT_EQ(b.colour[i], points[i].colour);
      if (!points[i].stone) continue;
      auto [group, empty] = flood(i);
      int head = b.head[i], ring = 0, pairs = 0;
      for (int s = head;; s = b.next_stone[s]) {
        ring += static_cast<int>(std::count(group.begin(), group.end(), s));
        for (const BoardPoint* n : {points[s].north, points[s].east, points[s].south, points[s].west})
          pairs += n && !n->stone;
        if (b.next_stone[s] == head) break;
      }
      ASSERT_EQ(std::tuple(b.stones[head], ring, b.liberties[head]),
                std::tuple(static_cast<int>(group.size()), b.stones[head], pairs));
    }
  };
  std::mt19937 rng(7);
  std::vector<Game*> open{game};
  opt().sgfwarn = 0;
  for (int step = 0; step < 6000; ++step) {
    Game* g = open.back();
    int at = static_cast<int>(rng() % 25), colour = rng() % 2 ? BLACK : WHITE, what = rng() % 20;
    if (what < 2) {
      store_node(g);
      what ? store_ae(g, at) : store_addstone(g, colour, at);
    } else if (what == 2 && open.size() < 6) {
      open.push_back(push_var(g));
    } else if (what == 3 && open.size() > 1) {
      pop_var(g);
      open.pop_back();
    } else {
      check();
      // What the flood fill says of the move: suicide unless it has an empty
      // neighbour, takes an enemy group's last liberty, or joins a group
      // that has another.
      BoardPoint& p = points[at];
      bool occupied = p.stone != nullptr, lives = false;
      for (BoardPoint* n : {p.north, p.east, p.south, p.west}) {
        if (!n || occupied) continue;
        lives |= !n->stone;
        if (!n->stone) continue;
        auto empty = flood(static_cast<int>(n - points.data())).second;
        bool last = empty.size() == 1 && empty[0] == at;
        lives |= n->colour == colour ? !last : last;
      }
      Move* before = g->current;
      store_node(g);
      store_move(g, -1, colour, at);
      EXPECT_EQ(g->current != before, !occupied && lives) << step;
    }
  }
  check();
}

TEST_F(Model, AnnotationsAndPointsOffTheBoard) {
  store_node(game);
  MoveInfo* info = move_info(game->current);
  EXPECT_EQ(stderr_of([&] { store_addstone(game, EMPTY, 0); }),
            "store_addstone(): Empty point request denied\n");
  for (int p : {0, 1}) store_l(game, p, -1);
  store_l(game, 2, 'x');
  store_l(game, 3, -1);  // each letter follows the last
  auto letters = [info] {
    std::string out;
    for (Chain* c = info->labels; c; c = c->next) out += char(c->label);
    return out;
  };
  EXPECT_EQ(letters(), "abxy");
  store_m(game, 5, 7);
  store_m(game, 5, 8);  // replaces the mark on the point
  ASSERT_NE(info->marks, nullptr);
  EXPECT_EQ(std::tuple(info->marks->mark, info->marks->next), std::tuple(8, nullptr));
  EXPECT_EQ(store_m(game, 5, 0), nullptr);
  EXPECT_EQ(info->marks, nullptr);
  store_c(game, ""), store_c(game, "one"), store_c(game, std::string_view("t\0o", 3));
  Text* t = info->texts;
  ASSERT_TRUE(t && t->next);
  EXPECT_EQ(std::tuple(t->text, t->next->rank, t->next->prev, info->texts_tail),
            std::tuple("one", 3, t, t->next));
  // Points off the board are dropped without touching the board.
  for (int bad : {-1, -3, 361, 1 << 30}) {
    store_addstone(game, BLACK, bad);
    store_ae(game, bad);
    store_l(game, bad, -1);
    EXPECT_EQ(store_m(game, bad, 7), nullptr);
  }
  EXPECT_EQ(info->added, nullptr);
  EXPECT_EQ(letters(), "abxy");
}

TEST_F(Model, BoardSizeChanges) {
  EXPECT_EQ(stderr_of([] { EXPECT_EQ(goban_alloc(0, true), nullptr); }), "Board size out of range: 0\n");
  // An illegal size and its substitution: the SGF reader test.
  store_sz(game, 9);
  ASSERT_EQ(game->goban->points.size(), 81u);
  for (int i = 0; i < 81; ++i) {  // links only to points of the board, also at its edges
    const BoardPoint& p = game->goban->points[i];
    EXPECT_EQ(!!p.north + !!p.east + !!p.south + !!p.west,
              (i >= 9) + (i < 72) + (i % 9 > 0) + (i % 9 < 8)) << i;
  }
  play(BLACK, "ii");
  Game* v = push_var(game);
  EXPECT_EQ(stderr_of([&] { store_sz(v, 13); }),
            "*** board size change inside a variation ignored ***\n");
  EXPECT_EQ(v->size, 9);
  pop_var(v);
  EXPECT_EQ(board_alloc(game), 1);
  game->board[80].colour = BLACK;
  EXPECT_EQ(board_alloc(v), 1);  // a variation starts from its parent's board
  EXPECT_EQ(v->saved_board[80].colour, BLACK);
  board_free(v), board_free(game);
  EXPECT_TRUE(game->board.empty());
}

TEST_F(Model, InformationIsSharedUntilAVariationStoresItsOwn) {
  for (const char* text : {"1846", "1847"}) store_ev(game, text), store_dt(game, text);
  store_re(game, "");
  store_re(game, "B+R");
  EXPECT_EQ(std::tuple(std::string(info_ev(game)), std::string(info_dt(game)),
                       std::string(info_re(game))),
            std::tuple("1846", "1847", ""));  // EV and RE: the first wins, even when empty
  store_node(game);
  Game* v = push_var(game);
  store_ev(v, "Other");
  EXPECT_EQ(v->info, game->info);
  store_dt(v, "2000");
  EXPECT_NE(v->info, game->info);
  EXPECT_EQ(std::tuple(std::string(info_dt(v)), std::string(info_dt(game)), std::string(info_ev(v))),
            std::tuple("2000", "1847", "1846"));
  store_pb(game, "X");
  store_black(game, "Y", "2d");
  EXPECT_EQ(std::tuple(std::string(info_pbn(game, 1)), std::string(info_brn(game, 1)),
                       std::string(info_pbn(game, 2))),
            std::tuple("Y", "2d", ""));
  store_wr(game, "5k");
  EXPECT_EQ(info_pw(game), nullptr);
  EXPECT_STREQ(info_pw(v), "");  // the variation copied no team before it existed
  pop_var(v);
}

TEST(Ranks, CodesAndTexts) {
  const std::pair<const char*, int> codes[] = {
      {"NR", 2},     {"?", 1},    {"", 1000000},  {"12k", 120},
      {"2p", 200000}, {"5k ", 50}, {" 5k", 0},     {"*", -1000000},
      {"99999999999999999999d", 2147483647}};
  for (auto [text, code] : codes) EXPECT_EQ(str2rank(text), code) << text;
  EXPECT_EQ(str2rank(nullptr), 1000000);
  const std::pair<int, const char*> texts[] = {
      {-50, " 5k*"}, {1000000, "XX"}, {2, "NR"},     {1, "??"},
      {200000, "IGS920"}, {0, "XX"}, {-2147483647 - 1, "IGS9214748*"}};
  for (auto [code, text] : texts) EXPECT_EQ(rank2str(code), text) << code;
}

TEST_F(Model, RegionsReferencesStatisticsAndKibitz) {
  store_vw(game, 2, 2);
  store_vw(game, 6, 6);
  store_rg(game, 6, 6);
  store_rg(game, 2, 2);
  const Region &view = game->view, &region = game->region;
  EXPECT_EQ(std::tuple(view.x, view.width, region.x, region.y, region.height),
            std::tuple(2, 5, 2, 2, 5));
  store_rg(game, 19, 3);  // off the board: no region
  EXPECT_EQ(region.width, 0);
  EXPECT_EQ(stderr_of([&] {
              store_gr(game, "1,20@3,5X4@(2,6)");
              store_gr(game, "junk");
              store_gs(game, "1(2,3,4),5");
              store_gs(game, "1(2,3,4),5");
            }),
            "Parse error in store_gr()\nExtra game stat specs ignored\n");
  const Ref* r = game->refs;
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(std::tuple(r->b, r->region.x, r->region.y, r->region.width, r->region.height),
            std::tuple(20L, 2, 6, 5, 4));
  EXPECT_NE(r->next, nullptr);
  EXPECT_EQ(std::tuple(game->stat->s5, game->stat->s3), std::tuple(5, 3));

  store_node(game);
  store_kb(game, "kb9[3d] : nice move\r\n");
  EXPECT_EQ(stderr_of([&] { store_kb(game, "kb9[3d]: no blank"); }),
            "Bad kibitz: \"kb9[3d]: no blank\" (2 != 4, ignored)\n");
  store_kb(game, std::string(300, 'n') + "[1k] : " + std::string(300, 'r'));  // cut to 255
  Text* t = game->current->info->texts;
  ASSERT_TRUE(t && t->next);
  EXPECT_EQ(std::tuple(t->text, t->next->name->size(), t->next->text.size()),
            std::tuple("nice move", 255u, 255u));
}

// A line of a million nodes is released without recursion (deep nesting and
// wide branching: the SGF writer and figure driver tests).
TEST_F(Model, LongLineIsReleasedWithoutRecursion) {
  for (int i = 0; i < 1000000; ++i) {
    store_node(game);
    store_pass(game, -1, i % 2 ? WHITE : BLACK);
  }
  EXPECT_EQ(game->nmoves, 1000000);  // released in TearDown
}

}  // namespace
}  // namespace kg::test
