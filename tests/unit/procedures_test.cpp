// The two procedures against the fake console and shell, over real folders:
// what the person sees, and what the folder holds afterwards.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <set>
#include <stdexcept>
#include <thread>

#include "fendrix_config.h"
#include "services/files.h"
#include "tests/fakes/fakes.h"
#include "tests/support/temp_folder.h"
#include "tool/icon_ini.h"
#include "tool/run_state.h"
#include "tool/texts.h"

namespace fendrix {
namespace {

namespace fs = std::filesystem;
using fakes::PickCall;
using fakes::Printed;
using fakes::TheScript;
using testing::ReadAttributes;
using testing::ReadFile;
using testing::Snapshot;
using testing::TempFolder;
using testing::WriteFile;

const std::string kIconBytes("\0\0\1\0\1\0 icon bytes\xff", 18);
// The bits the shell looks at. Archive is left out: Wine reports it on every
// file whatever was set.
constexpr std::uint32_t kShellBits = kReadOnly | kHidden | kSystem;

Printed Message(ColorIndex foreground, const Text& text) { return {foreground, kBlack, text}; }

std::vector<std::string> IconCopies(const fs::path& folder) {
  static const std::regex kCopyName("[0-9]{7}\\.ico");
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (std::regex_match(name, kCopyName)) names.push_back(name);
  }
  return names;
}

void ExpectBits(const Text& path, std::uint32_t bits) {
  const auto stored = ReadAttributes(path);
  ASSERT_TRUE(stored.has_value()) << path;
  EXPECT_EQ(*stored & kShellBits, bits) << path;
}

// Makes a folder immutable for the life of the object: even root cannot then
// create, rename or remove anything in it. Linux only; elsewhere applied() is false.
class Immutable {
 public:
  explicit Immutable(const fs::path& folder) : folder_(folder) {
#ifndef _WIN32
    applied_ = std::system(("chattr +i '" + folder_.string() + "' 2>/dev/null").c_str()) == 0;
#endif
  }
  ~Immutable() {
    if (applied_) std::system(("chattr -i '" + folder_.string() + "'").c_str());
  }
  bool applied() const { return applied_; }

 private:
  fs::path folder_;
  bool applied_ = false;
};

class Procedures : public ::testing::Test {
 protected:
  void SetUp() override {
    fakes::ResetScript();
    fs::create_directory(root_.path() / "target");
    fs::create_directory(root_.path() / "icons");
    WriteFile(root_.path() / "target" / "notes.txt", "keep me");
    WriteFile(root_.path() / "icons" / "pretty.ico", kIconBytes);
  }

  Text Folder() const { return root_ / "target"; }
  fs::path FolderPath() const { return root_.path() / "target"; }
  Text Icon(const std::string& name = "pretty.ico") const {
    return root_.text() + kPathSeparator + "icons" + kPathSeparator + name;
  }

  // Runs choice 1 answering both dialogs and both pauses.
  void RunSet(const Text& folder, const Text& icon) {
    TheScript().picks = {folder, icon};
    TheScript().lines = {"\r\n", "\r\n"};
    RunState run;
    SetFolderIcon(run);
    EXPECT_TRUE(TheScript().picks.empty());
    EXPECT_TRUE(TheScript().lines.empty());
  }

  void RunRemove(const Text& folder) {
    TheScript().picks = {folder};
    RunState run;
    RemoveFolderIcon(run);
    EXPECT_TRUE(TheScript().picks.empty());
    EXPECT_EQ(TheScript().linesRead, 0);
  }

  std::vector<Printed> SetMessagesUpTo(const Text& iconName, const Printed& last) const {
    return {Message(kBrightYellow, texts::kSetHeading),
            Message(kBrightGreen, texts::kFolderNameIs + Text("target") + "\r\n"),
            Message(kBrightYellow, texts::kPickIconPause),
            Message(kBrightGreen, texts::kIconIs + iconName + texts::kReadyPause), last};
  }

  // desktop.ini is the template naming one copy whose bytes are the icon's,
  // with the attribute bits that make the shell honour it.
  void ExpectConfigured(const std::string& iconBytes = kIconBytes) const {
    const auto copies = IconCopies(FolderPath());
    ASSERT_EQ(copies.size(), 1u);
    const std::string ini = ReadFile(FolderPath() / "desktop.ini");
    EXPECT_EQ(ini, BuildIconIni(copies[0]));
    EXPECT_EQ(ini.size(), 308u);
    EXPECT_EQ(ReadFile(FolderPath() / copies[0]), iconBytes);
    ExpectBits(IconIniPath(Folder()), kReadOnly | kHidden | kSystem);
    ExpectBits(InFolder(Folder(), copies[0]), kHidden | kSystem);
#ifndef _WIN32
    // Wine drops read-only on folders while reporting success.
    ExpectBits(Folder(), kReadOnly);
#endif
  }

