// kg_roundtrip FILE|DIR ...: every SGF record (*.sgf) is written as SGF,
// with long and with short keys, and as the standard format, and read back;
// every standard-format record (*.sf) is written as the standard format
// and read back. The game read back must be the game first read
// (roundtrip/compare.h), and writing it again must give the same text.
// Exit status 1 when any record fails.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "game/game.h"
#include "roundtrip/compare.h"

namespace fs = std::filesystem;
using kg::roundtrip::Format;

namespace {

struct GameOwner {
  kg::Game* game;
  ~GameOwner() { kg::game_free(game); }
};

// The first problem of one round trip, or "".
std::string round_trip(kg::Game* game, Format written, const kg::Options& opt) {
  const std::string text = kg::roundtrip::write(game, written, opt);
  GameOwner back{kg::roundtrip::read(text, written, opt)};
  if (!back.game) return "what was written does not read";
  if (std::string diff = kg::roundtrip::difference(game, back.game, written); !diff.empty()) return diff;
  // The standard format joins the lines of a comment: only SGF is written
  // the same again.
  if (written == Format::sgf && kg::roundtrip::write(back.game, written, opt) != text)
    return "writing it again gives another text";
  return "";
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<fs::path> files;
  for (int i = 1; i < argc; ++i) {
    if (fs::is_directory(argv[i])) {
      for (const auto& entry : fs::recursive_directory_iterator(argv[i]))
        if (entry.is_regular_file()) files.push_back(entry.path());
    } else {
      files.emplace_back(argv[i]);
    }
  }
  std::sort(files.begin(), files.end());
  int passed = 0, failed = 0, refused = 0, beyond = 0;
  for (const fs::path& file : files) {
    const std::string ext = file.extension();
    if (ext != ".sgf" && ext != ".sf") continue;
    std::ifstream in(file, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    kg::Options opt;
    const Format format = ext == ".sgf" ? Format::sgf : Format::sf;
    GameOwner game{kg::roundtrip::read(bytes, format, opt)};
    if (!game.game) {
      ++refused;
      continue;
    }
    std::string problem;
    if (format == Format::sgf) {
      for (int longkey : {1, 0}) {
        opt.longkey = longkey;
        if (problem.empty() && !(problem = round_trip(game.game, Format::sgf, opt)).empty())
          problem = (longkey ? "sgf: " : "sgf, short keys: ") + problem;
      }
    }
    if (!kg::roundtrip::sf_can_carry(game.game)) ++beyond;
    else if (problem.empty() && !(problem = round_trip(game.game, Format::sf, opt)).empty())
      problem = "sf: " + problem;
    if (problem.empty()) {
      ++passed;
    } else {
      ++failed;
      std::printf("FAIL %s: %s\n", file.c_str(), problem.c_str());
    }
  }
  std::printf("round trip: %d records read (%d past the standard format's limits), %d refused as records\n",
              passed + failed, beyond, refused);
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed ? 1 : 0;
}
