#include "util/strutil.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "util/message.h"

namespace kg {
namespace {

// A writable, exactly sized copy, so that the sanitizer sees any read or
// write past the terminator.
struct Buf {
  std::vector<char> bytes;
  explicit Buf(const std::string& s, std::size_t room = 0) : bytes(s.begin(), s.end()) {
    bytes.resize(s.size() + 1 + room, '\0');
  }
  char* get() { return bytes.data(); }
};

TEST(StrUtil, StripFamily) {
  for (auto [in, out] : {std::pair{"  abc  \r\n", "abc"}, {"", ""}, {" \t \t", ""},
                         {"a b\tc\ndropped  ", "a b\tc"}, {"x\ry\nz", "x"}, {"\vx ", "\vx"}}) {
    Buf b(in);  // only space and tab count as blank
    EXPECT_STREQ(str_strip(b.get()), out) << in;
  }
  EXPECT_EQ(str_strip(nullptr), nullptr);
}

TEST(StrUtil, WordBoundaries) {
  Buf b("ab cd\tef");
  char* s = b.get();
  EXPECT_EQ(str_bos(s, s + 4), s + 3);  // inside "cd"
  EXPECT_EQ(str_bos(s, s + 1), s);      // reaches the start
  EXPECT_EQ(str_bos(s, s + 2), s + 3);  // on a blank: one after it
  EXPECT_EQ(str_bos(s, s + 7), s + 6);  // after a tab
  Buf lead(" x");
  EXPECT_EQ(str_bos(lead.get(), lead.get() + 1), lead.get() + 1);  // start is blank
  EXPECT_EQ(str_eos(s), s + 2);
  EXPECT_EQ(str_eos(s + 2), s + 2);
  EXPECT_EQ(str_eos(s + 6), s + 8);  // runs to the terminator
}

TEST(StrUtil, CleanAndUnquote) {
  for (const char* in : {"...", "", ".", ",'\"."}) {
    Buf b(in);
    EXPECT_STREQ(str_cln(b.get()), "") << in;
  }
  Buf quoted("\"abc,\"");
  EXPECT_STREQ(str_cln(quoted.get()), "abc");
  Buf one("a.");  // two characters: the period goes, the 'a' stays
  EXPECT_STREQ(str_cln(one.get()), "a");

  Buf q("\"\"abc\"");
  EXPECT_STREQ(str_unquote(q.get()), "abc");
  Buf only("\"\"\"");
  EXPECT_STREQ(str_unquote(only.get()), "");
}

void expect_exit(void (*call)(), const char* text) {
  try {
    call();
    ADD_FAILURE() << "no Exit for " << text;
  } catch (const Exit& e) {
    EXPECT_EQ(e.status(), 1);
    EXPECT_STREQ(e.text(), text);
  }
}

TEST(StrUtil, KeyAndValue) {
  EXPECT_STREQ(str_getkey("AB[cd]"), "AB");
  EXPECT_STREQ(str_getkey("[x]"), "");
  EXPECT_STREQ(str_getval("AB[c[d]e]"), "c[d]e");  // first '[' to last ']'
  expect_exit([] { str_getkey("abc"); }, "Missing open bracket in \"abc\"\n");
  expect_exit([] { str_getval("ab]"); }, "Missing bracket(s) in \"ab]\"\n");
  expect_exit([] { str_getval("a[b"); }, "Missing bracket(s) in \"a[b\"\n");
  expect_exit([] { str_getval("]a["); }, "Missing bracket(s) in \"]a[\"\n");
}

TEST(StrUtil, Fields) {
  const char* list[] = {"a", "abcd", nullptr, "ab"};
  EXPECT_EQ(str_width(list, 4), 4);
  EXPECT_EQ(str_width(list, 1), 1);
  EXPECT_EQ(str_width(list, 0), 0);
  EXPECT_EQ(str_width(nullptr, 3), 0);

  EXPECT_STREQ(str_expand("abc", 5), "abc  ");
  EXPECT_STREQ(str_expand("abcdef", 2), "ab");

  EXPECT_STREQ(str_center("abc", 10), "    abc   ");
  EXPECT_STREQ(str_center("ab", 5), "  ab ");
  EXPECT_STREQ(str_center("abcdef", 4), "abcd");
  EXPECT_STREQ(str_center("", 3), "   ");
  EXPECT_EQ(std::strlen(str_center("x", 1000)), 255u);

  Buf mixed("aB1-zZ");
  EXPECT_STREQ(strlwr(mixed.get()), "ab1-zz");
  EXPECT_STREQ(strupr(mixed.get()), "AB1-ZZ");
}

TEST(StrUtil, Shifts) {
  Buf b("abcdef", 4);
  char* s = b.get();
  EXPECT_EQ(strlshift(s, s + 2, 3), 0);  // only two characters before p
  EXPECT_STREQ(s, "abcdef");
  EXPECT_EQ(strlshift(s, s + 4, 2), 1);
  EXPECT_STREQ(s, "abef");
  EXPECT_EQ(strrshift(s, s + 1, 3), 1);
  EXPECT_STREQ(s, "a   bef");
  EXPECT_EQ(strrshift(s + 1, s, 1), 0);  // p before start
  EXPECT_EQ(strshift(s, s + 4, -3), 1);
  EXPECT_STREQ(s, "abef");
  EXPECT_EQ(strshift(s, s + 4, 0), 1);
  EXPECT_STREQ(s, "abef");
}

TEST(StrUtil, Substitution) {
  Buf g("a-b-c", 2);
  EXPECT_EQ(strgsub(g.get(), "-", "--"), 2);
  EXPECT_STREQ(g.get(), "a--b--c");
  EXPECT_EQ(strgsub(g.get(), "--", ""), 2);
  EXPECT_STREQ(g.get(), "abc");
  EXPECT_EQ(strgsub(g.get(), "", "x"), 0);  // must not loop
  EXPECT_STREQ(g.get(), "abc");

  Buf s("one two two", 2);
  char* at = strsub(s.get(), "two", "three");
  ASSERT_NE(at, nullptr);
  EXPECT_EQ(at, s.get() + 4);
  EXPECT_STREQ(s.get(), "one three two");
  EXPECT_EQ(strsub(s.get(), "four", "x"), nullptr);
  EXPECT_STREQ(strsub(s.get(), "three", "3"), "3 two");
  EXPECT_STREQ(s.get(), "one 3 two");
  Buf self("abab", 2);  // replacement taken from the text it changes
  strsub(self.get(), "b", self.get() + 2);
  EXPECT_STREQ(self.get(), "aabab");
}

TEST(StrUtil, CompressedRecords) {
  std::FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  str_comp(f, "");  // both sides start from an empty previous text
  EXPECT_EQ(str_comp(f, "abcxyz"), 0);
  EXPECT_EQ(str_comp(f, "abcdef"), 3);
  EXPECT_EQ(str_comp(f, "xyz"), 0);
  std::string longa(40, 'a'), longb = std::string(40, 'a') + "b";
  EXPECT_EQ(str_comp(f, longa.c_str()), 0);
  EXPECT_EQ(str_comp(f, longb.c_str()), 31);  // the count fits five bits
  EXPECT_EQ(str_comp(f, ""), 0);
  EXPECT_EQ(std::ftell(f), 1 + 7 + 4 + 4 + 41 + 11 + 1);

  std::rewind(f);
  std::string bytes(64, '\0');
  ASSERT_EQ(std::fread(bytes.data(), 1, 12, f), 12u);
  EXPECT_EQ(bytes.substr(0, 12), std::string("\0\0abcxyz\3def", 12));

  std::rewind(f);
  EXPECT_STREQ(str_uncomp(f), "");
  EXPECT_STREQ(str_uncomp(f), "abcxyz");
  EXPECT_STREQ(str_uncomp(f), "abcdef");
  EXPECT_STREQ(str_uncomp(f), "xyz");
  EXPECT_EQ(str_uncomp(f), longa);
  EXPECT_EQ(str_uncomp(f), longb);
  EXPECT_STREQ(str_uncomp(f), "");
  EXPECT_EQ(str_uncomp(f), nullptr);  // end of stream
  std::fclose(f);
}

// Every function with a static result, and the in-place ones, on texts
// longer than the 1024-byte buffers: cut, never overrun (sanitizer build).
TEST(StrUtil, LongInputs) {
  const std::string big(2000, 'x');
  EXPECT_EQ(std::strlen(str_getkey((big + "[v]").c_str())), 1023u);
  EXPECT_EQ(std::strlen(str_getval(("k[" + big + "]").c_str())), 1023u);
  EXPECT_EQ(std::strlen(str_expand(big.c_str(), 5000)), 1023u);
  EXPECT_EQ(std::strlen(str_expand("x", 2000)), 1023u);
  EXPECT_EQ(std::strlen(str_center(big.c_str(), 2000)), 255u);
  try {
    str_getkey(big.c_str());
    ADD_FAILURE();
  } catch (const Exit& e) {
    EXPECT_EQ(std::strlen(e.text()), big.size() + 27);
  }

  Buf s(" " + big + " \r\n");
  EXPECT_EQ(std::strlen(str_strip(s.get())), 2000u);
  Buf c("\"" + big + "\"");
  EXPECT_EQ(std::strlen(str_cln(c.get())), 2000u);
  EXPECT_EQ(std::strlen(str_unquote(c.get())), 2000u);

  Buf g(big, 2000);
  EXPECT_EQ(strgsub(g.get(), "x", "yy"), 2000);
  EXPECT_EQ(std::strlen(g.get()), 4000u);

  std::FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  str_comp(f, "");
  str_comp(f, (big + "a").c_str());
  str_comp(f, (big + "b").c_str());
  str_comp(f, "next");
  std::rewind(f);
  str_uncomp(f);
  EXPECT_EQ(str_uncomp(f), big.substr(0, 1023));
  EXPECT_EQ(str_uncomp(f), big.substr(0, 1023));
  EXPECT_STREQ(str_uncomp(f), "next");  // the long records were read to their end
  std::fclose(f);
}

}  // namespace
}  // namespace kg
