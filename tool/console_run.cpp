#include <new>

#include "fendrix_config.h"
#include "services/shell.h"
#include "tool/run_state.h"
#include "tool/texts.h"

namespace fendrix {

namespace {

void Greet(const RunState& run) {
  Say(run, kBrightRed, texts::kGreetingWelcome);
  Say(run, kBrightGreen, texts::kGreetingPurpose);
  Say(run, kBrightYellow, texts::kGreetingEnter);
  Say(run, kBrightRed, texts::kGreetingRule);
  Say(run, kBrightGreen, texts::kGreetingFeature);
  Say(run, kLightGrey, texts::kMenu);
  Say(run, kBrightMagenta, texts::kPrompt);
}

void Run() {
  RunState run;
  run.console = CreateConsole();
  Greet(run);
  run.choice = ReadLine();
  if (run.choice != "1" && run.choice != "2" && run.choice != "3") {
    Say(run, kBrightWhite, texts::kNoSuchChoice);
  }
  if (run.choice == "1") SetFolderIcon(run);
  if (run.choice == "2") RemoveFolderIcon(run);
  if (run.choice == "3") OpenURL(FENDRIX_NEWS_URL);
  ReadLine();
}

}  // namespace

void ConsoleRun() {
  // Running out of memory anywhere in the run ends it here, in one place.
  try {
    Run();
  } catch (const std::bad_alloc&) {
    EndOutOfMemory();
  }
  EndProgram(0);
}

}  // namespace fendrix
