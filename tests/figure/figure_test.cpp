// The figure driver against a literal recursive one on random trees (with
// refused allocations) and at the edges: a resized board, the ends of the
// list tables. Then a device that quits, notes, captions, and trees too deep
// or wide for recursion. (Whole figures as devices draw them are golden runs.)
#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "kg_test.h"
#include "figure/figure.h"

namespace kg::test {
namespace {

using Events = std::vector<std::string>;

// ---- a device that writes down every call, with the arrays at emit and free ----

struct Recorder {
  Events events;
  std::string refuse;  // alloc fails for the games of this name
  int quit_at = -1;    // emit returns 0 on this call
  bool pictures = true;
  int emits = 0, deepest_live_ancestors = 0;
  std::string exit;  // of the last run
} rec;
// The format's wish that figures end at comments.
bool cut_at_comments = false;

// How deep a variation nests, remembered: trees are a hundred thousand deep.
std::unordered_map<const Game*, int> known_depths;  // of the run going on
int depth_of(const Game* g) {
  auto& known = known_depths;
  if (!g->parent) return 0;
  auto it = known.find(g);
  if (it != known.end() && it->second > 0) return it->second;
  std::vector<const Game*> up;
  for (const Game* p = g; p->parent && !known.count(p); p = p->parent) up.push_back(p);
  int depth = up.back()->parent ? known[up.back()->parent] : 0;
  for (auto p = up.rbegin(); p != up.rend(); ++p) known[*p] = ++depth;
  return known[g];
}
std::string name_of(const Game* g) {
  return g->parent ? "d" + std::to_string(depth_of(g)) + "." + std::to_string(g->varno) : "main";
}
std::string text(int n) { return std::to_string(n); }
std::string text(const char* s) { return s ? s : "-"; }
std::string text(const std::string& s) { return s; }
std::string text(const Move* m) {
  if (!m) return "-";
  if (m->location == LOC_PASS) return "P" + text(m->number);
  return (m->location < 0 ? "n" : m->colour == BLACK ? "B" : "W") + text(m->number);
}
std::string text(const std::vector<BoardCell>& cells) {
  std::string s;
  if (!rec.pictures) return s;
  for (const BoardCell& c : cells) {
    s += " " + std::string(1, ".BW?"[std::min<int>(c.colour, 3)]);
    if (c.number) s += text(c.number);
    if (c.label) s += "L" + std::string(1, static_cast<char>(c.label->label));
    if (c.mark) s += "M" + text(c.mark->mark);
  }
  return s;
}
template <class... T>
void note(const char* what, const Game* g, const T&... args) {
  std::string e = what + (" " + name_of(g));
  ((e += " " + text(args)), ...);
  rec.events.push_back(e);
}

class RecorderDevice : public OutputDevice {
 public:
  bool init(Game* g) override { return note("init", g), rec.refuse != "init"; }
  void exit(Game* g) override { note("exit", g); }
  bool alloc(Game* g) override { return note("alloc", g), name_of(g) != rec.refuse; }
  void free(Game* g) override { note("free", g, g->board, g->figure_board); }
  void onmove(Game* g, int n, int c, int on, int oc) override { note("onmove", g, n, c, on, oc); }
  void onstone(Game* g, int n, int c, int loc) override { note("onstone", g, n, c, loc); }
  void pass(Game* g, int n, int c) override { note("pass", g, n, c); }
  void time(Game* g, const char* b, const char* w) override { note("time", g, b, w); }
  bool emit(Game* g, const Figure& f) override {
    note("emit", g, f.first, f.last, f.first_comment, f.next, f.caption, f.diagram ? "d" : "f",
         f.number, f.count, f.serial, g->board, g->figure_board);
    if (depth_of(g) % 1000 == 1) {  // sampled: a walk at every depth would be quadratic
      int live = 0;
      for (const Game* p = g->parent; p; p = p->parent) live += !p->board.empty();
      rec.deepest_live_ancestors = std::max(rec.deepest_live_ancestors, live);
    }
    return ++rec.emits != rec.quit_at;
  }
  using OutputDevice::con_cat;
};

// ---- a literal recursive driver, to compare the real one with -------------------------

int ref_end(int i) { return i < kListSize ? opt().figlist[i] : 0; }
bool ref_selected(int d) {
  return opt().dialist[std::min(d, kListSize - 1)] == std::min(d, kListSize - 1);
}

// Pictures made so far: figures, diagrams.
int ref_figures, ref_emitted[2];

Move* ref_make_figure(Game* game, OutputDevice* dev, Move* start, int* fi, int* dc) {
  Move *first = nullptr, *last = nullptr, *fc = nullptr, *fb = nullptr, *walked = nullptr;
  Move* next = start;
  int count = 0;
  bool stop = false, automatic = fi && ref_end(*fi) == 0;
  // Without -max and -figures no number shows twice: the figure ends first.
  const bool unique = automatic && opt().maxmoves == -1 && ref_end(1) == 0;
  std::set<int> shown;
  if (!dev->alloc(game)) return nullptr;
  figure_begin(game);
  auto &board = game->board, &fig = game->figure_board;
  auto on = [&board](int p) { return p >= 0 && p < static_cast<int>(board.size()); };
  for (Move* n = start; n && !stop; n = n->next) {
    MoveInfo* info = n->info;
    if (unique && count > 0 && on(n->location) && fig[n->location].colour == 0 && shown.count((n->number - 1) % 100)) {
      next = n;
      break;
    }
    walked = n;
    if (n->location >= 0 || n->location == LOC_PASS) {
      if (fi) {
        ++count;
        if (n->number == ref_end(*fi)) ++*fi, stop = true;
        if (count == opt().maxmoves) stop = true;
      }
      if (!first) first = n;
      last = n;
      if (n->location == LOC_PASS) {
        dev->pass(game, n->number, n->colour);
      } else if (on(n->location)) {
        int p = n->location;
        board[p].colour = n->colour, board[p].number = n->number;
        if (fig[p].colour == 0)
          fig[p].colour = n->colour, fig[p].number = n->number, shown.insert((n->number - 1) % 100);
        else if (fig[p].number)
          dev->onmove(game, n->number, n->colour, fig[p].number, fig[p].colour);
        else
          dev->onstone(game, n->number, n->colour, p);
        for (Move** s = info ? info->captured : nullptr; s && *s; ++s)
          if (on((*s)->location)) board[(*s)->location].colour = 0;
      }
    }
    if (opt().textout && info && info->labels && automatic) stop = true;
    if (info && (info->black_time || info->white_time))
      dev->time(game, info->black_time ? info->black_time->c_str() : nullptr,
                info->white_time ? info->white_time->c_str() : nullptr);
    if (n->variations) {
      if (automatic && ref_selected(*dc)) stop = true;
      if (!fb) fb = n;
    }
    if (opt().textout && info && info->texts) {
      if (automatic && first && (opt().kibitz || cut_at_comments)) stop = true;
      if (!fc) fc = n;
    }
    next = n->next;
  }
  Move* end = last ? last : walked;
  if (opt().textout) add_letters(game, start, end), add_marks(game, start, end);
  add_stones(game, start, end);
  remove_stones(game, start, end);
  if (fi) ++ref_figures;
  if (fi || ref_selected(*dc)) {
    Figure f;
    f.diagram = !fi, f.number = fi ? ref_figures : game->diagram_number, f.count = ++ref_emitted[fi ? 0 : 1];
    f.serial = ref_emitted[0] + ref_emitted[1], f.first = first, f.last = last;
    f.first_comment = fc, f.next = next, f.caption = board_caption(game, first, last);
    if (!dev->emit(game, f)) throw Exit(0);
  }
  if (!fi) ++*dc;
  if (!fb) {
    if (fi) {  // mended: the next figure starts from the true position, unannounced
      board = game->saved_board;
      for (Move* n = start; n != next; n = n->next) {
        MoveInfo* info = n->info;
        for (Chain* c = info ? info->added : nullptr; c; c = c->next)
          if (on(c->location) && c->move) board[c->location].colour = c->move->colour;
        for (Chain* c = info ? info->cleared : nullptr; c; c = c->next)
          if (on(c->location)) board[c->location].colour = 0;
        if (!on(n->location)) continue;
        board[n->location].colour = n->colour, board[n->location].number = n->number;
        for (Move** s = info ? info->captured : nullptr; s && *s; ++s)
          if (on((*s)->location)) board[(*s)->location].colour = 0;
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

// Every variation's number, recursively: the order in which diagrams are
// made, whether or not they are.
void ref_number(Game* g, int& counter) {
  for (; g; g = g->next) {
    g->diagram_number = g->parent ? counter++ : 0;
    for (Move* m = g->first; m; m = m->next) ref_number(m->variations, counter);
  }
}

void ref_game2fig(Game* game, OutputDevice* dev) {
  int fi = 1, dc = 1, counter = 1;
  ref_number(game, counter);
  ref_figures = ref_emitted[0] = ref_emitted[1] = 0;
  dev->init(game);
  board_alloc(game);
  for (Move* s = game->first; (s = ref_make_figure(game, dev, s, &fi, &dc));) {
  }
  board_free(game);
  dev->exit(game);
}

class FigureTest : public Fresh {
 protected:
  void SetUp() override { Fresh::SetUp(), opt().sgfwarn = 0, rec = Recorder{}, cut_at_comments = false; }
  static void real_game2fig(Game* g, OutputDevice* dev) {
    game2fig(g, *dev, opt(), FigureNeeds{.cut_at_comments = cut_at_comments});
  }
  // Runs a driver on a new recorder; returns what went to standard error.
  static std::string run(Game* g, void (*driver)(Game*, OutputDevice*) = real_game2fig) {
    rec.events.clear();
    rec.emits = 0;
    known_depths.clear();
    RecorderDevice recorder;
    return stderr_of([&] { rec.exit = exit_of([&] { driver(g, &recorder); }); });
  }
  // Both drivers on their own copy of the game (annotation rewrites letters
  // in the tree): the same calls, pictures and messages.
  template <class F>
  static void expect_like_reference(F build, const std::string& what) {
    Game* g = build();
    const std::string err = run(g), exit = rec.exit;
    const Events events = rec.events;
    game_free(g);
    g = build();
    EXPECT_EQ(err, run(g, ref_game2fig)) << what;
    EXPECT_EQ(exit, rec.exit) << what;
    EXPECT_EQ(events, rec.events) << what;
    game_free(g);
  }
};

// A random tree on a 7 x 7 board with every kind of annotation.
void grow(Game* g, std::mt19937& rnd, int depth) {
  for (int i = 0, length = 1 + rnd() % 8; i < length; ++i) {
    store_node(g);
    int what = rnd() % 10, colour = 1 + rnd() % 2, p = rnd() % 49;
    if (what < 6) store_move(g, -1, colour, p);
    if (what == 6) store_pass(g, -1, colour);
    if (rnd() % 5 == 0) store_addstone(g, colour, rnd() % 49);
    if (rnd() % 6 == 0) store_ae(g, rnd() % 49);
    if (rnd() % 5 == 0) store_l(g, rnd() % 49, -1);
    if (rnd() % 6 == 0) store_m(g, rnd() % 49, 3 + rnd() % 2);
    if (rnd() % 4 == 0) store_c(g, "remark");
    if (rnd() % 8 == 0) store_time(g, colour, "5");
    while (depth < 5 && rnd() % 4 == 0) {
      Game* v = push_var(g);
      grow(v, rnd, depth + 1);
      pop_var(v);
    }
  }
}

TEST_F(FigureTest, SameAsTheRecursiveDriverOnRandomTrees) {
  for (unsigned seed = 1; seed <= 150; ++seed) {
    std::mt19937 rnd(seed * 7919);
    reset_options();
    opt().sgfwarn = 0;
    opt().maxmoves = std::vector<int>{-1, 1, 2, 5}[rnd() % 4];
    opt().textout = rnd() % 4 != 0;
    opt().kibitz = rnd() % 3 == 0;
    cut_at_comments = rnd() % 3 == 0;
    if (rnd() % 3 == 0)
      for (int i = 1; i < kListSize; ++i) opt().dialist[i] = rnd() % 2 ? i : 0;
    if (rnd() % 3 == 0) opt().figlist[1] = 3, opt().figlist[2] = 6;
    rec.refuse = std::vector<std::string>{"", "", "", "d1.0", "d2.1", "main"}[rnd() % 6];
    expect_like_reference([seed] {
      std::mt19937 tree(seed);
      Game* g = new_game(7);
      grow(g, tree, 0);
      return g;
    }, "seed " + std::to_string(seed));
    if (HasFailure()) return;
  }
}

// Points off a board resized after they were stored are left out; diagrams
// past the 1022 entries of the table follow its last entry; figures past
// them are cut automatically.
TEST_F(FigureTest, SameAsTheRecursiveDriverAtTheEdges) {
  expect_like_reference([] {
    Game* g = new_game();
    play(g, BLACK, "ss");
    store_l(g, point(g, "rs"), -1);
    store_node(g);
    store_sz(g, 9);
    play(g, WHITE, "cc");
    return g;
  }, "resized board");
  EXPECT_EQ(rec.emits, 2);
  auto wide = [] {
    Game* g = new_game(5);
    play(g, BLACK, nullptr);
    for (int i = 0; i < 1030; ++i) {
      Game* v = push_var(g);
      store_pass(v, -1, WHITE);
      pop_var(v);
    }
    return g;
  };
  for (int i = 1; i < kListSize - 1; ++i) opt().dialist[i] = 0;
  expect_like_reference(wide, "1030 diagrams");
  EXPECT_EQ(rec.emits, 1 + 9);  // the figure, then diagrams 1022 to 1030
  opt().dialist[kListSize - 1] = 0;
  expect_like_reference(wide, "none selected");
  EXPECT_EQ(rec.emits, 1);
  for (int k = 1; k < kListSize; ++k) opt().figlist[k] = k;
  expect_like_reference([] {
    Game* g = new_game(5);
    for (int i = 0; i < 1030; ++i) play(g, i % 2 ? WHITE : BLACK, nullptr);
    return g;
  }, "1030 figures");
  ASSERT_EQ(rec.emits, 1023);
  const std::string& last = rec.events[rec.events.size() - 3];
  EXPECT_EQ(last.rfind("emit main P1023 P1030 - - B 1023 -- W 1030 ", 0), 0u);
}

TEST_F(FigureTest, NotesCaptionsAndARunThatQuits) {
  Game* g = new_game(5);
  for (int i = 0; i < 3; ++i) play(g, i % 2 ? WHITE : BLACK, nullptr);
  opt().maxmoves = 1;
  rec.quit_at = 2;
  run(g);
  EXPECT_EQ(rec.exit, "0 ");
  EXPECT_EQ(rec.events.size(), 9u);  // init, alloc pass emit free, alloc pass emit, then exit
  EXPECT_EQ(rec.events.back(), "exit main");
  rec.refuse = "init";  // a device that cannot start ends the run at once
  run(g);
  EXPECT_EQ(rec.exit, "1 ");
  EXPECT_EQ(rec.events, (Events{"init main", "exit main"}));
  rec.refuse.clear();
  RecorderDevice notes;
  EXPECT_EQ(notes.con_cat(), "");
  for (int i = 0; i < 100; ++i) notes.con_cat(std::string(5000, 'x'));
  EXPECT_EQ(notes.con_cat().size(), 100 * 5000 + 99 * 2u);
  EXPECT_EQ(notes.con_cat(), "");  // handed over, then afresh
  store_n(g, "top games show moves");
  EXPECT_EQ(board_caption(g, nullptr, nullptr), "No moves");
  Game* v = push_var(g);
  store_n(v, std::string(300, 'n'));
  EXPECT_EQ(board_caption(v, g->current, g->current), std::string(255, 'n'));
  pop_var(v);
  game_free(g);
}

TEST_F(FigureTest, DeepAndWideTreesWithoutRecursion) {
  constexpr int kCount = 100000;
  rec.pictures = false;
  Game* g = new_game(5);  // a ko, taken back and forth down the nesting
  for (const char* p : {"ba", "ab", "bc"}) store_addstone(g, BLACK, point(g, p));
  for (const char* p : {"ca", "bb", "db", "cc"}) store_addstone(g, WHITE, point(g, p));
  Game* v = g;
  for (int d = 0; d < kCount; ++d) {
    v = push_var(v);
    store_move(v, -1, d % 2 ? WHITE : BLACK, point(g, d % 2 ? "bb" : "cb"));
  }
  run(g);
  EXPECT_EQ(rec.emits, kCount + 1);
  EXPECT_LE(rec.deepest_live_ancestors, 1);  // only the current boards are kept
  EXPECT_EQ(rec.events[rec.events.size() - 3], "free d1.0  ");
  EXPECT_EQ(rec.events.back(), "exit main");
  game_free(g);
  g = new_game();
  play(g, BLACK, "dd");
  for (int i = 0; i < kCount; ++i) {
    v = push_var(g);
    store_move(v, -1, WHITE, point(g, "pp"));
    pop_var(v);
  }
  run(g);
  EXPECT_EQ(rec.emits, kCount + 1);
  game_free(g);
}

}  // namespace
}  // namespace kg::test
