#include "util/runtime.h"

namespace kg {

std::string program = "kifugram";
FILE* fw = stdout;
int sgfwarn, kibitz, varsk;
int textout = 1, longkey = 1;

}  // namespace kg
