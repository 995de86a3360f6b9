#include "services/files.h"
#include "services/shell.h"
#include "tool/icon_ini.h"
#include "tool/run_state.h"
#include "tool/texts.h"

namespace fendrix {

void RemoveFolderIcon(RunState& run) {
  run.folder = PickPath(texts::kRemoveFolderTitle);
  if (run.folder.empty()) {
    Say(run, kBrightWhite, texts::kNoFolder);
    return;
  }
  ReadPriorConfiguration(run);

  const Text ini = IconIniPath(run.folder);
  const bool configured = FileExists(ini);
  SetAttributes(ini, kBeforeDeleteAttributes);
  RemoveFile(ini);
  if (configured && FileExists(ini)) {
    // The icon stays too: a desktop.ini naming a missing icon would be worse.
    Say(run, kBrightWhite, texts::kTryAgain);
    return;
  }
  if (!run.priorPath.empty()) RemoveFile(run.priorPath);
  Say(run, kBrightWhite, texts::kRemoveDone);
}

}  // namespace fendrix
