// libFuzzer target: the figure driver with the ascii, TeX and null devices
// on any record the SGF reader accepts, under the settings that change how a
// game is cut and what the texts look like: the variation passes, small move
// limits, figure and diagram lists, kibitz and varsk comments.
//
// The first two bytes pick the settings (they are read as part of the input
// too, and are skipped like any byte before the first "("):
//   byte 0: bits 0-1 device (null, ascii, tex, ascii), bit 2 -flatten,
//           bit 3 -sequent, bit 4 kibitz, bit 5 no text output,
//           bit 6 no labels, bit 7 warnings;
//   byte 1: bits 0-2 -max (0 none), bits 3-4 figure list (none, every
//           3 moves, "2,5,9", every move), bits 5-6 diagram list (all, none,
//           "0,1,3", "2,0"), bit 7 varsk.

#include "device/tex_frame.h"
#include "fuzz_common.h"
#include "kibitz/kibitz.h"
#include "main/figure.h"
#include "main/options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  kg::settings_reset();
  kg::message_column = 0;
  kg::kib_reset();  // the speaker table would grow from run to run
  unsigned a = data[0], b = data[1];
  static const kg::OutputDevice* const devices[] = {&kg::null_device, &kg::ascii_device, &kg::tex_device,
                                                    &kg::ascii_device};
  static const int codes[] = {kg::DEV_NULL, kg::DEV_ASCII, kg::DEV_TEX, kg::DEV_ASCII};
  const kg::OutputDevice* device = devices[a & 3];
  kg::prn_dev = codes[a & 3];
  kg::flatten = (a >> 2) & 1;
  kg::sequent = (a >> 3) & 1;
  kg::kibitz = (a >> 4) & 1;
  kg::textout = !((a >> 5) & 1);
  kg::labels = !((a >> 6) & 1);
  kg::sgfwarn = (a >> 7) & 1;
  kg::maxmoves = static_cast<int>(b & 7);
  static const char* const figures[] = {nullptr, "%3", "2,5,9", "%1"};
  static const char* const diagrams[] = {nullptr, "0", "0,1,3", "2,0"};
  if (const char* list = figures[(b >> 3) & 3]) kg::getlist(list, kg::figlist);
  if (const char* list = diagrams[(b >> 5) & 3]) kg::getlist(list, kg::dialist);
  kg::varsk = (b >> 7) & 1;
  kg::tex_frame_reset();

  kg::Game* game = kg::fuzz::read_sgf_bytes(data, size);
  if (!game) return 0;

  char* text = nullptr;
  std::size_t length = 0;
  kg::fw = open_memstream(&text, &length);
  if (!kg::fw) std::abort();
  try {
    if (kg::sequent) kg::game_sequent(game);
    if (kg::flatten) kg::game_flatten(game);
    kg::game2fig(game, device);
  } catch (const kg::Exit&) {
  }
  std::fclose(kg::fw);
  std::free(text);
  kg::fw = stdout;
  kg::game_free(game);
  return 0;
}
