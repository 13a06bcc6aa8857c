#include "read/charset.h"

#include <iconv.h>
#include <uchardet/uchardet.h>

#include <algorithm>
#include <bit>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>

namespace kg {
namespace {

struct Alias {
  std::string_view key;   // as charset_key makes it
  const char* name;       // as iconv knows it
};

// Where one name covers another, the wider encoding reads both: records
// labelled GB2312 hold GBK characters, EUC-KR ones hold UHC's, and
// Shift_JIS is read as CP932, which keeps 0x5C a backslash (glibc's
// SHIFT_JIS makes it a yen sign, and the escapes of SGF would be lost).
constexpr Alias kAliases[] = {
    {"UTF8", kUtf8},          {"UTF8BOM", kUtf8},       {"ASCII", kUtf8},
    {"USASCII", kUtf8},       {"ANSIX341968", kUtf8},   {"US", kUtf8},
    {"ISO88591", kLatin1},    {"LATIN1", kLatin1},      {"L1", kLatin1},
    {"ISOLATIN1", kLatin1},   {"ISO885911987", kLatin1}, {"CP819", kLatin1},
    {"IBM819", kLatin1},      {"88591", kLatin1},       {"ISOIR100", kLatin1},
    {"SJIS", "CP932"},        {"SHIFTJIS", "CP932"},    {"MSKANJI", "CP932"},
    {"CP932", "CP932"},       {"MS932", "CP932"},       {"WINDOWS31J", "CP932"},
    {"XSJIS", "CP932"},       {"CSSHIFTJIS", "CP932"},  {"WINDOWS932", "CP932"},
    {"IBM943", "CP932"},      {"XMSCP932", "CP932"},
    {"EUCJP", "EUC-JP"},      {"UJIS", "EUC-JP"},       {"XEUCJP", "EUC-JP"},
    {"EUCJPMS", "EUC-JP-MS"},
    {"GB2312", "GB18030"},    {"EUCCN", "GB18030"},     {"XEUCCN", "GB18030"},
    {"CSGB2312", "GB18030"},  {"GB231280", "GB18030"},  {"CHINESE", "GB18030"},
    {"GBK", "GB18030"},       {"CP936", "GB18030"},     {"MS936", "GB18030"},
    {"WINDOWS936", "GB18030"}, {"XGBK", "GB18030"},     {"GB18030", "GB18030"},
    {"BIG5", "BIG5"},         {"BIGFIVE", "BIG5"},      {"CSBIG5", "BIG5"},
    {"CNBIG5", "BIG5"},       {"XXBIG5", "BIG5"},       {"CP950", "CP950"},
    {"BIG5HKSCS", "BIG5-HKSCS"},
    {"EUCKR", "CP949"},       {"CSEUCKR", "CP949"},     {"KSC5601", "CP949"},
    {"KSC56011987", "CP949"}, {"KSX1001", "CP949"},     {"CP949", "CP949"},
    {"UHC", "CP949"},         {"MS949", "CP949"},       {"WINDOWS949", "CP949"},
    {"KOREAN", "CP949"},
    {"KOI8R", "KOI8-R"},      {"KOI8U", "KOI8-U"},      {"TIS620", "TIS-620"},
};

// A converter from one encoding to UTF-8, closed however the caller ends.
struct Converter {
  iconv_t cd;
  explicit Converter(const char* from) : cd(iconv_open(kUtf8, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd != reinterpret_cast<iconv_t>(-1); }
};

bool iconv_knows(const std::string& name) { return !name.empty() && Converter(name.c_str()).ok(); }

bool all_digits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// How the bytes of an encoding fall into characters, as far as the
// structure of a record is concerned.
enum class Units {
  bytes,    // every byte below 0x80 is ASCII and stands for itself
  sjis,     // lead 0x81-0x9F, 0xE0-0xFC; second byte 0x40-0x7E, 0x80-0xFC
  gb18030,  // lead 0x81-0xFE; second byte 0x40-0x7E, 0x80-0xFE; or four bytes
  big5,     // lead 0x81-0xFE; second byte 0x40-0x7E, 0xA1-0xFE
  uhc,      // lead 0x81-0xFE; second byte 0x41-0x5A, 0x61-0x7A, 0x81-0xFE
  opaque,   // bytes below 0x80 may be parts of characters: nothing is sure
};

Units units_of(std::string_view charset) {
  const std::string key = charset_key(charset);
  auto starts = [&key](std::string_view p) { return key.compare(0, p.size(), p) == 0; };
  if (starts("CP932") || starts("SJIS") || starts("SHIFTJIS") || key == "WINDOWS31J") return Units::sjis;
  if (starts("GB18030") || key == "GBK" || key == "CP936") return Units::gb18030;
  if (starts("BIG5") || key == "CP950") return Units::big5;
  if (key == "CP949" || key == "UHC" || key == "JOHAB") return Units::uhc;
  if (starts("ISO2022") || starts("UTF16") || starts("UTF32") || starts("UCS") || starts("UTF7") ||
      key == "HZ" || starts("HZGB") || starts("EBCDIC") || starts("IBM0") || key == "CP037")
    return Units::opaque;
  return Units::bytes;
}

bool in(unsigned char c, unsigned lo, unsigned hi) { return c >= lo && c <= hi; }

// The length of the character that begins at text[at]: 1 for a byte that
// begins no well-formed multi-byte character.
std::size_t unit(std::string_view text, std::size_t at, Units units) {
  const auto c = static_cast<unsigned char>(text[at]);
  if (c < 0x80 || at + 1 >= text.size()) return 1;
  const auto d = static_cast<unsigned char>(text[at + 1]);
  switch (units) {
    case Units::sjis:
      return (in(c, 0x81, 0x9F) || in(c, 0xE0, 0xFC)) && (in(d, 0x40, 0x7E) || in(d, 0x80, 0xFC)) ? 2 : 1;
    case Units::gb18030:
      if (c == 0x80 || c == 0xFF) return 1;
      if (in(d, 0x30, 0x39))
        return at + 3 < text.size() && in(static_cast<unsigned char>(text[at + 2]), 0x81, 0xFE) &&
                       in(static_cast<unsigned char>(text[at + 3]), 0x30, 0x39)
                   ? 4
                   : 1;
      return in(d, 0x40, 0x7E) || in(d, 0x80, 0xFE) ? 2 : 1;
    case Units::big5:
      return in(c, 0x81, 0xFE) && (in(d, 0x40, 0x7E) || in(d, 0xA1, 0xFE)) ? 2 : 1;
    case Units::uhc:
      return in(c, 0x81, 0xFE) && (in(d, 0x41, 0x5A) || in(d, 0x61, 0x7A) || in(d, 0x81, 0xFE)) ? 2 : 1;
    default:
      return 1;
  }
}

bool blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

std::string trimmed(std::string_view v) {
  std::size_t b = 0, e = v.size();
  while (b < e && blank(v[b])) ++b;
  while (e > b && blank(v[e - 1])) --e;
  return std::string(v.substr(b, e - b));
}

// CA read by the rules of the scanner, the root's bytes taken as
// characters of `units`.
std::optional<std::string> scan_root(std::string_view text, Units units) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == '(' || blank(text[i]))) ++i;
  if (i >= text.size() || text[i] != ';') return std::nullopt;
  ++i;
  std::string key;
  while (i < text.size()) {
    const char c = text[i];
    if (c == ';' || c == '(' || c == ')') return std::nullopt;
    if (c != '[') {
      if (c >= 'A' && c <= 'Z') key += c;
      i += unit(text, i, units);
      continue;
    }
    const std::size_t start = ++i;
    while (i < text.size() && text[i] != ']') {
      const std::size_t n = unit(text, i, units);
      i += n == 1 && text[i] == '\\' && i + 1 < text.size() ? 1 + unit(text, i + 1, units) : n;
    }
    if (i >= text.size()) return std::nullopt;
    if (key == "CA") return trimmed(text.substr(start, i - start));
    ++i;
    std::size_t j = i;
    while (j < text.size() && blank(text[j])) ++j;
    if (j < text.size() && text[j] == '[') {
      i = j;  // the next value of the same key
      continue;
    }
    key.clear();
  }
  return std::nullopt;
}

