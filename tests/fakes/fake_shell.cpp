#include <gtest/gtest.h>

#include <new>

#include "services/shell.h"
#include "tests/fakes/fakes.h"

namespace fendrix {

Text PickPath(const Text& title, std::optional<bool> includeFiles) {
  auto& script = fakes::TheScript();
  script.pickCalls.push_back({title, includeFiles.value_or(false)});
  if (script.pickRunsOutOfMemory) throw std::bad_alloc();
  if (script.picks.empty()) {
    ADD_FAILURE() << "unexpected PickPath: " << title;
    return {};
  }
  Text path = script.picks.front();
  script.picks.pop_front();
  return path;
}

void OpenURL(const Text& address) { fakes::TheScript().openedUrls.push_back(address); }

}  // namespace fendrix
