#include "main/main.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <exception>
#include <memory>
#include <new>

#include "figure/figure.h"
#include "game/game.h"
#include "main/formats.h"
#include "main/options.h"
#include "util/files.h"
#include "util/message.h"

namespace kg {

namespace {

// Everything one run owns, released however it ends.
struct Run {
  Options opt;
  MainOutput out{opt.program};
  std::unique_ptr<OutputDevice> device;
  Game* game = nullptr;
  bool release_game = true;

  ~Run() {
    device.reset();  // a device may still name the game's records
    if (release_game) game_free(game);
  }
};

[[noreturn]] void bad_file(const Options& opt, const char* name, const Format& input) {
  // A db run over many files must not take an unreadable one for an empty
  // record: nothing is written for it, and the run fails like any other.
  fatal(1, "%s: \"%s\" is a bad %s file\n", opt.program.c_str(), name != nullptr ? name : "stdin",
        input.what);
}

// Draws or writes one game.
void convert(Run& r, const Format& output, const char* name) {
  Options& opt = r.opt;
  Game* game = r.game;
  opt.epsf.fullsize = opt.epsf.size;
  // A reader always sets the board size; the guard only keeps a broken
  // record from dividing by zero; a huge -scale saturates instead of
  // overflowing.
  if (opt.coords && game->size > 0)
    opt.epsf.fullsize = static_cast<int>(std::clamp<long long>(
        opt.epsf.size + 2LL * opt.epsf.size / game->size, INT_MIN, INT_MAX));
  if (opt.sequent) game_sequent(game);
  if (opt.flatten) game_flatten(game);

  if (output.write) {
    output.write(game, name, opt, r.out.stream());
    return;
  }
  r.device = output.make(opt, r.out);
  game2fig(game, *r.device, opt, output.needs);
}

void run(Run& r, int argc, char** argv) {
  Options& opt = r.opt;
  opt.program = argc > 0 && argv[0] != nullptr ? argv[0] : "kifugram";
  opt.sgfwarn = 1;

  const int first_argument = getoptions(argc, argv, opt, r.out);
  const Format& input = *opt.file_fmt;
  const Format& output = *opt.prn_dev;
  opt.keep_main_captures = output.keeps_main_captures;
  if (opt.game == 0 && !output.writes_collections)
    fatal(1, "%s: -game all: only -to sgf and -to db write every game; -to %.*s draws one\n",
          opt.program.c_str(), static_cast<int>(output.name.size()), output.name.data());

  const char* name = first_argument < argc ? argv[first_argument] : nullptr;
  opt.epsf.base = file_basename(name != nullptr ? name : "stdin");
  std::unique_ptr<GameSource> games = input.open(name, opt);

  if (opt.game == 0) {
    // Every game, each written as it is read.
    while (!games->done()) {
      r.game = games->read_game();
      if (!r.game) {
        if (games->done()) break;
        bad_file(opt, name, input);
      }
      convert(r, output, name);
      game_free(r.game);
      r.game = nullptr;
    }
    return;
  }

  int count = 0;
  while (count + 1 < opt.game && games->skip_game()) ++count;
  if (count + 1 == opt.game) r.game = games->read_game();
  if (!r.game) {
    if (!games->done() || count == 0) bad_file(opt, name, input);
    fatal(1, "%s: \"%s\" holds %d game%s; there is no game %d\n", opt.program.c_str(),
          name != nullptr ? name : "stdin", count, count == 1 ? "" : "s", opt.game);
  }
  ++count;
  while (games->skip_game()) ++count;
  if (count > 1)
    std::fprintf(stderr, "%s: \"%s\" holds %d games; this is game %d (-game N picks another)\n",
                 opt.program.c_str(), name != nullptr ? name : "stdin", count, opt.game);
  convert(r, output, name);
}

}  // namespace

int kifugram_main(int argc, char** argv, bool release_game) {
  int status = 0;
  Run r;
  r.release_game = release_game;
  try {
    run(r, argc, argv);
  } catch (const Exit& e) {
    if (r.device) r.device->abort();
    if (e.text()[0] != '\0') std::fputs(e.text(), e.on_stdout() ? stdout : stderr);
    status = e.status();
  } catch (const std::bad_alloc&) {
    if (r.device) r.device->abort();
    std::fprintf(stderr, "%s: Out of memory\n", r.opt.program.c_str());
    status = 1;
  } catch (const std::exception& e) {
    if (r.device) r.device->abort();
    std::fprintf(stderr, "%s: %s\n", r.opt.program.c_str(), e.what());
    status = 1;
  }
  if (r.device && r.device->pictures_failed() && status == 0) status = 1;
  return r.out.close(status);
}

}  // namespace kg
