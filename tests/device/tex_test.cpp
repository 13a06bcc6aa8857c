// The LaTeX document frame where no run reaches it: the style's location, the
// multicols rule, a document without figures, and text2tex byte by byte.
// (The preambles of every paper and the specials are golden runs.)
#include "device/tex_frame.h"

#include <cstdlib>
#include <string>

#include "kg_test.h"
#include "kibitz/kibitz.h"
#include "util/files.h"

namespace kg::test {
namespace {

class TexFrameTest : public Fresh {
 protected:
  void SetUp() override { Fresh::SetUp(), unsetenv("SGFMACROS"); }
  void TearDown() override { Fresh::TearDown(), unsetenv("SGFMACROS"); }
  // What `body` writes through a new frame of `kind`.
  static std::string framed(TexFrame::Kind kind, const std::function<void(TexFrame&)>& body) {
    return main_output_of([&](MainOutput& out) {
      TexFrame frame(opt(), out, kind);
      body(frame);
    });
  }
  // The header of a PostScript run on `paper` up to the title block.
  std::string preamble(int paper, int fullsize) {
    opt().paper_size = paper;
    opt().epsf.fullsize = fullsize;
    if (!game) game = new_game();
    std::string text = framed(TexFrame::Kind::book, [this](TexFrame& f) { f.tex_header(game); });
    return text.substr(0, text.find("\\begin{document}"));
  }
  static std::string escaped(std::string_view text) {
    return output_of([text](FILE* f) { text2tex(text, f); });
  }
};

TEST_F(TexFrameTest, StyleFromTheOptionTheEnvironmentOrTheDefaultAndFigureSizes) {
  // The default style follows the install prefix.
  EXPECT_NE(preamble(0, 198).find(std::string(" \\usepackage{") + kStyDir + "/sgf}\n"), std::string::npos);
  setenv("SGFMACROS", "/opt/styles", 1);
  EXPECT_NE(preamble(0, 198).find(" \\usepackage{/opt/styles/sgf}\n"), std::string::npos);
  opt().sty = "/home/me/mine";
  EXPECT_NE(preamble(0, 198).find(" \\usepackage{/home/me/mine}\n"), std::string::npos);
  opt().kibitz = 1;  // kibitz lines need wide columns
  EXPECT_NE(preamble(0, 198).find("\\columnsep      12.0pc\n"), std::string::npos);
  for (auto [paper, size] : {std::pair{0, 180}, {2, 200}, {3, 180}, {7, 180}})
    EXPECT_EQ(tex_figuresize(paper), size) << paper;
}

TEST_F(TexFrameTest, MulticolsOnlyWhenTheFiguresFitAColumnAndClosedByTheTrailer) {
  struct {
    int paper, fullsize;
    bool open;
  } const cases[] = {{0, 198, false}, {1, 198, false}, {2, 198, true}, {3, 198, false},
                     {0, 180, true},  {2, 200, true},  {2, 201, false}};
  for (const auto& c : cases) {
    opt().paper_size = c.paper, opt().epsf.fullsize = c.fullsize;
    if (!game) game = new_game();
    std::string text = framed(TexFrame::Kind::book, [this](TexFrame& f) {
      f.tex_header(game);
      stderr_of([&] { f.tex_trailer(game); });
    });
    SCOPED_TRACE(std::to_string(c.paper) + " " + std::to_string(c.fullsize));
    EXPECT_EQ(text.find("\\begin{multicols}{2}\n") != std::string::npos, c.open);
    EXPECT_EQ(text.find("Result: Unknown\n\\end{multicols}\n\\end{document}\n") != std::string::npos, c.open);
    EXPECT_EQ(text.find("twocolumn"), std::string::npos);
  }
}

TEST_F(TexFrameTest, OnceOnlyAndATrailerWithoutFigureStillMakesADocument) {
  game = new_game();
  store_re(game, "W+R");
  std::string err;
  std::string text = framed(TexFrame::Kind::go_fonts, [&](TexFrame& f) {
    err = stderr_of([&] { f.tex_trailer(game), f.tex_trailer(game), f.tex_header(game); });
  });
  EXPECT_EQ(err, "\n");
  EXPECT_EQ(text.substr(0, 47), "\\documentstyle[sgf,go]{article}\n\\gofontsize{8}\n");
  const std::string ending = "\\twocolumn\nResult: W$+$R\n\\end{document}\n";
  ASSERT_GE(text.size(), ending.size());
  EXPECT_EQ(text.substr(text.size() - ending.size()), ending);
  EXPECT_EQ(text.find("\\begin{document}"), text.rfind("\\begin{document}"));
}

TEST_F(TexFrameTest, PlayersAfterALineBreakCannotExtendIt) {
  game = new_game();
  store_black(game, "Ann", "1d");
  store_black(game, "[Team] Bo", "2d");
  store_black(game, "*star", "3d");
  std::string text = framed(TexFrame::Kind::go_fonts, [this](TexFrame& f) { f.tex_header(game); });
  EXPECT_NE(text.find("Ann, 1d\\\\\n{}[Team] Bo, 2d\\\\\n{}*star, 3d\\\\\n"), std::string::npos);
}

// Line ends of other systems, bytes TeX refuses or takes for commands, and
// the coding: UTF-8 kept, anything else read as Latin-1.
TEST_F(TexFrameTest, Text2texLineEndsControlsAndCodings) {
  EXPECT_EQ(framed(TexFrame::Kind::go_fonts,
                   [](TexFrame& f) { f.text2tex(static_cast<const char*>(nullptr)), f.text2tex(""); }),
            "");
  EXPECT_EQ(escaped("a\r\nb\rc\x01\x0c\x1b\x7f\td"), "a\nb\nc    \td");
  EXPECT_EQ(escaped("J\xc3\xb6rg \xe5\x9b\xb2\xe7\xa2\x81 \xf0\x9f\x98\x80"),
            "J\xc3\xb6rg \xe5\x9b\xb2\xe7\xa2\x81 \xf0\x9f\x98\x80");
  EXPECT_EQ(escaped("J\xf6rg"), "J\xc3\xb6rg");
  // One stray byte makes the whole text Latin-1, even its UTF-8-like pairs.
  EXPECT_EQ(escaped("\xc3\xa9 \xff"), "\xc3\x83\xc2\xa9 \xc3\xbf");
  for (const char* bad : {"\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "\xe5\x9b", "\xa0"})
    EXPECT_EQ(escaped(bad).find_first_of("\xc0\xed\xf4\xe5"), std::string::npos) << bad;
}

TEST_F(TexFrameTest, KibitzCommentWithoutSpeakerAndLongPieces) {
  opt().kibitz = 1;
  game = new_game();
  play(game, BLACK, "cc");
  store_kb(game, "kb9[3d] : hello");
  store_c(game, "plain & simple");
  store_kb(game, "kb9[3d] : again");
  const std::string words(5000, 'w');
  play(game, WHITE, "dd");
  store_c(game, words + " ");
  int speakers = 0;
  std::string text = framed(TexFrame::Kind::go_fonts, [&](TexFrame& f) {
    Figure figure;
    figure.first_comment = game->first->next;
    f.tex_text(figure, 1, 2);
    speakers = f.kibitzers()[0].count;
  });
  EXPECT_EQ(text,
            "\\C{Black}{1}\\par\n\\kk{kb9}{(3d)}{hello}\nplain \\& simple\\par\n\\kk{kb9}{(3d)}{again}\n\n"
            "\\C{White}{2}\\par\n" + words + "\\par\n\n");
  EXPECT_EQ(speakers, 2);
}

}  // namespace
}  // namespace kg::test
