#include "main/options.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "main/main.h"
#include "main/settings.h"
#include "util/message.h"

namespace kg {
namespace {

// A command line whose strings outlive the settings that point into them.
class Args {
 public:
  Args(std::initializer_list<std::string> words) : words_(words) {
    words_.insert(words_.begin(), "kifugram");
    for (std::string& w : words_) argv_.push_back(w.data());
    argv_.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(words_.size()); }
  char** argv() { return argv_.data(); }

 private:
  std::vector<std::string> words_;
  std::vector<char*> argv_;
};

class Settings : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_reset();
    unsetenv("EPSFTMP");
    unsetenv("EPSFSIZE");
  }
  void TearDown() override {
    if (fw != nullptr && fw != stdout) std::fclose(fw);
    settings_reset();
    output_name = nullptr;
    unsetenv("EPSFTMP");
    unsetenv("EPSFSIZE");
  }
  // Runs getoptions; returns the text of the Exit it threw ("" if none).
  std::string parse(Args& args, int* status = nullptr) {
    settings_reset();
    try {
      getoptions(args.argc(), args.argv());
    } catch (const Exit& e) {
      if (status != nullptr) *status = e.status();
      return e.text();
    }
    if (status != nullptr) *status = -1;
    return "";
  }
  std::string list_error(const char* text, int* list) {
    try {
      getlist(text, list);
    } catch (const Exit& e) {
      EXPECT_EQ(e.status(), 1);
      return e.text();
    }
    return "";
  }
};

TEST(AtoiSat, ReadsLikeAtoi) {
  EXPECT_EQ(atoi_sat(""), 0);
  EXPECT_EQ(atoi_sat("abc"), 0);
  EXPECT_EQ(atoi_sat("42x"), 42);
  EXPECT_EQ(atoi_sat(" \t\n 12"), 12);
  EXPECT_EQ(atoi_sat("+7"), 7);
  EXPECT_EQ(atoi_sat("-5"), -5);
  EXPECT_EQ(atoi_sat("- 5"), 0);
  EXPECT_EQ(atoi_sat("--5"), 0);
  EXPECT_EQ(atoi_sat("007"), 7);
  EXPECT_EQ(atoi_sat(nullptr), 0);
}

TEST(AtoiSat, SaturatesInsteadOfOverflowing) {
  EXPECT_EQ(atoi_sat("2147483647"), INT_MAX);
  EXPECT_EQ(atoi_sat("2147483648"), INT_MAX);
  EXPECT_EQ(atoi_sat("-2147483648"), INT_MIN);
  EXPECT_EQ(atoi_sat("-2147483649"), INT_MIN);
  EXPECT_EQ(atoi_sat("123456789012345678901234567890"), INT_MAX);
  EXPECT_EQ(atoi_sat("-123456789012345678901234567890"), INT_MIN);
  EXPECT_EQ(atoi_sat(std::string(5000, '9').c_str()), INT_MAX);
}

TEST(FileBasename, CutsDirectoryAndLastExtension) {
  EXPECT_EQ(file_basename("games/final.1998.sgf"), "final.1998");
  EXPECT_EQ(file_basename("dir.d/game"), "game");
  EXPECT_EQ(file_basename(".sgf"), "");
  EXPECT_EQ(file_basename("game.sgf"), "game");
  EXPECT_EQ(file_basename("/a/b/c"), "c");
  EXPECT_EQ(file_basename("a/"), "");
  EXPECT_EQ(file_basename("stdin"), "stdin");
  EXPECT_EQ(file_basename("-"), "-");
  EXPECT_EQ(file_basename(""), "");
  EXPECT_EQ(file_basename("game."), "game");
}

