// The kibitz table and its four listings (no device prints them yet): row
// contents, line format, every order with its ties, and a full table.
#include "kibitz/kibitz.h"

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "kg_test.h"

namespace kg::test {
namespace {

struct Line {
  std::optional<std::string> name;
  int rank;
  std::string text;
};

// The table of the test that runs.
KibitzTable table;

// Counts one node whose text list holds `lines`.
void add(const std::vector<Line>& lines) {
  std::vector<Text> texts(lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].name) texts[i].name = *lines[i].name;
    texts[i].rank = lines[i].rank;
    texts[i].text = lines[i].text;
    if (i > 0) texts[i - 1].next = &texts[i];
  }
  table.kib_add(texts.data());
}

std::string listing(int order, const char* prefix = "") {
  testing::internal::CaptureStdout();
  table.kib_list(order, prefix);
  return testing::internal::GetCapturedStdout();
}

// The name field of every listed line, in listing order.
std::vector<std::string> names(int order) {
  std::vector<std::string> out;
  std::istringstream in(listing(order));
  for (std::string line; std::getline(in, line);) {
    std::size_t open = line.find('{', line.find('}'));
    std::string name = line.substr(open + 1, line.find('}', open) - open - 1);
    out.push_back(name.substr(0, name.find_last_not_of(' ') + 1));
  }
  return out;
}
using Names = std::vector<std::string>;

class Kibitz : public testing::Test {
 protected:
  void SetUp() override { table = KibitzTable{}; }
};

TEST_F(Kibitz, RowsAndLines) {
  EXPECT_EQ(listing(0, "kdict"), "");
  add({{"kb9", 3000, "hello"}, {std::nullopt, 0, "a plain comment"}});
  add({{"kb9", 2000, "again!"}, {"Zed", -1000000, "x"}, {"", 10, "x"}, {"al", 2, "x"}});
  // The first line's rank stays; names sort bytewise.
  EXPECT_EQ(listing(0, "\\kdict"),
            "\\kdict{  1}{            }{ 1k}{  1}{     1}{  1.00}\n"
            "\\kdict{  2}{Zed         }{XX*}{  1}{     1}{  1.00}\n"
            "\\kdict{  3}{al          }{NR }{  1}{     1}{  1.00}\n"
            "\\kdict{  4}{kb9         }{ 3d}{  2}{    11}{  5.50}\n");
  EXPECT_EQ(table[3].average, 550);
  EXPECT_FALSE(table[4].used);
}

TEST_F(Kibitz, OrdersAndTheirTies) {
  add({{"few", 10, "a very long remark indeed"}, {"many", 10, "a"}, {"ace", 10, "abc"}});
  add({{"few", 10, "and another long one"}, {"many", 10, "b"}, {"ace", 10, "de"}});
  add({{"many", 10, "c"}, {"tie", 10, "12345"}, {"aaa", 10, "12345"}});
  // many 3 lines/3 chars, few 2/45, ace 2/5, aaa and tie 1/5: each tie is
  // broken by the other count before the name.
  EXPECT_EQ(names(2), (Names{"many", "few", "ace", "aaa", "tie"}));
  EXPECT_EQ(names(3), (Names{"few", "ace", "aaa", "tie", "many"}));
  EXPECT_EQ(names(7), (Names{"few", "ace", "aaa", "tie", "many"}));  // unknown: the last order
  EXPECT_EQ(names(-1), (Names{"few", "ace", "aaa", "tie", "many"}));
  EXPECT_EQ(names(0), (Names{"aaa", "ace", "few", "many", "tie"}));

  table = KibitzTable{};
  // 1k, ??, 3d, 30k, unknown, 3d*, NR, 5d, unknown starred.
  const int ranks[] = {10, 1, 3000, 300, 1000000, -3000, 2, 5000, -1000000};
  for (int i = 0; i < 9; ++i) add({{format_text("z%d", i + 1), ranks[i], "t"}});
  EXPECT_EQ(names(1), (Names{"z9", "z5", "z8", "z6", "z3", "z4", "z1", "z7", "z2"}));
  EXPECT_NE(listing(1, "krank").find("krank{  4}{z6          }{ 3d*}"), std::string::npos);
}

TEST_F(Kibitz, FullTableReportsAndStillCountsKnownSpeakers) {
  std::vector<Line> lines;
  for (int i = 0; i < kKibitzRows; ++i) lines.push_back({format_text("u%d", i), 10, "x"});
  add(lines);
  // One report for each speaker without a row; the message may wrap between.
  const std::string report = "Internal error: User table full in kib_add()\n";
  EXPECT_EQ(stderr_of([] { add({{"newcomer", 10, "x"}, {"u7", 10, "yy"}, {"late", 10, "x"}}); }),
            report + "\n" + report);
  message_column = 0;
  std::string out = listing(0);
  EXPECT_EQ(names(0).size(), static_cast<std::size_t>(kKibitzRows));
  EXPECT_EQ(out.find("newcomer"), std::string::npos);
  EXPECT_NE(out.find("{u7          }{ 1k}{  2}{     3}{  1.50}\n"), std::string::npos);
}

}  // namespace
}  // namespace kg::test
