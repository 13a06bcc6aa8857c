// Diagnostics on standard error and the one way a run ends early.
#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>

#define KG_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))

namespace kg {

// Formats into 2024 bytes (longer texts are cut) and writes to standard
// error, starting a new line first when the run of messages would pass
// column 72.
void message(const char* format, ...) KG_PRINTF(1, 2);
// The column standard error has reached through `message`. It belongs to
// the stream, which the whole process shares, so it is not per run.
extern int message_column;

// Ends the run: `main` prints `text` (if any) to standard error, or to
// standard output, and exits with `status`. Library code throws this
// instead of calling exit().
class Exit : public std::runtime_error {
 public:
  // `on_stdout`: the text is what was asked for (-help), not a complaint.
  Exit(int status, std::string text = {}, bool on_stdout = false)
      : std::runtime_error(text), status_(status), on_stdout_(on_stdout) {}
  int status() const { return status_; }
  const char* text() const { return what(); }
  bool on_stdout() const { return on_stdout_; }

 private:
  int status_;
  bool on_stdout_;
};

// Formats a fatal message and throws Exit with it.
[[noreturn]] void fatal(int status, const char* format, ...) KG_PRINTF(2, 3);

// printf-style formatting into a std::string of any length.
std::string format_text(const char* format, ...) KG_PRINTF(1, 2);

}  // namespace kg