TEST_F(Settings, FigureListsAreStoredInOrder) {
  getlist("10-20,35", figlist);
  EXPECT_EQ(figlist[1], 10);
  EXPECT_EQ(figlist[2], 20);
  EXPECT_EQ(figlist[3], 35);
  EXPECT_EQ(figlist[4], 0);
  // Empty tokens are skipped; a token without digits is a 0 that ends the list.
  getlist(",,5++x,7", figlist);
  EXPECT_EQ(figlist[1], 5);
  EXPECT_EQ(figlist[2], 0);
  EXPECT_EQ(figlist[3], 7);
  // A shorter second list leaves the rest of the first.
  getlist("1,2,3,4,5", figlist);
  getlist("9", figlist);
  EXPECT_EQ(figlist[1], 9);
  EXPECT_EQ(figlist[2], 2);
  EXPECT_EQ(figlist[5], 5);
  getlist("", figlist);
  EXPECT_EQ(figlist[1], 9);
}

TEST_F(Settings, FigurePeriods) {
  getlist("%25", figlist);
  for (int k = 1; k <= 40; ++k) EXPECT_EQ(figlist[k], 25 * k) << k;
  EXPECT_EQ(figlist[41], 0);
  getlist("%1", figlist);
  EXPECT_EQ(figlist[1022], 1022);
  getlist("%1022", figlist);
  EXPECT_EQ(figlist[1], 1022);
  EXPECT_EQ(figlist[2], 2);  // later entries keep their values
  getlist("% 5", figlist);
  EXPECT_EQ(figlist[1], 5);
}

TEST_F(Settings, ListRangeEdges) {
  const std::string interval = "kifugram: Figure interval out of range (1 - 1023)\n";
  EXPECT_EQ(list_error("%-4", figlist), interval);
  EXPECT_EQ(list_error("%123456789012345678901234567890", figlist), interval);
  EXPECT_EQ(list_error("123456789012345678901234567890", figlist),
            "kifugram: Move number 2147483647 out of range (< 1023)\n");
  EXPECT_EQ(list_error("1022", figlist), "");
  EXPECT_EQ(list_error("0,1022", dialist), "");
  EXPECT_EQ(list_error("%5", dialist), "kifugram: This format is only useful for figures\n");
}

TEST_F(Settings, OverlongFigureListStaysInsideTheTable) {
  std::string text;
  for (int i = 1; i <= 1500; ++i) text += std::to_string(i % 1000 + 1) + ",";
  getlist(text.c_str(), figlist);
  EXPECT_EQ(figlist[1], 2);
  EXPECT_EQ(figlist[1022], 1022 % 1000 + 1);
  for (int i = 1; i < kListSize; ++i) ASSERT_EQ(dialist[i], i) << "diagram list overwritten at " << i;
  // Values past the table are still checked.
  text += "5000";
  EXPECT_EQ(list_error(text.c_str(), figlist), "kifugram: Move number 5000 out of range (< 1023)\n");
}

TEST_F(Settings, DiagramSelections) {
  auto selected = [] {
    std::vector<int> on;
    for (int d = 1; d < kListSize; ++d)
      if (dialist[d] == d) on.push_back(d);
    return on;
  };
  getlist("1,2", dialist);
  EXPECT_EQ(selected().size(), 1022u);
  getlist("0,2,5", dialist);
  EXPECT_EQ(selected(), (std::vector<int>{2, 5}));
  settings_reset();
  getlist("3,0", dialist);
  EXPECT_EQ(selected(), (std::vector<int>{1, 2, 3}));
  getlist("0", dialist);
  EXPECT_TRUE(selected().empty());
  getlist("7", dialist);  // a second list works on what the first left
  EXPECT_EQ(selected(), (std::vector<int>{7}));
  getlist("1022", dialist);
  EXPECT_EQ(selected(), (std::vector<int>{7, 1022}));
  for (int i = 1; i < kListSize; ++i) ASSERT_EQ(figlist[i], 0);
}

