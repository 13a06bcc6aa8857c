// String utilities (no golden run reaches most of them yet): exact results,
// and texts longer than the static buffers, which are cut, never overrun.
// Wrapped diagnostics: the 72-column rule at its edges and the 2023-byte
// cut; fatal errors carry the whole text.
#include "util/strutil.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "kg_test.h"

namespace kg::test {
namespace {

// A writable, exactly sized copy with `room` spare bytes, so that the
// sanitizer sees any access past them.
struct Buf {
  std::vector<char> bytes;
  explicit Buf(const std::string& s, std::size_t room = 0) : bytes(s.begin(), s.end()) {
    bytes.resize(s.size() + 1 + room, '\0');
  }
  char* get() { return bytes.data(); }
};

TEST(StrUtil, InPlaceAndStaticResults) {
  const std::tuple<char* (*)(char*), const char*, const char*> cases[] = {
      {str_strip, "  abc  \r\n", "abc"},  {str_strip, "a b\tc\ndropped  ", "a b\tc"},
      {str_strip, "x\ry\nz", "x"},        {str_strip, "\vx ", "\vx"},  // blanks: space and tab
      {str_strip, " \t \t", ""},          {strlwr, "aB1-zZ", "ab1-zz"},
      {str_cln, ",'\".", ""},             {str_cln, "\"abc,\"", "abc"},
      {str_cln, "a.", "a"},               {str_unquote, "\"\"abc\"", "abc"},
      {str_unquote, "\"\"\"", ""},        {strupr, "aB1-zZ", "AB1-ZZ"}};
  for (const auto& [fn, in, out] : cases) {
    Buf b(in);
    EXPECT_STREQ(fn(b.get()), out) << in;
  }
  Buf b("ab cd\tef");  // word starts and ends: inside, at the start, on a blank, after a tab
  char* s = b.get();
  for (auto [at, want] : {std::pair{4, 3}, {1, 0}, {2, 3}, {7, 6}})
    EXPECT_EQ(str_bos(s, s + at) - s, want);
  for (auto [at, want] : {std::pair{0, 2}, {2, 2}, {6, 8}}) EXPECT_EQ(str_eos(s + at) - s, want);

  EXPECT_STREQ(str_getkey("AB[cd]"), "AB");
  EXPECT_STREQ(str_getval("AB[c[d]e]"), "c[d]e");  // first '[' to last ']'
  EXPECT_EQ(exit_of([] { str_getkey("abc"); }), "1 Missing open bracket in \"abc\"\n");
  for (const std::string bad : {"ab]", "a[b", "]a["})
    EXPECT_EQ(exit_of([&] { str_getval(bad.c_str()); }),
              "1 Missing bracket(s) in \"" + bad + "\"\n");
  const char* list[] = {"a", "abcd", nullptr, "ab"};
  EXPECT_EQ(
      std::tuple(str_width(list, 4), str_width(list, 1), str_width(list, 0), str_width(nullptr, 3)),
      std::tuple(4, 1, 0, 0));
  EXPECT_EQ(str_strip(nullptr), nullptr);
  EXPECT_STREQ(str_expand("abc", 5), "abc  ");
  for (auto [text, width, want] :
       {std::tuple{"abc", 10, "    abc   "}, {"ab", 5, "  ab "}, {"abcdef", 4, "abcd"}})
    EXPECT_STREQ(str_center(text, width), want) << text;
}

TEST(StrUtil, ShiftsAndSubstitution) {
  Buf b("abcdef", 4);
  char* s = b.get();
  EXPECT_EQ(strlshift(s, s + 2, 3), 0);  // only two characters before p
  EXPECT_EQ(strrshift(s + 1, s, 1), 0);  // p before start
  for (auto [at, by] : {std::pair{4, -2}, {1, 3}, {1, 0}}) EXPECT_EQ(strshift(s, s + at, by), 1);
  EXPECT_STREQ(s, "a   bef");

  Buf g("a-b-c", 2);
  EXPECT_EQ(strgsub(g.get(), "-", "--"), 2);
  EXPECT_STREQ(g.get(), "a--b--c");
  EXPECT_EQ(strgsub(g.get(), "--", ""), 2);
  EXPECT_EQ(strgsub(g.get(), "", "x"), 0);  // must not loop
  EXPECT_STREQ(g.get(), "abc");
  Buf t("one two two", 2);
  EXPECT_EQ(strsub(t.get(), "two", "three"), t.get() + 4);
  EXPECT_EQ(strsub(t.get(), "four", "x"), nullptr);
  EXPECT_STREQ(strsub(t.get(), "three", "3"), "3 two");
  EXPECT_STREQ(t.get(), "one 3 two");
  Buf self("abab", 2);  // the replacement taken from the text it changes
  strsub(self.get(), "b", self.get() + 2);
  EXPECT_STREQ(self.get(), "aabab");
}

// Records of 1 + 7 + 4 + 4 + 41 + 11 + 1 bytes; the count fits five bits.
TEST(StrUtil, CompressedRecords) {
  const std::string longa(40, 'a'), longb = longa + "b";
  const std::vector<std::pair<std::string, int>> records = {
      {"", 0}, {"abcxyz", 0}, {"abcdef", 3}, {"xyz", 0}, {longa, 0}, {longb, 31}, {"", 0}};
  std::FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  for (const auto& [text, count] : records) EXPECT_EQ(str_comp(f, text.c_str()), count) << text;
  EXPECT_EQ(std::ftell(f), 69);
  std::rewind(f);
  std::string bytes(12, '\0');
  ASSERT_EQ(std::fread(bytes.data(), 1, 12, f), 12u);
  EXPECT_EQ(bytes, std::string("\0\0abcxyz\3def", 12));
  std::rewind(f);
  for (const auto& record : records) EXPECT_EQ(str_uncomp(f), record.first);
  EXPECT_EQ(str_uncomp(f), nullptr);  // end of stream
  std::fclose(f);
}

// Every function with a static result, and the in-place ones, on texts
// longer than the 1024-byte buffers.
TEST(StrUtil, LongInputs) {
  const std::string big(2000, 'x');
  Buf s(" " + big + " \r\n"), c("\"" + big + "\""), g(big, 2000);
  const std::vector<std::size_t> lengths = {  // in order: the buffers are changed in place
      std::strlen(str_getkey((big + "[v]").c_str())), std::strlen(str_getval(("k[" + big + "]").c_str())),
      std::strlen(str_expand(big.c_str(), 5000)),     std::strlen(str_expand("x", 2000)),
      std::strlen(str_center(big.c_str(), 2000)),     std::strlen(str_center("x", 1000)),
      std::strlen(str_strip(s.get())),                std::strlen(str_cln(c.get())),
      std::strlen(str_unquote(c.get())),              std::size_t(strgsub(g.get(), "x", "yy")),
      std::strlen(g.get()),                           exit_of([&] { str_getkey(big.c_str()); }).size()};
  EXPECT_EQ(lengths,
            std::vector<std::size_t>({1023, 1023, 1023, 1023, 255, 255, 2000, 2000, 2000, 2000, 4000, 2029}));
  std::FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  for (const std::string& text : {std::string(), big + "a", big + "b", std::string("next")})
    str_comp(f, text.c_str());
  std::rewind(f);
  str_uncomp(f);
  for (int i = 0; i < 2; ++i) EXPECT_EQ(str_uncomp(f), big.substr(0, 1023));
  EXPECT_STREQ(str_uncomp(f), "next");  // the long records were read to their end
  std::fclose(f);
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

}  // namespace
}  // namespace kg::test
