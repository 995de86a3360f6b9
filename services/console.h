// Console services: coloured output, line input and the way out of the process.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "services/text.h"

namespace fendrix {

// One of sixteen console colours, 1..16; anything else after taking the low
// 16 bits is light grey.
using ColorIndex = int;

// The standard handles (Windows) or descriptors (elsewhere), taken once at start.
struct Console {
  std::intptr_t input = 0;
  std::intptr_t output = 0;
};

Console CreateConsole();

// column and row are used only when both are given. Prints nothing and returns
// false when standard output is not a console or terminal.
bool PrintColored(const Console& console, std::optional<int> column, std::optional<int> row,
                  bool restoreCursor, ColorIndex foreground, ColorIndex background,
                  const Text& text);

// One read of at most kReadLineBytes; empty when standard input is not a
// console or terminal, on a failed read and at end of input.
Text ReadLine(std::optional<bool> echo = {});

[[noreturn]] void EndProgram(int code);

// The one fatal failure: tells the person that memory ran out, then EndProgram(0).
[[noreturn]] void EndOutOfMemory();

// Rules shared by every platform, kept apart from the system calls so they can be tested.
inline constexpr std::size_t kReadLineBytes = 2048;
int ForegroundAttribute(ColorIndex index);
int BackgroundAttribute(ColorIndex index);
Text CutLine(std::string_view bytesRead);

}  // namespace fendrix
