#include "tool/run_state.h"

#include "services/files.h"
#include "tool/icon_ini.h"

namespace fendrix {

void Say(const RunState& run, ColorIndex foreground, const Text& text) {
  PrintColored(run.console, {}, {}, false, foreground, kBlack, text);
}

Text LastPathPart(const Text& path) {
  int last = -1;
  for (int at = FindText(path, kPathSeparator); at != -1;
       at = FindText(path, kPathSeparator, at + 1)) {
    last = at;
  }
  return RightText(path, TextLength(path) - last);
}

void ReadPriorConfiguration(RunState& run) {
  const Text ini = IconIniPath(run.folder);
  if (!FileExists(ini)) return;
  run.priorName = PriorIconName(ToText(ReadFileBytes(ini)));
  run.priorPath = PriorIconPath(run.folder, run.priorName);
}

}  // namespace fendrix
