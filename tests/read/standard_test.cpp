// Standard-format reader where a written record cannot show it: the kinds
// and texts of marks, a missing file, points read for another board size,
// and variations nested too deep for recursion. (Reports, comment pieces,
// user data, variations and whole records are golden runs.)
#include <string>
#include <tuple>
#include <vector>

#include "kg_test.h"

namespace kg::test {
namespace {

class StandardRead : public Fresh {
 protected:
  void TearDown() override { Fresh::TearDown(), unlink(path.c_str()); }
  // Reads `text`, keeping what goes to standard output in `out` (nothing: a
  // record written there must stay whole) and the reports and diagnostics in
  // `err`. The size remembered for UNMARK is set back to 19.
  Game* read(const std::string& text) {
    game_free(game);
    put(path, "BOARDSIZE 19\n");
    stderr_of([this] { game_free(read_standard(path.c_str(), opt())); });
    put(path, text);
    testing::internal::CaptureStdout();
    err = stderr_of([this] { game = read_standard(path.c_str(), opt()); });
    out = testing::internal::GetCapturedStdout();
    return game;
  }

  std::string path = temp_file(), out, err;
};

std::string error(long line, int move, const std::string& text) {
  return format_text("\n*** Line %-6ld  move %-3d ", line, move) + text + "\n";
}
// What the reports of a whole run (golden) do not show: the kind and text of
// each mark.
TEST_F(StandardRead, MarksKeepTheirKindsAndTexts) {
  ASSERT_NE(read("B 1 k10\nMARK A@Q16 xy@D4 Q4 #10-12 all\nMARK abc@Q16 #7 ~@c3\nUNMARK all q4 #3 #4-5 zz\n"),
            nullptr);
  EXPECT_EQ(out, "");
  // The reports come among the notes on marks, in the order of their lines.
  std::size_t bad = err.find(error(3, 1, "Unusable board mark abc@Q16"));
  EXPECT_NE(bad, std::string::npos);
  EXPECT_NE(err.find(error(4, 1, "Unusable board mark zz"), bad), std::string::npos);
  const MoveInfo* info = line(game)[1]->info;
  ASSERT_TRUE(info && info->labels);
  EXPECT_EQ(std::tuple(info->labels->label, info->labels->location), std::tuple('A', 72));
  std::vector<std::pair<int, std::string>> marks;
  for (const Chain* c = info->marks; c; c = c->next) marks.push_back({c->mark, c->text ? *c->text : ""});
  EXPECT_EQ(marks, (std::vector<std::pair<int, std::string>>{{2, "~"}, {7, ""}, {2, "xy"}}));
}

TEST_F(StandardRead, UnopenableFileEndsTheRun) {
  const std::string missing = path + ".missing";
  EXPECT_EQ(stderr_of([&] { EXPECT_EQ(exit_of([&] { read_standard(missing.c_str(), opt()); }), "1 "); }),
            "read_standard(): Can't open \"" + missing + "\"\n");
}

TEST_F(StandardRead, EventResetsSizeButKeepsBoard) {
  // After EVENT points are read for 19 x 19 while the board stays 9 x 9:
  // such points must not reach the board.
  read("BOARDSIZE 9\nEVENT\nSETUP B t19 a1\nMARK t19 A@t18 a9\nDIAGRAM\nHIDE t19 a1\n");
  EXPECT_EQ(game->size, 9);
  const MoveInfo* info = line(game).back()->info;
  ASSERT_TRUE(info && info->added && info->marks && info->cleared);
  EXPECT_EQ(std::tuple(info->added->location, info->added->next, info->marks->next, info->labels,
                       info->cleared->next),
            std::tuple(8 * 9, nullptr, nullptr, nullptr, nullptr));
}

TEST_F(StandardRead, MillionNestedVariations) {
  constexpr int kDepth = 1000000;
  std::string text = "B 1 a1\n";
  text.reserve(kDepth * 11 + 16);
  for (int i = 0; i < kDepth; ++i) text += "VAR\n";
  for (int i = 0; i < kDepth; ++i) text += "ENDVAR\n";
  ASSERT_NE(read(text), nullptr);
  int depth = 0;
  for (Game* v = line(game)[1]->variations; v; v = v->first->next->next->variations) ++depth;
  EXPECT_EQ(depth, kDepth);
  EXPECT_EQ(out, "");
}

// A player line as the writer puts it: the rank in brackets at the end, a
// name's own brackets kept with it, nothing read for an empty name or rank.
TEST_F(StandardRead, PlayersSplitIntoNameAndRank) {
  const std::tuple<const char*, const char*, const char*> players[] = {
      {"Black Foo (5d)", "Foo", "5d"},           {"Black Foo (Bar) ()", "Foo (Bar)", nullptr},
      {"Black (3k)", nullptr, "3k"},             {"Black X (5d (amateur))", "X", "5d (amateur)"},
      {"Black Lee(Korea)", "Lee(Korea)", nullptr}, {"Black", nullptr, nullptr}};
  for (const auto& [text, name, rank] : players) {
    ASSERT_NE(read(std::string(text) + "\nB 1 q16\n"), nullptr);
    // The getters give "" where nothing was read.
    const char* got_name = info_pb(game);
    const char* got_rank = info_br(game);
    EXPECT_EQ(std::string(got_name ? got_name : ""), name ? name : "") << text;
    EXPECT_EQ(std::string(got_rank ? got_rank : ""), rank ? rank : "") << text;
  }
}

// Move numbers as wide as the model's; one past them is refused, not cut.
TEST_F(StandardRead, MoveNumbersPastSixteenBits) {
  ASSERT_NE(read("B 40000 q16\nW 999999999 d4\nB 1000000000 c3\n"), nullptr);
  const auto nodes = line(game);
  ASSERT_EQ(nodes.size(), 3u);
  EXPECT_EQ(std::tuple(nodes[1]->number, nodes[2]->number), std::tuple(40000, 999999999));
  EXPECT_NE(err.find(error(3, 999999999, "Unusable move number 1000000000")), std::string::npos) << err;
}

// A comment's blank lines are paragraph breaks, and a line longer than the
// reader's lines is read whole.
TEST_F(StandardRead, CommentsKeepParagraphsAndLongLines) {
  const std::string word(300, 'x');
  ASSERT_NE(read("B 1 q16\nCOM\na\n\nb " + word + " c\nENDCOM\n"), nullptr);
  std::string text;
  for (const Text* t = line(game)[1]->info->texts; t; t = t->next) text += t->text;
  EXPECT_EQ(text, "a \n\nb " + word + " c ");
}

}  // namespace
}  // namespace kg::test
