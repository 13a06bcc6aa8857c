// Reading and writing large SGF records: throughput in-process, and the peak
// memory of a whole `kifugram -to sgf` run per input byte.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "game/game.h"
#include "main/settings.h"
#include "read/readers.h"
#include "sgf_gen.h"
#include "write/writers.h"

extern char** environ;

namespace {

using namespace kg;

std::string input(int which) {
  switch (which) {
    case 0: return bench::bench_file("games-10MB.sgf", [] { return bench::game_line(10u << 20, KG_CORPUS_DIR); });
    case 1: return bench::bench_file("games-100MB.sgf", [] { return bench::game_line(100u << 20, KG_CORPUS_DIR); });
    case 2: return bench::bench_file("random-10MB.sgf", [] { return bench::long_line(10u << 20); });
    case 3: return bench::bench_file("random-100MB.sgf", [] { return bench::long_line(100u << 20); });
    case 4: return bench::bench_file("deep-1M.sgf", [] { return bench::deep_tree(1000000); });
    default: return bench::bench_file("wide-100k.sgf", [] { return bench::wide_tree(100000); });
  }
}

long file_size(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? st.st_size : 0;
}

void BM_ReadWrite(benchmark::State& state) {
  std::string path = input(static_cast<int>(state.range(0)));
  settings_reset();
  for (auto _ : state) {
    fw = std::fopen("/dev/null", "w");
    Game* game = sgf_read(path.c_str());
    game2sgf(game);
    std::fclose(fw);
    fw = stdout;
    state.PauseTiming();
    game2db_reset();
    game_free(game);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * file_size(path));
}
BENCHMARK(BM_ReadWrite)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

// The real program on the same inputs: wall time and peak resident memory.
void BM_WholeRun(benchmark::State& state) {
  std::string path = input(static_cast<int>(state.range(0)));
  long peak_kb = 0;
  for (auto _ : state) {
    const char* argv[] = {"kifugram", "-to", "sgf", "-output", "/dev/null", path.c_str(), nullptr};
    pid_t pid;
    if (posix_spawn(&pid, KG_BINARY, nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
      state.SkipWithError("cannot start kifugram");
      return;
    }
    int status;
    struct rusage usage;
    wait4(pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("kifugram failed");
      return;
    }
    peak_kb = std::max(peak_kb, usage.ru_maxrss);
  }
  long size = file_size(path);
  state.SetBytesProcessed(state.iterations() * size);
  state.counters["peak_MB"] = static_cast<double>(peak_kb) / 1024.0;
  state.counters["peak_bytes_per_input_byte"] = static_cast<double>(peak_kb) * 1024.0 / size;
}
BENCHMARK(BM_WholeRun)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
