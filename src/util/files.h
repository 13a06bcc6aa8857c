// The one owner of every file the program writes: it opens by the rules of
// the file's kind and closes with a check that everything was written, so
// that a full disk never passes for a finished output.
#pragma once

#include <cstdio>
#include <string>

namespace kg {

class OutFile {
 public:
  enum class Open {
    // Created or emptied (the main output, web pages).
    truncate,
    // A name anyone can predict in a shared directory (figure and stone
    // files): a link planted there is refused, never followed; an earlier
    // run's file is replaced.
    fresh,
    // In a directory of the run's own (scripts): created, never reused,
    // readable by the owner alone.
    private_,
  };

  OutFile() = default;
  OutFile(const OutFile&) = delete;
  OutFile& operator=(const OutFile&) = delete;
  OutFile(OutFile&& other) noexcept;
  OutFile& operator=(OutFile&& other) noexcept;
  // A file still open here was abandoned: it is closed unchecked.
  ~OutFile();

  // False, with errno set, when the file cannot be had.
  bool open(const std::string& name, Open how);
  // Closes the file; false when it was not written whole.
  bool close();

  std::FILE* get() const { return stream_; }
  const std::string& name() const { return name_; }
  bool is_open() const { return stream_ != nullptr; }

 private:
  std::FILE* stream_ = nullptr;
  std::string name_;
};

// Ends the run with "Can't write" and status 1.
[[noreturn]] void cannot_write(const std::string& program, const std::string& name);

// The main output, `fw`: standard output, or the file -output names.
class MainOutput {
 public:
  explicit MainOutput(const std::string& program) : program_(program) {}
  MainOutput(const MainOutput&) = delete;
  MainOutput& operator=(const MainOutput&) = delete;

  std::FILE* stream() const { return file_.is_open() ? file_.get() : stdout; }
  bool is_stdout() const { return !file_.is_open(); }
  // The file's name; "" while the output is standard output.
  const std::string& name() const { return file_.name(); }

  // Makes `name` the output. Every file named this way is created, even
  // one that a later call replaces. False, with errno set, when it cannot
  // be; the output is then standard output.
  bool open(const std::string& name);
  // Flushes standard output and closes the file. A failed write turns
  // `status` 0 into 1 with a "Can't write" message.
  int close(int status);

 private:
  const std::string& program_;
  OutFile file_;
};

}  // namespace kg
