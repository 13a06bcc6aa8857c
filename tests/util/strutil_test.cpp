// String utilities: stripping, board letters and point names, line breaks
// and UTF-8. Wrapped diagnostics: the 72-column rule at its edges and the 2023-byte
// cut; fatal errors carry the whole text.
#include "util/strutil.h"

#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "kg_test.h"

namespace kg::test {
namespace {

TEST(StrUtil, StripLettersAndPointNames) {
  const std::pair<std::string_view, std::string_view> strips[] = {
      {"  abc  \r\n", "abc"}, {"a b\tc\ndropped  ", "a b\tc"}, {"x\ry\nz", "x"},
      {"\vx ", "\vx"},  // blanks are spaces and tabs only
      {" \t \t", ""}, {"", ""}, {std::string_view("a\0b ", 4), std::string_view("a\0b", 3)}};
  for (auto [in, out] : strips) EXPECT_EQ(str_strip(in), out) << in;

  // Columns skip i both ways.
  for (int c = 0; c < 25; ++c) EXPECT_EQ(letter_column(column_letter(c)), c);
  EXPECT_EQ(column_letter(8), 'j');
  for (int letter : {int{'i'}, int{'A'}, int{'{'}, 0}) EXPECT_EQ(letter_column(letter), -1);

  // Point 2 + 3 * 19 is c16 on a board, "cd" in SGF.
  const int p = 2 + 3 * 19;
  EXPECT_EQ(point_name(p, 19, PointName::sgf), "cd");
  EXPECT_EQ(point_name(p, 19, PointName::sgf_pair), "(c,d)");
  EXPECT_EQ(point_name(p, 19, PointName::board), "c16");
  EXPECT_EQ(point_name(p, 19, PointName::board_pair), "(c,16)");
  EXPECT_EQ(point_name(8, 9, PointName::board), "j9");
  EXPECT_EQ(point_name(0, 0, PointName::board), "???");
}

TEST(StrUtil, BreaksAndUtf8) {
  for (std::string_view text : {"", "a\n", "a ", "a\t"}) EXPECT_FALSE(text_needs_break(text)) << text;
  for (std::string_view text : {"a", "a\r", "."}) EXPECT_TRUE(text_needs_break(text)) << text;
  for (std::string_view text : {"", "plain", "\xc3\xa9", "\xe6\x9c\xac", "\xf0\x9f\x98\x80"})
    EXPECT_TRUE(valid_utf8(text)) << text;
  // Latin-1, a cut sequence, overlong forms, a surrogate, past U+10FFFF.
  for (std::string_view text : {"\xe9", "\xe6\x9c", "\xc0\xaf", "\xe0\x80\xaf", "\xed\xa0\x80",
                                "\xf4\x90\x80\x80", "\xff"})
    EXPECT_FALSE(valid_utf8(text)) << text;
}

TEST(Message, WrapsAt72ColumnsAndCuts) {
  const std::string note20 = "[Board size = 19x19]";
  const std::tuple<std::vector<std::string>, std::string, int> cases[] = {
      {{note20, note20, note20, note20}, note20 + note20 + note20 + "\n" + note20, 20},
      {{std::string(70, 'a'), "bb", "c"}, std::string(70, 'a') + "bb\nc", 1},  // 72 still fits
      // A message's own line break does not reset the column.
      {{std::string(60, 'x') + "\n", "abcdefghijklm"}, std::string(60, 'x') + "\n\nabcdefghijklm", 13},
      // Even from column 0 a text longer than a line starts with a break.
      {{std::string(5000, 'z')}, std::string("\n").append(2023, 'z'), 2023}};
  for (const auto& [notes, want, column] : cases) {
    EXPECT_EQ(stderr_of([&] { for (const std::string& n : notes) message("%s", n.c_str()); }), want);
    EXPECT_EQ(message_column, column);
  }
  message_column = 0;
}

TEST(Message, FatalCarriesStatusAndWholeText) {
  const std::string long_name(3000, 'n');
  EXPECT_EQ(exit_of([&] {
              fatal(1, "%s: \"%s\" is a bad %s file\n", "kifugram", long_name.c_str(), "SGF");
            }),
            "1 kifugram: \"" + long_name + "\" is a bad SGF file\n");
  EXPECT_EQ(format_text("%d-%s", 7, "x") + format_text("%s", ""), "7-x");
}

// Columns as a fixed-width font shows them, whatever the locale.
TEST(StrUtil, DisplayColumns) {
  EXPECT_EQ(display_columns("Black 12"), 8);
  EXPECT_EQ(display_columns("黒の変化図 ソ"), 13);
  EXPECT_EQ(display_columns("이창호"), 6);
  EXPECT_EQ(display_columns("Ａα"), 3);       // fullwidth A, Greek alpha
  EXPECT_EQ(display_columns("e\xCC\x81"), 1);  // e and a combining acute
  EXPECT_EQ(display_columns("\xFF\xE8"), 2);    // bytes that begin no character
  EXPECT_EQ(display_columns("𠀀"), 2);
  EXPECT_EQ(first_char_length("表x"), 3u);
  EXPECT_EQ(first_char_length("\xE8x"), 1u);
  EXPECT_EQ(first_char_length(""), 0u);
}

}  // namespace
}  // namespace kg::test
