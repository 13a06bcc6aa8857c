// In-place operations on NUL-terminated byte strings. Results that are not
// pointers into the argument live in static buffers of 1024 bytes, one per
// function, overwritten by the next call; longer texts are cut.
#pragma once

#include <cstdio>
#include <string_view>

namespace kg {

// Go boards letter their columns without `i`: 0 is 'a', 8 is 'j'.
// The lower-case letter of a column from 0 to 24.
int column_letter(int column);
// The column of a lower-case letter, or -1 for `i` and non-letters.
int letter_column(int letter);

char* str_strip(char* s);
void str_stripnl(char* s);
char* str_skip(char* s);
char* str_bos(char* start, char* p);
char* str_eos(char* p);
char* str_cln(char* s);
char* str_unquote(char* s);
char* str_getkey(const char* s);
char* str_getval(const char* s);
int str_width(const char* const* list, int n);
char* str_expand(const char* s, int width);
char* str_center(const char* s, int width);
char* strlwr(char* s);
char* strupr(char* s);
int strlshift(char* start, char* p, int n);
// The buffer behind `p` must have room for n more bytes; nothing checks it.
int strrshift(char* start, char* p, int n);
int strshift(char* start, char* p, int n);
// A longer `new_text` grows `s` in place: the buffer must have room for the
// difference (strgsub: for the difference times the number of matches).
char* strsub(char* s, const char* old_text, const char* new_text);
// 0 for an empty `old_text`, which would match after every insertion.
int strgsub(char* s, const char* old_text, const char* new_text);
// Prefix-compressed records: a count byte (0..31) and the rest of the text,
// which must hold no byte below a space.
int str_comp(FILE* stream, const char* text);
// None at the end of the stream.
char* str_uncomp(FILE* stream);

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

}  // namespace kg
