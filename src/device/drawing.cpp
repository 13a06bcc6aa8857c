#include "device/drawing.h"

#include "game/game.h"
#include "util/message.h"

namespace kg {

bool star_point(int size, int column, int row) {
  const int centre = (size - 1) / 2;
  const bool has_centre = size % 2 == 1;
  auto corner_line = [size](int line, int from_edge) { return line == from_edge || line == size - 1 - from_edge; };
  if (size == 19) {
    auto line = [](int l) { return l == 3 || l == 9 || l == 15; };
    return line(column) && line(row);
  }
  if ((size == 13 || size == 9) && corner_line(column, size == 13 ? 3 : 2) && corner_line(row, size == 13 ? 3 : 2))
    return true;
  return has_centre && column == centre && row == centre;
}

std::string picture_title(const Game* game, const std::string& caption) {
  const char* white = info_pw(game);
  const char* black = info_pb(game);
  return format_text("%s-%s (%s)", white && *white ? white : "unknown", black && *black ? black : "unknown",
                     caption.c_str());
}

}  // namespace kg
