// Fake console and shell services: the console records what was printed and
// answers ReadLine from a script; the shell answers PickPath from a script and
// records OpenURL. A call the script did not expect is a test failure.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "services/console.h"
#include "services/text.h"

namespace fendrix::fakes {

struct Printed {
  ColorIndex foreground;
  ColorIndex background;
  Text text;
  bool operator==(const Printed&) const = default;
};

struct PickCall {
  Text title;
  bool includeFiles;
  bool operator==(const PickCall&) const = default;
};

struct Script {
  std::deque<Text> lines;  // answers to ReadLine
  std::deque<Text> picks;  // answers to PickPath
  bool pickRunsOutOfMemory = false;
  std::vector<Printed> printed;  // everything PrintColored was given
  std::vector<PickCall> pickCalls;
  std::vector<Text> openedUrls;
  int linesRead = 0;
};

// The script the fakes work from; reset at the start of each test.
Script& TheScript();
void ResetScript();

}  // namespace fendrix::fakes