// Every prefix of every option name either selects its option or is one of
// the ambiguous prefixes the table order produces.
TEST_F(Settings, EveryAbbreviationResolvesOrIsAmbiguous) {
  const std::map<std::string, int> codes = {
      {"caching", 0},     {"coordinates", 1}, {"diagrams", 2},    {"figures", 3},   {"flatten", 4},
      {"fontsize", 27},   {"from", 5},        {"help", 6},        {"hold", 30},     {"kibitz", 7},
      {"labels", 8},      {"max", 20},        {"output", 9},      {"pbmbin", 28},   {"ppm", 21},
      {"rgbb", 22},       {"rgbg", 24},       {"rgbo", 25},       {"rgbr", 26},     {"rgbw", 23},
      {"scale", 10},      {"short_keys", 11}, {"sequent", 29},    {"statistics", 12}, {"sty", 31},
      {"text_output", 13}, {"tmp", 14},       {"to", 15},         {"verbose", 16},  {"version", 17},
      {"varsk_mode", 18}, {"paper", 19}};
  const std::set<std::string> ambiguous = {"c", "f", "h", "p", "r", "rg", "rgb",
                                           "s", "st", "t", "v", "ve", "ver"};
  std::set<std::string> seen_ambiguous;
  for (const auto& [name, code] : codes) {
    for (std::size_t n = 1; n <= name.size(); ++n) {
      const std::string prefix = name.substr(0, n);
      Args args{"-" + prefix, "value"};
      optind = 1;
      testing::internal::CaptureStderr();
      int got = getoption(args.argc(), args.argv());
      std::string err = testing::internal::GetCapturedStderr();
      if (ambiguous.count(prefix)) {
        EXPECT_EQ(got, -2) << prefix;
        EXPECT_NE(err.find("is ambiguous"), std::string::npos) << prefix;
        seen_ambiguous.insert(prefix);
        continue;
      }
      EXPECT_EQ(got, code) << prefix;
      EXPECT_EQ(err, "") << prefix;
      // Options with a value take the next word; the others leave it.
      bool takes_value = optind == 3;
      EXPECT_TRUE(optind == 2 || takes_value) << prefix;
      if (takes_value) {
        EXPECT_STREQ(optarg, "value") << prefix;
      }
    }
  }
  EXPECT_EQ(seen_ambiguous, ambiguous);
}

TEST_F(Settings, OptionScanningStops) {
  Args plain{"game.sgf", "-to", "ascii"};
  EXPECT_EQ(getoption(plain.argc(), plain.argv()), -1);
  EXPECT_EQ(optind, 1);
  Args dash{"-", "-help"};
  EXPECT_EQ(getoption(dash.argc(), dash.argv()), -1);
  EXPECT_EQ(optind, 1);
  Args empty{"", "-help"};
  EXPECT_EQ(getoption(empty.argc(), empty.argv()), -1);
  Args none{};
  EXPECT_EQ(getoption(none.argc(), none.argv()), -1);
  Args tail{"-max", "10", "game.sgf", "-k"};
  EXPECT_EQ(parse(tail), "");
  EXPECT_EQ(maxmoves, 10);
  EXPECT_EQ(optind, 3);
  EXPECT_EQ(kibitz, 0);
}

