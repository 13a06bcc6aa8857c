// A whole `kifugram -to gif` run over hoshi_keima.sgf (a 19 x 19 record of
// 253 variation diagrams) with the netpbm tools and the tile library of the
// build tree: nearly all of its time goes to the processes the picture
// scripts start. Argument 0 is the usual run, 1 the run with -hold, whose
// scripts make every row of tiles anew.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

extern char** environ;

namespace {

double seconds_since(const timespec& start) {
  timespec end;
  clock_gettime(CLOCK_MONOTONIC, &end);
  return static_cast<double>(end.tv_sec - start.tv_sec) + (end.tv_nsec - start.tv_nsec) * 1e-9;
}

void BM_GifHoshiKeima(benchmark::State& state) {
  namespace fs = std::filesystem;
  const std::string record = std::string(KG_CORPUS_DIR) + "/hoshi_keima.sgf";
  const std::string tiles = KG_TILES_DIR;
  if (!fs::exists(record) || !fs::exists(tiles + "/15") || std::system("command -v pamtogif >/dev/null") != 0) {
    state.SkipWithError("needs the corpus, the tiles and netpbm");
    return;
  }
  char dir[] = "/tmp/kg-gif-bench-XXXXXX";
  if (!mkdtemp(dir)) {
    state.SkipWithError("no work directory");
    return;
  }
  const bool held = state.range(0) == 1;
  for (auto _ : state) {
    std::string command = std::string("cd '") + dir + "' && '" + KG_BINARY + "' -to gif" +
                          (held ? " -hold" : "") + " -tmp . -ppm '" + tiles + "' '" + record +
                          "' 2>/dev/null && rm -rf ./*";
    timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("kifugram failed");
      break;
    }
    state.SetIterationTime(seconds_since(start));
  }
  fs::remove_all(dir);
  state.counters["pictures"] = 254;
}
BENCHMARK(BM_GifHoshiKeima)->Arg(0)->Arg(1)->Unit(benchmark::kSecond)->Iterations(1)->UseManualTime();

}  // namespace
