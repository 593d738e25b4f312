#include "playlist/folder_scan.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>

#include "base/log.h"

namespace youran {

namespace fs = std::filesystem;

namespace {

char foldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool isSeparator(char c) {
  return c == '/' || c == static_cast<char>(fs::path::preferred_separator);
}

struct FolderEntries {
  std::vector<std::string> files;
  std::vector<std::string> folders;
};

bool foldedLess(const std::string& a, const std::string& b) {
  auto fold = [](unsigned char c) {
    return static_cast<unsigned char>(foldAscii(static_cast<char>(c)));
  };
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
    auto ca = fold(static_cast<unsigned char>(a[i])), cb = fold(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

// One listing per folder; links are followed to see what they name.
bool listFolder(const std::string& folder, FolderEntries& entries) {
  std::error_code ec;
  fs::directory_iterator it(fs::path(folder), fs::directory_options::skip_permission_denied, ec);
  if (ec) {
    logWarning("playlist", "cannot list " + folder + ": " + ec.message());
    return false;
  }
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    std::string name = it->path().filename().string();
    if (name.empty() || name == "." || name == "..") continue;
    std::error_code statError;
    auto status = it->status(statError);  // follows a link
    if (statError) continue;
    if (fs::is_directory(status))
      entries.folders.push_back(std::move(name));
    else if (fs::is_regular_file(status))
      entries.files.push_back(std::move(name));
  }
  std::sort(entries.files.begin(), entries.files.end(), foldedLess);
  std::sort(entries.folders.begin(), entries.folders.end(), foldedLess);
  return true;
}

class Scan {
 public:
  Scan(const std::vector<std::string>& patterns, bool recursive, const ScanVisitor& visitor)
      : patterns_(patterns), recursive_(recursive), visitor_(visitor) {}

  void folder(std::string folder) {
    if (folder.empty() || !isSeparator(folder.back()))
      folder.push_back(static_cast<char>(fs::path::preferred_separator));
    if (!firstVisit(folder)) {
      ++summary.foldersSkipped;
      return;
    }
    FolderEntries entries;
    if (!listFolder(folder, entries)) {
      ++summary.foldersSkipped;
      return;
    }
    ++summary.folders;
    for (const auto& pattern : patterns_) {
      for (const auto& name : entries.files) {
        if (!matchesPattern(name, pattern)) continue;
        if (!step()) return;
        ++summary.files;
        if (visitor_.file) visitor_.file(folder + name);
      }
    }
    if (!recursive_) return;
    for (const auto& name : entries.folders) {
      if (!step()) return;
      this->folder(folder + name);
      if (summary.stopped) return;
    }
  }

  ScanSummary summary;

 private:
  bool step() {
    if (summary.stopped) return false;
    if (visitor_.step && !visitor_.step()) summary.stopped = true;
    return !summary.stopped;
  }

  // The folder a path names, links resolved: a loop of links, or a second
  // link to a folder already scanned, is not scanned again.
  bool firstVisit(const std::string& folder) {
    std::error_code ec;
    auto real = fs::canonical(fs::path(folder), ec);
    if (ec) return true;  // listing it will report what is wrong
    return visited_.insert(real.string()).second;
  }

  const std::vector<std::string>& patterns_;
  bool recursive_;
  const ScanVisitor& visitor_;
  std::set<std::string> visited_;
};

}  // namespace

std::string scanPatternList() {
  std::string list;
  for (auto extension : kAudioExtensions) {
    if (!list.empty()) list += ',';
    list += "*.";
    list += extension;
  }
  return list;
}

std::vector<std::string> splitPatterns(std::string_view list) {
  std::vector<std::string> patterns;
  size_t start = 0;
  while (true) {
    auto comma = list.find(',', start);
    patterns.emplace_back(list.substr(
        start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return patterns;
}

bool matchesPattern(std::string_view name, std::string_view pattern) {
  // Iterative wildcard match: remember the last '*' and retry from there.
  size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || foldAscii(pattern[p]) == foldAscii(name[n]))) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool isAudioFileName(std::string_view name) {
  auto dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  auto extension = name.substr(dot + 1);
  return std::any_of(kAudioExtensions.begin(), kAudioExtensions.end(), [&](std::string_view known) {
    return known.size() == extension.size() &&
           std::equal(known.begin(), known.end(), extension.begin(),
                      [](char a, char b) { return a == foldAscii(b); });
  });
}

ScanSummary scanFolder(std::string folder, const std::vector<std::string>& patterns, bool recursive,
                       const ScanVisitor& visitor) {
  if (folder.empty()) return {};
  Scan scan(patterns, recursive, visitor);
  scan.folder(std::move(folder));
  return scan.summary;
}

}  // namespace youran
