// The formats of -from and -to: one row each says what the format is called
// and how a run reads, writes or draws it. Adding an output format means a
// row here and the files of its writer or device.
#pragma once

#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "figure/figure.h"
#include "read/readers.h"
#include "util/files.h"
#include "util/options.h"

namespace kg {

struct Game;

struct Format {
  std::string_view name;
  // Where the value stands in the list that -help shows, which has an order
  // of its own: prefixes are matched in the order of the table.
  int help_order = 0;

  // An input format: the games of a file, and the format's name in "is a
  // bad ... file".
  std::unique_ptr<GameSource> (*open)(const char* name, const Options& opt) = nullptr;
  const char* what = nullptr;

  // An output format: a record writer, or the maker of a figure device and
  // what the figure driver needs to know of it.
  void (*write)(Game* game, const char* name, const Options& opt, std::FILE* fw) = nullptr;
  std::unique_ptr<OutputDevice> (*make)(const Options& opt, MainOutput& out) = nullptr;
  FigureNeeds needs;
  // The writers read nothing of what the main line captured; every other
  // output replays the line.
  bool keeps_main_captures = true;
  // The output can hold every game of a collection (-game all).
  bool writes_collections = false;
};

extern const std::span<const Format> input_formats;
extern const std::span<const Format> output_formats;
// The default input and output formats.
const Format& default_input();
const Format& default_output();

// The first row whose name begins with `prefix` (an empty prefix matches
// the first row); none when no row does.
const Format* find_format(std::span<const Format> table, std::string_view prefix);
// The names in -help's order, as "[a,b,c]".
std::string help_list(std::span<const Format> table);

}  // namespace kg
