// The figure driver: cutting rules, the order of device calls, diagram
// numbering and selection, annotation, and deep or wide variation trees.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "game/game.h"
#include "main/figure.h"
#include "main/figure_helpers.h"
#include "main/settings.h"
#include "util/message.h"

namespace kg {
namespace {

using namespace kg::test;
using Events = std::vector<std::string>;

// ---- a device that writes down what it is told ------------------------------

struct Recorder {
  Events events;
  std::map<const Game*, std::string> names;
  bool snapshots = false;  // record the arrays at emit and free
  int emits_before_quit = -1;
  const Game* refuse = nullptr;  // alloc returns 0 for this game
  int deepest_live_ancestors = 0;
  int emits = 0;
} rec;

std::string name_of(const Game* g) {
  auto it = rec.names.find(g);
  if (it != rec.names.end()) return it->second;
  return g->parent ? "d" + std::to_string(g->depth) + "." + std::to_string(g->varno) : "main";
}

std::string node_of(const Move* m) {
  if (!m) return "-";
  if (m->location == LOC_PASS) return "P" + std::to_string(m->number);
  if (m->location < 0) return "n" + std::to_string(m->number);
  return (m->colour == BLACK ? "B" : "W") + std::to_string(m->number);
}

std::string cells_of(const std::vector<BoardCell>& cells) {
  std::string s;
  for (const BoardCell& c : cells) {
    s += "." "BW"[c.colour > 2 ? 0 : c.colour];
    if (c.number) s += std::to_string(c.number);
    if (c.label) s += "L" + std::string(1, static_cast<char>(c.label->label));
    if (c.mark) s += "M" + std::to_string(c.mark->mark);
    s += ' ';
  }
  return s;
}

void add(const std::string& e) { rec.events.push_back(e); }

int rec_init(Game* g) { add("init " + name_of(g)); return 1; }
void rec_exit(Game* g) { add("exit " + name_of(g)); }
int rec_alloc(Game* g) {
  add("alloc " + name_of(g));
  return g != rec.refuse;
}
void rec_free(Game* g) {
  add("free " + name_of(g));
  if (rec.snapshots) add("  board " + cells_of(g->board) + "| fig " + cells_of(g->figure_board));
}
void rec_onmove(Game* g, int n, int c, int on, int oc) {
  add("onmove " + name_of(g) + " " + std::to_string(n) + " " + std::to_string(c) + " " +
      std::to_string(on) + " " + std::to_string(oc));
}
void rec_onstone(Game* g, int n, int c, int loc) {
  add("onstone " + name_of(g) + " " + std::to_string(n) + " " + std::to_string(c) + " " +
      std::to_string(loc));
}
void rec_pass(Game* g, int n, int c) {
  add("pass " + name_of(g) + " " + std::to_string(n) + " " + std::to_string(c));
}
void rec_time(Game* g, const char* b, const char* w) {
  add("time " + name_of(g) + " " + (b ? b : "-") + " " + (w ? w : "-"));
}
int rec_emit(Game* g, Move* first, Move* last, Move* fc, Move* next) {
  add("emit " + name_of(g) + " " + node_of(first) + " " + node_of(last) + " " + node_of(fc) + " " +
      node_of(next) + " [" + board_caption(g, first, last) + "]");
  if (rec.snapshots) add("  board " + cells_of(g->board) + "| fig " + cells_of(g->figure_board));
  if (g->depth % 1000 == 1) {  // sampled: a walk at every depth would be quadratic
    int live = 0;
    for (const Game* p = g->parent; p; p = p->parent) live += !p->board.empty();
    rec.deepest_live_ancestors = std::max(rec.deepest_live_ancestors, live);
  }
  ++rec.emits;
  return rec.emits_before_quit < 0 || --rec.emits_before_quit > 0;
}

const OutputDevice recorder = {rec_init,    rec_exit, rec_alloc, rec_free, rec_onmove,
                               rec_onstone, rec_pass, rec_time,  rec_emit};

Events emits_only() {
  Events out;
  for (const auto& e : rec.events)
    if (e.rfind("emit ", 0) == 0) out.push_back(e);
  return out;
}

class FigureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_reset();
    rec = Recorder{};
    con_cat();
  }
  void TearDown() override { settings_reset(); }
  // Runs the driver, keeping standard error apart.
  std::string run(Game* g, const OutputDevice* device = &recorder) {
    ::testing::internal::CaptureStderr();
    try {
      game2fig(g, device);
    } catch (...) {
      err_ = ::testing::internal::GetCapturedStderr();
      throw;
    }
    err_ = ::testing::internal::GetCapturedStderr();
    return err_;
  }
  std::string err_;
};

