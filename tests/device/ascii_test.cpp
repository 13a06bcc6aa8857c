// The ascii device: what the golden runs cannot reach (texts longer than
// any reader stores, comments among kibitz lines, the header rule of a
// figure without numbered stones).
#include <gtest/gtest.h>

#include <string>

#include "game/game.h"
#include "kibitz/kibitz.h"
#include "main/figure.h"
#include "main/figure_helpers.h"
#include "main/settings.h"

namespace kg {
namespace {

using namespace kg::test;

class AsciiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_reset();
    kib_reset();
    con_cat();
  }
  void TearDown() override {
    settings_reset();
    kib_reset();
  }
  std::string render(Game* g) {
    Output out;
    ::testing::internal::CaptureStderr();
    game2fig(g, &ascii_device);
    err_ = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(fw, nullptr);  // closed at the end of the run
    return out.text();
  }
  std::string err_;
};

const std::string kTop5 = "\n\t   a b c d e \n";
const std::string kBottom5 = "\t   a b c d e \n\n";
const std::string kEmpty5 = "\t 2 . . . . .   2\n\t 1 . . . . .   1\n";

TEST_F(AsciiTest, PassOnlyFigureHasHeadersAndAPassNote) {
  Game* g = new_game(5);
  pass(g, BLACK);
  store_c(g, "passed\n");
  EXPECT_EQ(render(g), kTop5 + "\t 5 . . . . .   5\n\t 4 . . . . .   4\n\t 3 . . . . .   3\n" +
                           kEmpty5 + kBottom5 +
                           "\t   B 1\n\t   ---\n"
                           "\n1 pass\n\n"
                           "\nBlack   1:\n---------\npassed\n");
  game_free(g);
}

TEST_F(AsciiTest, PlainCommentAmongKibitzLinesHasNoPrefix) {
  kibitz = 1;
  Game* g = new_game(5);
  play(g, BLACK, "cc");
  store_kb(g, "kb9[3d] : hello");
  store_c(g, "plain words ");
  store_kb(g, "kb9[3d] : again");
  std::string out = render(g);
  EXPECT_EQ(out.substr(out.size() - 61),
            "\t   B 1\n\t   ---\n\nkb9[ 3d]: hello\nplain words\nkb9[ 3d]: again\n");
  EXPECT_EQ(kibitzers[0].count, 2);
  game_free(g);
}

TEST_F(AsciiTest, LongLinesAndNamesArePrintedWhole) {
  kibitz = 1;
  Game* g = new_game(5);
  play(g, BLACK, "cc");
  store_kb(g, "ab[1k] : x");
  store_kb(g, "ab[1k] : y");
  // Longer than a stored kibitz part can be: made by hand.
  Text* t = g->current->info->texts;
  t->text = std::string(3000, 'x');
  std::string name(2000, 'n');
  t->name = name;
  t->next->name = name;
  std::string out = render(g);
  EXPECT_NE(out.find(name + "[ 1k]: " + std::string(3000, 'x') + "\n" + std::string(2007, ' ') +
                     "y\n"),
            std::string::npos);
  game_free(g);

  kibitz = 0;
  g = new_game(5);
  play(g, BLACK, "cc");
  store_c(g, std::string(5000, 'z') + " ");
  out = render(g);
  EXPECT_EQ(out.substr(out.size() - 5002), "\n" + std::string(5000, 'z') + "\n");
  game_free(g);
}

}  // namespace
}  // namespace kg
