// Tavolin reader: record decoding, header words, variations, the companion
// text, the body limit and the failure paths. Fixtures are packed here from
// record words.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "game/game.h"
#include "main/settings.h"
#include "read/readers.h"
#include "util/message.h"

namespace kg {
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
std::uint32_t header() { return word(1, 0, 0, 0, 0, 1); }

class TavolinRead : public testing::Test {
 protected:
  void SetUp() override {
    settings_reset();
    sgfwarn = 1;
    message_column = 0;
    char name[] = "/tmp/kg-tav-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    dir = name;
    base = dir + "/g";
  }
  void TearDown() override {
    game_free(game);
    std::system(("rm -rf '" + dir + "'").c_str());
  }

  void pack(const std::vector<std::uint32_t>& words, const std::string& extra = {}) const {
    std::string bytes;
    for (std::uint32_t w : words)
      for (int shift = 24; shift >= 0; shift -= 8) bytes += static_cast<char>((w >> shift) & 0xFF);
    bytes += extra;
    put(base + ".tav", bytes);
  }
  static void put(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  Game* read(const std::string& name) {
    game_free(game);
    message_column = 0;
    testing::internal::CaptureStderr();
    game = read_tavolin(name.c_str());
    err = testing::internal::GetCapturedStderr();
    return game;
  }
  static std::vector<Move*> line(const Game* g) {
    std::vector<Move*> nodes;
    for (Move* m = g->first; m; m = m->next) nodes.push_back(m);
    return nodes;
  }

  std::string dir, base, err;
  Game* game = nullptr;
};

TEST_F(TavolinRead, MagicAndSizeWord) {
  put(base + ".txt", "");
  pack({kMagic, size_word(4), move(0, 1, 3, 3)});
  ASSERT_NE(read(base + ".tav"), nullptr);
  EXPECT_EQ(game->size, 9);
  EXPECT_EQ(err, "[Board size = 09x09][12 bytes][1 moves, 0 variations]\n");
  auto nodes = line(game);
  ASSERT_EQ(nodes.size(), 3u);  // root, the comment node, the move
  EXPECT_EQ(nodes[2]->location, 3 + 3 * 9);
  EXPECT_EQ(nodes[2]->colour, BLACK);
  EXPECT_EQ(nodes[2]->number, 1);
}

TEST_F(TavolinRead, NoMagicNoSizeWord) {
  put(base + ".txt", "");
  pack({move(0, 1, 3, 3), move(2, 2, 15, 15)});
  ASSERT_NE(read(base), nullptr);
  EXPECT_EQ(game->size, 19);
  EXPECT_EQ(err, "\ntavolin_read: \"" + base + ".tav\" could be a non-Tavolin file\n"
                 "[Assumed board size = 19x19][8 bytes][2 moves, 0 variations]\n");
  auto nodes = line(game);
  ASSERT_EQ(nodes.size(), 4u);
  EXPECT_EQ(nodes[2]->location, 3 + 3 * 19);  // "dd"
  EXPECT_EQ(nodes[3]->colour, WHITE);
}

TEST_F(TavolinRead, PassesTakeTheOtherColour) {
  put(base + ".txt", "");
  pack({kMagic, size_word(9), word(9, 0, 1, 0, 0), move(2, 2, 3, 3), word(10, 2, 3, 0, 0)});
  read(base);
  auto nodes = line(game);
  ASSERT_EQ(nodes.size(), 5u);
  EXPECT_EQ(nodes[2]->location, LOC_PASS);
  EXPECT_EQ(nodes[2]->colour, WHITE);  // none before: White
  EXPECT_EQ(nodes[4]->location, LOC_PASS);
  EXPECT_EQ(nodes[4]->colour, BLACK);
  EXPECT_EQ(nodes[4]->number, 3);
}

TEST_F(TavolinRead, Variations) {
  put(base + ".txt", "");
  pack({kMagic, size_word(9), move(0, 1, 3, 3), move(2, 2, 15, 15),
        header(), 0, 0, move(0, 3, 4, 4, 1), move(2, 4, 5, 5, 1),
        header(), 0, 0, move(0, 3, 6, 6, 1),
        move(0, 3, 4, 4, 0)});
  read(base);
  auto nodes = line(game);
  ASSERT_EQ(nodes.size(), 5u);
  EXPECT_EQ(nodes[4]->location, 4 + 4 * 19);  // continues from the position before
  Game* first = nodes[3]->variations;
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->name, "Diagram 1");
  auto in_first = line(first);
  ASSERT_EQ(in_first.size(), 5u);  // root, push_var's node, the header's node, two moves
  EXPECT_EQ(in_first[3]->number, 3);
  EXPECT_EQ(in_first[4]->number, 4);
  ASSERT_NE(first->next, nullptr);
  EXPECT_EQ(first->next->name, "Diagram 2");
  EXPECT_EQ(first->next->varno, 1);
  EXPECT_NE(err.find("[3 moves, 2 variations]\n"), std::string::npos);
}

TEST_F(TavolinRead, CompanionText) {
  put(base + ".txt", "Black\nWhite\r\n2\n0.5\n1998\nTokyo\nB+R\nfirst\nsecond\n");
  pack({kMagic, size_word(9)});
  read(base);
  EXPECT_STREQ(info_pb(game), "Black");
  EXPECT_STREQ(info_pw(game), "White");
  EXPECT_STREQ(info_ha(game), "2");
  EXPECT_STREQ(info_km(game), "0.5");
  EXPECT_STREQ(info_dt(game), "1998");
  EXPECT_STREQ(info_pc(game), "Tokyo");
  EXPECT_STREQ(info_re(game), "B+R");
  const Move* node = line(game)[1];
  ASSERT_NE(node->info, nullptr);
  ASSERT_NE(node->info->texts, nullptr);
  EXPECT_EQ(node->info->texts->text, "first");
  ASSERT_NE(node->info->texts->next, nullptr);
  EXPECT_EQ(node->info->texts->next->text, "second");
  // A line longer than 1023 bytes is taken whole.
  put(base + ".txt", std::string(3000, 'n') + "\nW\n");
  read(base);
  EXPECT_EQ(std::string(info_pb(game)), std::string(3000, 'n'));
  EXPECT_STREQ(info_pw(game), "W");
}

TEST_F(TavolinRead, BodyLimit) {
  put(base + ".txt", "");
  std::vector<std::uint32_t> words{kMagic, size_word(9)};
  for (int i = 0; i < 2600; ++i) words.push_back(word(9, 0, i + 1, 0, 0));
  pack(words, "xy");
  read(base);
  EXPECT_EQ(line(game).size(), 2u + 2500u);
  EXPECT_NE(err.find("[10008 bytes]"), std::string::npos);
}

TEST_F(TavolinRead, MarksLettersSetupAndUndefined) {
  put(base + ".txt", "");
  pack({kMagic, size_word(4), word(3, 2, 0, 1, 1), word(5, 0, 1, 2, 2), word(5, 0, 2, 3, 3),
        word(5, 0, 3, 4, 4), word(6, 0, 1, 5, 5), word(6, 0, 26, 6, 6), word(7, 0, 0, 0, 0),
        word(2, 0, 0, 0, 0), word(8, 0, 0, 0, 0), word(1, 0, 0, 0, 0, 2)});
  read(base);
  const MoveInfo* info = line(game)[1]->info;
  ASSERT_NE(info, nullptr);
  ASSERT_NE(info->added, nullptr);
  EXPECT_EQ(info->added->move->colour, WHITE);
  EXPECT_EQ(info->added->location, 1 + 9);
  std::vector<int> kinds;
  for (const Chain* c = info->marks; c; c = c->next) kinds.push_back(c->mark);
  EXPECT_EQ(kinds, (std::vector<int>{7, 10, 9}));
  ASSERT_NE(info->labels, nullptr);
  EXPECT_EQ(info->labels->label, 'A');
  EXPECT_EQ(info->labels->next->label, 'Z');
  EXPECT_NE(err.find("tav_store(): Undefined case: 7\n"), std::string::npos);
  EXPECT_NE(err.find("tav_store(): Undefined case: 2\n"), std::string::npos);
}

TEST_F(TavolinRead, OffBoardRecordsAndShortHeaders) {
  put(base + ".txt", "");
  // 9 x 9: column 20 and row 31 are off the board; the last header has no
  // words after it.
  pack({kMagic, size_word(4), word(3, 0, 0, 20, 0), word(5, 0, 0, 0, 31), word(6, 0, 1, 31, 31),
        move(0, 1, 31, 31), header()});
  read(base);
  auto nodes = line(game);
  EXPECT_EQ(nodes[1]->info, nullptr);
  EXPECT_EQ(nodes.size(), 2u);  // the off-board move was refused
  EXPECT_NE(err.find("(off the board)"), std::string::npos);
  ASSERT_NE(nodes[1]->variations, nullptr);
  pack({kMagic, size_word(4), move(0, 1, 0, 0), header(), 0});
  read(base);
  EXPECT_NE(line(game)[2]->variations, nullptr);
}

TEST_F(TavolinRead, NamesFromAnyExtension) {
  ASSERT_EQ(mkdir((dir + "/a.d").c_str(), 0700), 0);
  put(dir + "/a.d/game.txt", "Kitani\n");
  base = dir + "/a.d/game";
  pack({kMagic, size_word(9), move(0, 1, 3, 3)});
  for (const char* name : {"/a.d/game.x.sgf", "/a.d/game", "/a.d/game.tav"}) {
    ASSERT_NE(read(dir + name), nullptr) << name;
    EXPECT_STREQ(info_pb(game), "Kitani");
    EXPECT_EQ(line(game).size(), 3u);
  }
}

TEST_F(TavolinRead, Failures) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(read_tavolin(nullptr), nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "tavolin_read: Can't read from standard input\n");

