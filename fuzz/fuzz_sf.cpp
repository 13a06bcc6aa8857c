// libFuzzer target: the standard-format reader on arbitrary bytes, then the
// standard-format writer on whatever was read.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "fuzz_common.h"
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

  return kg::fuzz::read_and_write_sf([&] { return kg::read_standard(input_path.c_str()); });
}
