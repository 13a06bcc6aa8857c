// Tavolin reader: what the records store, header words, variations, the
// companion text and the failure paths, from record words packed here.
// (Report lines of whole runs, the body limit and undefined words are golden.)
#include <sys/stat.h>

#include <cstdint>
#include <functional>
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
const std::uint32_t kHeader = word(1, 0, 0, 0, 0, 1);
using Nodes = std::vector<Move*>;

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
    err = stderr_of([&] { game = read_tavolin(name.c_str()); });
    return game;
  }

  std::string dir, base, err;
};

// Each record (beside an empty companion text unless given) with all it
// reports and what it stored.
TEST_F(TavolinRead, Records) {
  const struct {
    std::vector<std::uint32_t> words;
    std::string err;
    std::function<void(const Game*, const Nodes&)> check;
    std::string txt = "";
  } cases[] = {
      {{kMagic, size_word(4), move(0, 1, 3, 3)},
       "[Board size = 09x09][12 bytes][1 moves, 0 variations]\n",
       [](const Game* g, const Nodes& n) {  // root, the comment node, the move
         ASSERT_EQ(n.size(), 3u);
         EXPECT_EQ(std::tuple(g->size, n[2]->location, n[2]->colour, n[2]->number),
                   std::tuple(9, 3 + 3 * 9, BLACK, 1));
       }},
      // A pass takes the other colour than the move before (none: White).
      {{kMagic, size_word(9), word(9, 0, 1, 0, 0), move(2, 2, 3, 3), word(10, 2, 3, 0, 0)},
       "[Board size = 19x19][20 bytes][1 moves, 0 variations]\n",
       [](const Game*, const Nodes& n) {
         ASSERT_EQ(n.size(), 5u);
         EXPECT_EQ(std::tuple(n[2]->location, n[2]->colour, n[4]->location, n[4]->colour, n[4]->number),
                   std::tuple(LOC_PASS, WHITE, LOC_PASS, BLACK, 3));
       }},
      {{kMagic, size_word(9), move(0, 1, 3, 3), move(2, 2, 15, 15), kHeader, 0, 0, move(0, 3, 4, 4, 1),
        move(2, 4, 5, 5, 1), kHeader, 0, 0, move(0, 3, 6, 6, 1), move(0, 3, 4, 4, 0)},
       "[Board size = 19x19][56 bytes][3 moves, 2 variations]\n",
       [](const Game*, const Nodes& n) {
         ASSERT_EQ(n.size(), 5u);
         EXPECT_EQ(n[4]->location, 4 + 4 * 19);  // continues from the position before
         const Game* first = n[3]->variations;
         ASSERT_TRUE(first && first->next);
         const Nodes in_first = line(first);  // root, push_var's node, the header's node, two moves
         ASSERT_EQ(in_first.size(), 5u);
         EXPECT_EQ(std::tuple(first->name, in_first[3]->number, in_first[4]->number, first->next->name,
                              first->next->varno),
                   std::tuple("Diagram 1", 3, 4, "Diagram 2", 1));
       }},
      // Companion lines: CR LF ends one too, one longer than 1023 bytes is taken whole.
      {{kMagic, size_word(9)}, "[Board size = 19x19][8 bytes][0 moves, 0 variations]\n",
       [](const Game* g, const Nodes& n) {
         const Text* t = n[1]->info ? n[1]->info->texts : nullptr;
         ASSERT_TRUE(t && t->next);
         EXPECT_EQ(std::tuple(std::string(info_pb(g)), std::string(info_pw(g)), std::string(info_re(g)),
                              t->text, t->next->text),
                   std::tuple(std::string(3000, 'n'), "White", "B+R", "first", "second"));
       },
       std::string(3000, 'n') + "\nWhite\r\n2\n0.5\n1998\nTokyo\nB+R\nfirst\nsecond\n"},
      // 9 x 9: column 20 and row 31 are off the board; the last header has
      // no words after it.
      {{kMagic, size_word(4), word(3, 0, 0, 20, 0), word(5, 0, 0, 0, 31), word(6, 0, 1, 31, 31),
        move(0, 1, 31, 31), kHeader},
       "[Board size = 09x09][28 bytes]*** B[e\x83] (off the board) ***\n\n[1 moves, 1 variations]\n",
       [](const Game*, const Nodes& n) {
         ASSERT_EQ(n.size(), 2u);  // the off-board move was refused
         EXPECT_EQ(n[1]->info, nullptr);
         EXPECT_NE(n[1]->variations, nullptr);
       }},
      {{kMagic, size_word(4), move(0, 1, 0, 0), kHeader, 0},
       "[Board size = 09x09][20 bytes][1 moves, 1 variations]\n",
       [](const Game*, const Nodes& n) { EXPECT_NE(n[2]->variations, nullptr); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.err);
    put(base + ".txt", c.txt);
    pack(c.words);
    ASSERT_NE(read(base), nullptr);
    EXPECT_EQ(err, c.err);
    c.check(game, line(game));
  }
}

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
    err = stderr_of([&] { got_exit = exit_of([&] { EXPECT_EQ(read_tavolin(name.c_str()), nullptr); }); });
    EXPECT_EQ(got_exit, exit) << name.size();
    EXPECT_EQ(name == long_name ? err.substr(0, errors.size()) : err, errors) << name.size();
  }
  EXPECT_EQ(stderr_of([] { EXPECT_EQ(read_tavolin(nullptr), nullptr); }),
            "tavolin_read: Can't read from standard input\n");
}

}  // namespace
}  // namespace kg::test
