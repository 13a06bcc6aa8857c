// The ascii device where the golden runs cannot reach: the header rule of a
// figure without numbered stones, comments among kibitz lines, and texts
// longer than any reader stores.
#include <string>

#include "kg_test.h"
#include "kibitz/kibitz.h"
#include "device/devices.h"

namespace kg::test {
namespace {

class AsciiTest : public Fresh {
 protected:
  void SetUp() override { Fresh::SetUp(), opt().sgfwarn = 0; }
  // The output of a run on a 5 x 5 game made by `make` ends with `want`.
  template <class F>
  static void expect_ending(F make, const std::string& want) {
    Game* g = new_game(5);
    make(g);
    std::string text;
    stderr_of([&] { text = figures_of(g, make_ascii_device); });
    game_free(g);
    EXPECT_EQ(text.substr(text.size() - std::min(want.size(), text.size())), want);
  }
};

TEST_F(AsciiTest, PassOnlyFigureHasHeadersAndAPassNote) {
  expect_ending([](Game* g) { play(g, BLACK, nullptr), store_c(g, "passed\n"); },
                "\t   B 1\n\t   ---\n\n1 pass\n\n\nBlack   1:\n---------\npassed\n");
}

TEST_F(AsciiTest, KibitzLinesPlainCommentsAndLongTexts) {
  opt().kibitz = 1;
  expect_ending([](Game* g) {
    play(g, BLACK, "cc");
    store_kb(g, "kb9[3d] : hello");
    store_c(g, "plain words ");  // no prefix, and the next line is not aligned under it
    store_kb(g, "kb9[3d] : again");
  }, "\n\nkb9[ 3d]: hello\nplain words\nkb9[ 3d]: again\n");
  // Longer than a stored kibitz part can be: made by hand.
  const std::string name(2000, 'n'), words(3000, 'x');
  expect_ending([&](Game* g) {
    play(g, BLACK, "cc");
    store_kb(g, "ab[1k] : x");
    store_kb(g, "ab[1k] : y");
    g->current->info->texts->text = words;
    g->current->info->texts->name = name;
    g->current->info->texts->next->name = name;
  }, name + "[ 1k]: " + words + "\n" + std::string(2007, ' ') + "y\n");
  opt().kibitz = 0;
  expect_ending([](Game* g) { play(g, BLACK, "cc"), store_c(g, std::string(5000, 'z') + " "); },
                std::string("\n").append(5000, 'z') + "\n");
}

}  // namespace
}  // namespace kg::test
