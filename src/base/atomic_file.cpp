#include "base/atomic_file.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>

namespace youran {

namespace {

std::string errnoText(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// A writer killed between creating its temporary file and the rename leaves
// ".NAME.tmpPID-N" behind. The next writer of the same file removes those
// whose process is gone, so a crash costs the disk one file at most instead
// of one per crash (and a full disk gets its space back). Temporary files of
// running processes, this one included, may be in use and are left alone.
void removeStaleTemporaries(const std::filesystem::path& folder, const std::string& prefix) {
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!name.starts_with(prefix)) continue;
    const size_t dash = name.find('-', prefix.size());
    if (dash == std::string::npos || dash == prefix.size()) continue;
    const std::string digits = name.substr(prefix.size(), dash - prefix.size());
    if (digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 9) continue;
    const pid_t pid = static_cast<pid_t>(std::stol(digits));
    if (pid == ::getpid() || ::kill(pid, 0) == 0 || errno != ESRCH) continue;
    ::unlink(it->path().c_str());
  }
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(const std::filesystem::path& path) : path_(path) {
  static std::atomic<unsigned> counter{0};
  folder_ = path.parent_path();
  if (folder_.empty()) folder_ = ".";
  removeStaleTemporaries(folder_, "." + path.filename().string() + ".tmp");
  tmp_ = folder_ / ("." + path.filename().string() + ".tmp" + std::to_string(::getpid()) + "-" +
                    std::to_string(counter++));
  fd_ = ::open(tmp_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0) failure_ = errnoText("create temporary file");
}

AtomicFileWriter::~AtomicFileWriter() {
  if (fd_ >= 0) ::close(fd_);
  if (!done_ && !failure_.has_value()) ::unlink(tmp_.c_str());
}

void AtomicFileWriter::fail(const char* what) {
  if (!failure_) failure_ = errnoText(what);
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  ::unlink(tmp_.c_str());
}

void startWriteback(int fd, long long& flushedTo, long long written, long long step) {
#ifdef SYNC_FILE_RANGE_WRITE
  if (written - flushedTo < step) return;
  ::sync_file_range(fd, flushedTo, written - flushedTo, SYNC_FILE_RANGE_WRITE);
  flushedTo = written;
#else
  (void)fd;
  (void)flushedTo;
  (void)written;
  (void)step;
#endif
}

bool AtomicFileWriter::append(std::string_view bytes) {
  constexpr long long kWritebackStep = 1 << 20;
  if (failure_ || done_) return false;
  while (!bytes.empty()) {
    const auto slice = bytes.substr(0, static_cast<size_t>(kWritebackStep));
    if (!writeAll(fd_, slice)) {
      fail("write");
      return false;
    }
    bytes.remove_prefix(slice.size());
    written_ += static_cast<long long>(slice.size());
    // Start writing the finished megabytes out while the rest is made.
    startWriteback(fd_, flushedTo_, written_, kWritebackStep);
  }
  return true;
}

std::optional<std::string> AtomicFileWriter::commit() {
  if (done_) return failure_;
  done_ = true;
  if (failure_) return failure_;
  if (::fsync(fd_) != 0) {
    fail("fsync");
    return failure_;
  }
  int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) {
    fail("close");
    return failure_;
  }
  if (::rename(tmp_.c_str(), path_.c_str()) != 0) {
    fail("rename");
    return failure_;
  }
  int dirFd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
  return std::nullopt;
}

std::optional<std::string> writeFileAtomically(const std::filesystem::path& path,
                                               std::string_view bytes) {
  AtomicFileWriter writer(path);
  writer.append(bytes);
  return writer.commit();
}

std::optional<std::string> readWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes;
  in.seekg(0, std::ios::end);
  auto size = in.tellg();
  if (size > 0) {
    bytes.resize(static_cast<size_t>(size));
    in.seekg(0);
    in.read(bytes.data(), size);
    bytes.resize(static_cast<size_t>(in.gcount()));
  } else {
    in.clear();
    in.seekg(0);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  if (in.bad()) return std::nullopt;
  return bytes;
}

}  // namespace youran
