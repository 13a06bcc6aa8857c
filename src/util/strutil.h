// Small operations on texts and board letters.
#pragma once

#include <string>
#include <string_view>

namespace kg {

// Go boards letter their columns without `i`: 0 is 'a', 8 is 'j'.
// The lower-case letter of a column from 0 to 24.
int column_letter(int column);
// The column of a lower-case letter, or -1 for `i` and non-letters.
int letter_column(int letter);

// How a point is named in notes and messages.
enum class PointName {
  sgf,         // "cd": column and row letters from 'a', row 0 at the top
  sgf_pair,    // "(c,d)"
  board,       // "c16": the column's board letter, the row counted from the bottom
  board_pair,  // "(c,16)"
};
// The name of `location` on a board of `size` points a side.
std::string point_name(int location, int size, PointName style);

// The text before its first line break, without blanks (spaces and tabs)
// at either end.
std::string_view str_strip(std::string_view s);

// Whether a stored text needs a line feed written after it before the next
// text is joined on: true when it is not empty and ends in neither a line
// feed nor a blank (a space or a tab). The pieces of an SGF or standard-
// format comment end in one of them and continue each other; a Tavolin
// comment, a kibitz remark or an SGF value cut at its length limit ends in
// neither and would run into the next text. Every writer and device that
// puts out the texts of a node one after another asks this after each text.
bool text_needs_break(std::string_view text);

// Whether `text` is well-formed UTF-8: no overlong forms, surrogates or code
// points past U+10FFFF.
bool valid_utf8(std::string_view text);

// The columns a UTF-8 text takes on a terminal or in a fixed-width font,
// whatever the locale: East Asian wide and fullwidth characters two, marks
// that combine with the character before them none, anything else one (a
// byte that begins no character too).
int display_columns(std::string_view text);
// The length in bytes of the character that begins `text` (UTF-8; 1 for a
// byte that begins none; 0 for an empty text).
std::size_t first_char_length(std::string_view text);

}  // namespace kg