  put(base + ".tav", "IS");
  EXPECT_EQ(read(base), nullptr);
  EXPECT_EQ(err, "\ntavolin_read: Couldn't open \"" + base + ".txt\"\ntavolin_read: Read error\n");

  auto fatal_read = [this](const std::string& name) {
    message_column = 0;
    testing::internal::CaptureStderr();
    try {
      read_tavolin(name.c_str());
      ADD_FAILURE() << "no Exit";
    } catch (const Exit& e) {
      EXPECT_EQ(e.status(), 1);
      EXPECT_STREQ(e.text(), "");
    }
    return testing::internal::GetCapturedStderr();
  };
  put(base + ".txt", "");
  put(base + ".tav", "ISHI");
  EXPECT_EQ(fatal_read(base), "tavolin_read: Read error\n");
  // Names of any length: the messages are cut, nothing overflows.
  std::string long_name = dir + "/" + std::string(3000, 'x');
  EXPECT_NE(fatal_read(long_name).find("tavolin_read: Couldn't open"), std::string::npos);
  EXPECT_EQ(fatal_read(dir + "/none"),
            "\ntavolin_read: Couldn't open \"" + dir + "/none.txt\"\n"
            "tavolin_read: Couldn't open \"" + dir + "/none.tav\"\n");
}

}  // namespace
}  // namespace kg