// ---- cutting the main line -------------------------------------------------------

TEST_F(FigureTest, GameWithoutMovesIsOneFigure) {
  Game* g = new_game();
  run(g);
  EXPECT_EQ(rec.events, (Events{"init main", "alloc main", "emit main - - - - [No moves]",
                                "free main", "exit main"}));
  EXPECT_EQ(err_, "[Adding letters][Adding marks][Adding stones][Removing stones]");
  game_free(g);
}

// 30 moves, one variation hanging on move 15, -max 10.
Game* thirty_with_variation() {
  Game* g = new_game();
  play_quiet(g, 0, 15);
  Game* v = push_var(g);
  store_move(v, -1, WHITE, quiet_point(100));
  store_node(v);
  store_move(v, -1, BLACK, quiet_point(101));
  pop_var(v);
  play_quiet(g, 15, 15);
  return g;
}

TEST_F(FigureTest, BranchingNodeEndsFigureAndItsDiagramFollows) {
  Game* g = thirty_with_variation();
  maxmoves = 10;
  run(g);
  EXPECT_EQ(rec.events,
            (Events{"init main", "alloc main", "emit main B1 W10 - B11 [B 1 -- W 10]", "free main",
                    "alloc main", "emit main B11 B15 - W16 [B 11 -- B 15]", "alloc d1.0",
                    "emit d1.0 W1 B2 - - [W 1 -- B 2]", "free d1.0", "free main", "alloc main",
                    "emit main W16 B25 - W26 [W 16 -- B 25]", "free main", "alloc main",
                    "emit main W26 W30 - - [W 26 -- W 30]", "free main", "exit main"}));
  game_free(g);
}

TEST_F(FigureTest, DiagramsZeroEmitsNoDiagramAndDoesNotCut) {
  Game* g = thirty_with_variation();
  maxmoves = 10;
  for (int i = 1; i < kListSize; ++i) dialist[i] = 0;
  run(g);
  EXPECT_EQ(rec.events,
            (Events{"init main", "alloc main", "emit main B1 W10 - B11 [B 1 -- W 10]", "free main",
                    "alloc main", "emit main B11 W20 - B21 [B 11 -- W 20]", "alloc d1.0",
                    "free d1.0", "free main", "alloc main",
                    "emit main B21 W30 - - [B 21 -- W 30]", "free main", "exit main"}));
  game_free(g);
}

TEST_F(FigureTest, ExplicitEndsIgnoreBranchesButMaxStillCuts) {
  Game* g = thirty_with_variation();
  figlist[1] = 20;
  maxmoves = 8;
  run(g);
  EXPECT_EQ(emits_only(),
            (Events{"emit main B1 W8 - B9 [B 1 -- W 8]", "emit main B9 W16 - B17 [B 9 -- W 16]",
                    "emit d1.0 W1 B2 - - [W 1 -- B 2]", "emit main B17 W20 - B21 [B 17 -- W 20]",
                    "emit main B21 W28 - B29 [B 21 -- W 28]",
                    "emit main B29 W30 - - [B 29 -- W 30]"}));
  game_free(g);
}

