// STUB: replaced by the command line.
#include "main/main.h"
namespace kg {
int kifugram_main(int, char**) { return 1; }
}  // namespace kg
