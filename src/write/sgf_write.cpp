// STUB: replaced by the SGF and game-information writers.
#include "write/writers.h"
#include "util/message.h"
#include "main/settings.h"
namespace kg {
void game2sgf(Game*) { fatal(1, "%s: SGF output is not available yet\n", program.c_str()); }
void game2db(Game*, const char*) { fatal(1, "%s: db output is not available yet\n", program.c_str()); }
void text2sgf(std::string_view) {}
void game2db_reset() {}
}  // namespace kg
