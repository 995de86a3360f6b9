// File services: whole-file operations on paths in the platform's own form.
#pragma once

#include <cstdint>
#include <span>

#include "services/text.h"

namespace fendrix {

#ifdef _WIN32
inline constexpr char kPathSeparator[] = "\\";
#else
inline constexpr char kPathSeparator[] = "/";
#endif

// Windows attribute bits, kept on other systems where Samba and Wine read them.
inline constexpr std::uint32_t kReadOnly = 0x1;
inline constexpr std::uint32_t kHidden = 0x2;
inline constexpr std::uint32_t kSystem = 0x4;
inline constexpr std::uint32_t kArchive = 0x20;

// True for an existing file or folder.
bool FileExists(const Text& path);
// The whole file; absent when it cannot be opened (or is a folder).
ByteBuffer ReadFileBytes(const Text& path);
// Creates or cuts the file and writes the buffers in order; an absent buffer writes nothing.
bool WriteFileBytes(const Text& path, std::span<const ByteBuffer> buffers);
bool WriteFileBytes(const Text& path, const ByteBuffer& buffer);
// Removes a file, never a folder.
bool RemoveFile(const Text& path);
// The bits take the place of all the path's attribute bits.
bool SetAttributes(const Text& path, std::uint32_t bits);
// Renames from over to in one step, replacing an existing file at to.
bool MoveFileOver(const Text& from, const Text& to);

}  // namespace fendrix
