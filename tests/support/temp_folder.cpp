#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <random>
#include <sstream>

#include "services/files.h"

namespace fendrix::testing {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
  std::random_device seed;
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string name = test != nullptr ? std::string(test->name()) : "case";
  for (;;) {
    // No leading dot: Wine's browse dialog does not list such folders.
    path_ =
        fs::temp_directory_path() / ("fendrix-" + name + "-" + std::to_string(seed() % 1000000));
    std::error_code error;
    if (fs::create_directory(path_, error)) break;
  }
}

TempFolder::~TempFolder() {
  if (::testing::Test::HasFailure()) {
    std::cerr << "kept " << path_.string() << "\n";
    return;
  }
  RemoveAll(path_);
}

void RemoveAll(const fs::path& folder) {
  // Read-only files cannot be removed on Windows; give write permission back
  // first, never through a link to something outside.
  std::error_code error;
  fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, error);
  fs::recursive_directory_iterator it(folder, error);
  for (const fs::recursive_directory_iterator end; !error && it != end; it.increment(error)) {
    std::error_code ignored;
    if (!it->is_symlink(ignored)) {
      fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ignored);
    }
  }
  fs::remove_all(folder, error);
}

Text TempFolder::text() const { return path_.string(); }

Text TempFolder::operator/(const std::string& name) const {
  return path_.string() + kPathSeparator + name;
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::string name = fs::relative(entry.path(), folder).generic_string();
    files[name] = entry.is_directory() ? "<folder>" : ReadFile(entry.path());
  }
  return files;
}

}  // namespace fendrix::testing
