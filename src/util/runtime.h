// The little process-wide state that every layer may read: the program's
// name, the output stream, whether warnings are shown, the version, and the
// switches that change how records are read and written. The command line
// sets them; nothing below the front end writes them.
#pragma once

#include <cstdio>
#include <string>

namespace kg {

inline constexpr int kVersionMajor = 2, kVersionMinor = 7, kVersionPatch = 8;

extern std::string program;
// The one output stream; the front end opens and closes it.
extern FILE* fw;
extern int sgfwarn;
// Reading: comments as kibitz lines, special comment conventions.
extern int kibitz, varsk;
// Writing: comments in the output, long SGF property names.
extern int textout, longkey;

}  // namespace kg
