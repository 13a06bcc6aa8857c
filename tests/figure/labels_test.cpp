// What a device shows for the labels of a figure: a text that fits drawn
// whole, any other a letter no label of the figure shows, one letter for one
// text, and the notes that say what the letters stand for.
#include <string>
#include <vector>

#include "kg_test.h"

namespace kg::test {
namespace {

struct Labelled {
  Game game;
  std::vector<Chain> chains;
  explicit Labelled(const std::vector<std::string>& texts) : chains(texts.size()) {
    game.size = 3;
    game.figure_board.assign(9, BoardCell{});
    for (std::size_t p = 0; p < texts.size(); ++p) {
      if (texts[p].empty()) continue;
      chains[p].label = static_cast<unsigned char>(texts[p][0]);
      chains[p].text = texts[p];
      game.figure_board[p].label = &chains[p];
    }
  }
};

TEST(FigureLabels, LongerTextsGetFreeLettersAndNotes) {
  Labelled l({"a", "74", "", "A1", "74", "b"});
  const FigureLabels one = figure_labels(&l.game, 1);
  // "a" and "b" are taken by labels of their own; one text, one letter.
  EXPECT_EQ(one.shown, (std::vector<std::string>{"a", "c", "", "d", "c", "b", "", "", ""}));
  EXPECT_EQ(one.notes, "c = 74, d = A1");

  const FigureLabels three = figure_labels(&l.game, 3);
  EXPECT_EQ(three.shown[1], "74");
  EXPECT_EQ(three.shown[3], "A1");
  EXPECT_EQ(three.notes, "");
}

TEST(FigureLabels, WhatCannotBeDrawnStandsInAsALetter) {
  // Too long for the device, a blank inside, bytes past ASCII.
  Labelled l({"abcd", "a b", "\xc3\xa9"});
  const FigureLabels three = figure_labels(&l.game, 3);
  EXPECT_EQ(three.shown[0], "a");
  EXPECT_EQ(three.shown[1], "b");
  EXPECT_EQ(three.shown[2], "c");
  EXPECT_EQ(three.notes, "a = abcd, b = a b, c = \xc3\xa9");
}

TEST(FigureLabels, LettersRunOutIntoAQuestionMark) {
  std::vector<std::string> texts;
  for (int i = 0; i < 9; ++i) texts.push_back(std::string(1, static_cast<char>('a' + i)));
  Labelled l(texts);
  // Every lower-case letter but the nine taken, then upper case.
  std::vector<Chain> more(60);
  Game& g = l.game;
  g.size = 9;
  g.figure_board.assign(81, BoardCell{});
  for (int p = 0; p < 9; ++p) g.figure_board[p].label = &l.chains[p];
  for (int i = 0; i < 60; ++i) {
    more[i].label = '1';
    more[i].text = std::to_string(i + 10);
    g.figure_board[9 + i].label = &more[i];
  }
  const FigureLabels one = figure_labels(&g, 1);
  EXPECT_EQ(one.shown[9], "j");
  EXPECT_EQ(one.shown[9 + 16], "z");
  EXPECT_EQ(one.shown[9 + 17], "A");
  EXPECT_EQ(one.shown[9 + 42], "Z");
  EXPECT_EQ(one.shown[9 + 43], "?");
}

}  // namespace
}  // namespace kg::test
