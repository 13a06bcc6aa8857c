// What every device draws alike.
#pragma once

#include <string>

namespace kg {

struct Game;

// Whether the point at `column` and `row` (from 0) of a board of `size`
// points carries a star, as real boards mark them: on 19 x 19 the nine
// points of lines 4, 10 and 16; on 13 x 13 D4, D10, K4, K10 and the centre;
// on 9 x 9 C3, C7, G3, G7 and the centre; on any other size the centre,
// which an even size does not have.
bool star_point(int size, int column, int row);

// A picture's title, "White-Black (caption)": a side without a name, or
// with an empty one, is "unknown".
std::string picture_title(const Game* game, const std::string& caption);

}  // namespace kg
