#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace youran {

// Replaces `path` with `bytes` so that a crash or a full disk leaves either
// the old file or the new one: a temporary file in the same folder is
// written, flushed and fsynced, renamed over the target, and the folder is
// fsynced. On failure the old file is untouched, the temporary file removed,
// and the reason returned.
std::optional<std::string> writeFileAtomically(const std::filesystem::path& path,
                                               std::string_view bytes);

// The same, for content made piece by piece: append() as often as needed,
// then commit(). Writeback to the disk is started after every few megabytes,
// so that the final fsync waits for little more than the last of them
// instead of the whole file. Destroyed without a successful commit, the
// writer removes its temporary file and the target keeps its old content.
class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(const std::filesystem::path& path);
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  // False once anything has failed; later appends are ignored then.
  bool append(std::string_view bytes);
  // Empty optional when the target now holds everything appended;
  // otherwise the first failure's reason.
  std::optional<std::string> commit();

 private:
  void fail(const char* what);

  std::filesystem::path path_;
  std::filesystem::path folder_;
  std::filesystem::path tmp_;
  int fd_ = -1;
  long long written_ = 0;
  long long flushedTo_ = 0;  // writeback has been started up to here
  std::optional<std::string> failure_;
  bool done_ = false;
};

// Starts writing out to the disk what has been written to `fd` since
// `flushedTo` once that is `step` bytes or more, and moves `flushedTo` on
// (Linux; elsewhere nothing). A later fsync then waits for little more than
// the last step instead of the whole file. Only a hint: failures are ignored.
void startWriteback(int fd, long long& flushedTo, long long written, long long step = 1 << 20);

// Whole file, or empty optional when it cannot be opened or read.
std::optional<std::string> readWholeFile(const std::filesystem::path& path);

}  // namespace youran
