#include "util/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "util/message.h"

namespace kg {

OutFile::OutFile(OutFile&& other) noexcept
    : stream_(std::exchange(other.stream_, nullptr)), name_(std::move(other.name_)) {}

OutFile& OutFile::operator=(OutFile&& other) noexcept {
  if (this != &other) {
    if (stream_) std::fclose(stream_);
    stream_ = std::exchange(other.stream_, nullptr);
    name_ = std::move(other.name_);
  }
  return *this;
}

OutFile::~OutFile() {
  if (stream_) std::fclose(stream_);
}

bool OutFile::open(const std::string& name, Open how) {
  if (stream_) std::fclose(std::exchange(stream_, nullptr));
  name_ = name;
  if (how == Open::truncate) {
    stream_ = std::fopen(name.c_str(), "w");
    return stream_ != nullptr;
  }
  const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
  const mode_t mode = how == Open::fresh ? 0666 : 0600;
  int fd = ::open(name.c_str(), flags, mode);
  struct stat st;
  // An earlier run's file is removed and made anew rather than truncated,
  // which on some file systems forces every rewritten file out to disk at
  // close. What cannot go makes the second open fail.
  if (fd < 0 && how == Open::fresh && errno == EEXIST && ::lstat(name.c_str(), &st) == 0 &&
      !S_ISLNK(st.st_mode)) {
    ::unlink(name.c_str());
    fd = ::open(name.c_str(), flags, mode);
  }
  if (fd < 0) return false;
  stream_ = ::fdopen(fd, "w");
  if (!stream_) {
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return false;
  }
  if (how == Open::fresh) {
    // One write for a whole figure file, prolog included.
    std::setvbuf(stream_, nullptr, _IOFBF, 1 << 16);
  }
  return true;
}

bool OutFile::close() {
  if (!stream_) return true;
  bool whole = std::ferror(stream_) == 0;
  if (std::fclose(std::exchange(stream_, nullptr)) != 0) whole = false;
  return whole;
}

void cannot_write(const std::string& program, const std::string& name) {
  fatal(1, "%s Can't write \"%s\"\n", program.c_str(), name.c_str());
}

bool MainOutput::open(const std::string& name) {
  // Only the last file named receives the output.
  file_ = OutFile{};
  return file_.open(name, OutFile::Open::truncate);
}

int MainOutput::close(int status) {
  const char* failed = nullptr;
  std::string name = file_.name();
  if (file_.is_open() && !file_.close()) failed = name.c_str();
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    if (!failed) failed = "stdout";
    std::clearerr(stdout);
  }
  if (failed) {
    std::fprintf(stderr, "%s Can't write \"%s\"\n", program_.c_str(), failed);
    if (status == 0) status = 1;
  }
  file_ = OutFile{};
  return status;
}

}  // namespace kg
