#include "util/options.h"

namespace kg {

Options::Options() {
  for (int i = 0; i < kListSize; ++i) dialist[i] = i;
}

bool Options::diagram_selected(int number) const {
  // Diagrams past the table follow the selection of its last entry.
  if (number >= 1 && number < kListSize) return dialist[number] == number;
  if (number >= kListSize) return dialist[kListSize - 1] == kListSize - 1;
  return false;
}

int Options::figure_end(int index) const {
  // Past the table, figures are cut automatically.
  return index >= 1 && index < kListSize ? figlist[index] : 0;
}

}  // namespace kg
