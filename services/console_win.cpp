#include <windows.h>

#include "services/console.h"

namespace fendrix {

namespace {

HANDLE AsHandle(std::intptr_t value) { return reinterpret_cast<HANDLE>(value); }

// Bytes go straight to the handle: the C runtime's formatted print would
// re-encode them (Wine's does) and needs every "%" doubled.
void WriteAll(HANDLE output, const Text& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(text.size() - done);
    if (!WriteFile(output, text.data() + done, chunk, &written, nullptr) || written == 0) return;
    done += written;
  }
}

}  // namespace

Console CreateConsole() {
  return {reinterpret_cast<std::intptr_t>(GetStdHandle(STD_INPUT_HANDLE)),
          reinterpret_cast<std::intptr_t>(GetStdHandle(STD_OUTPUT_HANDLE))};
}

bool PrintColored(const Console& console, std::optional<int> column, std::optional<int> row,
                  bool restoreCursor, ColorIndex foreground, ColorIndex background,
                  const Text& text) {
  if (text.empty()) return true;
  const HANDLE output = AsHandle(console.output);
  CONSOLE_SCREEN_BUFFER_INFO before;
  if (!GetConsoleScreenBufferInfo(output, &before)) return false;
  if (column && row) {
    const COORD at = {static_cast<SHORT>(*column), static_cast<SHORT>(*row)};
    if (!SetConsoleCursorPosition(output, at)) return false;
  }
  const WORD attribute =
      static_cast<WORD>(ForegroundAttribute(foreground) | BackgroundAttribute(background));
  if (!SetConsoleTextAttribute(output, attribute)) return false;
  WriteAll(output, text);
  if (restoreCursor && !SetConsoleCursorPosition(output, before.dwCursorPosition)) return false;
  return SetConsoleTextAttribute(output, before.wAttributes) != 0;
}

Text ReadLine(std::optional<bool> echo) {
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  if (input == nullptr || input == INVALID_HANDLE_VALUE) return {};
  char buffer[kReadLineBytes];
  DWORD got = 0;
  if (!ReadConsoleA(input, buffer, sizeof buffer, &got, nullptr)) return {};
  if (echo.value_or(false)) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), buffer, got, &written, nullptr);
  }
  return CutLine(std::string_view(buffer, got));
}

void EndProgram(int code) {
  FlushFileBuffers(GetStdHandle(STD_OUTPUT_HANDLE));
  ExitProcess(static_cast<UINT>(code));
}

void EndOutOfMemory() {
  MessageBoxA(nullptr, "内存不足", "error", MB_ICONERROR | MB_OK);
  EndProgram(0);
}

}  // namespace fendrix
