#include "main/main.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "device/tex_frame.h"
#include "game/game.h"
#include "main/figure.h"
#include "main/options.h"
#include "main/settings.h"
#include "read/readers.h"
#include "util/message.h"
#include "write/writers.h"

namespace kg {

bool release_game_at_end = true;

namespace {

// The game lives to the end of the run; releasing it then keeps repeated
// in-process runs from piling up games, also when a run ends early.
struct GameOwner {
  Game* game = nullptr;
  ~GameOwner() {
    if (release_game_at_end) game_free(game);
  }
};

void run(int argc, char** argv) {
  program = argc > 0 && argv[0] != nullptr ? argv[0] : "kifugram";
  fw = stdout;
  sgfwarn = 1;

  getoptions(argc, argv);
  // Refuse a missing device before the input is consumed.
  if (prn_dev >= 0 && prn_dev < kDevices && devices[prn_dev] == nullptr)
    fatal(1, "%s: output format \"%s\" is not available yet\n", program.c_str(),
          output_format_name(prn_dev));

  // The SGF and db records read nothing of what the main line captured.
  keep_main_captures = prn_dev != DEV_SGF && prn_dev != DEV_DB;

  const char* name = optind < argc ? argv[optind] : nullptr;
  epsf.base = file_basename(name != nullptr ? name : "stdin");

  GameOwner owner;
  Game*& game = owner.game;
  const char* format = "SGF";
  switch (file_fmt) {
    case FMT_TAVOLIN:
      format = "Tavolin";
      game = read_tavolin(name);
      break;
    case FMT_SF:
      format = "SF";
      game = read_standard(name);
      break;
    default:
      game = sgf_read(name);
      break;
  }
  // A db run over many files must not take an unreadable one for an empty
  // record: nothing is written for it, and the run fails like any other.
  if (game == nullptr)
    fatal(1, "%s: \"%s\" is a bad %s file\n", program.c_str(), name != nullptr ? name : "stdin",
          format);

  if (game != nullptr) {
    epsf.fullsize = epsf.size;
    // A reader always sets the board size; the guard only keeps a broken
    // record from dividing by zero; a huge -scale saturates instead of
    // overflowing.
    if (coords && game->size > 0)
      epsf.fullsize = static_cast<int>(std::clamp<long long>(
          epsf.size + 2LL * epsf.size / game->size, INT_MIN, INT_MAX));
    if (sequent) game_sequent(game);
    if (flatten) game_flatten(game);
  }

  switch (prn_dev) {
    case DEV_DB: game2db(game, name); break;
    case DEV_SGF: game2sgf(game); break;
    case DEV_SF: game2sf(game); break;
    default: game2fig(game, devices[prn_dev]); break;
  }
}

}  // namespace

int kifugram_main(int argc, char** argv) {
  // Every run starts from the defaults, so the program can run in-process
  // more than once.
  settings_reset();
  message_column = 0;
  output_name = nullptr;
  game2db_reset();
  tex_frame_reset();
  int status = 0;
  try {
    run(argc, argv);
  } catch (const Exit& e) {
    if (device_abort) device_abort();
    if (e.text()[0] != '\0') std::fputs(e.text(), stderr);
    status = e.status();
  }
  if (pictures_failed && status == 0) status = 1;
  return output_close(status);
}

}  // namespace kg
