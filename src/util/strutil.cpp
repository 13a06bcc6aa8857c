#include "util/strutil.h"

#include "util/message.h"

namespace kg {

std::string point_name(int location, int size, PointName style) {
  if (size <= 0) return "???";
  const int column = location % size, row = location / size;
  switch (style) {
    case PointName::sgf: return format_text("%c%c", 'a' + column, 'a' + row);
    case PointName::sgf_pair: return format_text("(%c,%c)", 'a' + column, 'a' + row);
    case PointName::board: return format_text("%c%d", column_letter(column), size - row);
    case PointName::board_pair: return format_text("(%c,%d)", column_letter(column), size - row);
  }
  return {};
}

std::string_view str_strip(std::string_view s) {
  s = s.substr(0, s.find_first_of("\n\r"));
  const std::size_t begin = s.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return {};
  return s.substr(begin, s.find_last_not_of(" \t") + 1 - begin);
}

bool text_needs_break(std::string_view text) {
  return !text.empty() && text.back() != '\n' && text.back() != ' ' && text.back() != '\t';
}

int column_letter(int column) {
  int letter = 'a' + column;
  return letter >= 'i' ? letter + 1 : letter;
}

int letter_column(int letter) {
  if (letter < 'a' || letter > 'z' || letter == 'i') return -1;
  return letter > 'i' ? letter - 'a' - 1 : letter - 'a';
}

namespace {

// Length of the UTF-8 sequence that starts `text`, 0 when none does.
std::size_t utf8_length(std::string_view text) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t n = 0;
  unsigned min = 0;
  if (s[0] < 0x80) return 1;
  if (s[0] >= 0xC2 && s[0] <= 0xDF) n = 2, min = 0x80;
  else if (s[0] >= 0xE0 && s[0] <= 0xEF) n = 3, min = 0x800;
  else if (s[0] >= 0xF0 && s[0] <= 0xF4) n = 4, min = 0x10000;
  else return 0;
  if (text.size() < n) return 0;
  unsigned code = s[0] & (0x7F >> n);
  for (std::size_t i = 1; i < n; ++i) {
    if ((s[i] & 0xC0) != 0x80) return 0;
    code = code << 6 | (s[i] & 0x3F);
  }
  // Overlong forms, surrogates and code points past U+10FFFF are not text.
  if (code < min || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return 0;
  return n;
}

}  // namespace

bool valid_utf8(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    std::size_t n = utf8_length(text.substr(at));
    if (n == 0) return false;
    at += n;
  }
  return true;
}

}  // namespace kg
