// The command line in-process: number reading, the list tables and their
// limits, settings no golden run shows, closing the output, and main run
// twice. (The messages of bad options, values and lists are golden runs.)
#include "main/options.h"

#include <climits>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "kg_test.h"
#include "main/formats.h"
#include "main/main.h"

namespace kg::test {
namespace {

// A command line whose strings outlive the settings that point into them.
struct Args {
  std::vector<std::string> words;
  std::vector<char*> argv;
  Args(std::initializer_list<std::string> list) : words(list) {
    words.insert(words.begin(), "kifugram");
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(words.size()); }
};

class Settings : public ::testing::Test {
 protected:
  void SetUp() override { reset_options(); }
  void TearDown() override {
    out.reset();
    reset_options();
    unsetenv("EPSFSIZE");
  }
  // Runs getoptions on fresh options; returns the text of the Exit it threw
  // ("" if none).
  std::string parse(Args&& args) { return parse(args); }
  std::string parse(Args& args) {
    reset_options();
    out = std::make_unique<MainOutput>(opt().program);
    const std::string exit =
        exit_of([&] { first_argument = getoptions(args.argc(), args.argv.data(), opt(), *out); });
    return exit == "no Exit" ? "" : exit.substr(exit.find(' ') + 1);
  }
  static std::vector<int> selected() {
    std::vector<int> on;
    for (int d = 1; d < kListSize; ++d)
      if (opt().dialist[d] == d) on.push_back(d);
    return on;
  }
  std::unique_ptr<MainOutput> out;
  int first_argument = 0;
};

TEST(Options, NumbersAndBaseNames) {
  const std::pair<std::string, int> numbers[] = {
      {"", 0}, {"abc", 0}, {"42x", 42}, {" \t\n 12", 12}, {"+7", 7}, {"-5", -5}, {"- 5", 0},
      {"--5", 0}, {"2147483648", INT_MAX}, {"-2147483648", INT_MIN}, {"-2147483649", INT_MIN},
      {"-123456789012345678901234567890", INT_MIN}, {std::string(5000, '9'), INT_MAX}};
  for (const auto& [text, value] : numbers) EXPECT_EQ(atoi_sat(text.c_str()), value) << text;
  EXPECT_EQ(atoi_sat(nullptr), 0);
  const std::pair<const char*, const char*> names[] = {
      {"games/final.1998.sgf", "final.1998"}, {"dir.d/game", "game"}, {".sgf", ""},
      {"a/", ""}, {"-", "-"}, {"game.", "game"}};
  for (auto [name, base] : names) EXPECT_EQ(file_basename(name), base) << name;
}

TEST_F(Settings, ListTables) {
  auto& figlist = opt().figlist;
  getlist("%25", opt(), false);
  EXPECT_EQ(std::tuple(figlist[40], figlist[41]), std::tuple(1000, 0));
  reset_options();
  const std::pair<const char*, std::vector<int>> figures[] = {
      {"10-20,35", {10, 20, 35, 0}},
      {",,5++x,7", {5, 0, 7}},  // empty tokens skipped, no digits: a 0
      {"1,2,3,4,5", {1, 2, 3, 4, 5}},
      {"9", {9, 2, 3, 4, 5}},  // a shorter list leaves the rest of the last
      {"", {9, 2}},
      {"%1022", {1022, 2, 3}},
      {"% 5", {5, 10, 15, 20}}};
  for (const auto& [text, want] : figures) {
    getlist(text, opt(), false);
    EXPECT_EQ(std::vector<int>(figlist.begin() + 1, figlist.begin() + 1 + want.size()), want) << text;
  }
  getlist("%1", opt(), false);
  EXPECT_EQ(figlist[1022], 1022);
  const std::pair<const char*, std::vector<int>> diagrams[] = {
      {"3,0", {1, 2, 3}}, {"0", {}}, {"7", {7}}, {"1022", {7, 1022}}};
  for (const auto& [text, want] : diagrams) {  // each list works on what the last left
    getlist(text, opt(), true);
    EXPECT_EQ(selected(), want) << text;
  }

  // More figure ends than the table holds: the rest are dropped, yet checked.
  reset_options();
  std::string text;
  for (int i = 1; i <= 1500; ++i) text += std::to_string(i % 1000 + 1) + ",";
  getlist(text.c_str(), opt(), false);
  EXPECT_EQ(figlist[1022], 1022 % 1000 + 1);
  EXPECT_EQ(selected().size(), 1022u);  // the diagram table next to it is untouched
  EXPECT_EQ(parse({"-figures", text + "5000"}),
            "kifugram: Move number 5000 out of range (< 1023)\n");
}

// Every prefix of every option name selects that option, as the whole name
// does, or is one of the ambiguous prefixes the table order produces.
TEST_F(Settings, EveryAbbreviationResolvesOrIsAmbiguous) {
  const std::set<std::string> ambiguous = {"c", "f", "h", "p", "r", "rg", "rgb",
                                           "s", "st", "t", "v", "ve", "ver"};
  auto resolve = [](const std::string& word) { return option_named(word.c_str()); };
  for (std::string name :
       {"branches", "caching", "coordinates", "diagrams", "figures", "flatten", "fontsize", "from", "help",
        "hold", "kibitz", "labels", "max", "output", "pbmbin", "ppm", "rgbb", "rgbg", "rgbo",
        "rgbr", "rgbw", "scale", "short_keys", "sequent", "statistics", "sty", "text_output",
        "tmp", "to", "verbose", "version", "varsk_mode", "paper"}) {
    ASSERT_EQ(resolve(name), name);
    for (std::size_t n = 1; n < name.size(); ++n) {
      const std::string prefix = name.substr(0, n);
      EXPECT_EQ(resolve(prefix), ambiguous.count(prefix) ? std::nullopt : std::optional(name)) << prefix;
    }
  }
}

// Value words are prefixes, the first word of the table winning.
TEST_F(Settings, ValueWords) {
  const std::tuple<const char*, const char*, std::string_view> formats[] = {
      {"-to", "s", "sgf"}, {"-to", "", "ascii"}, {"-to", "gi", "gif"}, {"-to", "p", "pstex"},
      {"-from", "t", "tavolin"}, {"-from", "s", "sgf"}};
  for (const auto& [option, value, want] : formats) {
    EXPECT_EQ(parse({option, value}), "") << option << " " << value;
    const Format* format = std::string_view(option) == "-to" ? opt().prn_dev : opt().file_fmt;
    EXPECT_EQ(format->name, want) << option << " " << value;
  }
  EXPECT_EQ((parse({}), opt().prn_dev->name), "pstex");
  EXPECT_EQ(opt().file_fmt->name, "sgf");
  const std::tuple<const char*, int> papers[] = {{"a", 3}, {"a4w", 2}, {"l", 1}, {"", 0}};
  for (const auto& [value, want] : papers) {
    EXPECT_EQ(parse({"-paper", value}), "") << value;
    EXPECT_EQ(opt().paper_size, want) << value;
  }
  // The help shows the values in an order of its own.
  EXPECT_EQ(help_list(output_formats), "[pstex,tex,ascii,graphic,sgf,sf,db,gif,html,null]");
  EXPECT_EQ(help_list(input_formats), "[sgf,tavolin,sf]");
}

// Options after the record's name work; a second name is refused.
TEST_F(Settings, OptionsAfterTheRecord) {
  EXPECT_EQ(parse({"-max", "5", "game.sgf", "-to", "ascii", "-max", "7"}), "");
  EXPECT_EQ(std::tuple(first_argument, opt().prn_dev->name, opt().maxmoves), std::tuple(3, "ascii", 7));
  EXPECT_EQ(parse({"-", "-to", "sgf"}), "");
  EXPECT_EQ(first_argument, 1);
  EXPECT_EQ(parse({"a.sgf", "b.sgf"}), "kifugram: \"a.sgf\" and \"b.sgf\": one record per run\n");
  EXPECT_EQ(parse({"-to", "sf"}), "");
  EXPECT_EQ(first_argument, 3);
}

// The usual spellings of help and version; a bare "--" names nothing.
TEST_F(Settings, HelpAndVersionAliases) {
  for (const char* word : {"--help", "-h", "-help", "-he"}) {
    const std::string text = parse({word});
    EXPECT_EQ(text.rfind("Usage: kifugram [options] [file]\n", 0), 0u) << word;
  }
  for (const char* word : {"--", "--hel", "--max"}) {
    std::string exit;
    const std::string err = stderr_of([&] { exit = parse({word}); });
    EXPECT_EQ(err, format_text("kifugram: \"%s\": no such option\n", word + 1));
    EXPECT_EQ(exit, "kifugram -help gives online help\n");
  }
}

// A number option takes numbers only; the environment's size is passed over
// when it is none, and 0 still means the paper's size.
TEST_F(Settings, NumbersAreNumbers) {
  for (const char* option : {"-max", "-scale", "-fontsize"})
    for (const char* value : {"abc", "10x", "", "1.5"})
      EXPECT_NE(parse({option, value}).find("needs a number"), std::string::npos) << option << " " << value;
  EXPECT_EQ(parse({"-max", "+12"}), "");
  EXPECT_EQ(opt().maxmoves, 12);
  for (const auto& [value, size] : {std::pair{"-100", 180}, {"abc", 180}, {"0", 180}, {"250", 250}}) {
    setenv("EPSFSIZE", value, 1);
    const std::string err = stderr_of([&] { EXPECT_EQ(parse({}), ""); });
    EXPECT_EQ(opt().epsf.size, size) << value;
    EXPECT_EQ(err.empty(), value != std::string("-100") && value != std::string("abc")) << err;
  }
}

// The options whose settings no golden run shows yet: their devices are not built.
TEST_F(Settings, EveryOptionSetsItsSetting) {
  Args args{"-caching", "-co", "-fo", "19", "-ho",  "-max", "0", "-pb",  "/b",    "-pp", "/p",
            "-rgbb",    "B",   "-rgbg", "G", "-rgbo", "O",  "-rgbr", "R",  "-rgbw", "W",   "-sta",
            "-sty",     "x.sty", "-tm", "/t", "-verb", "-sc", "90",  "-pa", "letter", "-e", "shift-jis", "file"};
  ASSERT_EQ(parse(args), "");
  const Options& o = opt();
  const std::pair<int, int> numbers[] = {
      {o.caching, 1}, {o.coords, 0},  {o.fntsz, 19},    {o.hold, 1},       {o.maxmoves, 0},
      {o.statout, 1}, {o.verbose, 1}, {o.epsf.size, 90}, {o.paper_size, 1}, {first_argument, 34}};
  for (std::size_t i = 0; i < std::size(numbers); ++i) EXPECT_EQ(numbers[i].first, numbers[i].second) << i;
  const std::pair<std::string, const char*> texts[] = {
      {o.pbmbin, "/b"}, {o.ppm, "/p"}, {o.rgb_b, "B"}, {o.rgb_g, "G"},
      {o.rgb_o, "O"},   {o.rgb_r, "R"}, {o.rgb_w, "W"}, {o.sty.value_or(""), "x.sty"},
      {o.epsf.dir, "/t"}, {o.encoding.value_or(""), "CP932"}, {args.argv[first_argument], "file"}};
  for (const auto& [got, want] : texts) EXPECT_EQ(got, want) << want;
}

// A figure size of 0, from the options or the environment, is the paper's.
TEST_F(Settings, FigureSizeFromPaperWhenZero) {
  EXPECT_EQ((parse({"-scale", "0", "-paper", "a4w"}), opt().epsf.size), 200);
  for (const char* paper : {"default", "letter", "a4"})
    EXPECT_EQ((parse({"-scale", "0", "-paper", paper}), opt().epsf.size), 180) << paper;
  EXPECT_EQ((parse({"-scale", "+-3"}), opt().epsf.size), 180);  // no digits: 0
  setenv("EPSFSIZE", "0", 1);
  EXPECT_EQ((parse({"-pa", "a4wide"}), opt().epsf.size), 200);
}

// The files every -output creates are golden; here writing them fails late.
TEST_F(Settings, LostOutput) {
  Args args{"-output", "/dev/full"};
  ASSERT_EQ(parse(args), "");
  EXPECT_EQ(out->name(), "/dev/full");
  std::fputs("a record that cannot be stored\n", out->stream());
  EXPECT_EQ(stderr_of([&] { EXPECT_EQ(out->close(0), 1); }), "kifugram Can't write \"/dev/full\"\n");
  EXPECT_TRUE(out->is_stdout());
  EXPECT_EQ(out->close(0), 0);  // closed once only
  EXPECT_EQ(out->close(1), 1);
}

TEST_F(Settings, MainRunsRepeatedlyInProcess) {
  for (int run = 0; run < 2; ++run) {
    Args version{"-max", "3", "-version"};
    version.argv[0] = const_cast<char*>("/opt/bin/kg");
    testing::internal::CaptureStdout();
    EXPECT_EQ(kifugram_main(version.argc(), version.argv.data()), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "/opt/bin/kg-2.7.8\n");
  }
  Args html{"-to", "html", "/nonexistent/game.sgf"};
  EXPECT_EQ(stderr_of([&] { EXPECT_EQ(kifugram_main(html.argc(), html.argv.data()), 1); }),
            "sgf_read: Can't open \"/nonexistent/game.sgf\": No such file or directory\n");
}

}  // namespace
}  // namespace kg::test