  TempFolder root_;
};

TEST_F(Procedures, SetGivesAFreshFolderItsIcon) {
  RunSet(Folder(), Icon());
  EXPECT_EQ(TheScript().printed,
            SetMessagesUpTo("pretty.ico", Message(kBrightWhite, texts::kSetDone)));
  EXPECT_EQ(TheScript().pickCalls,
            (std::vector<PickCall>{{texts::kSetFolderTitle, false}, {texts::kIconTitle, true}}));
  ExpectConfigured();
  EXPECT_EQ(ReadFile(FolderPath() / "notes.txt"), "keep me");
  // Only the configuration and its copy were added: no temporary file is left.
  EXPECT_EQ(Snapshot(FolderPath()).size(), 3u);
}

TEST_F(Procedures, SetTwiceLeavesExactlyOneCopy) {
  RunSet(Folder(), Icon());
  const auto first = IconCopies(FolderPath());
  WriteFile(root_.path() / "icons" / "second.ico", "second icon");
  fakes::ResetScript();
  RunSet(Folder(), Icon("second.ico"));
  EXPECT_EQ(TheScript().printed.back(), Message(kBrightWhite, texts::kSetDone));
  ExpectConfigured("second icon");
  EXPECT_NE(IconCopies(FolderPath()), first);
}

TEST_F(Procedures, SetAcceptsAnyNameEndingInLowerCaseIco) {
  WriteFile(root_.path() / "icons" / "apico", kIconBytes);
  RunSet(Folder(), Icon("apico"));
  EXPECT_EQ(TheScript().printed.back(), Message(kBrightWhite, texts::kSetDone));
  ExpectConfigured();
}

TEST_F(Procedures, SetReplacesAnotherProgramsConfiguration) {
  struct Case {
    const char* name;
    Text iconFileValue;  // what the other program wrote after IconFile=
    bool bareFileDeleted;
  };
  const Text outside = root_ / "outside.ico";
  const Case cases[] = {
      {"bare name in the folder", "theirs.ico", true},
      {"relative path out of the folder", Text("..") + kPathSeparator + "outside.ico", false},
      {"absolute path", outside, false},
      {"backslash path", "sub\\..\\..\\outside.ico", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fakes::ResetScript();
    testing::RemoveAll(FolderPath());
    fs::create_directory(FolderPath());
    WriteFile(FolderPath() / "theirs.ico", "their icon");
    WriteFile(root_.path() / "outside.ico", "outside icon");
    WriteFile(FolderPath() / "desktop.ini",
              "[.ShellClassInfo]\r\nIconResource=x\r\nIconFile=" + c.iconFileValue + "\r\n");
    RunSet(Folder(), Icon());
    EXPECT_EQ(TheScript().printed.back(), Message(kBrightWhite, texts::kSetDone));
    ExpectConfigured();
    EXPECT_EQ(fs::exists(FolderPath() / "theirs.ico"), !c.bareFileDeleted);
    EXPECT_EQ(ReadFile(root_.path() / "outside.ico"), "outside icon");
  }
}

TEST_F(Procedures, SetRefusalsAndCancelsChangeNothing) {
  fs::create_directory(root_.path() / "icons" / "folder.ico");
  WriteFile(root_.path() / "icons" / "A.ICO", kIconBytes);
  struct Case {
    const char* name;
    std::deque<Text> picks;
    int pauses;
    std::vector<Printed> printed;
  };
  const Printed tryAgain = Message(kBrightWhite, texts::kTryAgain);
  const Case cases[] = {
      {"folder dialog cancelled",
       {""},
       0,
       {Message(kBrightYellow, texts::kSetHeading), Message(kBrightWhite, texts::kNoFolder)}},
      {"icon dialog cancelled",
       {Folder(), ""},
       1,
       {Message(kBrightYellow, texts::kSetHeading),
        Message(kBrightGreen, texts::kFolderNameIs + Text("target") + "\r\n"),
        Message(kBrightYellow, texts::kPickIconPause), Message(kBrightWhite, texts::kNoIcon)}},
      {"capital extension",
       {Folder(), Icon("A.ICO")},
       1,
       {Message(kBrightYellow, texts::kSetHeading),
        Message(kBrightGreen, texts::kFolderNameIs + Text("target") + "\r\n"),
        Message(kBrightYellow, texts::kPickIconPause), Message(kBrightRed, texts::kNotAnIcon)}},
      {"icon is a folder",
       {Folder(), Icon("folder.ico")},
       1,
       {Message(kBrightYellow, texts::kSetHeading),
        Message(kBrightGreen, texts::kFolderNameIs + Text("target") + "\r\n"),
        Message(kBrightYellow, texts::kPickIconPause), tryAgain}},
      {"icon vanished",
       {Folder(), Icon("gone.ico")},
       1,
       {Message(kBrightYellow, texts::kSetHeading),
        Message(kBrightGreen, texts::kFolderNameIs + Text("target") + "\r\n"),
        Message(kBrightYellow, texts::kPickIconPause), tryAgain}},
  };
  // A configuration another program left must survive every refusal too.
  WriteFile(FolderPath() / "desktop.ini", "[.ShellClassInfo]\r\nIconFile=theirs.ico\r\n");
  WriteFile(FolderPath() / "theirs.ico", "their icon");
  const auto before = Snapshot(root_.path());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fakes::ResetScript();
    TheScript().picks = c.picks;
    TheScript().lines.assign(c.pauses, "\r\n");
    RunState run;
    SetFolderIcon(run);
    EXPECT_EQ(TheScript().printed, c.printed);
    EXPECT_TRUE(TheScript().lines.empty());
    EXPECT_EQ(Snapshot(root_.path()), before);
  }
}

TEST_F(Procedures, SetNeverOverwritesATakenRandomName) {
  // The seed is the tick count when the procedure runs. Every number the first
  // draw can give during a short window is taken beforehand, and the run is
  // started inside that window.
  using namespace std::chrono;
  const auto ticks = [] {
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  };
  const auto windowStart = ticks() + 1000;
  const auto windowEnd = windowStart + 250;
  std::set<std::string> taken;
  for (auto seed = windowStart; seed < windowEnd; ++seed) {
    const std::uint32_t state = static_cast<std::uint32_t>(seed) * 214013u + 2531011u;
    taken.insert(std::to_string(1111111 + ((state >> 16) & 0x7FFF)) + ".ico");
  }
  for (const std::string& name : taken) WriteFile(FolderPath() / name, "taken " + name);
  const auto before = Snapshot(FolderPath());
  ASSERT_LT(ticks(), windowStart) << "taking the names took longer than planned";
  while (ticks() < windowStart) std::this_thread::sleep_for(milliseconds(1));

  RunSet(Folder(), Icon());
  EXPECT_EQ(TheScript().printed.back(), Message(kBrightWhite, texts::kSetDone));
  ASSERT_LT(ticks(), windowEnd) << "the run did not seed inside the window";
  const auto after = Snapshot(FolderPath());
  for (const auto& [name, bytes] : before) EXPECT_EQ(after.at(name), bytes) << name;
  const std::string ini = ReadFile(FolderPath() / "desktop.ini");
  const std::string newName = ini.substr(ini.find("IconFile=") + 9, 11);
  EXPECT_EQ(taken.count(newName), 0u) << newName;
  EXPECT_EQ(ReadFile(FolderPath() / newName), kIconBytes);
}

TEST_F(Procedures, SetKeepsTheOldConfigurationWhenTheNewOneCannotBeWritten) {
  RunSet(Folder(), Icon());
  ASSERT_EQ(TheScript().printed.back(), Message(kBrightWhite, texts::kSetDone));
  const auto before = Snapshot(FolderPath());
  fakes::ResetScript();
  {
    Immutable locked(FolderPath());
    if (!locked.applied()) GTEST_SKIP() << "needs chattr +i (Linux, ext4 or similar)";
    RunSet(Folder(), Icon());
  }
  EXPECT_EQ(TheScript().printed.back(), Message(kBrightWhite, texts::kTryAgain));
  EXPECT_EQ(Snapshot(FolderPath()), before);
  ExpectConfigured();
}

TEST_F(Procedures, SetRemovesItsCopyWhenDesktopIniCannotBeReplaced) {
  // A folder named desktop.ini cannot be renamed over, on any system.
  fs::create_directory(FolderPath() / "desktop.ini");
  const auto before = Snapshot(FolderPath());
  RunSet(Folder(), Icon());
  EXPECT_EQ(TheScript().printed.back(), Message(kBrightWhite, texts::kTryAgain));
  EXPECT_EQ(Snapshot(FolderPath()), before);
}

TEST_F(Procedures, RemoveUndoesSet) {
  RunSet(Folder(), Icon());
  ASSERT_EQ(IconCopies(FolderPath()).size(), 1u);
  fakes::ResetScript();
  RunRemove(Folder());
  EXPECT_EQ(TheScript().printed, (std::vector<Printed>{Message(kBrightWhite, texts::kRemoveDone)}));
  EXPECT_EQ(TheScript().pickCalls, (std::vector<PickCall>{{texts::kRemoveFolderTitle, false}}));
  EXPECT_EQ(Snapshot(FolderPath()), (std::map<std::string, std::string>{{"notes.txt", "keep me"}}));
}

TEST_F(Procedures, RemoveDeletesOnlyWhatIsInsideTheFolder) {
  struct Case {
    const char* name;
    std::optional<Text> iconFileValue;  // absent: no desktop.ini at all
    bool bareFileDeleted;
  };
  const Text outside = root_ / "outside.ico";
  const Case cases[] = {
      {"no desktop.ini", std::nullopt, false},
      {"bare name in the folder", "theirs.ico", true},
      {"relative path out of the folder", Text("..") + kPathSeparator + "outside.ico", false},
      {"absolute path", outside, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fakes::ResetScript();
    WriteFile(FolderPath() / "theirs.ico", "their icon");
    WriteFile(root_.path() / "outside.ico", "outside icon");
    if (c.iconFileValue) {
      WriteFile(FolderPath() / "desktop.ini", "[.ShellClassInfo]\r\nIconFile=" + *c.iconFileValue);
    }
    RunRemove(Folder());
    EXPECT_EQ(TheScript().printed,
              (std::vector<Printed>{Message(kBrightWhite, texts::kRemoveDone)}));
    EXPECT_FALSE(fs::exists(FolderPath() / "desktop.ini"));
    EXPECT_EQ(fs::exists(FolderPath() / "theirs.ico"), !c.bareFileDeleted);
    EXPECT_EQ(ReadFile(root_.path() / "outside.ico"), "outside icon");
    EXPECT_EQ(ReadFile(FolderPath() / "notes.txt"), "keep me");
  }
}

TEST_F(Procedures, RemoveReportsADesktopIniThatStays) {
  RunSet(Folder(), Icon());
  const auto before = Snapshot(FolderPath());
  fakes::ResetScript();
  {
    Immutable locked(FolderPath());
    if (!locked.applied()) GTEST_SKIP() << "needs chattr +i (Linux, ext4 or similar)";
    RunRemove(Folder());
  }
  EXPECT_EQ(TheScript().printed, (std::vector<Printed>{Message(kBrightWhite, texts::kTryAgain)}));
  EXPECT_EQ(Snapshot(FolderPath()), before);
}

TEST_F(Procedures, RemoveCancelled) {
  const auto before = Snapshot(root_.path());
  RunRemove("");
  EXPECT_EQ(TheScript().printed, (std::vector<Printed>{Message(kBrightWhite, texts::kNoFolder)}));
  EXPECT_EQ(Snapshot(root_.path()), before);
}

// The fakes end the process by throwing; this says how the run ended.
std::string HowTheRunEnds() {
  try {
    ConsoleRun();
  } catch (const std::runtime_error& end) {
    return end.what();
  }
  return "returned";
}

TEST_F(Procedures, ConsoleRunDispatchesOneChoiceAndEndsWithZero) {
  struct Case {
    Text choice;
    std::size_t picks;
    std::vector<Text> opened;
  };
  const Case cases[] = {
      {"1", 1, {}}, {"2", 1, {}}, {"3", 0, {FENDRIX_NEWS_URL}}, {"4", 0, {}}, {"\r\n", 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.choice);
    fakes::ResetScript();
    TheScript().lines = {c.choice, "\r\n"};
    TheScript().picks = {""};
    EXPECT_EQ(HowTheRunEnds(), "EndProgram(0)");
    EXPECT_EQ(TheScript().pickCalls.size(), c.picks);
    EXPECT_EQ(TheScript().openedUrls, c.opened);
    EXPECT_TRUE(TheScript().lines.empty()) << "the final pause was not read";
  }
}

TEST_F(Procedures, RunningOutOfMemoryEndsTheRunInOnePlace) {
  TheScript().lines = {"1"};
  TheScript().picks = {""};
  TheScript().pickRunsOutOfMemory = true;
  EXPECT_EQ(HowTheRunEnds(), "EndOutOfMemory");
}

TEST(LastPathPart, IsTheWholeNameAfterTheLastSeparator) {
  struct Case {
    Text path;
    Text name;
  };
#ifdef _WIN32
  const Case cases[] = {
      {"C:\\a\\b", "b"},
      {"C:\\", ""},
      {"C:\\a\\\xD6\x5C", "\xD6\x5C"},  // GBK character whose second byte is a backslash
      {"C:\\\xD6\x5C\\b", "b"},
      {"name", "name"},
  };
#else
  const Case cases[] = {
      {"/a/b", "b"},
      {"/", ""},
      {"/a/\xE5\x90\x8D\xE5\xAD\x97", "\xE5\x90\x8D\xE5\xAD\x97"},
      {"name", "name"},
  };
#endif
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(LastPathPart(c.path), c.name);
  }
}

}  // namespace
}  // namespace fendrix
