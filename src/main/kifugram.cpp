#include "main/main.h"

int main(int argc, char** argv) {
  // Builds that check for leaks release everything; others leave the game
  // to the exit.
#ifndef KG_LEAK_CHECK
  kg::release_game_at_end = false;
#endif
  return kg::kifugram_main(argc, argv);
}
