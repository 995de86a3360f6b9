// Sets or reads attribute bits with this build's file services, so that the
// Linux and Windows builds can be run over the same folder.
//   attributes_probe set PATH BITS [PATH BITS]...   BITS in C notation (0x27, 6)
//   attributes_probe get PATH...                    one line per path: 0x27, or "absent"
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "services/files.h"
#include "tests/support/temp_folder.h"

namespace {

int Usage() {
  std::fputs("usage: attributes_probe set PATH BITS [PATH BITS]... | get PATH...\n", stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const bool set = std::strcmp(argv[1], "set") == 0;
  if (!set && std::strcmp(argv[1], "get") != 0) return Usage();
  if (set && argc % 2 != 0) return Usage();
  int result = 0;
  for (int i = 2; i < argc; i += set ? 2 : 1) {
    const fendrix::Text path = argv[i];
    if (set) {
      char* end = nullptr;
      const unsigned long bits = std::strtoul(argv[i + 1], &end, 0);
      if (*end != '\0') return Usage();
      if (!fendrix::SetAttributes(path, static_cast<std::uint32_t>(bits))) {
        std::fprintf(stderr, "SetAttributes failed: %s\n", argv[i]);
        result = 1;
      }
    } else if (const auto bits = fendrix::testing::ReadAttributes(path)) {
      std::printf("0x%x\n", static_cast<unsigned>(*bits));
    } else {
      std::puts("absent");
    }
  }
  return result;
}
