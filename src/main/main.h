// The program's entry, callable in-process.
#pragma once

namespace kg {

// Runs the whole program and returns its exit status.
int kifugram_main(int argc, char** argv);

// Whether the game is released at the end of a run (the default). A process
// that exits right after may leave that to the operating system, which is
// much faster for a large game.
extern bool release_game_at_end;

}  // namespace kg
