// Per-speaker statistics of kibitz lines and their sorted listings.
#pragma once

#include <string>

namespace kg {

struct Text;

inline constexpr int kKibitzRows = 256;

struct Kibitzer {
  std::string name;  // empty: a free row
  bool used = false;
  int rank = 0;
  int count = 0;
  int chars = 0;
  int average = 0;
};

// The speakers of one run's kibitz lines.
class KibitzTable {
 public:
  // Counts every named line of a node's text list, starting at `text`.
  void kib_add(const Text* text);
  // Sorts the table (0 name, 1 rank, 2 frequency, 3 amount, else the last
  // order) and prints one line per speaker to standard output.
  void kib_list(int order, const char* prefix);

  const Kibitzer& operator[](int row) const { return rows_[row]; }

 private:
  Kibitzer rows_[kKibitzRows];
  int last_order_ = 0;
};

}  // namespace kg
