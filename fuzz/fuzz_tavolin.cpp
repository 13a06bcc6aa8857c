// libFuzzer target: the Tavolin reader on a record file and a companion text
// made from the input (the companion is what comes before the first line
// "--"; without that line there is no companion), then the standard-format
// writer on the game.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unistd.h>

#include "fuzz_common.h"
#include "game/game.h"
#include "main/settings.h"
#include "read/readers.h"
#include "util/message.h"
#include "write/writers.h"

namespace {

std::string work_dir;
std::string base;

void put(const std::string& path, std::string_view bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Input files are rewritten for every run: keep them in memory when we can.
  std::string dir;
  for (const char* root : {"/dev/shm", "/tmp"}) {
    std::string pattern = std::string(root) + "/kg-fuzz-tav-XXXXXX";
    if (mkdtemp(pattern.data())) {
      dir = pattern;
      break;
    }
  }
  if (dir.empty()) std::abort();
  work_dir = dir;
  std::atexit([] {
    for (const std::string& file : {base + ".tav", base + ".txt"}) std::remove(file.c_str());
    rmdir(work_dir.c_str());
  });
  base = dir + "/game";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string_view record = input;
  bool has_companion = true;
  if (input.substr(0, 3) == "--\n") {
    put(base + ".txt", "");
    record = input.substr(3);
  } else if (std::size_t cut = input.find("\n--\n"); cut != std::string_view::npos) {
    put(base + ".txt", input.substr(0, cut + 1));
    record = input.substr(cut + 4);
  } else {
    has_companion = false;
  }
  if (!has_companion) std::remove((base + ".txt").c_str());
  put(base + ".tav", record);

  return kg::fuzz::read_and_write_sf([&] { return kg::read_tavolin(base.c_str()); });
}
