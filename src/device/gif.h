// The gif output format: one picture per figure and diagram, assembled from
// the tile library by a shell script that runs the netpbm tools. The html
// device performs every one of these operations before its own.
#pragma once

#include <string>
#include <string_view>

namespace kg {

struct Game;
struct Move;

int GIF_init(Game* game);
void GIF_exit(Game* game);
int GIF_alloc(Game* game);
void GIF_free(Game* game);
void GIF_onmove(Game* game, int number, int colour, int old_number, int old_colour);
void GIF_onstone(Game* game, int number, int colour, int location);
void GIF_pass(Game* game, int number, int colour);
void GIF_time(Game* game, const char* black_time, const char* white_time);
int GIF_emit(Game* game, Move* first, Move* last, Move* first_comment, Move* next);

// Writes and runs the script of one picture, figure or diagram `count`.
void gif_picture(Game* game, Move* first, Move* last, int count);
// Opens the script of figure or diagram `count` and writes its head; a
// script that cannot be created ends the run.
void gif_begin(Game* game, int count, const char* caption);
// Writes the script's tail, reports the picture and runs the script.
void gif_end(bool is_figure, int count, const char* caption);
// An empty point drawn with a star.
bool gif_star(const Game* game, int point);
// The tile suffix of a point on the board's edge ("ul", "u", ...), or none.
const char* gif_edge(const Game* game, int point);

// `text` as one word for /bin/sh, whatever bytes it holds.
std::string shell_quote(std::string_view text);

}  // namespace kg
