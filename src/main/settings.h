// Process-wide settings, written only while the command line is read.
#pragma once

#include <cstdio>
#include <string>

#include "util/runtime.h"

namespace kg {

// Where the support files are: the build names its install prefix's
// lib/kifugram, /usr/local/lib/kifugram unless configured otherwise.
#ifndef KG_LIB_DIR
#define KG_LIB_DIR "/usr/local/lib/kifugram"
#endif
inline constexpr const char* kStyDir = KG_LIB_DIR "/lib/sty";
inline constexpr const char* kPrologFile = KG_LIB_DIR "/lib/ps/gopro.eps";
inline constexpr const char* kPpmDir = KG_LIB_DIR "/ppm";

inline constexpr int kListSize = 1023;  // figlist/dialist entries 0..1022, 0 unused

// Output-format codes of -to: device table indexes 0..6, record writers 7..9.
enum : int {
  DEV_PSTEX = 0, DEV_TEX = 1, DEV_ASCII = 2, DEV_GRAPHIC = 3, DEV_GIF = 4,
  DEV_HTML = 5, DEV_NULL = 6, DEV_DB = 7, DEV_SGF = 8, DEV_SF = 9
};
// Input-format codes of -from.
enum : int { FMT_SGF = 0, FMT_TAVOLIN = 1, FMT_SF = 2 };

struct Epsf {
  std::string dir;   // directory for figure files
  std::string base;  // input base name, "stdin" for standard input
  int size = 180;    // figure size in points
  int fullsize = 0;  // size plus the coordinate margin
};

extern const char* sty;  // none unless -sty
extern int file_fmt, prn_dev, paper_size;
extern int verbose, caching, statout, coords, labels, flatten, sequent;
extern int hold, maxmoves;
extern int optind, fntsz;
extern const char* optarg;
extern const char *ppm, *pbmbin, *rgb_b, *rgb_w, *rgb_g, *rgb_o, *rgb_r;
extern int figlist[kListSize];
extern int dialist[kListSize];
extern Epsf epsf;
// Set by a device that could not make a picture and went on with the next:
// the run still ends with status 1.
extern int pictures_failed;

// Restores every setting to its default (the state before main runs).
void settings_reset();

}  // namespace kg
