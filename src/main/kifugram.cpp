#include "main/main.h"

int main(int argc, char** argv) {
  // Builds that check for leaks release everything; others leave the game
  // to the exit.
#ifdef KG_LEAK_CHECK
  return kg::kifugram_main(argc, argv);
#else
  return kg::kifugram_main(argc, argv, false);
#endif
}
