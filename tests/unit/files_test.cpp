// The file services on real temporary folders. The same file runs natively and,
// cross-built, under Wine; Windows-only and Linux-only cases are marked so.
#include "services/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/temp_folder.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <grp.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif

namespace fendrix {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using namespace std::string_view_literals;
using testing::ReadAttributes;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

Bytes ToByteVector(std::string_view text) { return Bytes(text.begin(), text.end()); }

#ifdef _WIN32
bool UnderWine() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
#endif

// What ReadAttributes gives back after SetAttributes(bits) on a file or folder.
std::uint32_t ReportedBits(std::uint32_t bits, bool folder) {
#ifdef _WIN32
  if (UnderWine()) {
    // Wine keeps only hidden and system in its extended attribute, shows read-only
    // from the missing write bits (never on a folder: it drops that bit) and always
    // reports archive for a file.
    return folder ? FILE_ATTRIBUTE_DIRECTORY | (bits & (kHidden | kSystem))
                  : kArchive | (bits & (kReadOnly | kHidden | kSystem));
  }
  if (folder) return FILE_ATTRIBUTE_DIRECTORY | bits;
  return bits == 0 ? FILE_ATTRIBUTE_NORMAL : bits;  // Windows names a file without bits NORMAL.
#else
  static_cast<void>(folder);
  return bits;  // The extended attribute holds the bits as given.
#endif
}

TEST(FileExists, FoldersAndFilesExistMissingPathsDoNot) {
  TempFolder temp;
  WriteFile(temp / "file", "x");
  const struct {
    const char* name;
    Text path;
    bool exists;
  } cases[] = {
      {"folder", temp.text(), true},
      {"file", temp / "file", true},
      {"missing", temp / "missing", false},
      {"inside a missing folder", temp / ("missing" + Text(kPathSeparator) + "file"), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FileExists(c.path), c.exists);
  }
}

TEST(ReadWriteFileBytes, RoundTripKeepsEveryByte) {
  Bytes everyValue;
  for (int i = 0; i < 512; ++i) everyValue.push_back(static_cast<unsigned char>(i));
  // Larger than any single buffer a short read or write might stop at.
  Bytes large(3 * 1024 * 1024 + 17);
  std::uint32_t state = 12345;
  for (auto& byte : large) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<unsigned char>(state >> 24);
  }
  const struct {
    const char* name;
    Bytes bytes;
  } cases[] = {
      {"NUL bytes around text", ToByteVector("\0a\0\0b\r\n\0"sv)},
      {"every byte value", everyValue},
      {"several megabytes", large},
  };
  TempFolder temp;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Text path = temp / "file.bin";
    ASSERT_TRUE(WriteFileBytes(path, ByteBuffer(c.bytes)));
    EXPECT_EQ(ReadFile(path), std::string(c.bytes.begin(), c.bytes.end()));
    const ByteBuffer read = ReadFileBytes(path);
    ASSERT_TRUE(read.has_value());
    EXPECT_TRUE(*read == c.bytes);
  }
}

