// libFuzzer target: round trips as properties. The bytes are read as SGF
// and as the standard format; each game read is written, read back and
// compared with the first (roundtrip/compare.h), and writing what was read
// back must give the same text again. Any difference is a finding.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "game/game.h"
#include "roundtrip/compare.h"
#include "util/message.h"

namespace {

using kg::roundtrip::Format;

[[noreturn]] void finding(const char* what, const std::string& detail, const std::string& text) {
  std::fprintf(stderr, "round trip: %s\n%s\n--- written:\n%s\n", what, detail.c_str(), text.c_str());
  std::fflush(stderr);
  std::abort();
}

struct GameOwner {
  kg::Game* game;
  ~GameOwner() { kg::game_free(game); }
};

// Writes `game` in `written`, reads it back and compares; the text written
// a second time must be the first.
void round_trip(kg::Game* game, Format written, const kg::Options& opt) {
  const std::string text = kg::roundtrip::write(game, written, opt);
  GameOwner back{kg::roundtrip::read(text, written, opt)};
  const char* format = written == Format::sf ? "sf: " : opt.longkey ? "sgf: " : "sgf, short keys: ";
  if (!back.game) finding("what was written does not read", format, text);
  const std::string diff = kg::roundtrip::difference(game, back.game, written);
  if (!diff.empty()) finding("a difference", format + diff, text);
  // The standard format joins the lines of a comment: only SGF is written
  // the same again.
  if (written != Format::sgf) return;
  const std::string again = kg::roundtrip::write(back.game, written, opt);
  if (again != text) finding("writing it again gives another text", format + again, text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  kg::Options opt;
  kg::message_column = 0;
  if (GameOwner sgf{kg::roundtrip::read(bytes, Format::sgf, opt)}; sgf.game) {
    for (int longkey : {1, 0}) {
      opt.longkey = longkey;
      round_trip(sgf.game, Format::sgf, opt);
    }
    if (kg::roundtrip::sf_can_carry(sgf.game)) round_trip(sgf.game, Format::sf, opt);
  }
  if (GameOwner sf{kg::roundtrip::read(bytes, Format::sf, opt)}; sf.game && kg::roundtrip::sf_can_carry(sf.game))
    round_trip(sf.game, Format::sf, opt);
  return 0;
}
