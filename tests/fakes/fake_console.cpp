#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/fakes/fakes.h"

namespace fendrix {

namespace fakes {

Script& TheScript() {
  static Script script;
  return script;
}

void ResetScript() { TheScript() = Script{}; }

}  // namespace fakes

Console CreateConsole() { return {}; }

bool PrintColored(const Console&, std::optional<int> column, std::optional<int> row,
                  bool restoreCursor, ColorIndex foreground, ColorIndex background,
                  const Text& text) {
  EXPECT_FALSE(column || row || restoreCursor) << "the tool never positions the cursor";
  fakes::TheScript().printed.push_back({foreground, background, text});
  return true;
}

Text ReadLine(std::optional<bool> echo) {
  EXPECT_FALSE(echo.has_value()) << "the tool never asks for echo";
  auto& script = fakes::TheScript();
  ++script.linesRead;
  if (script.lines.empty()) {
    ADD_FAILURE() << "unexpected ReadLine #" << script.linesRead;
    return {};
  }
  Text line = script.lines.front();
  script.lines.pop_front();
  return line;
}

void EndProgram(int code) { throw std::runtime_error("EndProgram(" + std::to_string(code) + ")"); }

void EndOutOfMemory() { throw std::runtime_error("EndOutOfMemory"); }

}  // namespace fendrix
