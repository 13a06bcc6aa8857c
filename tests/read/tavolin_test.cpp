// Tavolin reader: a companion text found beside a directory with a dot, and
// the failure paths with names of any length, from record words packed here.
// (What the records store, header words, variations, the companion text and
// the report lines are golden runs.)
#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "kg_test.h"

namespace kg::test {
namespace {

// One record word: bits 0-3 type, 4-5 colour, 6-15 number, 16-20 column,
// 21-25 row, 28-30 line.
std::uint32_t word(int type, int colour, int number, int column, int row, int line = 0) {
  return static_cast<std::uint32_t>(type | colour << 4 | number << 6 | column << 16 | row << 21) |
         static_cast<std::uint32_t>(line) << 28;
}
constexpr std::uint32_t kMagic = 0x49534849;  // "ISHI"
std::uint32_t size_word(int half) { return word(2, 0, half, 0, 0); }
std::uint32_t move(int colour, int number, int column, int row, int line = 0) {
  return word(4, colour, number, column, row, line);
}

class TavolinRead : public Fresh {
 protected:
  void SetUp() override {
    Fresh::SetUp();
    char name[] = "/tmp/kg-tav-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    dir = name;
    base = dir + "/g";
  }
  void TearDown() override { Fresh::TearDown(), std::system(("rm -rf '" + dir + "'").c_str()); }
  void pack(const std::vector<std::uint32_t>& words) const {
    std::string bytes;
    for (std::uint32_t w : words)
      for (int shift = 24; shift >= 0; shift -= 8) bytes += static_cast<char>((w >> shift) & 0xFF);
    put(base + ".tav", bytes);
  }
  Game* read(const std::string& name) {
    game_free(game);
    err = stderr_of([&] { game = read_tavolin(name.c_str(), opt()); });
    return game;
  }

  std::string dir, base, err;
};

TEST_F(TavolinRead, DotInDirectoryIsNoExtension) {
  ASSERT_EQ(mkdir((dir + "/a.d").c_str(), 0700), 0);
  put(dir + "/a.d/game.txt", "Kitani\n");
  base = dir + "/a.d/game";
  pack({kMagic, size_word(9), move(0, 1, 3, 3)});
  ASSERT_NE(read(dir + "/a.d/game"), nullptr);  // other extensions: golden runs
  EXPECT_STREQ(info_pb(game), "Kitani");
  EXPECT_EQ(line(game).size(), 3u);
}

// Names of any length: the messages are cut, nothing overflows.
TEST_F(TavolinRead, Failures) {
  const std::string none = dir + "/none", long_name = dir + "/" + std::string(3000, 'x');
  const std::tuple<const char*, const char*, std::string, std::string, std::string> cases[] = {
      // .tav and .txt content (none: no change), name, the Exit, standard error
      {"IS", nullptr, base, "no Exit",
       "\ntavolin_read: Couldn't open \"" + base + ".txt\"\ntavolin_read: Read error\n"},
      {"ISHI", "", base, "1 ", "tavolin_read: Read error\n"},
      {nullptr, nullptr, none, "1 ", "\ntavolin_read: Couldn't open \"" + none + ".txt\"\n"
                                     "tavolin_read: Couldn't open \"" + none + ".tav\"\n"},
      {nullptr, nullptr, long_name, "1 ", "\n\ntavolin_read: Couldn't open \"" + long_name.substr(0, 900)}};
  for (const auto& [tav, txt, name, exit, errors] : cases) {
    if (tav) put(base + ".tav", tav);
    if (txt) put(base + ".txt", txt);
    std::string got_exit;
    err = stderr_of([&] { got_exit = exit_of([&] { EXPECT_EQ(read_tavolin(name.c_str(), opt()), nullptr); }); });
    EXPECT_EQ(got_exit, exit) << name.size();
    EXPECT_EQ(name == long_name ? err.substr(0, errors.size()) : err, errors) << name.size();
  }
  EXPECT_EQ(exit_of([] { read_tavolin(nullptr, opt()); }),
            "1 tavolin_read: Can't read from standard input\n");
}

}  // namespace
}  // namespace kg::test
