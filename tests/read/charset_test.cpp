// Encodings: the spellings of their names, CA found on raw bytes, the
// extent of a game in a double-byte encoding, the conversion with U+FFFD
// for what does not decode, and the reader taking a game's CA.
#include <cstdint>
#include <string>
#include <tuple>

#include "kg_test.h"
#include "read/charset.h"
#include "util/strutil.h"

namespace kg::test {
namespace {

using Charset = SgfTest;

TEST(CharsetNames, EverySpellingInUseIsOneName) {
  const std::tuple<const char*, const char*> names[] = {
      {"UTF-8", "UTF-8"},         {"utf8", "UTF-8"},          {"Utf_8", "UTF-8"},
      {"US-ASCII", "UTF-8"},      {"ascii", "UTF-8"},         {"ISO-8859-1", "ISO-8859-1"},
      {"ISO8859_1", "ISO-8859-1"}, {"iso-8859-1", "ISO-8859-1"}, {"latin1", "ISO-8859-1"},
      {"Latin-1", "ISO-8859-1"},  {"SJIS", "CP932"},          {"Shift_JIS", "CP932"},
      {"shift-jis", "CP932"},     {"x-sjis", "CP932"},        {"CP932", "CP932"},
      {"Windows-31J", "CP932"},   {"MS_Kanji", "CP932"},      {"EUC-JP", "EUC-JP"},
      {"eucjp", "EUC-JP"},        {"GB2312", "GB18030"},      {"gbk", "GB18030"},
      {"GB18030", "GB18030"},     {"cp936", "GB18030"},       {"EUC-CN", "GB18030"},
      {"Big5", "BIG5"},           {"big-5", "BIG5"},          {"BIG5-HKSCS", "BIG5-HKSCS"},
      {"CP950", "CP950"},         {"EUC-KR", "CP949"},        {"euc_kr", "CP949"},
      {"CP949", "CP949"},         {"UHC", "CP949"},           {"KS_C_5601-1987", "CP949"},
      {"ISO-8859-5", "ISO-8859-5"}, {"iso8859_15", "ISO-8859-15"}, {"windows-1251", "CP1251"},
      {"CP1252", "CP1252"},       {"KOI8-R", "KOI8-R"},       {" sjis ", "CP932"},
  };
  for (const auto& [spelled, name] : names) EXPECT_EQ(charset_name(spelled).value_or("none"), name) << spelled;
  EXPECT_EQ(charset_key("Shift_JIS"), "SHIFTJIS");
  EXPECT_EQ(charset_key(" iso-8859.1 "), "ISO88591");
  for (const char* nonsense : {"", "-", "klingon", "UTF-9", "ISO-8859-99x"})
    EXPECT_FALSE(charset_name(nonsense)) << nonsense;
}

TEST(CharsetScan, CaOfTheRootOnRawBytes) {
  EXPECT_EQ(root_charset("(;FF[4]CA[SJIS]GM[1];B[aa])").value_or("none"), "SJIS");
  EXPECT_EQ(root_charset("(\n ;GM[1]\nCA[ UTF-8 ]\n;B[aa])").value_or("none"), "UTF-8");
  // Only the root counts; long spellings keep their capitals.
  EXPECT_FALSE(root_charset("(;GM[1];B[aa]CA[SJIS])"));
  EXPECT_EQ(root_charset("(;ChArset[latin1])").value_or("none"), "latin1");
  // A value whose last byte is the second byte "\" of 表 in Shift_JIS hides
  // the ones after it from the scanner's rules: CA is found all the same.
  EXPECT_EQ(root_charset("(;PB[\x95\x5c]PW[\x94\x5c]CA[shift_jis]C[x];B[aa])").value_or("none"), "shift_jis");
  // ... but never in a comment's text, nor after the first move.
  EXPECT_FALSE(root_charset("(;C[see CA[SJIS]];B[aa])"));
  EXPECT_FALSE(root_charset("(;C[\x95\x5c see CA[SJIS]];B[aa])"));
  EXPECT_FALSE(root_charset("(;PB[\x95\x5c]C[x];B[aa]CA[SJIS])"));
  EXPECT_FALSE(root_charset("(;GM[1]C[no CA here])"));
}

TEST(CharsetScan, ExtentStepsOverDoubleByteCharacters) {
  // 表] in Shift_JIS: 95 5C 5D. As bytes the "\" escapes the "]".
  const std::string sjis = "(;PB[\x95\x5c](;B[aa])(;B[bb]))x";
  EXPECT_EQ(game_extent(sjis, "CP932"), sjis.size() - 1);
  EXPECT_EQ(game_extent(sjis, "ISO-8859-1"), sjis.find("])") + 2);  // as bytes the game ends early
  // 許 in Big5 is B3 5C; 嘰 in GBK 87 5C; a GB18030 four-byte character.
  const std::string big5 = "(;C[\xb3\x5c];B[aa])x";
  EXPECT_EQ(game_extent(big5, "BIG5"), big5.size() - 1);
  const std::string gbk = "(;C[\x87\x5c]\x81\x30\x81\x30;B[aa])x";
  EXPECT_EQ(game_extent(gbk, "GB18030"), gbk.size() - 1);
  // A lead byte without a second byte of its range is a byte of its own.
  const std::string lone = "(;C[\x81]B[aa])x";
  EXPECT_EQ(game_extent(lone, "CP932"), lone.size() - 1);
  EXPECT_EQ(game_extent("(;C[a\\]b](;B[aa]))x", "UTF-8"), 18u);
  EXPECT_EQ(game_extent("(;C[cut short", "CP932"), 13u);
}

TEST(CharsetConvert, BadBytesBecomeReplacementCharacters) {
  std::size_t bad = 0;
  EXPECT_EQ(to_utf8("\x95\x5c\x94\x5c\x83\x5c", "CP932", &bad).value_or("none"), "表能ソ");
  EXPECT_EQ(bad, 0u);
  // 81 20: a lead byte before a blank; A0 and FF: no character; 85 5C: a pair
  // of the ranges that names no character, stepped over whole.
  EXPECT_EQ(to_utf8("a\x81 b\xa0\xff\x85\x5c]", "CP932", &bad).value_or("none"),
            "a\xEF\xBF\xBD b\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD]");
  EXPECT_EQ(bad, 4u);
  bad = 0;
  EXPECT_EQ(to_utf8("caf\xe9 \xff", "ISO-8859-1", &bad).value_or("none"), "café ÿ");
  EXPECT_EQ(bad, 0u);
  EXPECT_EQ(to_utf8("ok \xe8\xa1 \xed\xa0\x80 \xc3\xa9", "UTF-8", &bad).value_or("none"),
            "ok \xEF\xBF\xBD\xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD é");
  EXPECT_EQ(bad, 5u);
  bad = 0;
  EXPECT_EQ(to_utf8("\xb3\x5c\xa5\x5c", "BIG5", &bad).value_or("none"), "許功");
  EXPECT_EQ(to_utf8("\xc0\xcc\xc3\xa2\xc8\xa3", "CP949", &bad).value_or("none"), "이창호");
  EXPECT_EQ(to_utf8("\x81\x30\x81\x30", "GB18030", &bad).value_or("none"), "\xC2\x80");
  // Cut short inside a character: one replacement for the rest.
  EXPECT_EQ(to_utf8("x\x95", "CP932", &bad).value_or("none"), "x\xEF\xBF\xBD");
  EXPECT_EQ(bad, 1u);
  EXPECT_FALSE(to_utf8("x", "NO-SUCH-ENCODING", &bad));
}

TEST(CharsetConvert, UndeclaredTextKeepsItsUtf8) {
  EXPECT_EQ(utf8_or_latin1("J\xf6rg \xe6\x9c\xac \xc3\xa9 \xe6\x9c"), "Jörg 本 é æ\xC2\x9C");
  EXPECT_EQ(utf8_or_latin1("plain"), "plain");
}

TEST(CharsetConvert, Utf8AndAscii) {
  bool ascii = false;
  EXPECT_TRUE(utf8_text("(;B[aa]C[plain text, long enough for words])", &ascii));
  EXPECT_TRUE(ascii);
  EXPECT_TRUE(utf8_text("(;PB[本因坊秀策])", &ascii));
  EXPECT_FALSE(ascii);
  for (const char* bad : {"\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "abcdefgh\x80", "\xe8\xa1",
                          "\xe6\x9c\xac\xe5\x9b\xa0\xe0\x80\x80", "\xe6\x9c\xac\xed\xbf\xbf x"})
    EXPECT_FALSE(utf8_text(bad)) << bad;
  // The same verdict as the plain check on random texts of characters and
  // broken pieces of them, wherever they fall in the words it reads.
  std::uint32_t seed = 23;
  auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
  const char* pieces[] = {"a", " ", "本", "é", "𠀀", "\xe6\x9c", "\x80", "\xed\x9f\xbf", "\xed\xa0\x80",
                          "\xe0\xa0\x80", "\xe0\x9f\xbf", "\xef\xbf\xbf", "\xf4\x8f\xbf\xbf", "\xf5\x80"};
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    for (int n = static_cast<int>(next() >> 26); n > 0; --n) {
      const std::uint32_t pick = next() >> 16;
      text += pieces[pick % 16 < 6 ? pick % 6 : pick % std::size(pieces)];
    }
    ASSERT_EQ(utf8_text(text), valid_utf8(text)) << testing::PrintToString(text);
  }
}

TEST_F(Charset, EachGameReadByItsOwnCa) {
  // 表 能 in Shift_JIS, then 許 in Big5: each game by its own CA.
  const std::string sjis = "(;CA[SJIS]PB[\x95\x5c]C[\x94\x5c];B[aa])";
  Game* g = read(sjis);
  ASSERT_NE(g, nullptr);
  EXPECT_STREQ(info_pb(g), "表");
  EXPECT_EQ(g->charset, "UTF-8");
  EXPECT_EQ(last_offset_, static_cast<long>(sjis.size()));
  g = read("(;CA[big5]PW[\xb3\x5c]\n;B[aa])");
  ASSERT_NE(g, nullptr);
  EXPECT_STREQ(info_pw(g), "許");
  // A UTF-8 or ASCII record is read as it is and keeps its CA.
  g = read("(;CA[ISO-8859-1]PB[Shusaku];B[aa])");
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->charset, "ISO-8859-1");
  g = read("(;PB[秀策];B[aa])");
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->charset, "");
  // -encoding over CA.
  opt().encoding = "CP932";
  g = read("(;CA[ISO-8859-1]PB[\x95\x5c];B[aa])");
  ASSERT_NE(g, nullptr);
  EXPECT_STREQ(info_pb(g), "表");
}

TEST_F(Charset, WhatCannotBeReadIsSaidOnce) {
  Game* g = nullptr;
  EXPECT_EQ(read_errors("(;CA[SJIS]PB[\x95\x5c]C[\xff\xff\x81 ];B[aa])", &g),
            "kifugram: \"t.sgf\": 3 byte sequences not CP932, each read as U+FFFD\n");
  ASSERT_NE(g, nullptr);
  ASSERT_TRUE(line(g)[1]->info && line(g)[1]->info->texts);
  EXPECT_EQ(line(g)[1]->info->texts->text, "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD \n");
  // Latin-1, the default, reads every byte.
  EXPECT_EQ(read_errors("(;PB[Jos\xe9];B[aa])", &g), "");
  ASSERT_NE(g, nullptr);
  EXPECT_STREQ(info_pb(g), "José");
}

}  // namespace
}  // namespace kg::test
