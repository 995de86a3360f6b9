#include "services/console.h"
#include "services/files.h"
#include "services/shell.h"
#include "tool/icon_ini.h"
#include "tool/run_state.h"
#include "tool/texts.h"

namespace fendrix {

namespace {

constexpr int kLowestNumber = 1111111;
constexpr int kHighestNumber = 999999999;
// The generator yields at most 32768 different numbers; past this many draws
// the folder is taken as full rather than looping for ever.
constexpr int kMostDraws = 100000;

// A random number whose name prefix + number + suffix is free in the folder,
// so that nothing already there is overwritten or mistaken for the new file.
Text DrawFreeNumber(const Text& folder, const Text& prefix, const Text& suffix) {
  for (int draw = 0; draw < kMostDraws; ++draw) {
    Text number = ToText(RandomInRange(kLowestNumber, kHighestNumber));
    if (!FileExists(InFolder(folder, prefix + number + suffix))) return number;
  }
  return {};
}

bool HoldsExactly(const Text& path, const ByteBuffer& bytes) {
  const ByteBuffer stored = ReadFileBytes(path);
  return stored && *stored == bytes.value_or(Bytes{});
}

bool WriteWhole(const Text& path, const ByteBuffer& bytes) {
  return WriteFileBytes(path, bytes) && HoldsExactly(path, bytes);
}

// Puts the new text in place with one rename, so an interruption leaves the
// old desktop.ini or the new one, never neither. False while nothing changed.
bool ReplaceIconIni(const Text& folder, const ByteBuffer& content) {
  const Text number = DrawFreeNumber(folder, "desktop.", ".tmp");
  if (number.empty()) return false;
  const Text temporary = InFolder(folder, "desktop." + number + ".tmp");
  const Text ini = IconIniPath(folder);
  if (!WriteWhole(temporary, content)) {
    RemoveFile(temporary);
    return false;
  }
  // A read-only desktop.ini cannot be replaced on Windows.
  if (FileExists(ini)) SetAttributes(ini, kBeforeDeleteAttributes);
  if (!MoveFileOver(temporary, ini)) {
    RemoveFile(temporary);
    return false;
  }
  return true;
}

}  // namespace

void SetFolderIcon(RunState& run) {
  Say(run, kBrightYellow, texts::kSetHeading);
  run.folder = PickPath(texts::kSetFolderTitle);
  if (run.folder.empty()) {
    Say(run, kBrightWhite, texts::kNoFolder);
    return;
  }
  ReadPriorConfiguration(run);
  Say(run, kBrightGreen, texts::kFolderNameIs + LastPathPart(run.folder) + "\r\n");
  Say(run, kBrightYellow, texts::kPickIconPause);
  ReadLine();

  run.icon = PickPath(texts::kIconTitle, true);
  if (run.icon.empty()) {
    Say(run, kBrightWhite, texts::kNoIcon);
    return;
  }
  run.iconName = LastPathPart(run.icon);
  run.iconExt = RightText(run.iconName, 3);
  if (run.iconExt != "ico") {
    Say(run, kBrightRed, texts::kNotAnIcon);
    return;
  }
  // An icon that cannot be read is refused now, before the folder changes.
  run.iconBytes = ReadFileBytes(run.icon);
  if (!run.iconBytes) {
    Say(run, kBrightWhite, texts::kTryAgain);
    return;
  }
  Say(run, kBrightGreen, texts::kIconIs + run.iconName + texts::kReadyPause);
  ReadLine();

  // The old configuration is only let go once the new one stands whole.
  SeedRandom();
  run.randomText = DrawFreeNumber(run.folder, "", ".ico");
  if (run.randomText.empty()) {
    Say(run, kBrightWhite, texts::kTryAgain);
    return;
  }
  run.newName = run.randomText + ".ico";
  const Text copy = InFolder(run.folder, run.newName);
  const ByteBuffer iniContent = ToBytes(BuildIconIni(run.newName));
  if (!WriteWhole(copy, run.iconBytes) || !ReplaceIconIni(run.folder, iniContent)) {
    RemoveFile(copy);
    Say(run, kBrightWhite, texts::kTryAgain);
    return;
  }
  const Text ini = IconIniPath(run.folder);
  SetAttributes(ini, kIconIniAttributes);
  SetAttributes(copy, kIconCopyAttributes);
  SetAttributes(run.folder, kFolderAttributes);
  if (!HoldsExactly(ini, iniContent) || !HoldsExactly(copy, run.iconBytes)) {
    Say(run, kBrightWhite, texts::kTryAgain);
    return;
  }
  if (!run.priorPath.empty() && run.priorName != run.newName) RemoveFile(run.priorPath);
  Say(run, kBrightWhite, texts::kSetDone);
}

}  // namespace fendrix
