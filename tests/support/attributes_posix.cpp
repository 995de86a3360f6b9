#include <sys/xattr.h>

#include <string>

#include "tests/support/temp_folder.h"

namespace fendrix::testing {

std::optional<std::uint32_t> ReadAttributes(const Text& path) {
  char value[32] = {};
  const ssize_t length = getxattr(path.c_str(), "user.DOSATTRIB", value, sizeof value - 1);
  if (length <= 0) return std::nullopt;
  // Wine and Samba may append fields after the hex value; the bits come first.
  return static_cast<std::uint32_t>(std::stoul(std::string(value, length), nullptr, 16));
}

}  // namespace fendrix::testing
