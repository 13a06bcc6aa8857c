// The null output format: the game walked figure by figure, nothing written.
#include "device/devices.h"

namespace kg {

namespace {

class NullDevice : public OutputDevice {
 public:
  bool emit(Game*, const Figure&) override { return true; }
};

}  // namespace

std::unique_ptr<OutputDevice> make_null_device(const Options&, MainOutput&) {
  return std::make_unique<NullDevice>();
}

}  // namespace kg
