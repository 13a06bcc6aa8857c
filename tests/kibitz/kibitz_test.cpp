#include "kibitz/kibitz.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "game/game.h"
#include "util/message.h"

namespace kg {
namespace {

struct Line {
  std::optional<std::string> name;
  int rank;
  std::string text;
};

// Counts one node whose text list holds `lines`.
void add(const std::vector<Line>& lines) {
  std::vector<Text> texts(lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].name) texts[i].name = *lines[i].name;
    texts[i].rank = lines[i].rank;
    texts[i].text = lines[i].text;
    if (i > 0) texts[i - 1].next = &texts[i];
  }
  kib_add(texts.data());
}

std::string listing(int order, const char* prefix) {
  testing::internal::CaptureStdout();
  kib_list(order, prefix);
  return testing::internal::GetCapturedStdout();
}

// The name field of every listed line, in listing order.
std::vector<std::string> names(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::size_t open = line.find('{', line.find('}'));
    std::size_t close = line.find('}', open);
    std::string name = line.substr(open + 1, close - open - 1);
    out.push_back(name.substr(0, name.find_last_not_of(' ') + 1));
  }
  return out;
}

class Kibitz : public testing::Test {
 protected:
  void SetUp() override { kib_reset(); }
  void TearDown() override { kib_reset(); }
};

TEST_F(Kibitz, OneRowPerSpeakerAndItsLine) {
  EXPECT_EQ(listing(0, "kdict"), "");
  add({{"kb9", 3000, "hello"}, {std::nullopt, 0, "a plain comment"}});
  add({{"kb9", 2000, "again!"}});  // the rank of the first line stays
  EXPECT_EQ(listing(0, ""), "{  1}{kb9         }{ 3d}{  2}{    11}{  5.50}\n");
  const Kibitzer& row = kibitzers[0];
  EXPECT_TRUE(row.used);
  EXPECT_EQ(row.count, 2);
  EXPECT_EQ(row.chars, 11);
  EXPECT_EQ(row.average, 550);
  EXPECT_FALSE(kibitzers[1].used);
}

TEST_F(Kibitz, NameOrderIsBytewise) {
  add({{"bob", 10, "x"}, {"Zed", 10, "x"}, {"", 10, "x"}, {"al", 10, "x"}});
  EXPECT_EQ(listing(0, "\\kdict"),
            "\\kdict{  1}{            }{ 1k}{  1}{     1}{  1.00}\n"
            "\\kdict{  2}{Zed         }{ 1k}{  1}{     1}{  1.00}\n"
            "\\kdict{  3}{al          }{ 1k}{  1}{     1}{  1.00}\n"
            "\\kdict{  4}{bob         }{ 1k}{  1}{     1}{  1.00}\n");
}

TEST_F(Kibitz, FrequencyAndAmountOrders) {
  add({{"few", 10, "a very long remark indeed"}, {"many", 10, "a"}, {"mid", 10, "abc"}});
  add({{"few", 10, "and another long one"}, {"many", 10, "b"}, {"mid", 10, "de"}});
  add({{"many", 10, "c"}, {"tie", 10, "12345"}});
  // many 3 lines/3 chars, few 2/45, mid 2/5, tie 1/5.
  EXPECT_EQ(names(listing(2, "kfreq")), (std::vector<std::string>{"many", "few", "mid", "tie"}));
  EXPECT_EQ(names(listing(3, "kbyte")), (std::vector<std::string>{"few", "mid", "tie", "many"}));
  // Equal chars and count (aaa and tie: 1/5) fall back to the name.
  add({{"aaa", 10, "12345"}});
  EXPECT_EQ(names(listing(3, "")), (std::vector<std::string>{"few", "mid", "aaa", "tie", "many"}));
  EXPECT_EQ(names(listing(2, "")), (std::vector<std::string>{"many", "few", "mid", "aaa", "tie"}));
}

TEST_F(Kibitz, RankOrder) {
  add({{"z1", 10, "t"},        // 1k
       {"z2", 1, "t"},         // ??
       {"z3", 3000, "t"},      // 3d
       {"z4", 300, "t"},       // 30k
       {"z5", 1000000, "t"},   // not known
       {"z6", -3000, "t"},     // 3d*
       {"z7", 2, "t"},         // NR
       {"z8", 5000, "t"},      // 5d
       {"z9", -1000000, "t"}});  // not known, starred
  std::string out = listing(1, "krank");
  EXPECT_EQ(names(out),
            (std::vector<std::string>{"z9", "z5", "z8", "z6", "z3", "z4", "z1", "z7", "z2"}));
  EXPECT_NE(out.find("krank{  2}{z5          }{XX }{  1}{     1}{  1.00}\n"), std::string::npos);
  EXPECT_NE(out.find("krank{  4}{z6          }{ 3d*}"), std::string::npos);
  EXPECT_NE(out.find("krank{  9}{z2          }{?? }"), std::string::npos);
}

TEST_F(Kibitz, UnknownOrderKeepsThePreviousOne) {
  add({{"b", 10, "x"}, {"a", 10, "x"}});
  add({{"b", 10, "x"}});
  EXPECT_EQ(names(listing(7, "")), (std::vector<std::string>{"a", "b"}));  // by name at start
  EXPECT_EQ(names(listing(2, "")), (std::vector<std::string>{"b", "a"}));
  EXPECT_EQ(names(listing(7, "")), (std::vector<std::string>{"b", "a"}));
  EXPECT_EQ(names(listing(-1, "")), (std::vector<std::string>{"b", "a"}));
  EXPECT_EQ(names(listing(0, "")), (std::vector<std::string>{"a", "b"}));
}

TEST_F(Kibitz, FullTableReportsAndStillCountsKnownSpeakers) {
  std::vector<Line> lines;
  for (int i = 0; i < kKibitzRows; ++i) lines.push_back({"u" + std::to_string(i), 10, "x"});
  add(lines);
  message_column = 0;
  testing::internal::CaptureStderr();
  add({{"newcomer", 10, "x"}, {"u7", 10, "yy"}, {"late", 10, "x"}});
  std::string err = testing::internal::GetCapturedStderr();
  message_column = 0;
  // Two reports, for the two speakers without a row (message may wrap between).
  const std::string report = "Internal error: User table full in kib_add()\n";
  EXPECT_EQ(err.find_first_not_of('\n'), 0u);
  std::size_t first = err.find(report);
  ASSERT_NE(first, std::string::npos);
  std::size_t second = err.find(report, first + report.size());
  ASSERT_NE(second, std::string::npos);
  EXPECT_EQ(err.find(report, second + report.size()), std::string::npos);
  std::string out = listing(0, "");
  EXPECT_EQ(names(out).size(), static_cast<std::size_t>(kKibitzRows));
  EXPECT_EQ(out.find("newcomer"), std::string::npos);
  EXPECT_NE(out.find("{u7          }{ 1k}{  2}{     3}{  1.50}\n"), std::string::npos);
}

}  // namespace
}  // namespace kg
