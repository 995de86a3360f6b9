#include <windows.h>

#include "tests/support/temp_folder.h"

namespace fendrix::testing {

std::optional<std::uint32_t> ReadAttributes(const Text& path) {
  const DWORD bits = GetFileAttributesA(path.c_str());
  if (bits == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  return bits;
}

}  // namespace fendrix::testing
