// The gif output format: one picture per figure and diagram, assembled from
// the tile library by a shell script that runs the netpbm tools. The html
// device performs every one of these operations before its own.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "figure/figure.h"
#include "util/files.h"
#include "util/options.h"

namespace kg {

struct Game;

// A tile that a script composes before the first row that shows it: its
// file, quoted for the shell, and the command that makes it.
struct GifComposite {
  std::string file;
  std::string command;
};

class GifDevice : public OutputDevice {
 public:
  explicit GifDevice(const Options& opt) : opt_(opt) {}
  // The run's directory goes however the run ends.
  ~GifDevice() override { remove_workdir(); }

  bool init(Game* game) override;
  void exit(Game* game) override;
  void onmove(Game* game, int number, int colour, int old_number, int old_colour) override;
  void onstone(Game* game, int number, int colour, int location) override;
  void pass(Game* game, int number, int colour) override;
  bool emit(Game* game, const Figure& figure) override;

  // Writes and runs the script of one picture, the figure or diagram `count`.
  void gif_picture(Game* game, const Figure& figure, int count);
  // What the last picture shows only by a letter or not at all ("a = 74").
  const std::string& picture_notes() const { return last_notes_; }

 private:
  // One row of tiles: its file's index, the pnmcat line that makes it and
  // the tiles composed for it.
  struct Row {
    int index;
    std::string line;
    std::vector<GifComposite> composites;
  };

  // Opens the script of figure or diagram `count` and writes its head; a
  // script that cannot be created ends the run.
  void gif_begin(Game* game, int count, const char* caption);
  // Writes the script's tail, reports the picture and runs the script.
  void gif_end(bool is_figure, int count, const char* caption);
  void make_workdir();
  void remove_workdir();
  void note_separator();

  const Options& opt_;
  int notes_ = 0;  // notes on standard error since the last report
  int x0_ = 0, y0_ = 0, x1_ = 0, y1_ = 0;
  OutFile script_;
  std::string workdir_;  // this run's directory inside -tmp, made at the first picture
  std::vector<Row> rows_;  // of the picture being written
  // Row files in the directory, by index: the pnmcat line each was made
  // with, "?" when its content is not known, "" when there is none.
  std::vector<std::string> rows_made_;
  bool script_left_ = false;
  std::vector<std::string> composites_;  // files the current script composes
  std::string picture_notes_;  // labels shown by a letter, marks no tile shows
  std::string last_notes_;     // those of the picture last made
};

// An empty point drawn with a star.
bool gif_star(const Game* game, int point);
// The tile suffix of a point on the board's edge ("ul", "u", ...), or none.
const char* gif_edge(const Game* game, int point);
// A mark kind's tile under bm/, wm/ (and em/, or a directory of its own
// for the kinds drawn over an empty point's lines), or none.
const char* gif_mark_tile(int kind);

// `text` as one word for /bin/sh, whatever bytes it holds.
std::string shell_quote(std::string_view text);

}  // namespace kg