TEST_F(FigureTest, CommentsEndFiguresOnlyInKibitzModeOnceAMoveIsHeld) {
  Game* g = new_game();
  store_c(g, "root remark");
  play_quiet(g, 0, 3);
  store_c(g, "third");
  play_quiet(g, 3, 2);
  run(g);
  EXPECT_EQ(emits_only(), (Events{"emit main B1 B5 n0 - [B 1 -- B 5]"}));

  rec = Recorder{};
  kibitz = 1;
  run(g);
  EXPECT_EQ(emits_only(),
            (Events{"emit main B1 B3 n0 W4 [B 1 -- B 3]", "emit main W4 B5 - - [W 4 -- B 5]"}));

  rec = Recorder{};
  kibitz = 1;
  textout = 0;
  run(g);
  EXPECT_EQ(emits_only(), (Events{"emit main B1 B5 - - [B 1 -- B 5]"}));
  game_free(g);
}

TEST_F(FigureTest, TimeTextsAreReported) {
  Game* g = new_game();
  play(g, BLACK, "cc");
  store_time(g, BLACK, "1:00");
  play(g, WHITE, "dd");
  store_time(g, WHITE, "0:59");
  run(g);
  EXPECT_EQ(rec.events[2], "time main 1:00 -");
  EXPECT_EQ(rec.events[3], "time main - 0:59");
  game_free(g);
}

// ---- diagrams ----------------------------------------------------------------------------

// Move 5 carries variations A (with A1, A2 inside) and B; move 10 carries C.
Game* nested_tree() {
  Game* g = new_game();
  play_quiet(g, 0, 5);
  Game* a = push_var(g);
  store_n(a, "A");
  store_move(a, -1, WHITE, quiet_point(150));
  Game* a1 = push_var(a);
  store_n(a1, "A1");
  store_move(a1, -1, BLACK, quiet_point(151));
  pop_var(a1);
  Game* a2 = push_var(a);
  store_n(a2, "A2");
  store_move(a2, -1, BLACK, quiet_point(152));
  pop_var(a2);
  pop_var(a);
  Game* b = push_var(g);
  store_n(b, "B");
  store_move(b, -1, WHITE, quiet_point(153));
  pop_var(b);
  play_quiet(g, 5, 5);
  Game* c = push_var(g);
  store_n(c, "C");
  store_move(c, -1, BLACK, quiet_point(154));
  pop_var(c);
  play_quiet(g, 10, 2);
  rec.names = {{a, "A"}, {a1, "A1"}, {a2, "A2"}, {b, "B"}, {c, "C"}};
  return g;
}

TEST_F(FigureTest, NestedDiagramsComeDepthFirst) {
  Game* g = nested_tree();
  run(g);
  EXPECT_EQ(rec.events,
            (Events{"init main", "alloc main", "emit main B1 B5 - W6 [B 1 -- B 5]", "alloc A",
                    "emit A W1 W1 - - [A]", "alloc A1", "emit A1 B1 B1 - - [A1]", "free A1",
                    "alloc A2", "emit A2 B1 B1 - - [A2]", "free A2", "free A", "alloc B",
                    "emit B W1 W1 - - [B]", "free B", "free main", "alloc main",
                    "emit main W6 W10 - B11 [W 6 -- W 10]", "alloc C", "emit C B1 B1 - - [C]",
                    "free C", "free main", "alloc main",
                    "emit main B11 W12 - - [B 11 -- W 12]", "free main", "exit main"}));
  game_free(g);
}

TEST_F(FigureTest, RefusedVariationIsSkippedWithItsNestedDiagrams) {
  Game* g = nested_tree();
  for (auto& [game, name] : rec.names)
    if (name == "A") rec.refuse = game;
  for (int i = 1; i < kListSize; ++i) dialist[i] = 0;
  dialist[1] = 1;  // now B
  run(g);
  Events want = {"init main", "alloc main", "emit main B1 B5 - W6 [B 1 -- B 5]", "alloc A",
                 "alloc B", "emit B W1 W1 - - [B]", "free B", "free main"};
  EXPECT_EQ(Events(rec.events.begin(), rec.events.begin() + 8), want);
  game_free(g);
}

