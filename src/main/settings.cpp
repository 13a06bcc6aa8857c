#include "main/settings.h"

namespace kg {

const char* sty = nullptr;
int file_fmt, prn_dev, paper_size;
int verbose, caching, statout, coords, labels, flatten, sequent;
int hold, maxmoves;
int optind, fntsz;
const char* optarg;
const char *ppm, *pbmbin, *rgb_b, *rgb_w, *rgb_g, *rgb_o, *rgb_r;
int figlist[kListSize];
int dialist[kListSize];
Epsf epsf;
int pictures_failed;

namespace {

// The settings defined in this file.
void reset_own() {
  sty = nullptr;
  file_fmt = 0;
  prn_dev = DEV_PSTEX;
  paper_size = 0;
  verbose = 0;
  caching = 0;
  statout = 0;
  coords = 1;
  labels = 1;
  flatten = 0;
  sequent = 0;
  hold = 0;
  maxmoves = -1;
  optind = 1;
  optarg = nullptr;
  ppm = kPpmDir;
  pbmbin = "/usr/local/netpbm/bin";
  rgb_b = "rgb:00/00/00";
  rgb_w = "rgb:ff/ff/ff";
  rgb_g = "rgb:ff/e1/4b";
  rgb_o = "rgb:ff/e1/4b";
  rgb_r = "rgb:ff/ff/7f";
  fntsz = 15;
  for (int i = 0; i < kListSize; ++i) {
    figlist[i] = 0;
    dialist[i] = i;
  }
  epsf = Epsf{"/tmp", "", 180, 0};
  pictures_failed = 0;
}

// Defaults hold before main runs, as for any static setting. The run-wide
// state is left to its own definitions: this may run before they are
// constructed, and assigning to a string not yet constructed loses memory
// (and is undefined).
struct Init {
  Init() { reset_own(); }
} init;

}  // namespace

void settings_reset() {
  reset_own();
  program = "kifugram";
  textout = 1;
  longkey = 1;
  sgfwarn = 0;
  kibitz = 0;
  varsk = 0;
  fw = stdout;
}

}  // namespace kg
