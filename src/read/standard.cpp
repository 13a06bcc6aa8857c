// STUB: replaced by the standard-format reader.
#include "read/readers.h"
#include "util/message.h"
#include "main/settings.h"
namespace kg {
Game* read_standard(const char*) { fatal(1, "%s: SF input is not available yet\n", program.c_str()); }
}  // namespace kg
