// The record of one run and the small helpers both procedures share.
#pragma once

#include "services/console.h"
#include "services/text.h"

namespace fendrix {

struct RunState {
  Console console;
  Text choice;
  Text folder;
  Text priorName;
  Text priorPath;
  Text icon;
  Text iconName;
  Text iconExt;
  ByteBuffer iconBytes;
  Text randomText;
  Text newName;
};

// Colour indexes the dialogue uses.
inline constexpr ColorIndex kLightGrey = 0;
inline constexpr ColorIndex kBlack = 1;
inline constexpr ColorIndex kBrightRed = 10;
inline constexpr ColorIndex kBrightGreen = 11;
inline constexpr ColorIndex kBrightYellow = 12;
inline constexpr ColorIndex kBrightMagenta = 14;
inline constexpr ColorIndex kBrightWhite = 16;

// Every message of the tool: at the cursor, on black, previous colour restored.
void Say(const RunState& run, ColorIndex foreground, const Text& text);

// The part of path after its last separator. Separators are found by whole
// characters, so a double-byte character ending in 0x5C does not split a name.
Text LastPathPart(const Text& path);

// Fills priorName and priorPath from the folder's desktop.ini, when there is one.
void ReadPriorConfiguration(RunState& run);

void SetFolderIcon(RunState& run);
void RemoveFolderIcon(RunState& run);
[[noreturn]] void ConsoleRun();

}  // namespace fendrix