TEST_F(FigureTest, DiagramsPastTheTableFollowItsLastEntry) {
  Game* g = new_game();
  pass(g, BLACK);
  for (int i = 0; i < 1030; ++i) {
    Game* v = push_var(g);
    store_pass(v, -1, WHITE);
    pop_var(v);
  }
  for (int i = 1; i < kListSize - 1; ++i) dialist[i] = 0;
  run(g);
  Events e = emits_only();
  ASSERT_EQ(e.size(), 1u + 9u);  // the figure, then diagrams 1022 to 1030
  EXPECT_EQ(e[1], "emit d1.1021 P1 P1 - - [W 1]");
  EXPECT_EQ(e[9], "emit d1.1029 P1 P1 - - [W 1]");

  rec = Recorder{};
  dialist[kListSize - 1] = 0;
  run(g);
  EXPECT_EQ(emits_only().size(), 1u);
  game_free(g);
}

TEST_F(FigureTest, FiguresPastTheTableAreCutAutomatically) {
  Game* g = new_game();
  for (int i = 0; i < 1030; ++i) pass(g, i % 2 ? WHITE : BLACK);
  for (int k = 1; k < kListSize; ++k) figlist[k] = k;
  run(g);
  Events e = emits_only();
  ASSERT_EQ(e.size(), 1023u);
  EXPECT_EQ(e[1021], "emit main P1022 P1022 - P1023 [W 1022]");
  EXPECT_EQ(e[1022], "emit main P1023 P1030 - - [B 1023 -- W 1030]");
  game_free(g);
}

TEST_F(FigureTest, EmitReturningZeroEndsTheRunAfterExit) {
  Game* g = thirty_with_variation();
  maxmoves = 10;
  rec.emits_before_quit = 2;
  try {
    run(g);
    FAIL() << "the run went on";
  } catch (const Exit& e) {
    EXPECT_EQ(e.status(), 0);
  }
  EXPECT_EQ(rec.events.back(), "exit main");
  EXPECT_EQ(rec.events.size(), 7u);
  game_free(g);
}

// ---- what the figure board shows -------------------------------------------------------

TEST_F(FigureTest, NextFigureStartsFromTheTruePosition) {
  Game* g = ko_game(2);  // the White setup stone at bb is taken by move 1
  store_node(g);
  store_addstone(g, BLACK, point(g, "ee"));  // after figure 2's last move
  store_l(g, point(g, "aa"), -1);            // ends figure 2 here
  play(g, BLACK, "dd");
  figlist[1] = 1;
  rec.snapshots = true;
  run(g);
  // Figure 2 draws move 2 on the emptied point, not as a note.
  EXPECT_EQ(std::count_if(rec.events.begin(), rec.events.end(),
                          [](const std::string& s) { return s.rfind("on", 0) == 0; }),
            0);
  auto fig2 = std::find(rec.events.begin(), rec.events.end(), "emit main W2 W2 - B3 [W 2]");
  ASSERT_NE(fig2, rec.events.end());
  EXPECT_NE(fig2[1].find("| fig . B W . . B W2 B W "), std::string::npos);
  // Figure 3 shows the setup stone of figure 2's last node.
  auto fig3 = std::find(rec.events.begin(), rec.events.end(), "emit main B3 B3 - - [B 3]");
  ASSERT_NE(fig3, rec.events.end());
  EXPECT_EQ(fig3[1].substr(fig3[1].size() - 15), "B3 . . . . . B ");
  EXPECT_EQ(err_.find("Restoring"), std::string::npos);  // rebuilt without a word
  game_free(g);
}

