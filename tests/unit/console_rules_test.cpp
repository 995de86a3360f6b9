#include <gtest/gtest.h>

#include "services/console.h"

namespace fendrix {
namespace {

TEST(ColorIndex, MapsToConsoleAttributes) {
  struct Case {
    ColorIndex index;
    int foreground;
    int background;
  };
  const Case cases[] = {
      {0, 0x7, 0x70},           // out of range: light grey
      {1, 0x0, 0x00},           // black
      {10, 0xC, 0xC0},          // bright red
      {16, 0xF, 0xF0},          // bright white
      {17, 0x7, 0x70},          // out of range
      {-1, 0x7, 0x70},          // low 16 bits are 0xFFFF: out of range
      {65536 + 10, 0xC, 0xC0},  // only the low 16 bits count
      {2, 0x4, 0x40},          {5, 0x1, 0x10}, {14, 0xD, 0xD0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    EXPECT_EQ(ForegroundAttribute(c.index), c.foreground);
    EXPECT_EQ(BackgroundAttribute(c.index), c.background);
  }
}

TEST(CutLine, KeepsShortReadsWholeAndCutsLongerOnesAtTheLineEnd) {
  struct Case {
    std::string read;
    std::string line;
  };
  const std::string full(kReadLineBytes, 'x');
  const Case cases[] = {
      {"1\r\n", "1"},
      {"\r\n", "\r\n"},  // a bare Enter stays whole: never a menu choice
      {"ab", "ab"},
      {"abc\nrest", "abc"},
      {full, full},  // no line break: the whole read comes back
      {std::string("1\0x\r\n", 5), "1"},
      {std::string("a\0", 2), "a"},
      {"\n", "\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.read.substr(0, 16)));
    EXPECT_EQ(CutLine(c.read), c.line);
  }
}

}  // namespace
}  // namespace fendrix
