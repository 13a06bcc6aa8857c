#include "util/strutil.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include "util/message.h"

namespace kg {

namespace {

constexpr std::size_t kStatic = 1024;  // size of every static result buffer
constexpr int kCenterMax = 255;
constexpr int kPrefixMax = 31;
constexpr int kRecordChar = 32;  // record texts hold no byte below a space

bool is_blank(char c) { return c == ' ' || c == '\t'; }

bool is_clean_char(char c) { return c != '\0' && std::strchr(",.'\"", c) != nullptr; }

// Copies at most kStatic - 1 bytes of [text, text + n) and terminates.
char* copy_cut(char* buffer, const char* text, std::size_t n) {
  n = std::min(n, kStatic - 1);
  std::memcpy(buffer, text, n);
  buffer[n] = '\0';
  return buffer;
}

}  // namespace

char* str_strip(char* s) {
  if (!s) return s;
  str_stripnl(s);
  char* end = s + std::strlen(s);
  while (end > s && is_blank(end[-1])) *--end = '\0';
  return str_skip(s);
}

void str_stripnl(char* s) {
  if (!s) return;
  if (char* p = std::strchr(s, '\n')) *p = '\0';
  if (char* p = std::strchr(s, '\r')) *p = '\0';
}

char* str_skip(char* s) {
  if (!s) return s;
  while (is_blank(*s)) ++s;
  return s;
}

char* str_bos(char* start, char* p) {
  if (!start || !p || p < start) return p;
  while (p > start && !is_blank(*p)) --p;
  return is_blank(*p) ? p + 1 : p;
}

char* str_eos(char* p) {
  if (!p) return p;
  while (*p && !is_blank(*p)) ++p;
  return p;
}

char* str_cln(char* s) {
  if (!s) return s;
  while (is_clean_char(*s)) ++s;
  std::size_t n = std::strlen(s);
  if (n >= 2 && is_clean_char(s[n - 1])) {
    // s[0] is not from the set, so the loop stops on it at the latest.
    for (char* p = s + n - 1; p > s && is_clean_char(*p); --p) *p = '\0';
  }
  return s;
}

char* str_unquote(char* s) {
  if (!s) return s;
  char* end = s + std::strlen(s);
  while (end > s && end[-1] == '"') *--end = '\0';
  while (*s == '"') ++s;
  return s;
}

char* str_getkey(const char* s) {
  static char buffer[kStatic];
  if (!s) s = "";
  const char* open = std::strchr(s, '[');
  if (!open) fatal(1, "Missing open bracket in \"%s\"\n", s);
  return copy_cut(buffer, s, static_cast<std::size_t>(open - s));
}

char* str_getval(const char* s) {
  static char buffer[kStatic];
  if (!s) s = "";
  const char* open = std::strchr(s, '[');
  const char* close = std::strrchr(s, ']');
  // A last ']' before the first '[' closes nothing: the value's bracket is missing.
  if (!open || !close || close < open) fatal(1, "Missing bracket(s) in \"%s\"\n", s);
  return copy_cut(buffer, open + 1, static_cast<std::size_t>(close - open - 1));
}

int str_width(const char* const* list, int n) {
  if (!list || n < 1) return 0;
  std::size_t widest = 0;
  for (int i = 0; i < n; ++i) {
    if (list[i]) widest = std::max(widest, std::strlen(list[i]));
  }
  return static_cast<int>(std::min<std::size_t>(widest, 0x7fffffff));
}

char* str_expand(const char* s, int width) {
  static char buffer[kStatic];
  if (!s) s = "";
  std::size_t w = std::min(static_cast<std::size_t>(std::max(width, 0)), kStatic - 1);
  std::size_t n = strnlen(s, w);
  std::memcpy(buffer, s, n);
  std::memset(buffer + n, ' ', w - n);
  buffer[w] = '\0';
  return buffer;
}

char* str_center(const char* s, int width) {
  static char buffer[kStatic];
  if (!s) s = "";
  std::size_t w = static_cast<std::size_t>(std::clamp(width, 0, kCenterMax));
  std::size_t n = strnlen(s, w);
  if (n >= w) return copy_cut(buffer, s, w);
  std::memset(buffer, ' ', w);
  buffer[w] = '\0';
  // The last character lands on (w + n) / 2; that is inside since n < w.
  std::size_t first = (w + n) / 2 + 1 - n;
  std::memcpy(buffer + first, s, n);
  return buffer;
}

char* strlwr(char* s) {
  if (!s) return s;
  for (char* p = s; *p; ++p) *p = static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
  return s;
}

char* strupr(char* s) {
  if (!s) return s;
  for (char* p = s; *p; ++p) *p = static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
  return s;
}

int strlshift(char* start, char* p, int n) {
  if (!start || !p || n < 0 || p - start < n) return 0;
  std::memmove(p - n, p, std::strlen(p) + 1);
  return 1;
}

int strrshift(char* start, char* p, int n) {
  if (!start || !p || n < 0 || p < start) return 0;
  std::memmove(p + n, p, std::strlen(p) + 1);
  std::memset(p, ' ', static_cast<std::size_t>(n));
  return 1;
}

int strshift(char* start, char* p, int n) {
  if (n < 0) return strlshift(start, p, -n);
  if (n == 0) return 1;
  return strrshift(start, p, n);
}

char* strsub(char* s, const char* old_text, const char* new_text) {
  if (!s || !old_text || !new_text) return nullptr;
  char* at = std::strstr(s, old_text);
  if (!at) return nullptr;
  // new_text may point into s, which the shift is about to move.
  const std::string replacement(new_text);
  std::size_t old_len = std::strlen(old_text);
  long diff = static_cast<long>(replacement.size()) - static_cast<long>(old_len);
  if (diff < -0x7fffffffL || diff > 0x7fffffffL) return nullptr;
  if (!strshift(s, at + old_len, static_cast<int>(diff))) return nullptr;
  std::memcpy(at, replacement.data(), replacement.size());
  return at;
}

int strgsub(char* s, const char* old_text, const char* new_text) {
  // An empty pattern matches everywhere, also right after each insertion.
  if (!s || !old_text || !*old_text || !new_text) return 0;
  std::size_t new_len = std::strlen(new_text);
  int count = 0;
  char* from = s;
  while (char* at = strsub(from, old_text, new_text)) {
    ++count;
    from = at + new_len;
  }
  return count;
}

namespace {
char comp_previous[kStatic];  // last text written by str_comp
char uncomp_buffer[kStatic];  // last text read by str_uncomp
}  // namespace

int str_comp(FILE* stream, const char* text) {
  if (!stream || !text) return 0;
  int count = 0;
  while (count < kPrefixMax && text[count] && text[count] == comp_previous[count]) ++count;
  std::fputc(count, stream);
  std::fputs(text + count, stream);
  copy_cut(comp_previous, text, std::strlen(text));
  return count;
}

char* str_uncomp(FILE* stream) {
  if (!stream) return nullptr;
  int count = std::getc(stream);
  if (count == EOF) return nullptr;  // no record left: the buffer stays as it was
  std::size_t at = static_cast<std::size_t>(count);  // a byte, so inside the buffer
  int c;
  while ((c = std::getc(stream)) != EOF && c >= kRecordChar) {
    // Characters past the buffer are read and dropped to keep the stream in step.
    if (at < kStatic - 1) uncomp_buffer[at++] = static_cast<char>(c);
  }
  if (c != EOF) std::ungetc(c, stream);
  uncomp_buffer[at] = '\0';
  return uncomp_buffer;
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

// Length of the UTF-8 sequence that starts `text`, 0 when none does.
static std::size_t utf8_length(std::string_view text) {
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

bool valid_utf8(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    std::size_t n = utf8_length(text.substr(at));
    if (n == 0) return false;
    at += n;
  }
  return true;
}

}  // namespace kg
