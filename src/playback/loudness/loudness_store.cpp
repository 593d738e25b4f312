#include "playback/loudness/loudness_store.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <cmath>

namespace youran {

namespace {

// Silence measures as -infinity, which SQLite cannot keep as a REAL.
constexpr double kSilenceLufs = -1000.0;

double ToColumn(double lufs) { return std::isfinite(lufs) ? lufs : kSilenceLufs; }
double FromColumn(double lufs) { return lufs <= kSilenceLufs ? -HUGE_VAL : lufs; }

struct Statement {
  sqlite3_stmt* handle = nullptr;
  Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &handle, nullptr); }
  ~Statement() { sqlite3_finalize(handle); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  explicit operator bool() const { return handle != nullptr; }
};

}  // namespace

std::optional<FileStamp> StampOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return FileStamp{static_cast<std::int64_t>(info.st_size),
                   static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

std::unique_ptr<LoudnessStore> LoudnessStore::open(const std::filesystem::path& file) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                      nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return nullptr;
  }
  // Another player window or a crash may hold the file a moment.
  sqlite3_busy_timeout(db, 2000);
  const char* schema =
      "CREATE TABLE IF NOT EXISTS loudness("
      " path BLOB PRIMARY KEY, size INTEGER NOT NULL, mtime_ns INTEGER NOT NULL,"
      " track_lufs REAL NOT NULL, track_peak REAL NOT NULL, album_lufs REAL, album_peak REAL)";
  if (sqlite3_exec(db, schema, nullptr, nullptr, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return nullptr;
  }
  return std::unique_ptr<LoudnessStore>(new LoudnessStore(db));
}

LoudnessStore::~LoudnessStore() { sqlite3_close(db_); }

std::optional<StoredLoudness> LoudnessStore::find(const std::string& path, const FileStamp& stamp) {
  std::lock_guard guard(lock_);
  Statement s(db_,
              "SELECT track_lufs, track_peak, album_lufs, album_peak FROM loudness"
              " WHERE path = ?1 AND size = ?2 AND mtime_ns = ?3");
  if (!s) return std::nullopt;
  // Paths are the file system's bytes, which need not be UTF-8.
  sqlite3_bind_blob(s.handle, 1, path.data(), static_cast<int>(path.size()), SQLITE_TRANSIENT);
  sqlite3_bind_int64(s.handle, 2, stamp.size);
  sqlite3_bind_int64(s.handle, 3, stamp.mtimeNs);
  if (sqlite3_step(s.handle) != SQLITE_ROW) return std::nullopt;
  StoredLoudness out;
  out.track = {FromColumn(sqlite3_column_double(s.handle, 0)), sqlite3_column_double(s.handle, 1)};
  if (sqlite3_column_type(s.handle, 2) != SQLITE_NULL) {
    out.album = Loudness{FromColumn(sqlite3_column_double(s.handle, 2)), sqlite3_column_double(s.handle, 3)};
  }
  return out;
}

std::optional<StoredLoudness> LoudnessStore::findCurrent(const std::string& path) {
  const auto stamp = StampOf(path);
  if (!stamp) return std::nullopt;
  return find(path, *stamp);
}

bool LoudnessStore::put(const std::string& path, const FileStamp& stamp, const StoredLoudness& loudness) {
  std::lock_guard guard(lock_);
  Statement s(db_,
              "INSERT OR REPLACE INTO loudness(path, size, mtime_ns, track_lufs, track_peak, album_lufs, album_peak)"
              " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
  if (!s) return false;
  sqlite3_bind_blob(s.handle, 1, path.data(), static_cast<int>(path.size()), SQLITE_TRANSIENT);
  sqlite3_bind_int64(s.handle, 2, stamp.size);
  sqlite3_bind_int64(s.handle, 3, stamp.mtimeNs);
  sqlite3_bind_double(s.handle, 4, ToColumn(loudness.track.integratedLufs));
  sqlite3_bind_double(s.handle, 5, loudness.track.samplePeak);
  if (loudness.album) {
    sqlite3_bind_double(s.handle, 6, ToColumn(loudness.album->integratedLufs));
    sqlite3_bind_double(s.handle, 7, loudness.album->samplePeak);
  } else {
    sqlite3_bind_null(s.handle, 6);
    sqlite3_bind_null(s.handle, 7);
  }
  return sqlite3_step(s.handle) == SQLITE_DONE;
}

}  // namespace youran
