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

extern Kibitzer kibitzers[kKibitzRows];

// Counts every named line of a node's text list, starting at `text`.
void kib_add(const Text* text);
// Sorts the table (0 name, 1 rank, 2 frequency, 3 amount, else the last
// order) and prints one line per speaker to standard output.
void kib_list(int order, const char* prefix);
// Empties the table (tests).
void kib_reset();

}  // namespace kg
