// The LaTeX document around the figures of the two TeX-based devices: the
// preamble and title block, the comments of each figure, the closing text.
// Both devices call these from the same places: `tex_header` first in every
// emit, `tex_text` last in every emit, `tex_trailer` in their exit.
#pragma once

#include <cstdio>
#include <string_view>

#include "kibitz/kibitz.h"
#include "util/files.h"
#include "util/options.h"

namespace kg {

struct Figure;
struct Game;
struct Move;

// One row of the paper table, indexed by `paper_size`.
struct Paper {
  int figure_size;           // points
  const char* package;       // "" for none
  const char* class_option;  // document-class option
};
inline constexpr int kPapers = 4;
extern const Paper papers[kPapers];

// Figure size in points that belongs to a paper code; a code outside the
// table gets the default paper's.
int tex_figuresize(int paper);

// Writes `text` to `fw` with LaTeX's special characters escaped, so that no
// game text can run a command. Valid UTF-8 passes through; a text that is
// not valid UTF-8 is read as Latin-1 and written as UTF-8. Control
// characters other than tab and newline become blanks.
void text2tex(std::string_view text, std::FILE* fw);

// The document of one run.
class TexFrame {
 public:
  // What the document holds: the book of EPS figures, or boards drawn with
  // the go fonts.
  enum class Kind { book, go_fonts };

  TexFrame(const Options& opt, MainOutput& out, Kind kind) : opt_(opt), out_(out), kind_(kind) {}

  // The preamble and the title block; only the first call writes anything.
  void tex_header(Game* game);
  // The comments of the nodes [first_comment, next); `lowest` and `highest`
  // are the lowest and highest move numbers the figure shows (999 and 0
  // when it shows none). Counts the kibitz lines when `kibitz` is on.
  // Moves are labelled with the numbers the figure shows.
  void tex_text(const Figure& figure, int lowest, int highest);
  // The result line, the kibitz listings (with -statistics) and the end of
  // the document; only the first call writes anything, and it writes the
  // header first when no figure did.
  void tex_trailer(Game* game);

  std::FILE* fw() const { return out_.stream(); }
  void text2tex(std::string_view text) const { kg::text2tex(text, fw()); }
  void text2tex(const char* text) const {
    if (text) text2tex(std::string_view(text));
  }
  const KibitzTable& kibitzers() const { return kibitzers_; }

 private:
  void put_team(Game* game, bool black);
  void put_varsk(const std::string& line);
  void put_comment(std::string_view text) const;

  const Options& opt_;
  MainOutput& out_;
  Kind kind_;
  KibitzTable kibitzers_;
  bool header_written_ = false;
  bool trailer_written_ = false;
  bool multicols_open_ = false;
};

}  // namespace kg
