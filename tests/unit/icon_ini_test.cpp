#include "tool/icon_ini.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace fendrix {
namespace {

std::vector<Text> SplitLines(const Text& text) {
  std::vector<Text> lines;
  std::size_t from = 0;
  for (std::size_t end; (end = text.find("\r\n", from)) != Text::npos; from = end + 2) {
    lines.push_back(text.substr(from, end - from));
  }
  lines.push_back(text.substr(from));
  return lines;
}

// The Chinese character for "middle" in the platform's narrow encoding.
const Text kNarrowName = kNarrowEncoding == Encoding::Gbk ? "\xD6\xD0.ico" : "\xE4\xB8\xAD.ico";

TEST(IconIniTemplate, IsTwelveCrLfLinesWithThePlaceholderOnTheThird) {
  const Text ini = kIconIniTemplate;
  EXPECT_EQ(std::strlen(kIconIniTemplate), 308u);
  EXPECT_NE(ini.substr(ini.size() - 2), "\r\n");
  const std::vector<Text> lines = SplitLines(ini);
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[0], "[.ShellClassInfo]");
  EXPECT_EQ(lines[2], "IconFile=###########");
  for (const Text& line : lines) {
    SCOPED_TRACE(line);
    EXPECT_FALSE(line.empty());
    EXPECT_EQ(line.find_first_of("\r\n"), Text::npos);  // no bare CR or LF
  }
  EXPECT_EQ(ini.find('#'), ini.find("###########"));
  EXPECT_EQ(ini.find_last_of('#') - ini.find('#'), 10u);
}

TEST(BuildIconIni, ChangesOnlyTheThirdLine) {
  const std::vector<Text> original = SplitLines(kIconIniTemplate);
  const Text names[] = {"1234567.ico", "1.ico", "123456789012345.ico", "#.ico", "a b.ico",
                        kNarrowName,   ""};
  for (const Text& name : names) {
    SCOPED_TRACE(name);
    const Text ini = BuildIconIni(name);
    EXPECT_EQ(ini.size(), 308 - 11 + name.size());
    std::vector<Text> lines = SplitLines(ini);
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[2], "IconFile=" + name);
    lines[2] = original[2];
    EXPECT_EQ(lines, original);
  }
}

TEST(BuildIconIni, SevenDigitNameKeepsTheSize) {
  EXPECT_EQ(BuildIconIni("1234567.ico").size(), 308u);
}

TEST(PriorIconName, TakesFromIconFileToTheFirstIco) {
  struct Case {
    const char* what;
    Text content;
    Text name;
  };
  const Case cases[] = {
      {"written by this tool", BuildIconIni("1234567.ico"), "1234567.ico"},
      {"a line alone", "IconFile=1234567.ico\r\n", "1234567.ico"},
      {"full path", "[.ShellClassInfo]\r\nIconFile=C:\\icons\\a.ico\r\n", "C:\\icons\\a.ico"},
      {"file starts with it", "IconFile=x.ico", "x.ico"},
      {"name only the suffix", "IconFile=.ico", ".ico"},
      {"narrow Chinese name", "IconFile=" + kNarrowName + "\r\n", kNarrowName},
      {"GBK name with a 0x5C byte", "IconFile=\xD6\x5C.ico", "\xD6\x5C.ico"},
      {"no IconFile=", "[.ShellClassInfo]\r\nIconResource=x.ico,0\r\n", ""},
      {"key in lower case", "iconfile=x.ico\r\n", ""},
      {".ico only before IconFile=", "; x.ico\r\nIconFile=y.png\r\n", ""},
      {"capital .ICO only", "IconFile=X.ICO\r\n", ""},
      {"neither", "[.ShellClassInfo]\r\n", ""},
      {"empty", "", ""},
      {"value without .ico, .ico later", "IconFile=abc\r\nIconIndex=0\r\nx.ico",
       "abc\r\nIconIndex=0\r\nx.ico"},
      {"first of two entries", "IconFile=a.ico\r\nIconFile=b.ico\r\n", "a.ico"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(PriorIconName(c.content), c.name);
  }
}

TEST(PriorIconPath, OnlyForABareNameInTheFolder) {
  const Text folder = "folder";
  const Text sep = kPathSeparator;
  struct Case {
    Text name;
    bool bare;
  };
  const Case cases[] = {
      {"1234567.ico", true},
      {"x.ico", true},
      {"a b.ico", true},
      {"..x.ico", true},
      {"...ico", true},
      {kNarrowName, true},
      {"..\\..\\x.ico", false},
      {"sub\\..\\..\\x.ico", false},
      {"C:\\x.ico", false},
      {"\\\\server\\share\\x.ico", false},
      {"/etc/x.ico", false},
      {"../x.ico", false},
      {"sub/x.ico", false},
      {"sub\\x.ico", false},
      {"\\x.ico", false},
      {"x.ico/", false},
      {"..", false},
      {".", false},
      {"", false},
#ifdef _WIN32
      {"C:x.ico", false},
      {"x.ico:stream", false},
#else
      {"C:x.ico", true},
#endif
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(PriorIconPath(folder, c.name), c.bare ? folder + sep + c.name : Text{});
  }
}

TEST(IconIniPath, JoinsWithOneSeparatorKeepingADoubledOne) {
  struct Case {
    Text folder;
    Text path;
  };
  const Case cases[] = {
#ifdef _WIN32
      {"C:\\Users\\a\\icons", "C:\\Users\\a\\icons\\desktop.ini"},
      {"C:\\", "C:\\\\desktop.ini"},
      {"\\\\server\\share", "\\\\server\\share\\desktop.ini"},
#else
      {"/home/a/icons", "/home/a/icons/desktop.ini"},
      {"/", "//desktop.ini"},
      {"/home/a/icons/", "/home/a/icons//desktop.ini"},
#endif
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder);
    EXPECT_EQ(IconIniPath(c.folder), c.path);
  }
}

}  // namespace
}  // namespace fendrix
