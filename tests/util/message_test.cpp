#include "util/message.h"

#include <gtest/gtest.h>

#include <string>

namespace kg {
namespace {

// Runs `body` with a fresh message column and returns what reached stderr.
template <typename Body>
std::string captured(Body body) {
  message_column = 0;
  testing::internal::CaptureStderr();
  body();
  std::string out = testing::internal::GetCapturedStderr();
  message_column = 0;
  return out;
}

TEST(Message, ShortNotesShareALineUpTo72Columns) {
  // Each note is 20 characters: three fit (60), the fourth would reach 80.
  std::string out = captured([] {
    for (int i = 0; i < 5; ++i) message("[Board size = %02dx%02d]", 19, 19);
  });
  EXPECT_EQ(out, "[Board size = 19x19][Board size = 19x19][Board size = 19x19]\n"
                 "[Board size = 19x19][Board size = 19x19]");
}

TEST(Message, ExactlyColumn72StaysOnTheLine) {
  std::string out = captured([] {
    message("%s", std::string(70, 'a').c_str());
    message("bb");
    EXPECT_EQ(message_column, 72);
    message("c");
    EXPECT_EQ(message_column, 1);
  });
  EXPECT_EQ(out, std::string(70, 'a') + "bb\nc");
}

TEST(Message, OwnLineBreaksDoNotResetTheColumn) {
  std::string out = captured([] {
    message("%s\n", std::string(60, 'x').c_str());
    message("0123456789abc");  // 61 + 13 > 72
  });
  EXPECT_EQ(out, std::string(60, 'x') + "\n\n0123456789abc");
}

TEST(Message, LongTextIsCutTo2023Bytes) {
  std::string out = captured([] {
    message("%s", std::string(5000, 'z').c_str());
    EXPECT_EQ(message_column, 2023);
  });
  // Even from column 0 a text longer than a line starts with a break.
  EXPECT_EQ(out, "\n" + std::string(2023, 'z'));
}

TEST(Message, FatalCarriesStatusAndWholeText) {
  const std::string long_name(3000, 'n');
  try {
    fatal(1, "%s: \"%s\" is a bad %s file\n", "kifugram", long_name.c_str(), "SGF");
    FAIL() << "fatal returned";
  } catch (const Exit& e) {
    EXPECT_EQ(e.status(), 1);
    EXPECT_EQ(std::string(e.text()), "kifugram: \"" + long_name + "\" is a bad SGF file\n");
  }
  EXPECT_EQ(format_text("%d-%s", 7, "x"), "7-x");
  EXPECT_EQ(format_text("%s", ""), "");
}

}  // namespace
}  // namespace kg
