// The figure driver, the output-device interface and the figure services
// shared by every device.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "util/message.h"
#include "util/options.h"

namespace kg {

struct Game;
struct Move;
struct Text;
struct Chain;

// One figure of the main line or one variation's diagram, as the driver
// hands it to `emit`.
struct Figure {
  bool diagram = false;
  // The figure's number on the main line, or the variation's diagram number
  // (every variation has one, drawn or not, so that -diagrams leaves the
  // numbers of the others as they are).
  int number = 0;
  int count = 0;   // pictures of this kind emitted so far, this one included
  int serial = 0;  // pictures of both kinds emitted so far, this one included
  Move* first = nullptr;          // first move or pass; none when it holds none
  Move* last = nullptr;           // last move or pass
  Move* first_comment = nullptr;  // first node with a comment
  Move* next = nullptr;           // the node after the figure
  std::string caption;            // board_caption of first and last, numbers as shown
  // -branches: where a diagram's variation begins, "variation at move 77
  // (Figure 2)"; empty otherwise.
  std::string branch;
  // The nodes whose shown number MN moved, by how much.
  std::unordered_map<const Move*, int> offsets;

  // The number shown for a node's move (SGF MN moves it).
  int shown(const Move* m) const;
  // The caption with where the variation begins, when it is given.
  std::string captioned() const { return branch.empty() ? caption : caption + ": " + branch; }
};

// What a format asks of the driver beyond the designed cutting.
struct FigureNeeds {
  // A figure ends after every commented move, so that each comment is read
  // beside its position.
  bool cut_at_comments = false;
};

// A figure output format. The driver calls `init` once, then for every
// figure and diagram `alloc`, the notes (`onmove`, `onstone`, `pass`,
// `time`), `emit` and `free`, and `exit` after the last. A device keeps its
// state in itself, for one run.
class OutputDevice {
 public:
  virtual ~OutputDevice() = default;
  // False ends the run with status 1 (reported by the device).
  virtual bool init(Game*) { return true; }
  virtual void exit(Game*) {}
  // False: the figure is not made (reported by the device).
  virtual bool alloc(Game*) { return true; }
  virtual void free(Game*) {}
  virtual void onmove(Game*, int /*number*/, int /*colour*/, int /*old_number*/, int /*old_colour*/) {}
  virtual void onstone(Game*, int /*number*/, int /*colour*/, int /*location*/) {}
  virtual void pass(Game*, int /*number*/, int /*colour*/) {}
  virtual void time(Game*, const char* /*black_time*/, const char* /*white_time*/) {}
  // False: the reader quit; the run ends with status 0.
  virtual bool emit(Game* game, const Figure& figure) = 0;
  // The run ends some other way than through `exit`: give back at once
  // what must not stay taken (the terminal), before the end is reported.
  virtual void abort() {}

  // A picture could not be made and the run went on: it ends with status 1.
  bool pictures_failed() const { return pictures_failed_; }

 protected:
  // The notes of one figure, collected as one ", "-joined text.
  void con_printf(const char* format, ...) KG_PRINTF(2, 3);
  void con_cat(std::string_view text);
  // Hands the notes over and starts afresh ("" when there were none).
  std::string con_cat();

  bool pictures_failed_ = false;

 private:
  std::string notes_;
};

// Cuts the main line into figures and every variation into a diagram and
// hands each to `device`. The game's variations get their diagram numbers
// first. Throws Exit when the device stops the run.
void game2fig(Game* game, OutputDevice& device, const Options& opt, const FigureNeeds& needs = {});

// A figure's title: "No moves", "B 12", "B 12 -- W 61", or a variation's name.
std::string board_caption(const Game* game, const Move* first, const Move* last);
// The same with the numbers the figure shows for first and last.
std::string board_caption(const Game* game, const Move* first, int first_number, const Move* last,
                          int last_number);

// Replays the nodes [from, to) on the saved position, as the driver does
// when it restores a figure.
void figure_begin(Game* game);
void figure_restore(Game* game, Move* from, Move* to);

// The comments of the nodes [first_comment, next), as every device reads
// them: `on_node(node)` for each node that has comments, then
// `on_text(text, speaker)` for each of its texts. Kibitz lines carry their
// speaker's name; a plain comment among them has none and makes the next
// line name its speaker again, as a numbered move does.
enum class Speaker {
  none,     // not reading kibitz lines: a plain comment
  unnamed,  // a plain comment among kibitz lines
  named,    // a kibitz line whose speaker differs from the line before
  again,    // a kibitz line of the same speaker as the line before
};
template <class OnNode, class OnText>
void walk_comments(Move* first_comment, Move* next, bool kibitz, OnNode on_node, OnText on_text);

// Diagram annotation.
void add_letters(Game* game, Move* start, Move* last);
// A label as a point shows it: the whole character of a label whose text
// begins with one of several bytes, else its letter.
std::string label_character(const Chain* label);
void add_marks(Game* game, Move* start, Move* last);
void add_stones(Game* game, Move* start, Move* last);
void remove_stones(Game* game, Move* start, Move* last);

// What a device shows for the labels on the figure board. A label whose text
// the device can draw (at most `longest` printable ASCII characters) is shown
// as it is; any other gets a letter that no other label of the figure shows,
// and a note such as "a = 74" that gives its text.
struct FigureLabels {
  std::vector<std::string> shown;  // by point; "" where there is none, empty when no point has one
  std::string notes;               // ", "-joined; "" when every label is whole
};
// `one_character`: a text of one character of several bytes is drawn whole.
FigureLabels figure_labels(const Game* game, std::size_t longest, bool one_character = false);
// The name a note gives a mark on a numbered stone, "triangle on 12".
const char* mark_name(int kind);

// Variation layout.
void game_sequent(Game* game);
void game_flatten(Game* game);

}  // namespace kg

#include "figure/comments.h"
