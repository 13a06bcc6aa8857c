// libFuzzer target: the standard-format reader on arbitrary bytes, then the
// standard-format writer on whatever was read.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "game/game.h"
#include "main/settings.h"
#include "read/readers.h"
#include "util/message.h"
#include "write/writers.h"

namespace {

std::string work_dir;
std::string input_path;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Input files are rewritten for every run: keep them in memory when we can.
  std::string dir;
  for (const char* root : {"/dev/shm", "/tmp"}) {
    std::string pattern = std::string(root) + "/kg-fuzz-sf-XXXXXX";
    if (mkdtemp(pattern.data())) {
      dir = pattern;
      break;
    }
  }
  if (dir.empty()) std::abort();
  work_dir = dir;
  std::atexit([] {
    for (const std::string& file : {input_path}) std::remove(file.c_str());
    rmdir(work_dir.c_str());
  });
  input_path = dir + "/input.sf";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(input_path.c_str(), "wb");
  if (!f) std::abort();
  std::fwrite(data, 1, size, f);
  std::fclose(f);

  kg::settings_reset();
  kg::sgfwarn = 1;
  kg::message_column = 0;
  kg::Game* game = nullptr;
  try {
    game = kg::read_standard(input_path.c_str());
  } catch (const kg::Exit&) {
    return 0;  // a fatal report ends the run; not a crash
  }
  if (game) {
    char* text = nullptr;
    std::size_t length = 0;
    kg::fw = open_memstream(&text, &length);
    kg::game2sf(game);
    std::fclose(kg::fw);
    kg::fw = stdout;
    std::free(text);
    kg::game_free(game);
  }
  return 0;
}