TEST(WriteFileBytes, WritesPresentBuffersInOrderAndCutsTheOldFile) {
  const struct {
    const char* name;
    std::optional<std::string> before;
    std::vector<ByteBuffer> buffers;
    std::string after;
  } cases[] = {
      {"no buffers", {}, {}, ""},
      {"an absent buffer", {}, {ByteBuffer()}, ""},
      {"an empty buffer", {}, {Bytes()}, ""},
      {"several, absent and empty ones skipped",
       {},
       {ToByteVector("ab"), ByteBuffer(), Bytes(), ToByteVector("c\0d"sv), ToByteVector("e")},
       "abc\0de"s},
      {"shorter over a longer file", "a much longer old content", {ToByteVector("new")}, "new"},
      {"an absent buffer over a file", "old content", {ByteBuffer()}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder temp;
    const Text path = temp / "file.ini";
    if (c.before) WriteFile(path, *c.before);
    EXPECT_TRUE(WriteFileBytes(path, c.buffers));
    EXPECT_TRUE(FileExists(path));
    EXPECT_EQ(ReadFile(path), c.after);
    EXPECT_EQ(fs::file_size(path), c.after.size());
  }
}

TEST(WriteFileBytes, OverAHiddenSystemFile) {
  TempFolder temp;
  const Text path = temp / "desktop.ini";
  WriteFile(path, "old content");
  ASSERT_TRUE(SetAttributes(path, kHidden | kSystem));
  bool replaced = true;
#ifdef _WIN32
  // Windows refuses CREATE_ALWAYS over a hidden or system file unless the same
  // bits are asked for; Wine lets it through.
  replaced = UnderWine();
#endif
  EXPECT_EQ(WriteFileBytes(path, ByteBuffer(ToByteVector("new"))), replaced);
  EXPECT_EQ(ReadFile(path), replaced ? "new" : "old content");
}

TEST(ReadFileBytes, MissingAndFolderAreAbsentEmptyFileIsPresentAndEmpty) {
  TempFolder temp;
  WriteFile(temp / "empty", "");
  fs::create_directory(temp.path() / "folder");
  const struct {
    const char* name;
    Text path;
    ByteBuffer expected;
  } cases[] = {
      {"missing", temp / "missing", std::nullopt},
      // Windows: CreateFileA without backup semantics cannot open a folder.
      {"folder", temp / "folder", std::nullopt},
      {"empty", temp / "empty", Bytes()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReadFileBytes(c.path), c.expected);
  }
}

TEST(RemoveFile, RemovesFilesOnly) {
  TempFolder temp;
  WriteFile(temp / "file", "x");
  fs::create_directory(temp.path() / "folder");
  const struct {
    const char* name;
    Text path;
    bool removed;
    bool existsAfter;
  } cases[] = {
      {"file", temp / "file", true, false},
      {"missing", temp / "missing", false, false},
      {"folder", temp / "folder", false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(RemoveFile(c.path), c.removed);
    EXPECT_EQ(fs::exists(c.path), c.existsAfter);
  }
  EXPECT_TRUE(fs::is_directory(temp.path() / "folder"));
}

TEST(SetAttributes, NewBitsReplaceAllOldOnes) {
  TempFolder temp;
  WriteFile(temp / "file", "x");
  fs::create_directory(temp.path() / "folder");
  const struct {
    const char* name;
    bool folder;
    std::uint32_t first;
    std::uint32_t second;
  } cases[] = {
      {"file: all three, then archive alone", false, kReadOnly | kHidden | kSystem, kArchive},
      {"file: hidden and system, then read-only", false, kHidden | kSystem, kReadOnly},
      {"file: read-only and archive, then nothing", false, kReadOnly | kArchive, 0},
      {"folder: all three, then archive alone", true, kReadOnly | kHidden | kSystem, kArchive},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Text path = temp / (c.folder ? "folder" : "file");
    ASSERT_TRUE(SetAttributes(path, c.first));
    EXPECT_EQ(ReadAttributes(path), ReportedBits(c.first, c.folder));
    ASSERT_TRUE(SetAttributes(path, c.second));
    EXPECT_EQ(ReadAttributes(path), ReportedBits(c.second, c.folder));
  }
  EXPECT_FALSE(SetAttributes(temp / "missing", kHidden));
  ASSERT_TRUE(SetAttributes(temp / "file", kArchive));  // So the folder can be removed.
}

TEST(MoveFileOver, MovesOverAnExistingFileOrToANewName) {
  const struct {
    const char* name;
    std::optional<std::string> target;
  } cases[] = {
      {"existing target", "a longer old target file"},
      {"no target", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder temp;
    WriteFile(temp / "desktop.tmp", "new\0ini"s);
    if (c.target) WriteFile(temp / "desktop.ini", *c.target);
    EXPECT_TRUE(MoveFileOver(temp / "desktop.tmp", temp / "desktop.ini"));
    EXPECT_FALSE(fs::exists(temp.path() / "desktop.tmp"));
    EXPECT_EQ(ReadFile(temp / "desktop.ini"), "new\0ini"s);
  }
  TempFolder temp;
  EXPECT_FALSE(MoveFileOver(temp / "missing", temp / "desktop.ini"));
  EXPECT_FALSE(fs::exists(temp.path() / "desktop.ini"));
}

#ifdef _WIN32

TEST(WindowsFiles, AFileHeldWithoutSharingCannotBeReadOrWritten) {
  TempFolder temp;
  const Text path = temp / "held";
  WriteFile(path, "held bytes");
  const HANDLE holder = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_EQ(ReadFileBytes(path), std::nullopt);
  EXPECT_FALSE(WriteFileBytes(path, ByteBuffer(ToByteVector("new"))));
  CloseHandle(holder);
  // Once let go, the same file reads again and still holds its old bytes.
  EXPECT_EQ(ReadFileBytes(path), ToByteVector("held bytes"));
}

#else

// Sets the immutable flag (what chattr +i does) for the life of the object: even
// root can then neither write the file nor store attributes on it.
class Immutable {
 public:
  explicit Immutable(const Text& path) : path_(path) { applied_ = Change(true); }
  ~Immutable() {
    if (applied_) Change(false);
  }
  bool applied() const { return applied_; }

 private:
  bool Change(bool on) {
    const int fd = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    int flags = 0;
    bool done = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
      flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
      done = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    close(fd);
    return done;
  }

  Text path_;
  bool applied_ = false;
};

mode_t Permissions(const Text& path) {
  struct stat status {};
  EXPECT_EQ(lstat(path.c_str(), &status), 0) << path;
  return status.st_mode & 07777;
}

std::optional<std::string> StoredText(const Text& path) {
  char value[64];
  const ssize_t length = getxattr(path.c_str(), "user.DOSATTRIB", value, sizeof value);
  if (length < 0) return std::nullopt;
  return std::string(value, static_cast<std::size_t>(length));
}

TEST(LinuxFiles, WriteDoesNotFollowASymbolicLinkAtTheName) {
  const struct {
    const char* name;
    bool pointsAtAFile;
  } cases[] = {
      {"link to a file", true},
      {"link to a missing name", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder temp;
    if (c.pointsAtAFile) WriteFile(temp / "victim", "keep me");
    fs::create_symlink(temp.path() / "victim", temp.path() / "desktop.ini");
    EXPECT_FALSE(WriteFileBytes(temp / "desktop.ini", ByteBuffer(ToByteVector("planted"))));
    EXPECT_TRUE(fs::is_symlink(temp.path() / "desktop.ini"));
    if (c.pointsAtAFile) {
      EXPECT_EQ(ReadFile(temp / "victim"), "keep me");
    } else {
      EXPECT_FALSE(fs::exists(temp.path() / "victim"));
    }
  }
}

TEST(LinuxFiles, ReadOnlyOnAFileTakesItsWriteBitsAndArchiveGivesTheOwnerWriteBack) {
  const struct {
    mode_t before;
    mode_t readOnly;
    mode_t writable;
  } cases[] = {
      {0664, 0444, 0644},
      {0600, 0400, 0600},
      {0777, 0555, 0755},
  };
  TempFolder temp;
  const Text path = temp / "desktop.ini";
  WriteFile(path, "x");
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::oct << "mode 0" << c.before);
    ASSERT_EQ(chmod(path.c_str(), c.before), 0);
    ASSERT_TRUE(SetAttributes(path, kHidden | kSystem));
    EXPECT_EQ(Permissions(path), c.before);  // No read-only bit: the mode stays as it was.
    ASSERT_TRUE(SetAttributes(path, kReadOnly | kHidden | kSystem));
    EXPECT_EQ(Permissions(path), c.readOnly);
    ASSERT_TRUE(SetAttributes(path, kArchive));
    EXPECT_EQ(Permissions(path), c.writable);
  }
}

// Root writes through any mode, so the case that matters for a person's own
// files is run as an unprivileged owner (dropping to "nobody" when run as root).
TEST(LinuxFiles, AnUnprivilegedOwnerCanChangeAndClearReadOnly) {
  TempFolder temp;
  const Text path = temp / "desktop.ini";
  WriteFile(path, "x");
  const uid_t owner = geteuid() == 0 ? 65534 : geteuid();
  const gid_t group = geteuid() == 0 ? 65534 : getegid();
  ASSERT_EQ(chown(path.c_str(), owner, group), 0);
  ASSERT_EQ(chmod(temp.text().c_str(), 0755), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (getuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(group) != 0 || setuid(owner) != 0)) {
      _exit(10);
    }
    if (access(path.c_str(), R_OK) != 0) _exit(10);
    if (!SetAttributes(path, kReadOnly | kHidden | kSystem)) _exit(11);
    if (!SetAttributes(path, kReadOnly | kHidden)) _exit(12);
    if (!SetAttributes(path, kArchive)) _exit(13);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 10) GTEST_SKIP() << "no unprivileged user that can reach " << path;
  EXPECT_NE(WEXITSTATUS(status), 11) << "setting read-only as the owner failed";
  EXPECT_NE(WEXITSTATUS(status), 12) << "changing the bits of a read-only file as the owner failed";
  EXPECT_NE(WEXITSTATUS(status), 13) << "clearing read-only as the owner failed";
  EXPECT_EQ(StoredText(path), "0x20"s);
  EXPECT_EQ(Permissions(path) & 0200, 0200u);
}

TEST(LinuxFiles, ReadOnlyOnAFolderLeavesItsMode) {
  TempFolder temp;
  const Text folder = temp / "folder";
  fs::create_directory(folder);
  for (const mode_t mode : {0755, 0700, 0555}) {
    SCOPED_TRACE(::testing::Message() << std::oct << "mode 0" << mode);
    ASSERT_EQ(chmod(folder.c_str(), mode), 0);
    ASSERT_TRUE(SetAttributes(folder, kReadOnly));
    EXPECT_EQ(Permissions(folder), mode);
    EXPECT_EQ(ReadAttributes(folder), kReadOnly);
    ASSERT_TRUE(SetAttributes(folder, kArchive));
    EXPECT_EQ(Permissions(folder), mode);
  }
}

TEST(LinuxFiles, StoresTheBitsAsWineWritesThem) {
  const struct {
    std::uint32_t bits;
    const char* text;
  } cases[] = {
      {kHidden | kSystem, "0x6"},
      {kArchive, "0x20"},
      {kReadOnly | kHidden | kSystem | kArchive, "0x27"},
      {0, "0x0"},
      {0x2a, "0x2a"},  // Hex letters in lower case.
  };
  TempFolder temp;
  const Text path = temp / "file";
  WriteFile(path, "x");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    ASSERT_TRUE(SetAttributes(path, c.bits));
    EXPECT_EQ(StoredText(path), std::string(c.text));  // Exactly: no trailing NUL, no padding.
  }
}

TEST(LinuxFiles, AnImmutableFileTakesNeitherBytesNorAttributes) {
  TempFolder temp;
  const Text path = temp / "desktop.ini";
  WriteFile(path, "old content");
  ASSERT_TRUE(SetAttributes(path, kArchive));
  Immutable immutable(path);
  if (!immutable.applied()) GTEST_SKIP() << "cannot set the immutable flag here (needs root)";
  EXPECT_FALSE(WriteFileBytes(path, ByteBuffer(ToByteVector("new"))));
  EXPECT_FALSE(SetAttributes(path, kHidden | kSystem));
  EXPECT_EQ(ReadFile(path), "old content");
  EXPECT_EQ(StoredText(path), "0x20"s);
}

#endif

}  // namespace
}  // namespace fendrix
