// libFuzzer target: the SGF reader on arbitrary bytes, then the SGF and db
// writers and both layout passes on whatever was read.
//
// The first byte also picks the reading modes (it is read as part of the
// input too, and is skipped like any byte before the first "("):
//   bit 0 kibitz, bit 1 varsk, bit 2 short keys, bit 4 warnings.

#include "fuzz_common.h"
#include "figure/figure.h"

static std::FILE* sink = nullptr;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  sink = std::fopen("/dev/null", "w");
  if (!sink) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;  // fmemopen refuses an empty buffer
  kg::Options& opt = kg::fuzz::opt();
  opt = kg::Options{};
  kg::message_column = 0;
  unsigned flags = data[0];
  opt.kibitz = flags & 1;
  opt.varsk = (flags >> 1) & 1;
  opt.longkey = !((flags >> 2) & 1);
  opt.sgfwarn = (flags >> 4) & 1;

  kg::Game* game = kg::fuzz::read_sgf_bytes(data, size);
  if (!game) return 0;

  kg::game2sgf(game, opt, sink);
  kg::game2db(game, "fuzz.sgf", opt, sink);
  kg::game_sequent(game);
  kg::game_flatten(game);
  kg::game2sgf(game, opt, sink);
  kg::game_free(game);
  return 0;
}
