// Standard-format reader: every report on bad input, and what a written
// record cannot show: comment pieces, user data, marks, points read for
// another board size, and variations nested too deep for recursion.
// (Moves, passes, headers and whole records are golden runs.)
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "kg_test.h"

namespace kg::test {
namespace {

class StandardRead : public Fresh {
 protected:
  void TearDown() override { Fresh::TearDown(), unlink(path.c_str()); }
  // Reads `text`, keeping the reports (standard output) in `out` and the
  // diagnostics in `err`. The size remembered for UNMARK is set back to 19.
  Game* read(const std::string& text) {
    game_free(game);
    put(path, "BOARDSIZE 19\n");
    testing::internal::CaptureStdout();
    game_free(read_standard(path.c_str()));
    testing::internal::GetCapturedStdout();
    put(path, text);
    testing::internal::CaptureStdout();
    err = stderr_of([this] { game = read_standard(path.c_str()); });
    out = testing::internal::GetCapturedStdout();
    return game;
  }

  std::string path = temp_file(), out, err;
};

std::string error(long line, int move, const std::string& text) {
  return format_text("\n*** Line %-6ld  move %-3d ", line, move) + text + "\n";
}
std::string lines(int count, char first, bool cycle = true) {  // of 200 letters each
  std::string text;
  for (int i = 0; i < count; ++i) text += std::string(200, cycle ? first + i % 26 : first) + "\n";
  return text;
}
using Texts = std::vector<std::string>;
Texts texts(const Game* g, int node) {
  Texts all;
  for (const Text* t = line(g)[node]->info ? line(g)[node]->info->texts : nullptr; t; t = t->next)
    all.push_back(t->text);
  return all;
}

// Each input with its reports, diagnostics and what it stored.
TEST_F(StandardRead, ReportsAndWhatIsStored) {
  std::string words;  // 80 columns of words
  for (int i = 0; i < 20; ++i) words += "abc ";
  const struct {
    std::string text, out, err;
    std::function<void(const Game*)> check;
  } cases[] = {
      // A comment at the end of the input is flushed there; "End of the
      // game" closes a comment and the rest of its line is lost.
      {"B 1 Q16\nCOM\nfirst\nEnd of the game\nsecond\n", error(5, 1, "Unable to use data second"), "",
       [](const Game* g) { EXPECT_EQ(texts(g, 1), Texts{"first "}); }},
      // The first piece ends at the first blank after 64; white space after a break is skipped.
      {"COM\n" + words + "\nENDCOM\n", "", "",
       [&](const Game* g) { EXPECT_EQ(texts(g, 0), (Texts{words.substr(0, 64), words.substr(64)})); }},
      {"COM\n" + std::string(63, 'a') + "\t \t b\nENDCOM\n", "", "",
       [](const Game* g) { EXPECT_EQ(texts(g, 0), (Texts{std::string(63, 'a') + "\t", "b "})); }},
      {"COM\n" + lines(25, 'a') + "ENDCOM\n", error(26, 0, "Comment too long " + std::string(200, 'y')), "",
       [](const Game* g) {
         std::size_t size = 0;
         for (auto& p : texts(g, 0)) size += p.size();
         EXPECT_LT(size, 5001u);
       }},
      {"USER one\ntwo\nEND\nENDUSER\nENDUSER\nUSER\n",  // the last USER adds an empty line
       error(3, 0, "Unopened comment ") + error(5, 0, "Unopened user data ") +
           error(6, 0, "Unclosed user data "),
       "", [](const Game* g) { EXPECT_STREQ(info_us(g), "one\ntwo\n"); }},
      {"USER\n" + lines(30, 'u', false) + "ENDUSER\n",
       error(26, 0, "User data too long " + std::string(200, 'u')), "",
       [](const Game* g) { EXPECT_LE(std::string(info_us(g)).size(), 4999u); }},
      {"B 1 k10\nMARK A@Q16 xy@D4 Q4 #10-12 all\nMARK abc@Q16 #7 ~@c3\nUNMARK all q4 #3 #4-5 zz\n",
       error(3, 1, "Unusable board mark abc@Q16") + error(4, 1, "Unusable board mark zz"),
       // the message column passes 72 twice: a line break comes first
       "Mark on moves 10 to 12\nMark all move numbers\nMark on move 7\nUnmark\n all marks\n"
       "Unmark mark on point or stone at q4\nUnmark number on move 3\n\nUnmark numbers on moves 4 to 5\n",
       [](const Game* g) {
         const MoveInfo* info = line(g)[1]->info;
         ASSERT_TRUE(info && info->labels);
         EXPECT_EQ(std::tuple(info->labels->label, info->labels->location), std::tuple('A', 72));
         std::vector<std::pair<int, std::string>> marks;
         for (const Chain* c = info->marks; c; c = c->next)
           marks.push_back({c->mark, c->text ? c->text : ""});
         EXPECT_EQ(marks, (std::vector<std::pair<int, std::string>>{{2, "~"}, {7, ""}, {2, "xy"}}));
       }},
      {"VAR\nENDVAR\nB 1 a1\nVAR\nB 1 b1\n",
       error(1, 0, "Unusable variation ") + error(2, 0, "Unusable variation ") +
           error(2, 0, "Unopened variation ") + error(5, 1, "Unclosed variation "),
       "", [](const Game* g) { EXPECT_NE(line(g)[1]->variations, nullptr); }},
      // A variation after a pass or after DIAGRAM is usable.
      {"B 1 a1\nW 2 pass\nVAR\nW 2 b1\nENDVAR\nDIAGRAM\nVAR\nENDVAR\n", "", "", [](const Game*) {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    ASSERT_NE(read(c.text), nullptr);
    EXPECT_EQ(out, c.out);
    EXPECT_EQ(err, c.err);
    c.check(game);
  }
}

TEST_F(StandardRead, UnopenableFileEndsTheRun) {
  const std::string missing = path + ".missing";
  EXPECT_EQ(stderr_of([&] { EXPECT_EQ(exit_of([&] { read_standard(missing.c_str()); }), "1 "); }),
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

}  // namespace
}  // namespace kg::test
