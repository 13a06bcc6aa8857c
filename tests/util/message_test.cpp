// Wrapped diagnostics: the 72-column rule at its edges and the 2023-byte
// cut; fatal errors carry the whole text.
#include "util/message.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kg {
namespace {

TEST(Message, WrapsAt72ColumnsAndCuts) {
  struct Case {
    std::vector<std::string> notes;
    std::string want;
    int column;
  };
  const std::string note20 = "[Board size = 19x19]";
  const Case cases[] = {
      {{note20, note20, note20, note20}, note20 + note20 + note20 + "\n" + note20, 20},
      {{std::string(70, 'a'), "bb", "c"}, std::string(70, 'a') + "bb\nc", 1},  // 72 still fits
      // A message's own line break does not reset the column.
      {{std::string(60, 'x') + "\n", "abcdefghijklm"}, std::string(60, 'x') + "\n\nabcdefghijklm",
       13},
      // Even from column 0 a text longer than a line starts with a break.
      {{std::string(5000, 'z')}, "\n" + std::string(2023, 'z'), 2023},
  };
  for (const Case& c : cases) {
    message_column = 0;
    testing::internal::CaptureStderr();
    for (const std::string& n : c.notes) message("%s", n.c_str());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.want);
    EXPECT_EQ(message_column, c.column);
  }
  message_column = 0;
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
