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

// The environment defaults, then every option into `opt`; -output makes
// its file the main output `out`. Returns the index of the first argument
// that is not an option. Throws Exit for -help, -version and every error.
int getoptions(int argc, char** argv, Options& opt, MainOutput& out);

// The option that `word` (without its dash) names, by the abbreviation
// rules; none when it names no option or more than one.
std::optional<std::string_view> option_named(const char* word);

// Fills the -figures list, or the -diagrams list, of `opt` from `text`.
void getlist(const char* text, Options& opt, bool diagrams);

// The name without directory and without its last extension.
std::string file_basename(const char* name);

}  // namespace kg
