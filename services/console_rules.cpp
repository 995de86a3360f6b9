#include <array>

#include "services/console.h"

namespace fendrix {

namespace {

constexpr std::array<int, 16> kForeground = {0x0, 0x4, 0x2, 0x6, 0x1, 0x5, 0x3, 0x7,
                                             0x8, 0xC, 0xA, 0xE, 0x9, 0xD, 0xB, 0xF};
constexpr int kLightGrey = 0x7;

}  // namespace

int ForegroundAttribute(ColorIndex index) {
  const int low = index & 0xFFFF;
  return (low >= 1 && low <= 16) ? kForeground[low - 1] : kLightGrey;
}

int BackgroundAttribute(ColorIndex index) { return ForegroundAttribute(index) * 16; }

Text CutLine(std::string_view bytesRead) {
  std::string_view line = bytesRead.substr(0, bytesRead.find('\0'));
  // A bare Enter (CR LF) stays whole so that it never equals a menu choice.
  if (bytesRead.size() > 2) line = line.substr(0, line.find_first_of("\r\n"));
  return Text(line);
}

}  // namespace fendrix
