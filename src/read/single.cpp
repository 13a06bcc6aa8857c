// The formats that hold one game a file.
#include "game/game.h"
#include "read/readers.h"

namespace kg {

namespace {

class SingleSource : public GameSource {
 public:
  SingleSource(Game* (*read)(const char*, const Options&), const char* filename, const Options& opt)
      : read_(read), filename_(filename), opt_(opt) {}
  Game* read_game() override {
    if (done_) return nullptr;
    done_ = true;
    return read_(filename_, opt_);
  }
  bool skip_game() override {
    if (done_) return false;
    done_ = true;
    return true;
  }
  bool done() const override { return done_; }

 private:
  Game* (*read_)(const char*, const Options&);
  const char* filename_;
  const Options& opt_;
  bool done_ = false;
};

}  // namespace

std::unique_ptr<GameSource> open_single(Game* (*read)(const char*, const Options&), const char* filename,
                                        const Options& opt) {
  return std::make_unique<SingleSource>(read, filename, opt);
}

}  // namespace kg
