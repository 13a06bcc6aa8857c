// STUB: replaced by the standard-format writer.
#include "write/writers.h"
#include "util/message.h"
#include "main/settings.h"
namespace kg {
void game2sf(Game*) { fatal(1, "%s: SF output is not available yet\n", program.c_str()); }
}  // namespace kg
