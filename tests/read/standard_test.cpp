// Standard-format reader: moves and passes, sizes, comments and user data,
// setup, marks, variations, error reports, and the limits of the format.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "game/game.h"
#include "main/settings.h"
#include "read/readers.h"
#include "util/message.h"

namespace kg {
namespace {

class StandardRead : public testing::Test {
 protected:
  void SetUp() override {
    settings_reset();
    sgfwarn = 1;
    message_column = 0;
    char dir[] = "/tmp/kg-sf-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    path = std::string(dir) + "/game.sf";
  }
  void TearDown() override {
    game_free(game);
    std::remove(path.c_str());
    rmdir(path.substr(0, path.rfind('/')).c_str());
  }

  // Reads `text`; the error reports (standard output) and the diagnostics
  // (standard error) are kept in `out` and `err`. The size remembered for
  // UNMARK reports is set back to 19 first.
  Game* read(const std::string& text) {
    game_free(game);
    write_file("BOARDSIZE 19\n");
    testing::internal::CaptureStdout();
    game_free(read_standard(path.c_str()));
    testing::internal::GetCapturedStdout();
    write_file(text);
    message_column = 0;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    game = read_standard(path.c_str());
    out = testing::internal::GetCapturedStdout();
    err = testing::internal::GetCapturedStderr();
    return game;
  }
  void write_file(const std::string& text) const {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
  static std::vector<Move*> line(const Game* g) {
    std::vector<Move*> nodes;
    for (Move* m = g->first; m; m = m->next) nodes.push_back(m);
    return nodes;
  }
  static std::vector<std::string> texts(const Move* m) {
    std::vector<std::string> all;
    for (const Text* t = m->info ? m->info->texts : nullptr; t; t = t->next) all.push_back(t->text);
    return all;
  }
  static std::string error(long line, int move, const std::string& text) {
    char head[64];
    std::snprintf(head, sizeof head, "\n*** Line %-6ld  move %-3d ", line, move);
    return head + text + "\n";
  }

  std::string path, out, err;
  Game* game = nullptr;
};

TEST_F(StandardRead, MovesAndPasses) {
  ASSERT_NE(read("B 1 Q16\nW 2 d4\nB 3 pass\nW 4 T\nb 5 tenuki\n"), nullptr);
  auto nodes = line(game);
  ASSERT_EQ(nodes.size(), 6u);
  EXPECT_EQ(nodes[1]->location, 72);
  EXPECT_EQ(nodes[1]->colour, BLACK);
  EXPECT_EQ(nodes[1]->number, 1);
  EXPECT_EQ(nodes[2]->location, 3 + 15 * 19);
  EXPECT_EQ(nodes[2]->colour, WHITE);
  EXPECT_EQ(nodes[2]->number, 2);
  for (int i = 3; i < 6; ++i) {
    EXPECT_EQ(nodes[i]->location, LOC_PASS);
    EXPECT_EQ(nodes[i]->number, i);
    EXPECT_EQ(nodes[i]->colour, i % 2 ? BLACK : WHITE);
  }
  EXPECT_EQ(out, "");
  EXPECT_EQ(game->view.width, 19);
  EXPECT_EQ(game->view.height, 19);
}

TEST_F(StandardRead, CommentGoesToMoveBefore) {
  read("B 1 Q16\nCOM Opening\nGood shape.\nENDCOM\nW 2 C3\n");
  auto nodes = line(game);
  ASSERT_EQ(nodes.size(), 3u);
  EXPECT_EQ(texts(nodes[1]), std::vector<std::string>{"Opening\n\nGood shape. "});
  EXPECT_TRUE(texts(nodes[2]).empty());
  // A comment at the end of the input is flushed there; "End of the game"
  // closes a comment and the rest of its line is lost.
  read("B 1 Q16\nCOM\nfirst\nEnd of the game\nsecond\n");
  EXPECT_EQ(texts(line(game)[1]), std::vector<std::string>{"first "});
  EXPECT_EQ(out, error(5, 1, "Unable to use data second"));
}

TEST_F(StandardRead, CommentPieces) {
  // 80 columns of words: the first piece ends at the first blank after 64.
  std::string words;
  for (int i = 0; i < 20; ++i) words += "abc ";
  read("COM\n" + words + "\nENDCOM\n");
  auto pieces = texts(line(game)[0]);
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(pieces[0], words.substr(0, 64));
  EXPECT_EQ(pieces[1], words.substr(64));
  // White space after a break is skipped.
  read("COM\n" + std::string(63, 'a') + "\t \t b\nENDCOM\n");
  EXPECT_EQ(texts(line(game)[0]), (std::vector<std::string>{std::string(63, 'a') + "\t", "b "}));
}

TEST_F(StandardRead, CommentLimit) {
  std::string text;
  for (int i = 0; i < 30; ++i) text += std::string(200, 'a' + i % 26) + "\n";
  read("COM\n" + text + "ENDCOM\n");
  std::string joined;
  for (auto& p : texts(line(game)[0])) joined += p;
  EXPECT_LT(joined.size(), 5001u);
  EXPECT_NE(out.find("Comment too long " + std::string(200, 'y')), std::string::npos);
}

TEST_F(StandardRead, UserData) {
  read("USER one\ntwo\nEND\nENDUSER\nENDUSER\nUSER\n");
  EXPECT_STREQ(info_us(game), "one\ntwo\n");  // the last USER adds an empty line
  EXPECT_EQ(out, error(3, 0, "Unopened comment ") + error(5, 0, "Unopened user data ") +
                     error(6, 0, "Unclosed user data "));
  std::string big;
  for (int i = 0; i < 30; ++i) big += std::string(200, 'u') + "\n";
  read("USER\n" + big + "ENDUSER\n");
  EXPECT_LE(std::string(info_us(game)).size(), 4999u);
  EXPECT_EQ(out, error(26, 0, "User data too long " + std::string(200, 'u')));
}

TEST_F(StandardRead, MarksAndUnmarks) {
  read("B 1 k10\nMARK A@Q16 xy@D4 Q4 #10-12 all\nMARK abc@Q16 #7 ~@c3\nUNMARK all q4 #3 #4-5 zz\n");
  const MoveInfo* info = line(game)[1]->info;
  ASSERT_NE(info, nullptr);
  ASSERT_NE(info->labels, nullptr);
  EXPECT_EQ(info->labels->label, 'A');
  EXPECT_EQ(info->labels->location, 72);
  std::vector<std::pair<int, std::string>> marks;
  for (const Chain* c = info->marks; c; c = c->next) marks.push_back({c->mark, c->text ? c->text : ""});
  EXPECT_EQ(marks, (std::vector<std::pair<int, std::string>>{{2, "~"}, {7, ""}, {2, "xy"}}));
  EXPECT_EQ(out, error(3, 1, "Unusable board mark abc@Q16") + error(4, 1, "Unusable board mark zz"));
  EXPECT_EQ(err,
            // the message column passes 72 twice: a line break comes first
            "Mark on moves 10 to 12\nMark all move numbers\nMark on move 7\nUnmark\n all marks\n"
            "Unmark mark on point or stone at q4\nUnmark number on move 3\n"
            "\nUnmark numbers on moves 4 to 5\n");
}

TEST_F(StandardRead, Variations) {
  std::string text;
  for (int i = 1; i <= 30; ++i) text += format_text("%c %d %c%d\n", i % 2 ? 'B' : 'W', i, 'a' + (i - 1) % 8, 1 + (i - 1) / 8);
  read(text + "VAR first try\nB 30 t19\nENDVAR\nB 31 t18\n");
  auto nodes = line(game);
  ASSERT_EQ(nodes.size(), 32u);
  Game* v = nodes[30]->variations;
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->name, " first try");
  auto vn = line(v);
  ASSERT_EQ(vn.size(), 4u);
  ASSERT_NE(vn[2]->info, nullptr);
  ASSERT_NE(vn[2]->info->cleared, nullptr);
  EXPECT_EQ(vn[2]->info->cleared->location, nodes[30]->location);
  EXPECT_EQ(vn[3]->location, 18);
  EXPECT_EQ(nodes[31]->location, 18 + 19);
  EXPECT_EQ(out, "");
  read("VAR\nENDVAR\nB 1 a1\nVAR\nB 1 b1\n");
  EXPECT_EQ(out, error(1, 0, "Unusable variation ") + error(2, 0, "Unusable variation ") +
                     error(2, 0, "Unopened variation ") + error(5, 1, "Unclosed variation "));
  EXPECT_NE(line(game)[1]->variations, nullptr);
}

TEST_F(StandardRead, VariationAfterPassTouchesNoPoint) {
  read("B 1 a1\nW 2 pass\nVAR\nW 2 b1\nENDVAR\nDIAGRAM\nVAR\nENDVAR\n");
  auto nodes = line(game);
  ASSERT_EQ(nodes.size(), 3u);
  Game* v = nodes[2]->variations;
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(line(v)[2]->info, nullptr);  // nothing hidden for a pass
  EXPECT_EQ(out, "");
}

TEST_F(StandardRead, EventResetsSizeButKeepsBoard) {
  // After EVENT points are read for 19 x 19 while the board stays 9 x 9:
  // such points must not reach the board.
  read("BOARDSIZE 9\nEVENT\nSETUP B t19 a1\nMARK t19 A@t18 a9\nDIAGRAM\nHIDE t19 a1\n");
  EXPECT_EQ(game->size, 9);
  const MoveInfo* info = line(game).back()->info;
  ASSERT_NE(info, nullptr);
  ASSERT_NE(info->added, nullptr);
  EXPECT_EQ(info->added->location, 8 * 9);
  EXPECT_EQ(info->added->next, nullptr);
  ASSERT_NE(info->marks, nullptr);
  EXPECT_EQ(info->marks->next, nullptr);
  EXPECT_EQ(info->labels, nullptr);
  ASSERT_NE(info->cleared, nullptr);
  EXPECT_EQ(info->cleared->next, nullptr);
}

TEST_F(StandardRead, UnopenableFileEndsTheRun) {
  std::string missing = path + ".missing";
  testing::internal::CaptureStderr();
  try {
    read_standard(missing.c_str());
    FAIL() << "no Exit";
  } catch (const Exit& e) {
    EXPECT_EQ(e.status(), 1);
    EXPECT_STREQ(e.text(), "");
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "read_standard(): Can't open \"" + missing + "\"\n");
}

TEST_F(StandardRead, MillionNestedVariations) {
  std::string text = "B 1 a1\n";
  constexpr int kDepth = 1000000;
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
}  // namespace kg
