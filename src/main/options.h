// The command line: options into settings, figure and diagram lists, names.
#pragma once

#include <cstdio>
#include <string>

namespace kg {

// Integer value as atoi reads it (blanks, sign, leading digits; 0 when there
// are none), but saturated to INT_MIN..INT_MAX instead of overflowing.
int atoi_sat(const char* s);

// Environment defaults, then every option into the settings; on return
// `optind` indexes the first argument that is not an option. Throws Exit for
// -help, -version and every error.
void getoptions(int argc, char** argv);

// Code of the next option after consuming it and its argument; -1 when no
// option is left; -2 after an error message on standard error.
int getoption(int argc, char** argv);

// Throws Exit(status) carrying the usage text.
[[noreturn]] void usage(int status);

// Fills `figlist` or `dialist` (whichever `list` is) from a -figures or
// -diagrams argument.
void getlist(const char* text, int* list);

// The name without directory and without its last extension.
std::string file_basename(const char* name);

// The -to word of an output-format code ("pstex" for 0, ...).
const char* output_format_name(int code);

// Name of the file `fw` was opened on by -output; none while `fw` is stdout.
extern const char* output_name;

// Flushes standard output and closes the -output stream unless a device
// already did (it then leaves `fw` none). A failed write turns `status` 0 into
// 1 with a "Can't write" message, so a lost output is never a success.
int output_close(int status);
// Ends the run with the "Can't write" message and status 1.
[[noreturn]] void cannot_write(const char* name);

}  // namespace kg