TEST_F(Settings, ValueWords) {
  struct Case {
    const char* option;
    const char* value;
    int* setting;
    int want;
  };
  const Case cases[] = {
      {"-to", "s", &prn_dev, DEV_SGF},      {"-to", "sf", &prn_dev, DEV_SF},
      {"-to", "g", &prn_dev, DEV_GRAPHIC},  {"-to", "t", &prn_dev, DEV_TEX},
      {"-to", "p", &prn_dev, DEV_PSTEX},    {"-to", "a", &prn_dev, DEV_ASCII},
      {"-to", "", &prn_dev, DEV_ASCII},     {"-to", "d", &prn_dev, DEV_DB},
      {"-to", "gi", &prn_dev, DEV_GIF},     {"-to", "h", &prn_dev, DEV_HTML},
      {"-to", "n", &prn_dev, DEV_NULL},     {"-to", "null", &prn_dev, DEV_NULL},
      {"-from", "s", &file_fmt, FMT_SGF},   {"-from", "t", &file_fmt, FMT_TAVOLIN},
      {"-from", "sf", &file_fmt, FMT_SF},   {"-from", "", &file_fmt, FMT_SGF},
      {"-paper", "a", &paper_size, 3},      {"-paper", "a4w", &paper_size, 2},
      {"-paper", "l", &paper_size, 1},      {"-paper", "", &paper_size, 0},
      {"-pa", "a4wide", &paper_size, 2},
  };
  for (const Case& c : cases) {
    settings_reset();
    *c.setting = -99;
    Args args{c.option, c.value};
    EXPECT_EQ(parse(args), "") << c.option << " " << c.value;
    EXPECT_EQ(*c.setting, c.want) << c.option << " " << c.value;
  }
  int status = 0;
  Args bad{"-to", "sgfx"};
  EXPECT_EQ(parse(bad, &status), "kifugram: \"sgfx\": unknown output format\n");
  EXPECT_EQ(status, 1);
}

TEST_F(Settings, EveryOptionSetsItsSetting) {
  Args args{"-caching", "-co",   "-fl",  "-fo",      "19",  "-ho",  "-k",     "-l",   "-max",
            "abc",      "-pb",   "/b",   "-pp",      "/p",  "-rgbb", "B",     "-rgbg", "G",
            "-rgbo",    "O",     "-rgbr", "R",       "-rgbw", "W",   "-sh",   "-se",  "-sta",
            "-sty",     "x.sty", "-te",  "-tm",      "/t",  "-verb", "-va",   "-sc",  "90",
            "-to",      "null",  "-fr",  "sf",       "-pa", "letter", "-fi",  "%50",  "-d",
            "0,4",      "file",  "-hold"};
  ASSERT_EQ(parse(args), "");
  EXPECT_EQ(caching, 1);
  EXPECT_EQ(coords, 0);
  EXPECT_EQ(flatten, 1);
  EXPECT_EQ(fntsz, 19);
  EXPECT_EQ(hold, 1);
  EXPECT_EQ(kibitz, 1);
  EXPECT_EQ(labels, 0);
  EXPECT_EQ(maxmoves, 0);  // no digits: 0, as atoi gives
  EXPECT_STREQ(pbmbin, "/b");
  EXPECT_STREQ(ppm, "/p");
  EXPECT_STREQ(rgb_b, "B");
  EXPECT_STREQ(rgb_g, "G");
  EXPECT_STREQ(rgb_o, "O");
  EXPECT_STREQ(rgb_r, "R");
  EXPECT_STREQ(rgb_w, "W");
  EXPECT_EQ(longkey, 0);
  EXPECT_EQ(sequent, 1);
  EXPECT_EQ(statout, 1);
  EXPECT_STREQ(sty, "x.sty");
  EXPECT_EQ(textout, 0);
  EXPECT_EQ(epsf.dir, "/t");
  EXPECT_EQ(verbose, 1);
  EXPECT_EQ(varsk, 1);
  EXPECT_EQ(epsf.size, 90);
  EXPECT_EQ(prn_dev, DEV_NULL);
  EXPECT_EQ(file_fmt, FMT_SF);
  EXPECT_EQ(paper_size, 1);
  EXPECT_EQ(figlist[3], 150);
  EXPECT_EQ(dialist[4], 4);
  EXPECT_EQ(dialist[3], 0);
  EXPECT_EQ(optind, 47);
  EXPECT_STREQ(args.argv()[optind], "file");
  // Text settings point at the command line itself.
  EXPECT_EQ(sty, args.argv()[29]);
}

