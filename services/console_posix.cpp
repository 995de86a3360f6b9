#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "services/console.h"

namespace fendrix {

namespace {

// ANSI colour numbers in the order red 1, green 2, blue 4 of the Windows bits.
int AnsiColor(int attribute) {
  const int rgb =
      ((attribute & 0x4) ? 1 : 0) | ((attribute & 0x2) ? 2 : 0) | ((attribute & 0x1) ? 4 : 0);
  return rgb + ((attribute & 0x8) ? 60 : 0);
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(fd, bytes.data(), bytes.size());
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace

Console CreateConsole() { return {STDIN_FILENO, STDOUT_FILENO}; }

bool PrintColored(const Console& console, std::optional<int> column, std::optional<int> row,
                  bool restoreCursor, ColorIndex foreground, ColorIndex background,
                  const Text& text) {
  if (text.empty()) return true;
  const int fd = static_cast<int>(console.output);
  if (!isatty(fd)) return false;
  std::string out;
  if (restoreCursor)
    out +=
        "\x1b"
        "7";
  if (column && row)
    out += "\x1b[" + std::to_string(*row + 1) + ";" + std::to_string(*column + 1) + "H";
  out += "\x1b[" + std::to_string(30 + AnsiColor(ForegroundAttribute(foreground))) + ";" +
         std::to_string(40 + AnsiColor(BackgroundAttribute(background) >> 4)) + "m";
  out += text;
  if (restoreCursor)
    out +=
        "\x1b"
        "8";
  // A terminal cannot report its colour, so its own default comes back.
  out += "\x1b[0m";
  return WriteAll(fd, out);
}

Text ReadLine(std::optional<bool> echo) {
  if (!isatty(STDIN_FILENO)) return {};
  char buffer[kReadLineBytes + 1];
  const ssize_t got = read(STDIN_FILENO, buffer, kReadLineBytes);
  if (got <= 0) return {};
  std::size_t length = static_cast<std::size_t>(got);
  if (echo.value_or(false)) WriteAll(STDOUT_FILENO, std::string_view(buffer, length));
  // A terminal ends a line with LF alone; as CR LF the line rules match Windows.
  if (buffer[length - 1] == '\n' && (length < 2 || buffer[length - 2] != '\r')) {
    buffer[length - 1] = '\r';
    buffer[length++] = '\n';
  }
  return CutLine(std::string_view(buffer, length));
}

void EndProgram(int code) {
  std::fflush(stdout);
  std::_Exit(code);
}

void EndOutOfMemory() {
  constexpr std::string_view kMessage = "内存不足\n";
  WriteAll(STDERR_FILENO, kMessage);
  EndProgram(0);
}

}  // namespace fendrix
