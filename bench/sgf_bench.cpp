// Reading and writing large SGF records: throughput in-process, and the wall
// time and peak memory of a whole `kifugram -to sgf` run per input byte.
// This file also holds the benchmarks' main.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "game/game.h"
#include "util/options.h"
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
  Options opt;
  opt.keep_main_captures = false;  // as the program reads for -to sgf
  for (auto _ : state) {
    FILE* fw = std::fopen("/dev/null", "w");
    Game* game = sgf_read(path.c_str(), opt);
    game2sgf(game, opt, fw);
    std::fclose(fw);
    state.PauseTiming();
    game_free(game);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * file_size(path));
}
BENCHMARK(BM_ReadWrite)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

// The real program on the same inputs: wall time and peak resident memory.
// It is started through this benchmark binary run afresh (see main): a child
// forked from this process would count the heap of the runs before it.
void BM_WholeRun(benchmark::State& state) {
  std::string path = input(static_cast<int>(state.range(0)));
  long peak_kb = 0;
  for (auto _ : state) {
    const char* argv[] = {"kg_bench", "--peak-of", KG_BINARY, "-to", "sgf", "-output", "/dev/null",
                          path.c_str(), nullptr};
    int out[2];
    if (pipe(out) != 0) {
      state.SkipWithError("no pipe");
      return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    pid_t pid;
    int started = posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    char text[64] = {};
    ssize_t got = started == 0 ? read(out[0], text, sizeof text - 1) : -1;
    close(out[0]);
    int status = 0;
    if (started == 0) waitpid(pid, &status, 0);
    long kb = 0;
    double seconds = 0;
    if (got <= 0 || std::sscanf(text, "%ld %lf", &kb, &seconds) != 2 || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
      state.SkipWithError("kifugram failed");
      return;
    }
    state.SetIterationTime(seconds);
    peak_kb = std::max(peak_kb, kb);
  }
  long size = file_size(path);
  state.SetBytesProcessed(state.iterations() * size);
  state.counters["peak_MB"] = static_cast<double>(peak_kb) / 1024.0;
  state.counters["peak_bytes_per_input_byte"] = static_cast<double>(peak_kb) * 1024.0 / size;
}
BENCHMARK(BM_WholeRun)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();

// Runs a program and prints its peak resident memory (kB) and wall time (s).
int peak_of(char** argv) {
  timespec start, end;
  clock_gettime(CLOCK_MONOTONIC, &start);
  pid_t pid = fork();
  if (pid == 0) {
    int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    execv(argv[0], argv);
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  if (pid < 0 || wait4(pid, &status, 0, &usage) < 0) return 1;
  clock_gettime(CLOCK_MONOTONIC, &end);
  std::printf("%ld %.9f\n", usage.ru_maxrss,
              static_cast<double>(end.tv_sec - start.tv_sec) + (end.tv_nsec - start.tv_nsec) * 1e-9);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2 && std::strcmp(argv[1], "--peak-of") == 0) return peak_of(argv + 2);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