TEST_F(FigureTest, DiagramStartsFromTheRestoredBranchingPosition) {
  Game* g = ko_game(2);  // B1 takes, W2 retakes: the figure shows both numbered
  Game* v = push_var(g);
  store_move(v, -1, BLACK, point(g, "cb"));  // B retakes in the variation
  pop_var(v);
  rec.snapshots = true;
  std::string err = run(g);
  // The restore replays the setup stones and both moves, from the figure's start.
  EXPECT_NE(err.find("Restoring 1\nRestoring 5\nRestoring 11\nRestoring 2\nRestoring 6\n"
                     "Restoring 8\nRestoring 12\n"),
            std::string::npos);
  auto emit_v = std::find(rec.events.begin(), rec.events.end(), "emit d1.0 B1 B1 - - [B 1]");
  ASSERT_NE(emit_v, rec.events.end());
  // Before the variation: W2 at bb, cb empty; it shows B1 at cb, W at bb taken off the board
  // but kept in the picture as an unnumbered stone.
  EXPECT_EQ(emit_v[1],
            "  board . B W . . B . B1 W . . B W . . . . . . . . . . . . | "
            "fig . B W . . B W B1 W . . B W . . . . . . . . . . . . ");
  game_free(g);
}

TEST_F(FigureTest, FigureWithoutMovesIsAnnotatedFromItsOwnNodes) {
  Game* g = new_game(5);
  store_l(g, point(g, "aa"), -1);
  store_l(g, point(g, "bb"), -1);
  play(g, BLACK, "cc");
  store_l(g, point(g, "dd"), -1);
  run(g);
  EXPECT_EQ(emits_only(), (Events{"emit main - - - B1 [No moves]",
                                  "emit main B1 B1 - - [B 1]"}));
  // The second figure's letter stays `a`: the first did not take it.
  EXPECT_EQ(err_,
            "[Adding letters][Adding marks][Adding stones][Removing stones]"
            "[Adding letters][Adding marks][Adding stones][Removing stones]");
  game_free(g);
}

TEST_F(FigureTest, PointsOffAResizedBoardAreLeftOut) {
  Game* g = new_game();
  play(g, BLACK, "ss");
  store_l(g, point(g, "rs"), -1);
  store_node(g);
  store_sz(g, 9);  // the stored moves keep their locations
  play(g, WHITE, "cc");
  run(g, &null_device);
  run(g);
  // The letter ends the first figure, as it would on the board.
  EXPECT_EQ(emits_only(), (Events{"emit main B1 B1 - n1 [B 1]", "emit main W2 W2 - - [W 2]"}));
  game_free(g);
}

// ---- the services ----------------------------------------------------------------------

TEST_F(FigureTest, NotesAreJoinedAndHandedOverOnce) {
  EXPECT_EQ(con_cat(), "");
  con_printf("%d at %d", 12, 5);
  con_cat("15 at (d,4)");
  con_printf("%d pass", 20);
  EXPECT_EQ(con_cat(), "12 at 5, 15 at (d,4), 20 pass");
  EXPECT_EQ(con_cat(), "");
  std::string big(5000, 'x');
  for (int i = 0; i < 100; ++i) con_cat(big);
  EXPECT_EQ(con_cat().size(), 100 * 5000 + 99 * 2u);
  // A new run does not inherit notes that an interrupted one left behind.
  con_cat("stale");
  Game* g = new_game();
  run(g);
  EXPECT_EQ(con_cat(), "");
  game_free(g);
}

TEST_F(FigureTest, CaptionsNameTheMovesOrTheVariation) {
  Game* g = new_game();
  Move* b1 = play(g, BLACK, "aa");
  Move* w2 = play(g, WHITE, "bb");
  EXPECT_STREQ(board_caption(g, nullptr, nullptr), "No moves");
  EXPECT_STREQ(board_caption(g, w2, w2), "W 2");
  EXPECT_STREQ(board_caption(g, b1, w2), "B 1 -- W 2");
  store_n(g, "top games show moves");
  EXPECT_STREQ(board_caption(g, b1, w2), "B 1 -- W 2");
  Game* v = push_var(g);
  EXPECT_STREQ(board_caption(v, nullptr, nullptr), "No moves");
  store_n(v, std::string(300, 'n') + "tail");
  EXPECT_EQ(std::string(board_caption(v, b1, w2)), std::string(255, 'n'));
  pop_var(v);
  game_free(g);
}

// ---- the design's recursive driver, for comparison --------------------------------------

