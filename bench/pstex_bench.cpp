// The default output of whole runs: the LaTeX book and its EPS files for a
// 300-move game in figures of 50 moves and for a game of 253 variations,
// side by side with Debian's sgf2dg making its TeX diagrams of the same game
// (-m 50 for the first). Each iteration runs both programs, one after the
// other, so that both see the same load; the wall time of kifugram is the
// iteration time, and the counters give both programs' wall and CPU time,
// peak memory and bytes written, and the ratio of the wall times. The
// second argument puts the work directory in /tmp (0) or in the memory file
// system /dev/shm (1): with a file per figure, creating files is most of
// kifugram's time on a disk file system.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

struct Run {
  bool ok = false;
  double wall = 0, cpu = 0;  // seconds
  long peak_kb = 0;
  long long bytes = 0;  // written into the run's directory
};

long long directory_bytes(const std::string& dir, bool remove) {
  long long total = 0;
  DIR* d = opendir(dir.c_str());
  if (!d) return 0;
  while (dirent* e = readdir(d)) {
    std::string path = dir + "/" + e->d_name;
    struct stat st {};
    if (e->d_name[0] == '.' || stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    total += st.st_size;
    if (remove) unlink(path.c_str());
  }
  closedir(d);
  return total;
}

// Runs `argv` in `dir` with its output thrown away, and empties `dir` after.
// Timed runs are started with posix_spawn: a fork would copy this process's
// page tables, a millisecond or two added to both programs' times. A spawned
// child's peak memory counts this process's, though, so the peak is taken
// from a forked run.
Run run_in(const std::string& dir, const std::vector<std::string>& args, bool timed = true) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  timespec start, end;
  clock_gettime(CLOCK_MONOTONIC, &start);
  pid_t pid = -1;
  if (timed) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
  } else if ((pid = fork()) == 0) {
    int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    if (chdir(dir.c_str()) != 0) _exit(127);
    execv(argv[0], argv.data());
    _exit(127);
  }
  Run run;
  int status = 0;
  struct rusage usage {};
  if (pid < 0 || wait4(pid, &status, 0, &usage) < 0) return run;
  clock_gettime(CLOCK_MONOTONIC, &end);
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  run.wall = static_cast<double>(end.tv_sec - start.tv_sec) + (end.tv_nsec - start.tv_nsec) * 1e-9;
  run.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
            (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
  run.peak_kb = usage.ru_maxrss;
  run.bytes = directory_bytes(dir, true);
  return run;
}

struct Game {
  const char* file;
  const char* per_figure;  // moves per figure, or none
};
constexpr Game kGames[] = {{"incident251.sgf", "50"}, {"hoshi_keima.sgf", nullptr}};
constexpr const char* kSgf2dg = "/usr/bin/sgf2dg";

void BM_DefaultOutputVsSgf2dg(benchmark::State& state) {
  const Game& game = kGames[state.range(0)];
  const std::string input = std::string(KG_CORPUS_DIR) + "/" + game.file;
  if (access(input.c_str(), R_OK) != 0) {
    state.SkipWithError("the corpus game is missing");
    return;
  }
  const bool peer = access(kSgf2dg, X_OK) == 0;
  std::string dir_template = state.range(1) ? "/dev/shm/kg-bench-pstex-XXXXXX" : "/tmp/kg-bench-pstex-XXXXXX";
  if (!mkdtemp(dir_template.data())) {
    state.SkipWithError("no work directory");
    return;
  }
  const std::string dir = dir_template;
  setenv("SGFPROLOG", KG_SHARE_DIR "/ps/gopro.eps", 1);
  std::vector<std::string> ours = {KG_BINARY, "-tmp", ".", "-output", "book.tex"};
  std::vector<std::string> theirs = {kSgf2dg, "-i", input, "-o", "diagrams.tex"};
  if (game.per_figure) {
    ours.insert(ours.end(), {"-max", game.per_figure});
    theirs.insert(theirs.end(), {"-m", game.per_figure});
  }
  ours.push_back(input);

  Run best_ours, best_theirs;
  double ours_wall = 0, theirs_wall = 0, ours_cpu = 0, theirs_cpu = 0;
  for (auto _ : state) {
    Run a = run_in(dir, ours);
    Run b = peer ? run_in(dir, theirs) : Run{};
    if (!a.ok || (peer && !b.ok)) {
      state.SkipWithError(!a.ok ? "kifugram failed" : "sgf2dg failed");
      break;
    }
    state.SetIterationTime(a.wall);
    ours_wall += a.wall, theirs_wall += b.wall, ours_cpu += a.cpu, theirs_cpu += b.cpu;
    best_ours.bytes = a.bytes, best_theirs.bytes = b.bytes;
  }
  best_ours.peak_kb = run_in(dir, ours, false).peak_kb;
  if (peer) best_theirs.peak_kb = run_in(dir, theirs, false).peak_kb;
  rmdir(dir.c_str());
  const double n = static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
  state.counters["kg_ms"] = 1000 * ours_wall / n;
  state.counters["kg_cpu_ms"] = 1000 * ours_cpu / n;
  state.counters["kg_peak_MB"] = best_ours.peak_kb / 1024.0;
  state.counters["kg_bytes"] = static_cast<double>(best_ours.bytes);
  if (peer) {
    state.counters["sgf2dg_ms"] = 1000 * theirs_wall / n;
    state.counters["sgf2dg_cpu_ms"] = 1000 * theirs_cpu / n;
    state.counters["sgf2dg_peak_MB"] = best_theirs.peak_kb / 1024.0;
    state.counters["sgf2dg_bytes"] = static_cast<double>(best_theirs.bytes);
    state.counters["times_faster"] = ours_wall > 0 ? theirs_wall / ours_wall : 0;
  }
}
BENCHMARK(BM_DefaultOutputVsSgf2dg)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10)
    ->UseManualTime();

}  // namespace
