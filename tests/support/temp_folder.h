// Test-only helpers over real folders.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "services/text.h"

namespace fendrix::testing {

// A fresh folder for one test case, removed afterwards unless the case failed,
// so a failure leaves its evidence behind.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The folder, or a name inside it, as the tool's own Text path.
  Text text() const;
  Text operator/(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

void WriteFile(const std::filesystem::path& path, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& path);

// Removes a folder with everything in it, read-only files included.
void RemoveAll(const std::filesystem::path& folder);

// Every file under a folder with its bytes, to show that nothing changed.
std::map<std::string, std::string> Snapshot(const std::filesystem::path& folder);

// The Windows attribute bits as the file services store them; absent when none are stored.
std::optional<std::uint32_t> ReadAttributes(const Text& path);

}  // namespace fendrix::testing