TEST_F(Settings, FigureSizeFromPaperWhenZero) {
  Args a4wide{"-scale", "0", "-paper", "a4w"};
  parse(a4wide);
  EXPECT_EQ(epsf.size, 200);
  for (const char* paper : {"default", "letter", "a4"}) {
    Args args{"-scale", "0", "-paper", paper};
    parse(args);
    EXPECT_EQ(epsf.size, 180) << paper;
  }
  setenv("EPSFSIZE", "0", 1);
  Args env{"-pa", "a4wide"};
  parse(env);
  EXPECT_EQ(epsf.size, 200);
  setenv("EPSFSIZE", " 144 points", 1);
  setenv("EPSFTMP", "", 1);
  Args none{};
  parse(none);
  EXPECT_EQ(epsf.size, 144);
  EXPECT_EQ(epsf.dir, "");
  Args negative{"-scale", "+-3"};
  parse(negative);
  EXPECT_EQ(epsf.size, 180);  // "+-3" has no digits: 0, then the paper's size
  EXPECT_EQ(tex_figuresize(0), 180);
  EXPECT_EQ(tex_figuresize(1), 180);
  EXPECT_EQ(tex_figuresize(2), 200);
  EXPECT_EQ(tex_figuresize(3), 180);
}

TEST_F(Settings, OutputFilesAreCreatedAndTheLastReceives) {
  const std::string dir = testing::TempDir();
  const std::string first = dir + "kg_options_first.txt", second = dir + "kg_options_second.txt";
  std::remove(first.c_str());
  std::remove(second.c_str());
  Args args{"-output", first, "-o", second};
  ASSERT_EQ(parse(args), "");
  ASSERT_NE(fw, stdout);
  EXPECT_STREQ(output_name, second.c_str());
  std::fputs("record\n", fw);
  EXPECT_EQ(output_close(0), 0);
  EXPECT_EQ(fw, stdout);
  std::ifstream a(first), b(second);
  ASSERT_TRUE(a.good());
  std::stringstream got;
  got << b.rdbuf();
  EXPECT_EQ(got.str(), "record\n");
  std::remove(first.c_str());
  std::remove(second.c_str());
}

TEST_F(Settings, LostOutputIsAFailure) {
  fw = std::fopen("/dev/full", "w");
  ASSERT_NE(fw, nullptr);
  output_name = "/dev/full";
  std::fputs("a record that cannot be stored\n", fw);
  testing::internal::CaptureStderr();
  EXPECT_EQ(output_close(0), 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "kifugram Can't write \"/dev/full\"\n");
  EXPECT_EQ(fw, stdout);
  // A device that closed the stream itself leaves nothing to do.
  fw = nullptr;
  EXPECT_EQ(output_close(0), 0);
  EXPECT_EQ(output_close(1), 1);
}

TEST_F(Settings, MainRunsRepeatedlyInProcess) {
  for (int run = 0; run < 2; ++run) {
    Args version{"-max", "3", "-version"};
    version.argv()[0] = const_cast<char*>("/opt/bin/kg");
    testing::internal::CaptureStdout();
    EXPECT_EQ(kifugram_main(version.argc(), version.argv()), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "/opt/bin/kg-2.7.8\n");
    EXPECT_EQ(maxmoves, 3);
    EXPECT_EQ(sgfwarn, 1);
  }
  Args help{"-help"};
  testing::internal::CaptureStderr();
  EXPECT_EQ(kifugram_main(help.argc(), help.argv()), 0);
  std::string usage = testing::internal::GetCapturedStderr();
  EXPECT_EQ(usage.rfind("Usage: kifugram [options] [file]\n", 0), 0u);
  EXPECT_EQ(maxmoves, -1);  // the earlier run's settings are gone
  Args tex{"-to", "tex", "game.sgf"};
  testing::internal::CaptureStderr();
  EXPECT_EQ(kifugram_main(tex.argc(), tex.argv()), 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "kifugram: output format \"tex\" is not available yet\n");
}

}  // namespace
}  // namespace kg
