// The options of one run: built by the command line, then only read. Every
// layer may read them; only the front end fills them in.
#pragma once

#include <array>
#include <optional>
#include <string>

namespace kg {

inline constexpr int kVersionMajor = 2, kVersionMinor = 7, kVersionPatch = 8;

// Where the support files are: the build names its install prefix's
// lib/kifugram, /usr/local/lib/kifugram unless configured otherwise.
#ifndef KG_LIB_DIR
#define KG_LIB_DIR "/usr/local/lib/kifugram"
#endif
inline constexpr const char* kStyDir = KG_LIB_DIR "/lib/sty";
inline constexpr const char* kPrologFile = KG_LIB_DIR "/lib/ps/gopro.eps";
inline constexpr const char* kPpmDir = KG_LIB_DIR "/ppm";

inline constexpr int kListSize = 1023;  // figlist/dialist entries 0..1022, 0 unused

struct Epsf {
  std::string dir = "/tmp";  // directory for figure files
  std::string base;          // input base name, "stdin" for standard input
  int size = 180;            // figure size in points
  int fullsize = 0;          // size plus the coordinate margin
};

// A row of the front end's format table; the layers below never look into it.
struct Format;

struct Options {
  Options();

  std::string program = "kifugram";
  const Format* file_fmt = nullptr;  // -from
  const Format* prn_dev = nullptr;   // -to
  int paper_size = 0;
  int verbose = 0, caching = 0, statout = 0, coords = 1, labels = 1, flatten = 0, sequent = 0;
  int hold = 0, maxmoves = -1, fntsz = 15;
  int game = 1;  // of a collection, from 1; 0: every game
  int branches = 0;  // diagrams say where their variation begins
  // Warnings of the model and the readers on standard error.
  int sgfwarn = 0;
  // Reading: comments as kibitz lines, special comment conventions.
  int kibitz = 0, varsk = 0;
  // Writing: comments in the output, long SGF property names.
  int textout = 1, longkey = 1;
  std::optional<std::string> sty;  // -sty
  // -encoding: the iconv name of the records' encoding, over CA and guessing.
  std::optional<std::string> encoding;
  std::string ppm = kPpmDir;
  std::string pbmbin = "/usr/local/netpbm/bin";
  std::string rgb_b = "rgb:00/00/00", rgb_w = "rgb:ff/ff/ff", rgb_g = "rgb:ff/e1/4b",
              rgb_o = "rgb:ff/e1/4b", rgb_r = "rgb:ff/ff/7f";
  std::array<int, kListSize> figlist{};
  std::array<int, kListSize> dialist{};
  Epsf epsf;
  // The outputs that replay the main line or list its captures need them
  // kept; the record writers read none of them.
  bool keep_main_captures = true;

  // Whether diagram `number` is drawn (the -diagrams selection).
  bool diagram_selected(int number) const;
  // The move that ends figure `index` by -figures; 0 when figures are cut
  // automatically.
  int figure_end(int index) const;
};

}  // namespace kg
