// The program's entry, callable in-process.
#pragma once

namespace kg {

// Runs the whole program and returns its exit status. A process that exits
// right after may leave the game to the operating system (`release_game`
// false), which is much faster for a large game.
int kifugram_main(int argc, char** argv, bool release_game = true);

}  // namespace kg
