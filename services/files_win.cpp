#include <shlwapi.h>
#include <windows.h>

#include "services/files.h"

namespace fendrix {

bool FileExists(const Text& path) { return PathFileExistsA(path.c_str()) != FALSE; }

ByteBuffer ReadFileBytes(const Text& path) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_ARCHIVE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  const DWORD size = GetFileSize(file, nullptr);
  Bytes bytes(size == INVALID_FILE_SIZE ? 0 : size, 0);
  DWORD got = 0;
  // Bytes a short or failed read did not deliver stay zero.
  if (!bytes.empty()) ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  CloseHandle(file);
  return bytes;
}

bool WriteFileBytes(const Text& path, std::span<const ByteBuffer> buffers) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_ARCHIVE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool written = true;
  for (const ByteBuffer& buffer : buffers) {
    if (!buffer || buffer->empty()) continue;
    DWORD done = 0;
    if (!WriteFile(file, buffer->data(), static_cast<DWORD>(buffer->size()), &done, nullptr) ||
        done != buffer->size()) {
      written = false;
      break;
    }
  }
  CloseHandle(file);
  return written;
}

bool WriteFileBytes(const Text& path, const ByteBuffer& buffer) {
  return WriteFileBytes(path, std::span<const ByteBuffer>(&buffer, 1));
}

bool RemoveFile(const Text& path) { return DeleteFileA(path.c_str()) != FALSE; }

bool SetAttributes(const Text& path, std::uint32_t bits) {
  return SetFileAttributesA(path.c_str(), bits) != FALSE;
}

bool MoveFileOver(const Text& from, const Text& to) {
  return MoveFileExA(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

}  // namespace fendrix