void append_replacement(std::string& out) { out += "\xEF\xBF\xBD"; }

// Length of the well-formed UTF-8 sequence at text[at], 0 when none is.
std::size_t utf8_sequence(std::string_view text, std::size_t at) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data()) + at;
  const std::size_t left = text.size() - at;
  const unsigned c = s[0];
  if (c < 0x80) return 1;
  std::size_t n;
  unsigned lo = 0x80, hi = 0xBF;  // bounds of the second byte
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    if (c == 0xE0) lo = 0xA0;       // no overlong forms
    if (c == 0xED) hi = 0x9F;       // no surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;       // nothing past U+10FFFF
  } else {
    return 0;
  }
  if (left < n || s[1] < lo || s[1] > hi) return 0;
  for (std::size_t i = 2; i < n; ++i)
    if ((s[i] & 0xC0) != 0x80) return 0;
  return n;
}

std::string repair_utf8(std::string_view text, std::size_t* bad) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t n = utf8_sequence(text, at);
    if (n == 0) {
      append_replacement(out);
      ++*bad;
      ++at;
    } else {
      out.append(text, at, n);
      at += n;
    }
  }
  return out;
}

std::string latin1_to_utf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out += ch;
    } else {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace

std::string charset_key(std::string_view spelled) {
  std::string key;
  key.reserve(spelled.size());
  for (char c : spelled) {
    if (c == '-' || c == '_' || c == '.' || blank(c)) continue;
    key += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return key;
}

std::optional<std::string> charset_name(std::string_view spelled) {
  const std::string key = charset_key(spelled);
  if (key.empty()) return std::nullopt;
  for (const Alias& a : kAliases)
    if (a.key == key) return std::string(a.name);
  std::string_view k = key;
  if (k.substr(0, 7) == "ISO8859" && all_digits(k.substr(7)))
    return "ISO-8859-" + std::string(k.substr(7));
  for (std::string_view prefix : {"WINDOWS", "XCP", "CP"})
    if (k.substr(0, prefix.size()) == prefix && all_digits(k.substr(prefix.size())) &&
        k.substr(prefix.size(), 3) == "125")
      return "CP" + std::string(k.substr(prefix.size()));
  const std::string as_spelled = trimmed(spelled);
  if (iconv_knows(as_spelled)) return as_spelled;
  if (iconv_knows(key)) return key;
  return std::nullopt;
}

std::optional<std::string> root_charset(std::string_view text) {
  // Bytes first; then as each double-byte encoding, whose second bytes may
  // be "\\" or "]": a CA found so must name an encoding of that kind.
  if (auto found = scan_root(text, Units::bytes)) return found;
  for (Units units : {Units::sjis, Units::gb18030, Units::big5, Units::uhc}) {
    const std::optional<std::string> found = scan_root(text, units);
    if (!found) continue;
    const std::optional<std::string> name = charset_name(*found);
    if (name && units_of(*name) == units) return found;
  }
  return std::nullopt;
}

std::size_t game_extent(std::string_view text, std::string_view charset, bool* closed) {
  if (closed) *closed = false;
  const Units units = units_of(charset);
  if (units == Units::opaque) return text.size();
  int depth = 0;
  bool value = false;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t n = unit(text, at, units);
    if (n == 1) {
      const char c = text[at];
      if (value) {
        if (c == '\\') {
          at += 1;
          if (at < text.size()) at += unit(text, at, units);
          continue;
        }
        if (c == ']') value = false;
      } else if (c == '[') {
        value = true;
      } else if (c == '(') {
        ++depth;
      } else if (c == ')' && --depth <= 0) {
        if (closed) *closed = true;
        return at + 1;
      }
    }
    at += n;
  }
  return text.size();
}

bool utf8_text(std::string_view text, bool* ascii) { return utf8_prefix(text, ascii) == text.size(); }

std::size_t utf8_prefix(std::string_view text, bool* ascii) {
  // Every record is checked before it is read: this is the one pass a UTF-8
  // record costs, so it is kept tight.
  const auto* const begin = reinterpret_cast<const unsigned char*>(text.data());
  const auto* p = begin;
  const auto* const end = p + text.size();
  bool only_ascii = true;
  auto fail = [ascii, &p, begin] {
    if (ascii) *ascii = false;
    return static_cast<std::size_t>(p - begin);
  };
  auto tail = [](unsigned char c) { return (c & 0xC0) == 0x80; };
  while (p < end) {
    if (*p < 0x80) {
      // Eight bytes at a time while they are ASCII: records are mostly moves.
      ++p;
      while (end - p >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        if (word & 0x8080808080808080ULL) break;
        p += 8;
      }
      while (p < end && *p < 0x80) ++p;
      continue;
    }
    only_ascii = false;
    // Runs of three-byte characters (the scripts of East Asia) four at a
    // time, then one at a time: a lead E1-EC or EE-EF and two following
    // bytes need no more test.
    if constexpr (std::endian::native == std::endian::little) {
      auto plain_lead = [](std::uint64_t lead) { return ((0x2001u >> (lead & 0xF)) & 1) == 0; };
      while (end - p >= 16) {
        std::uint64_t a, b;
        std::memcpy(&a, p, 8);
        std::memcpy(&b, p + 8, 8);
        if ((a & 0xC0F0C0C0F0C0C0F0ULL) != 0x80E08080E08080E0ULL || (b & 0xC0C0F0C0ULL) != 0x8080E080ULL ||
            !plain_lead(a) || !plain_lead(a >> 24) || !plain_lead(a >> 48) || !plain_lead(b >> 8))
          break;
        p += 12;
      }
    }
    while (end - p >= 4) {
      std::uint32_t word;
      std::memcpy(&word, p, 4);
      if constexpr (std::endian::native == std::endian::little) {
        if ((word & 0xC0C0F0) != 0x8080E0 || (word & 0xFF) == 0xE0 || (word & 0xFF) == 0xED) break;
      } else {
        if ((word & 0xF0C0C000) != 0xE0808000 || (word >> 24) == 0xE0 || (word >> 24) == 0xED) break;
      }
      p += 3;
    }
    if (p >= end || *p < 0x80) continue;
    const unsigned c = *p;
    const std::ptrdiff_t left = end - p;
    if (c < 0xC2) return fail();
    if (c < 0xE0) {
      if (left < 2 || !tail(p[1])) return fail();
      p += 2;
    } else if (c < 0xF0) {
      if (left < 3 || !tail(p[1]) || !tail(p[2])) return fail();
      if ((c == 0xE0 && p[1] < 0xA0) || (c == 0xED && p[1] > 0x9F)) return fail();  // overlong, surrogate
      p += 3;
    } else if (c < 0xF5) {
      if (left < 4 || !tail(p[1]) || !tail(p[2]) || !tail(p[3])) return fail();
      if ((c == 0xF0 && p[1] < 0x90) || (c == 0xF4 && p[1] > 0x8F)) return fail();  // overlong, past U+10FFFF
      p += 4;
    } else {
      return fail();
    }
  }
  if (ascii) *ascii = only_ascii;
  return text.size();
}

std::optional<std::string> guess_multibyte(std::string_view text) {
  std::unique_ptr<std::remove_pointer_t<uchardet_t>, void (*)(uchardet_t)> detector(uchardet_new(),
                                                                                      uchardet_delete);
  if (!detector) return std::nullopt;
  if (uchardet_handle_data(detector.get(), text.data(), text.size()) != 0) return std::nullopt;
  uchardet_data_end(detector.get());
  const char* found = uchardet_get_charset(detector.get());
  if (!found) return std::nullopt;
  const std::string key = charset_key(found);
  for (std::string_view multi : {"SHIFTJIS", "EUCJP", "GB18030", "BIG5", "EUCKR", "UHC", "EUCTW"})
    if (key == multi) return charset_name(found);
  return std::nullopt;
}

std::optional<std::string> to_utf8(std::string_view text, std::string_view charset, std::size_t* bad) {
  const std::string key = charset_key(charset);
  if (key == "UTF8") return repair_utf8(text, bad);
  if (key == "ISO88591") return latin1_to_utf8(text);
  const Converter conv(std::string(charset).c_str());
  if (!conv.ok()) return std::nullopt;
  const Units units = units_of(charset);
  std::string out(text.size() * 2 + 16, '\0');
  char* in_at = const_cast<char*>(text.data());
  std::size_t in_left = text.size();
  std::size_t done = 0;
  while (in_left > 0) {
    char* out_at = out.data() + done;
    std::size_t out_left = out.size() - done;
    const std::size_t r = iconv(conv.cd, &in_at, &in_left, &out_at, &out_left);
    done = out.size() - out_left;
    if (r != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    // A character that does not decode is stepped over as the scanner of
    // the game's extent stepped over it, so that both see the same brackets.
    const std::size_t skip =
        errno == EILSEQ ? unit(text, static_cast<std::size_t>(in_at - text.data()), units) : in_left;
    if (out.size() - done < 3) out.resize(out.size() * 2);
    out.replace(done, 3, "\xEF\xBF\xBD");
    done += 3;
    ++*bad;
    in_at += skip;
    in_left -= skip;
    iconv(conv.cd, nullptr, nullptr, nullptr, nullptr);
  }
  out.resize(done);
  return out;
}

std::string utf8_or_latin1(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t n = utf8_sequence(text, at);
    if (n > 0) {
      out.append(text, at, n);
      at += n;
    } else {
      const auto c = static_cast<unsigned char>(text[at++]);
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string read_converted(std::FILE* in, const std::string& charset, const std::string& program,
                           const char* name) {
  std::string bytes;
  char buffer[1 << 16];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, in)) > 0;) bytes.append(buffer, n);
  const char* shown = name ? name : "stdin";
  std::size_t bad = 0;
  std::string used = charset;
  std::optional<std::string> text = to_utf8(bytes, used, &bad);
  if (!text) {
    std::fprintf(stderr, "%s: \"%s\": no converter from %s here: read as %s\n", program.c_str(), shown,
                 used.c_str(), kLatin1);
    used = kLatin1;
    text = to_utf8(bytes, used, &bad);
  }
  if (bad > 0)
    std::fprintf(stderr, "%s: \"%s\": %zu byte sequence%s not %s, each read as U+FFFD\n", program.c_str(),
                 shown, bad, bad == 1 ? "" : "s", used.c_str());
  return std::move(*text);
}

}  // namespace kg
