// The pstex device where whole runs cannot reach: the digit groups of every
// number, a figure board that no record can make, and a link planted at a
// figure file's name.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "device/devices.h"
#include "device/pstex.h"
#include "device/tex_frame.h"
#include "kg_test.h"
#include "figure/figure.h"
#include "main/main.h"

namespace kg::test {
namespace {

struct Number {
  std::string text;  // what eps_number writes
  NumberBox box;
};

Number number_of(int n, int colour) {
  Number out;
  char* data = nullptr;
  std::size_t size = 0;
  FILE* f = open_memstream(&data, &size);
  eps_number(f, n, colour, out.box);
  std::fclose(f);
  out.text.assign(data, size);
  std::free(data);
  return out;
}

// (Designed examples of numbers, with their boxes, are in golden EPS files.)
// Read right to left, the groups spell the number; only a group of a single
// 1 is shifted; the box runs from the leading digit's ink to the last one's.
TEST(EpsNumber, GroupsSpellEveryNumber) {
  for (int colour : {BLACK, WHITE}) {
    const FontMetrics& font = *font_roles[colour == WHITE ? wFont : bFont];
    for (int n = 1; n <= 1200; ++n) {
      Number got = number_of(n, colour);
      ASSERT_EQ(got.text.rfind("mark ", 0), 0u) << n;
      std::istringstream in(got.text.substr(5));
      std::vector<std::string> groups;
      std::string group;
      int shift = 0;
      while (in >> group >> shift) {
        ASSERT_GE(group.size(), 3u);
        group = group.substr(1, group.size() - 2);
        EXPECT_EQ(shift != 0, group == "1") << n << " " << got.text;
        groups.insert(groups.begin(), group);
      }
      std::string spelt;
      for (const std::string& g : groups) spelt += g;
      ASSERT_EQ(spelt, std::to_string(n)) << got.text;

      int ink = 0, narrowing = 0;
      for (std::size_t i = 0; i < spelt.size(); ++i) {
        const auto& glyph = font.digit[spelt[i] - '0'];
        if (spelt[i] == '1' && i > 0) narrowing += spelt[i - 1] == '1' ? font.kern1 : font.kern1 / 2;
        ink += i + 1 < spelt.size() ? glyph.wx : glyph.urx;
      }
      EXPECT_EQ(got.box.left, font.digit[spelt[0] - '0'].llx) << n;
      EXPECT_EQ(got.box.width, ink - narrowing - got.box.left) << n;
    }
  }
}

// A scratch directory for figure files, removed with what it holds.
class PstexTest : public Fresh {
 protected:
  void SetUp() override {
    Fresh::SetUp();
    char name[] = "/tmp/kg-pstex-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    dir = name;
    setenv("SGFPROLOG", "/dev/null", 1);
    opt().epsf.dir = dir;
    opt().epsf.base = "t";
  }
  void TearDown() override {
    unsetenv("SGFPROLOG");
    std::string command = "rm -rf '" + dir + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    Fresh::TearDown();
  }
  std::string file(const std::string& name) {
    std::ifstream in(dir + "/" + name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  std::string dir;
};

// A letter hides a mark under it, but a stone stays under a letter or a
// mark: the stone first, then what is drawn on it in its contrasting ink.
TEST_F(PstexTest, LetterHidesMarkButStonesStayUnderLettersAndMarks) {
  game = new_game(5);
  ASSERT_TRUE(board_alloc(game));
  Chain letter, cross, shade, text, territory;
  letter.label = 'A';
  cross.mark = 3;
  shade.mark = 16;
  text.mark = 2;
  territory.mark = 23;
  auto& cells = game->figure_board;
  cells[0] = {BLACK, 7, &letter, &cross};  // top left: (0, 4)
  cells[1] = {BLACK, 0, nullptr, &cross};
  cells[2] = {WHITE, 0, nullptr, &cross};
  cells[3] = {EMPTY, 0, nullptr, &shade};
  cells[4] = {WHITE, 0, nullptr, &text};
  cells[24] = {BLACK, 0, nullptr, &territory};
  opt().epsf.fullsize = opt().epsf.size;
  main_output_of([&](MainOutput& out) {
    stderr_of([&] {
      auto device = make_pstex_device(opt(), out);
      ASSERT_TRUE(device->init(game));
      Figure figure;
      figure.count = 1;
      ASSERT_TRUE(device->emit(game, figure));
    });
  });
  std::string eps = file("t.f01");
  std::string points = eps.substr(eps.find("board\n") + 6);
  EXPECT_EQ(points,
            "0 4 bs\n(A) 0 4 bfs\n1 1 4 square_e\n2 4 ws\n2 2 4 square_e\n50 3 4 shade\n4 4 ws\n4 0 bs\n"
            "4 0 wterr\nend\n%%Trailer\n");
  EXPECT_NE(eps.find("%%BoundingBox: 0 0 180 180\n"), std::string::npos);
  EXPECT_NE(eps.find("5 6.35 boardinit\n"), std::string::npos);
}

// A caption names the numbers drawn, also past 999.
TEST_F(PstexTest, CaptionRangeAboveNineHundredNinetyNine) {
  game = new_game(5);
  ASSERT_TRUE(board_alloc(game));
  game->figure_board[6] = {BLACK, 1234, nullptr, nullptr};
  game->figure_board[7] = {WHITE, 1200, nullptr, nullptr};
  std::string latex = main_output_of([&](MainOutput& out) {
    stderr_of([&] {
      auto device = make_pstex_device(opt(), out);
      device->init(game);
      Figure figure;
      figure.count = 1;
      device->emit(game, figure);
    });
  });
  EXPECT_NE(latex.find("\\epsfflush{" + dir + "/t.f01}{Figure 1 (1200--1234)}\n"), std::string::npos)
      << latex;
  std::string eps = file("t.f01");
  EXPECT_NE(eps.find("mark (34) 0 "), std::string::npos);         // 1234 drawn as 34
  EXPECT_NE(eps.find("mark (00) 0 (1) 37 "), std::string::npos);  // 1200 drawn as 100
}

TEST_F(PstexTest, PlantedLinkIsRefused) {
  const std::string target = dir + "/target", link = dir + "/game.f01", game_file = dir + "/game.sgf";
  put(target, "precious\n");
  put(game_file, "(;SZ[9];B[ee])");
  ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
  std::vector<std::string> words = {"kifugram", "-tmp", dir, "-output", dir + "/book.tex", game_file};
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  std::string errors = stderr_of([&] { EXPECT_EQ(kifugram_main(6, argv.data()), 1); });
  EXPECT_NE(errors.find("Couldn't create: \"" + link + "\""), std::string::npos) << errors;
  EXPECT_EQ(file("target"), "precious\n");
}

}  // namespace
}  // namespace kg::test