int ref_figlist(int i) { return i < kListSize ? figlist[i] : 0; }
bool ref_selected(int d) { return d < kListSize ? dialist[d] == d : dialist[kListSize - 1] == kListSize - 1; }

Move* ref_make_figure(Game* game, const OutputDevice* dev, Move* start, int* fi, int* dc) {
  Move *first = nullptr, *last = nullptr, *fc = nullptr, *fb = nullptr, *walked = nullptr;
  int count = 0;
  bool stop = false;
  Move* next = start;
  bool automatic = fi && ref_figlist(*fi) == 0;
  if (!dev->alloc(game)) return nullptr;
  figure_begin(game);
  auto &board = game->board, &fig = game->figure_board;
  for (Move* n = start; n; n = n->next) {
    if (stop) break;
    walked = n;
    MoveInfo* info = n->info;
    if (n->location >= 0 || n->location == LOC_PASS) {
      if (fi) {
        ++count;
        if (n->number == ref_figlist(*fi)) ++*fi, stop = true;
        if (count == maxmoves) stop = true;
      }
      if (!first) first = n;
      last = n;
      if (n->location == LOC_PASS) {
        dev->pass(game, n->number, n->colour);
      } else if (n->location < static_cast<int>(board.size())) {
        int p = n->location;
        board[p].colour = n->colour, board[p].number = n->number;
        if (fig[p].colour == 0)
          fig[p].colour = n->colour, fig[p].number = n->number;
        else if (fig[p].number)
          dev->onmove(game, n->number, n->colour, fig[p].number, fig[p].colour);
        else
          dev->onstone(game, n->number, n->colour, p);
        for (Chain* c = info ? info->captured : nullptr; c; c = c->next) board[c->location].colour = 0;
      }
    }
    if (textout && info && info->labels && automatic) stop = true;
    if (info && (info->black_time || info->white_time))
      dev->time(game, info->black_time ? info->black_time->c_str() : nullptr,
                info->white_time ? info->white_time->c_str() : nullptr);
    if (n->variations) {
      if (automatic && ref_selected(*dc)) stop = true;
      if (!fb) fb = n;
    }
    if (textout && info && info->texts) {
      if (automatic && first && (kibitz || prn_dev == 3)) stop = true;
      if (!fc) fc = n;
    }
    next = n->next;
  }
  Move* end = last ? last : walked;
  if (textout) add_letters(game, start, end), add_marks(game, start, end);
  add_stones(game, start, end);
  remove_stones(game, start, end);
  if (fi || ref_selected(*dc))
    if (!dev->emit(game, first, last, fc, next)) throw Exit(0);
  if (!fi) ++*dc;
  if (!fb) {
    if (fi) {  // mended: the next figure starts from the true position, unannounced
      board = game->saved_board;
      for (Move* n = start; n != next; n = n->next) {
        for (Chain* c = n->info ? n->info->added : nullptr; c; c = c->next) board[c->location].colour = c->move->colour;
        for (Chain* c = n->info ? n->info->cleared : nullptr; c; c = c->next) board[c->location].colour = 0;
        if (n->location < 0) continue;
        board[n->location].colour = n->colour, board[n->location].number = n->number;
        for (Chain* c = n->info ? n->info->captured : nullptr; c; c = c->next) board[c->location].colour = 0;
      }
    }
    dev->free(game);
    return next;
  }
  for (Move* n = fb; n != next; n = n->next) {
    if (!n->variations) continue;
    figure_restore(game, start, n->next);
    for (Game* v = n->variations; v; v = v->next) {
      board_alloc(v);
      for (Move* s = v->first; s;) s = ref_make_figure(v, dev, s, nullptr, dc);
      board_free(v);
    }
  }
  figure_restore(game, start, next);
  dev->free(game);
  return next;
}

void ref_game2fig(Game* game, const OutputDevice* dev) {
  int fi = 1, dc = 1;
  dev->init(game);
  board_alloc(game);
  for (Move* s = game->first; (s = ref_make_figure(game, dev, s, &fi, &dc));) {
  }
  board_free(game);
  dev->exit(game);
}

