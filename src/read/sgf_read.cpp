// STUB: replaced by the SGF reader.
#include "read/readers.h"
#include "util/message.h"
#include "main/settings.h"
namespace kg {
Game* sgf_read(const char*) { fatal(1, "%s: SGF input is not available yet\n", program.c_str()); }
}  // namespace kg
