#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace youran::testing {

// A fresh folder under the system's temporary folder, removed with its
// content when the object goes away.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

  // Writes bytes to a file below the folder and returns its path.
  std::filesystem::path write(std::string_view name, std::string_view bytes) const;

 private:
  std::filesystem::path path_;
};

std::string readFile(const std::filesystem::path& path);

// Runs a shell command; returns its exit status (0 on success).
int runCommand(const std::string& command);

// Quotes a text for /bin/sh.
std::string shellQuote(std::string_view text);

}  // namespace youran::testing
