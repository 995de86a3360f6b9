// What the tool knows about a folder's desktop.ini: where it lies, the text
// written into it, the icon name read back from it and the attribute bits.
#pragma once

#include <cstdint>

#include "services/files.h"
#include "services/text.h"

namespace fendrix {

extern const char kIconIniTemplate[];
inline constexpr char kIconIniName[] = "desktop.ini";

inline constexpr std::uint32_t kIconIniAttributes = kReadOnly | kHidden | kSystem;  // 7
inline constexpr std::uint32_t kIconCopyAttributes = kHidden | kSystem;             // 6
inline constexpr std::uint32_t kFolderAttributes = kReadOnly;                       // 1
inline constexpr std::uint32_t kBeforeDeleteAttributes = kArchive;                  // 0x20

// folder, one separator, name; nothing inserted or removed, so a drive root
// ("C:\") gives a doubled separator, which Windows accepts.
Text InFolder(const Text& folder, const Text& name);
Text IconIniPath(const Text& folder);

Text BuildIconIni(const Text& iconFileName);
Text PriorIconName(const Text& content);
// The prior icon's path, only for a bare file name directly inside the folder;
// empty for anything that could reach elsewhere, so it is never deleted.
Text PriorIconPath(const Text& folder, const Text& name);

}  // namespace fendrix
