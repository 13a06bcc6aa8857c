// Drawing generated games through the figure driver, ascii output going to
// /dev/null (and the null device for the deepest tree). Time per run, and
// the peak memory of one build-and-draw in a child process (ru_maxrss, kB)
// next to that of the build alone, so the driver's own share shows.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>

#include "game/game.h"
#include "device/devices.h"
#include "figure/figure.h"
#include "util/files.h"
#include "util/options.h"

namespace {

using namespace kg;

// Tries random points for a legal move, passing when none is found.
void random_move(Game* g, std::mt19937& rnd) {
  int colour = g->movenum % 2 ? WHITE : BLACK;
  int points = g->size * g->size;
  for (int tries = 0; tries < 40; ++tries) {
    store_node(g);
    Move* node = g->current;
    store_move(g, -1, colour, static_cast<int>(rnd() % points));
    if (g->current == node) return;
  }
  store_node(g);
  store_pass(g, -1, colour);
}

// A main line of `moves` random legal moves with a comment every tenth.
Game* line_game(int moves) {
  std::mt19937 rnd(7);
  Game* g = game_alloc(nullptr);
  while (g->movenum < moves) {
    random_move(g, rnd);
    if (g->movenum % 10 == 0) store_c(g, "A remark on this move.\n");
  }
  return g;
}

// A 300-move game carrying `count` variations of one to four moves, a fifth
// of them with a nested variation of their own.
Game* tree_game(int count) {
  std::mt19937 rnd(11);
  Game* g = game_alloc(nullptr);
  int made = 0;
  while (g->movenum < 300) {
    random_move(g, rnd);
    int here = (count - made) / std::max(1, 300 - g->movenum + 1);
    for (int k = 0; k < here && made < count; ++k) {
      Game* v = push_var(g);
      ++made;
      store_move(v, -1, g->movenum % 2 ? BLACK : WHITE, static_cast<int>(rnd() % 361));
      for (int m = rnd() % 4; m > 0; --m) random_move(v, rnd);
      if (made < count && rnd() % 5 == 0) {
        Game* w = push_var(v);
        ++made;
        random_move(w, rnd);
        pop_var(w);
      }
      pop_var(v);
    }
  }
  return g;
}

// Variations nested `levels` deep, each taking a ko back.
Game* deep_game(int levels) {
  Game* g = game_alloc(nullptr);
  store_sz(g, 5);
  auto at = [g](int col, int row) { return row * g->size + col; };
  for (auto [c, r] : {std::pair{1, 0}, {0, 1}, {1, 2}}) store_addstone(g, BLACK, at(c, r));
  for (auto [c, r] : {std::pair{2, 0}, {1, 1}, {3, 1}, {2, 2}}) store_addstone(g, WHITE, at(c, r));
  Game* v = g;
  for (int d = 0; d < levels; ++d) {
    v = push_var(v);
    store_move(v, -1, d % 2 ? WHITE : BLACK, d % 2 ? at(1, 1) : at(2, 1));
  }
  return g;
}

// Standard error carries the annotation headings of every figure; they are
// part of the cost but not of the report.
struct QuietStderr {
  int saved = dup(2);
  QuietStderr() {
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 2);
    close(null);
  }
  ~QuietStderr() {
    dup2(saved, 2);
    close(saved);
  }
};

using MakeDevice = std::unique_ptr<OutputDevice> (*)(const Options&, MainOutput&);

void draw(Game* g, MakeDevice make, const Options& opt) {
  MainOutput out(opt.program);
  out.open("/dev/null");
  auto device = make(opt, out);
  game2fig(g, *device, opt);
  device.reset();
  out.close(0);
}

// Peak resident memory (kB) of a child that runs `work`.
long child_peak_kb(const std::function<void()>& work) {
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    work();
    _exit(0);
  }
  int status = 0;
  struct rusage usage {};
  wait4(pid, &status, 0, &usage);
  return usage.ru_maxrss;
}

// `max_moves` as -max: 50 draws a line as a book would, -1 leaves cutting
// to the variations.
void run_case(benchmark::State& state, const std::function<Game*()>& make, MakeDevice device,
              int max_moves) {
  Options opt;
  opt.maxmoves = max_moves;
  // Measured first, so the children do not inherit this run's heap.
  long build_kb = child_peak_kb([&] { make(); });
  long peak_kb = child_peak_kb([&] {
    QuietStderr quiet;
    draw(make(), device, opt);
  });
  Game* g = make();
  {
    QuietStderr quiet;
    for (auto _ : state) draw(g, device, opt);
  }
  game_free(g);
  state.counters["build_kB"] = static_cast<double>(build_kb);
  state.counters["peak_kB"] = static_cast<double>(peak_kb);
}

void BM_Game300(benchmark::State& state) {
  run_case(state, [] { return line_game(300); }, make_ascii_device, 50);
}
void BM_Line9000(benchmark::State& state) {
  run_case(state, [] { return line_game(9000); }, make_ascii_device, 50);
}
void BM_Tree10000(benchmark::State& state) {
  run_case(state, [] { return tree_game(10000); }, make_ascii_device, -1);
}
void BM_Deep1M_Null(benchmark::State& state) {
  run_case(state, [] { return deep_game(1000000); }, make_null_device, -1);
}
void BM_Deep1M_Ascii(benchmark::State& state) {
  run_case(state, [] { return deep_game(1000000); }, make_ascii_device, -1);
}

BENCHMARK(BM_Game300)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Line9000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Tree10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Deep1M_Null)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Deep1M_Ascii)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
