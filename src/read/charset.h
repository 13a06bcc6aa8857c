// Text encodings of game records: the names records and users give them,
// the CA value of a game read before its text is, and the conversion of a
// game's bytes to UTF-8, which is all the rest of the program handles.
#pragma once

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace kg {

inline constexpr const char* kUtf8 = "UTF-8";
inline constexpr const char* kLatin1 = "ISO-8859-1";

// The name without the differences spellings make: upper case, no "-",
// "_", blank or ".". "Shift_JIS", "shift-jis" and "SHIFTJIS" are one.
std::string charset_key(std::string_view spelled);

// The iconv name of an encoding as spelled in a record or on the command
// line: "UTF-8" for UTF-8 and plain ASCII, "CP932" for every spelling of
// Shift_JIS (whose 0x5C must stay a backslash), and so on. Names of no
// encoding this table knows are handed on when iconv knows them; none
// for a name of no encoding at all.
std::optional<std::string> charset_name(std::string_view spelled);

// The value of CA in the root node of the game whose "(" begins `text`,
// taken from the raw bytes: keys and the CA value are ASCII in every
// encoding a record may use. None when the root has no CA.
std::optional<std::string> root_charset(std::string_view text);

// The length of the game whose "(" begins `text`, its closing ")"
// included, when its bytes are in `charset` (an iconv name): the
// characters of a double-byte encoding are stepped over whole, so that a
// second byte "\" or "]" is no escape and ends no value. The whole text
// for a game cut short, and for an encoding whose bytes below 0x80 need
// not be ASCII. *closed tells whether the closing ")" was found.
std::size_t game_extent(std::string_view text, std::string_view charset, bool* closed = nullptr);

// Whether `text` is well-formed UTF-8; *ascii tells whether it is ASCII.
bool utf8_text(std::string_view text, bool* ascii = nullptr);
// The length of the longest beginning of `text` that is well-formed UTF-8;
// *ascii tells whether that much is ASCII.
std::size_t utf8_prefix(std::string_view text, bool* ascii = nullptr);

// The multi-byte encoding the bytes look like (an iconv name), or none
// when they look like none or like a single-byte encoding.
std::optional<std::string> guess_multibyte(std::string_view text);

// `text` in `charset` as UTF-8. Every byte that does not decode becomes
// U+FFFD and is counted in *bad. None when there is no converter from
// `charset` on this system.
std::optional<std::string> to_utf8(std::string_view text, std::string_view charset, std::size_t* bad);

// A text of no declared encoding that is not UTF-8 throughout: its UTF-8
// characters kept, every other byte read as Latin-1. Records edited by
// several programs mix the two.
std::string utf8_or_latin1(std::string_view text);

// The rest of `in` converted to UTF-8 from `charset` (an iconv name, as
// -encoding gives it), for the readers that take no CA: one line on
// standard error when bytes had to be read as U+FFFD (`program` and `name`
// begin it) or when there is no such converter (then it is read as
// Latin-1).
std::string read_converted(std::FILE* in, const std::string& charset, const std::string& program,
                           const char* name);

}  // namespace kg
