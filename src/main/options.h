// The command line: options, figure and diagram lists, names.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "util/files.h"
#include "util/options.h"

namespace kg {

// Integer value as atoi reads it (blanks, sign, leading digits; 0 when there
// are none), but saturated to INT_MIN..INT_MAX instead of overflowing.
int atoi_sat(const char* s);
// The value of a whole decimal number, sign and digits alone (saturated
// like atoi_sat); none for anything else.
std::optional<int> whole_number(const char* s);

// The environment defaults, then every option into `opt`; -output makes
// its file the main output `out`. Returns the index of the argument that
// names the record (argc when there is none): options may come before it
// and after it. Throws Exit for -help, -version and every error.
int getoptions(int argc, char** argv, Options& opt, MainOutput& out);

// The option that `word` (without its dash) names, by the abbreviation
// rules; none when it names no option or more than one.
std::optional<std::string_view> option_named(const char* word);

// Fills the -figures list, or the -diagrams list, of `opt` from `text`.
void getlist(const char* text, Options& opt, bool diagrams);

// The name without directory and without its last extension.
std::string file_basename(const char* name);

}  // namespace kg
