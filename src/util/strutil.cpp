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

namespace {

// The code point of the character of `n` bytes at the start of `text`.
char32_t code_point(std::string_view text, std::size_t n) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  if (n == 1) return s[0];
  char32_t code = s[0] & (0x7F >> n);
  for (std::size_t i = 1; i < n; ++i) code = code << 6 | (s[i] & 0x3F);
  return code;
}

int columns_of(char32_t c) {
  struct Range {
    char32_t first, last;
  };
  // Combining marks: drawn over the character before them.
  static constexpr Range kZero[] = {{0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x0610, 0x061A},
                                    {0x064B, 0x065F}, {0x200B, 0x200F}, {0x20D0, 0x20FF}, {0x3099, 0x309A},
                                    {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F}};
  // East Asian Wide and Fullwidth.
  static constexpr Range kWide[] = {{0x1100, 0x115F},   {0x2E80, 0x303E},   {0x3041, 0x33FF},
                                    {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},
                                    {0xA960, 0xA97F},   {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},
                                    {0xFE10, 0xFE19},   {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},
                                    {0xFFE0, 0xFFE6},   {0x1F300, 0x1F64F}, {0x1F900, 0x1F9FF},
                                    {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD}};
  for (const Range& r : kZero)
    if (c >= r.first && c <= r.last) return 0;
  for (const Range& r : kWide)
    if (c >= r.first && c <= r.last) return 2;
  return 1;
}

}  // namespace

std::size_t first_char_length(std::string_view text) {
  if (text.empty()) return 0;
  const std::size_t n = utf8_length(text);
  return n == 0 ? 1 : n;
}

int display_columns(std::string_view text) {
  int columns = 0;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t n = utf8_length(text.substr(at));
    if (n == 0) {
      ++columns;
      ++at;
      continue;
    }
    columns += columns_of(code_point(text.substr(at), n));
    at += n;
  }
  return columns;
}

}  // namespace kg
