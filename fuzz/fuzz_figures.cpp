// libFuzzer target: the figure driver with the ascii, TeX and null devices
// on any record the SGF reader accepts, under the settings that change how a
// game is cut and what the texts look like: the variation passes, small move
// limits, figure and diagram lists, kibitz and varsk comments.
//
// The first two bytes pick the settings (they are read as part of the input
// too, and are skipped like any byte before the first "("):
//   byte 0: bits 0-1 device (null, ascii, tex, ascii cutting figures at
//           comments as the viewer does), bit 2 -flatten,
//           bit 3 -sequent, bit 4 kibitz, bit 5 no text output,
//           bit 6 no labels, bit 7 warnings;
//   byte 1: bits 0-2 -max (0 none), bits 3-4 figure list (none, every
//           3 moves, "2,5,9", every move), bits 5-6 diagram list (all, none,
//           "0,1,3", "2,0"), bit 7 varsk.

#include "device/devices.h"
#include "fuzz_common.h"
#include "figure/figure.h"
#include "main/options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  kg::Options& opt = kg::fuzz::opt();
  opt = kg::Options{};
  kg::message_column = 0;
  unsigned a = data[0], b = data[1];
  using Make = std::unique_ptr<kg::OutputDevice> (*)(const kg::Options&, kg::MainOutput&);
  static const Make makers[] = {kg::make_null_device, kg::make_ascii_device, kg::make_tex_device,
                                kg::make_ascii_device};
  // The viewer's wish, without a terminal: figures end at comments.
  const kg::FigureNeeds needs{.cut_at_comments = (a & 3) == 3};
  opt.flatten = (a >> 2) & 1;
  opt.sequent = (a >> 3) & 1;
  opt.kibitz = (a >> 4) & 1;
  opt.textout = !((a >> 5) & 1);
  opt.labels = !((a >> 6) & 1);
  opt.sgfwarn = (a >> 7) & 1;
  opt.maxmoves = static_cast<int>(b & 7);
  static const char* const figures[] = {nullptr, "%3", "2,5,9", "%1"};
  static const char* const diagrams[] = {nullptr, "0", "0,1,3", "2,0"};
  if (const char* list = figures[(b >> 3) & 3]) kg::getlist(list, opt, false);
  if (const char* list = diagrams[(b >> 5) & 3]) kg::getlist(list, opt, true);
  opt.varsk = (b >> 7) & 1;

  kg::Game* game = kg::fuzz::read_sgf_bytes(data, size);
  if (!game) return 0;

  {
    kg::MainOutput out(opt.program);
    if (!out.open("/dev/null")) std::abort();
    try {
      if (opt.sequent) kg::game_sequent(game);
      if (opt.flatten) kg::game_flatten(game);
      auto device = makers[a & 3](opt, out);
      kg::game2fig(game, *device, opt, needs);
    } catch (const kg::Exit&) {
    }
    out.close(0);
  }
  kg::game_free(game);
  return 0;
}
