#pragma once

// Loudness measured earlier, kept in a small SQLite database (Loudness.db
// beside the music list file). A row counts only while the file still has
// the size and modification time it had when it was measured.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "playback/loudness/loudness_meter.h"

struct sqlite3;

namespace youran {

struct FileStamp {
  std::int64_t size = 0;
  std::int64_t mtimeNs = 0;
  bool operator==(const FileStamp&) const = default;
};

// nullopt when the file is not there.
std::optional<FileStamp> StampOf(const std::string& path);

struct StoredLoudness {
  Loudness track;
  std::optional<Loudness> album;
};

class LoudnessStore {
 public:
  // nullptr when the database cannot be opened or created.
  static std::unique_ptr<LoudnessStore> open(const std::filesystem::path& file);
  ~LoudnessStore();
  LoudnessStore(const LoudnessStore&) = delete;
  LoudnessStore& operator=(const LoudnessStore&) = delete;

  // The row of `path` when it was measured at `stamp`.
  std::optional<StoredLoudness> find(const std::string& path, const FileStamp& stamp);
  // The row of `path` when the file on disk still matches it.
  std::optional<StoredLoudness> findCurrent(const std::string& path);
  bool put(const std::string& path, const FileStamp& stamp, const StoredLoudness& loudness);

 private:
  explicit LoudnessStore(sqlite3* db) : db_(db) {}
  std::mutex lock_;
  sqlite3* db_;
};

}  // namespace youran
