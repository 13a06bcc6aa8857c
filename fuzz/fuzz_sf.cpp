// libFuzzer target: the standard-format reader on arbitrary bytes, then the
// standard-format writer on whatever was read.

#include "fuzz_common.h"

static std::string input_path;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string dir = kg::fuzz::make_work_dir("sf");
  kg::fuzz::remove_at_exit(dir, {"input.sf"});
  input_path = dir + "/input.sf";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kg::fuzz::put_file(input_path, std::string_view(reinterpret_cast<const char*>(data), size));
  return kg::fuzz::read_and_write_sf([&] { return kg::read_standard(input_path.c_str(), kg::fuzz::opt()); });
}
