#include "util/message.h"

#include <cstdarg>
#include <cstring>
#include <vector>

namespace kg {

// Static: the column belongs to standard error, which the process shares.
int message_column = 0;

namespace {

__attribute__((format(printf, 1, 0))) std::string vformat(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (n <= 0) return {};
  std::string out(static_cast<std::size_t>(n), '\0');
  std::vsnprintf(out.data(), out.size() + 1, format, args);
  return out;
}

}  // namespace

void message(const char* format, ...) {
  char buffer[2024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);  // cuts, never overruns
  va_end(args);
  int length = static_cast<int>(std::strlen(buffer));
  if (message_column + length > 72) {
    std::fputc('\n', stderr);
    message_column = 0;
  }
  std::fputs(buffer, stderr);
  message_column += length;
}

void fatal(int status, const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = vformat(format, args);
  va_end(args);
  throw Exit(status, text);
}

std::string format_text(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = vformat(format, args);
  va_end(args);
  return text;
}

}  // namespace kg