// A random tree on a 7 x 7 board with every kind of annotation.
void grow(Game* g, std::mt19937& rnd, int depth) {
  int length = 1 + rnd() % 8;
  for (int i = 0; i < length; ++i) {
    store_node(g);
    int what = rnd() % 10;
    int colour = 1 + rnd() % 2;
    int p = rnd() % 49;
    if (what < 6)
      store_move(g, -1, colour, p);
    else if (what == 6)
      store_pass(g, -1, colour);
    if (rnd() % 5 == 0) store_addstone(g, colour, rnd() % 49);
    if (rnd() % 6 == 0) store_ae(g, rnd() % 49);
    if (rnd() % 5 == 0) store_l(g, rnd() % 49, -1);
    if (rnd() % 6 == 0) store_m(g, rnd() % 49, 3 + rnd() % 2, nullptr);
    if (rnd() % 4 == 0) store_c(g, "remark");
    if (rnd() % 8 == 0) store_time(g, colour, "5");
    while (depth < 5 && rnd() % 4 == 0) {
      Game* v = push_var(g);
      grow(v, rnd, depth + 1);
      pop_var(v);
    }
  }
}

TEST_F(FigureTest, SameCallsAsTheRecursiveDriverOnRandomTrees) {
  // Annotation rewrites changed letters in the tree, so each driver gets its own copy.
  auto build = [](unsigned seed) {
    std::mt19937 rnd(seed);
    Game* g = new_game(7);
    grow(g, rnd, 0);
    return g;
  };
  for (unsigned seed = 1; seed <= 150; ++seed) {
    std::mt19937 rnd(seed * 7919);
    Game* g = build(seed);
    settings_reset();
    maxmoves = std::vector<int>{-1, 1, 2, 5}[rnd() % 4];
    textout = rnd() % 4 != 0;
    kibitz = rnd() % 3 == 0;
    if (rnd() % 3 == 0)
      for (int i = 1; i < kListSize; ++i) dialist[i] = rnd() % 2 ? i : 0;
    if (rnd() % 3 == 0) figlist[1] = 3, figlist[2] = 6;
    rec = Recorder{};
    rec.snapshots = true;
    run(g);
    Events got = rec.events;
    std::string got_err = err_;
    game_free(g);
    g = build(seed);
    rec = Recorder{};
    rec.snapshots = true;
    ::testing::internal::CaptureStderr();
    ref_game2fig(g, &recorder);
    std::string want_err = ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(got, rec.events) << "seed " << seed;
    ASSERT_EQ(got_err, want_err) << "seed " << seed;
    game_free(g);
  }
}

// ---- deep and wide trees -----------------------------------------------------------------

TEST_F(FigureTest, DeepNestingKeepsOnlyTheCurrentBoards) {
  constexpr int kDepth = 100000;
  Game* g = ko_game(0);
  Game* v = g;
  for (int d = 0; d < kDepth; ++d) {
    v = push_var(v);
    store_move(v, -1, d % 2 ? WHITE : BLACK, point(g, d % 2 ? "bb" : "cb"));
  }
  rec.names.clear();
  run(g);
  EXPECT_EQ(rec.emits, kDepth + 1);
  EXPECT_LE(rec.deepest_live_ancestors, 1);
  EXPECT_EQ(rec.events.back(), "exit main");
  EXPECT_EQ(rec.events[rec.events.size() - 3], "free d1.0");
  game_free(g);
}

TEST_F(FigureTest, ManySiblingsAtOneNode) {
  constexpr int kSiblings = 100000;
  Game* g = new_game();
  play(g, BLACK, "dd");
  for (int i = 0; i < kSiblings; ++i) {
    Game* v = push_var(g);
    store_move(v, -1, WHITE, point(g, "pp"));
    pop_var(v);
  }
  run(g, &null_device);
  run(g);
  EXPECT_EQ(rec.emits, kSiblings + 1);
  game_free(g);
}

}  // namespace
}  // namespace kg
