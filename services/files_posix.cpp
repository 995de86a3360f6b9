#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdio>

#include "services/files.h"

namespace fendrix {

namespace {

// Where Wine and Samba keep the Windows attribute bits, in the form they write.
constexpr char kDosAttributeName[] = "user.DOSATTRIB";

bool WriteAll(int fd, const Bytes& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
    if (written <= 0) return false;
    done += static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace

bool FileExists(const Text& path) {
  struct stat status;
  return !path.empty() && stat(path.c_str(), &status) == 0;
}

ByteBuffer ReadFileBytes(const Text& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat status;
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    close(fd);
    return std::nullopt;
  }
  Bytes bytes(static_cast<std::size_t>(status.st_size), 0);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t got = read(fd, bytes.data() + done, bytes.size() - done);
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  close(fd);
  return bytes;
}

bool WriteFileBytes(const Text& path, std::span<const ByteBuffer> buffers) {
  // O_NOFOLLOW: a symbolic link planted at the name is never written through.
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool written = true;
  for (const ByteBuffer& buffer : buffers) {
    if (buffer && !WriteAll(fd, *buffer)) {
      written = false;
      break;
    }
  }
  return close(fd) == 0 && written;
}

bool WriteFileBytes(const Text& path, const ByteBuffer& buffer) {
  return WriteFileBytes(path, std::span<const ByteBuffer>(&buffer, 1));
}

bool RemoveFile(const Text& path) {
  struct stat status;
  if (lstat(path.c_str(), &status) != 0 || S_ISDIR(status.st_mode)) return false;
  return unlink(path.c_str()) == 0;
}

bool SetAttributes(const Text& path, std::uint32_t bits) {
  struct stat status;
  if (stat(path.c_str(), &status) != 0) return false;
  char value[16];
  const int length = std::snprintf(value, sizeof value, "0x%x", bits);
  const auto store = [&] {
    return setxattr(path.c_str(), kDosAttributeName, value, static_cast<std::size_t>(length), 0) ==
           0;
  };
  // A folder's read-only bit only marks it as customised; its permissions stay.
  if (!S_ISREG(status.st_mode)) return store();
  // Storing an extended attribute needs write permission, so the owner gets it
  // for the moment of storing; the read-only bit then decides the final mode.
  const mode_t original = status.st_mode & 07777;
  const mode_t writable = original | S_IWUSR;
  const mode_t final = (bits & kReadOnly) ? (original & ~mode_t{0222}) : writable;
  if (writable != original && chmod(path.c_str(), writable) != 0) return false;
  if (!store()) {
    chmod(path.c_str(), original);
    return false;
  }
  return final == writable || chmod(path.c_str(), final) == 0;
}

bool MoveFileOver(const Text& from, const Text& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace fendrix
