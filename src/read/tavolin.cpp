// STUB: replaced by the Tavolin reader.
#include "read/readers.h"
#include "util/message.h"
#include "main/settings.h"
namespace kg {
Game* read_tavolin(const char*) { fatal(1, "%s: Tavolin input is not available yet\n", program.c_str()); }
}  // namespace kg
