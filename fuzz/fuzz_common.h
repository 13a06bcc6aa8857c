// Shared by the fuzz targets: run one reader, then write what it read.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <string_view>

#include "game/game.h"
#include "util/options.h"
#include "read/readers.h"
#include "util/message.h"
#include "write/writers.h"

namespace kg::fuzz {

// A private directory for the files a reader is given, in memory when the
// system has it: the files are rewritten for every run.
inline std::string make_work_dir(const char* name) {
  std::string dir;
  for (const char* root : {"/dev/shm", "/tmp"}) {
    std::string pattern = std::string(root) + "/kg-fuzz-" + name + "-XXXXXX";
    if (mkdtemp(pattern.data())) {
      dir = pattern;
      break;
    }
  }
  if (dir.empty()) std::abort();
  return dir;
}

// Removes `dir` and the (at most four) named files in it when the run ends.
inline void remove_at_exit(const std::string& dir, std::initializer_list<const char*> files) {
  static std::string kept_dir;
  static std::string kept[4];
  kept_dir = dir;
  int n = 0;
  for (const char* f : files) kept[n++] = dir + "/" + f;
  std::atexit([] {
    for (const std::string& file : kept)
      if (!file.empty()) std::remove(file.c_str());
    rmdir(kept_dir.c_str());
  });
}

inline void put_file(const std::string& path, std::string_view bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

// The game an SGF record in `data` holds, or none: a fatal report ends a
// run; it is not a crash.
// The options of the input being run.
inline Options& opt() {
  static Options options;
  return options;
}

inline Game* read_sgf_bytes(const std::uint8_t* data, std::size_t size) {
  std::FILE* in = fmemopen(const_cast<std::uint8_t*>(data), size, "r");
  if (!in) std::abort();
  Game* game = nullptr;
  try {
    game = sgf_read_stream(in, "fuzz.sgf", opt());
  } catch (const Exit&) {
  }
  std::fclose(in);
  return game;
}

// Reads with `read` from fresh settings, writes the game as a standard-format
// record to memory and releases it. A fatal report ends a run; it is not a
// crash.
template <class Read>
int read_and_write_sf(Read read) {
  opt() = Options{};
  opt().sgfwarn = 1;
  message_column = 0;
  Game* game = nullptr;
  try {
    game = read();
  } catch (const Exit&) {
    return 0;
  }
  if (game) {
    char* text = nullptr;
    std::size_t length = 0;
    FILE* fw = open_memstream(&text, &length);
    game2sf(game, fw);
    std::fclose(fw);
    std::free(text);
    game_free(game);
  }
  return 0;
}

}  // namespace kg::fuzz
