// The figure driver, the output-device interface and the figure services
// shared by every device.
#pragma once

#include <string>
#include <string_view>

#include "util/message.h"

namespace kg {

struct Game;
struct Move;

struct OutputDevice {
  int (*init)(Game* game);
  void (*exit)(Game* game);
  int (*alloc)(Game* game);
  void (*free)(Game* game);
  void (*onmove)(Game* game, int number, int colour, int old_number, int old_colour);
  void (*onstone)(Game* game, int number, int colour, int location);
  void (*pass)(Game* game, int number, int colour);
  void (*time)(Game* game, const char* black_time, const char* white_time);
  int (*emit)(Game* game, Move* first, Move* last, Move* first_comment, Move* next);
};

inline constexpr int kDevices = 7;
// Indexed by prn_dev 0..6; none for a device that is not built yet.
extern const OutputDevice* const devices[kDevices];
extern const OutputDevice null_device;
extern const OutputDevice ascii_device;
extern const OutputDevice tex_device;
extern const OutputDevice pstex_device;
extern const OutputDevice screen_device;
extern const OutputDevice gif_device;
extern const OutputDevice html_device;
// Set while a device holds the terminal: main calls it before it reports how
// the run ended, so that the report lands on a usable terminal.
extern void (*device_abort)();

void game2fig(Game* game, const OutputDevice* device);
Move* make_figure(Game* game, const OutputDevice* device, Move* start, int* figure_index,
                  int* diagram_counter);
// Whether diagram `number` is drawn (the -diagrams selection).
bool diagram_selected(int number);
void figure_begin(Game* game);
void figure_restore(Game* game, Move* from, Move* to);
const char* board_caption(Game* game, Move* first, Move* last);
void con_printf(const char* format, ...) KG_PRINTF(1, 2);
// Appends one note to the figure's ", "-joined notes.
void con_cat(std::string_view text);
// Hands the notes over and starts afresh ("" when there were none).
std::string con_cat();

// Diagram annotation.
void add_letters(Game* game, Move* start, Move* last);
void add_marks(Game* game, Move* start, Move* last);
void add_stones(Game* game, Move* start, Move* last);
void remove_stones(Game* game, Move* start, Move* last);

// Variation layout.
void game_sequent(Game* game);
void game_flatten(Game* game);

}  // namespace kg
