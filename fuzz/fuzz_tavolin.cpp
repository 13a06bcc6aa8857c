// libFuzzer target: the Tavolin reader on a record file and a companion text
// made from the input (the companion is what comes before the first line
// "--"; without that line there is no companion), then the standard-format
// writer on the game.

#include "fuzz_common.h"

static std::string base;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string dir = kg::fuzz::make_work_dir("tav");
  kg::fuzz::remove_at_exit(dir, {"game.tav", "game.txt"});
  base = dir + "/game";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string_view record = input;
  bool has_companion = true;
  if (input.substr(0, 3) == "--\n") {
    kg::fuzz::put_file(base + ".txt", "");
    record = input.substr(3);
  } else if (std::size_t cut = input.find("\n--\n"); cut != std::string_view::npos) {
    kg::fuzz::put_file(base + ".txt", input.substr(0, cut + 1));
    record = input.substr(cut + 4);
  } else {
    has_companion = false;
  }
  if (!has_companion) std::remove((base + ".txt").c_str());
  kg::fuzz::put_file(base + ".tav", record);

  return kg::fuzz::read_and_write_sf([&] { return kg::read_tavolin(base.c_str(), kg::fuzz::opt()); });
}
