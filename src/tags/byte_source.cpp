#include "tags/byte_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace youran {

namespace {
// Large enough for a typical ID3v2 header area plus the first MPEG frame, or
// an APE footer plus ID3v1 tag, in one system call.
constexpr std::size_t kWindowSize = 4096;
}  // namespace

std::string ByteSource::read(std::uint64_t offset, std::size_t count) {
  return std::string(peek(offset, count));
}

std::string_view MemorySource::peek(std::uint64_t offset, std::size_t count) {
  if (offset >= bytes_.size()) return {};
  return bytes_.substr(static_cast<std::size_t>(offset), count);
}

std::unique_ptr<FileSource> FileSource::open(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<FileSource>(new FileSource(fd, static_cast<std::uint64_t>(info.st_size)));
}

FileSource::~FileSource() { ::close(fd_); }

std::size_t FileSource::fetch(std::uint64_t offset, char* into, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t got = ::pread(fd_, into + done, count - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  bytesRead_ += done;
  return done;
}

std::string_view FileSource::peek(std::uint64_t offset, std::size_t count) {
  if (offset >= size_) return {};
  count = static_cast<std::size_t>(std::min<std::uint64_t>(count, size_ - offset));
  for (int i : {recent_, 1 - recent_}) {
    const Window& w = windows_[i];
    if (offset >= w.offset && offset + count <= w.offset + w.bytes.size()) {
      recent_ = i;
      return std::string_view(w.bytes).substr(static_cast<std::size_t>(offset - w.offset), count);
    }
  }
  // Refill: small requests get the whole window, so the next few headers
  // come from memory.
  // Near the end of the file the window is moved back so that it ends with
  // the file: the trailing tags (ID3v1, APE footer, last Ogg page) are read
  // backwards and then come from the same fetch.
  std::uint64_t start = offset;
  if (count <= kWindowSize && size_ - offset < kWindowSize) {
    start = size_ > kWindowSize ? size_ - kWindowSize : 0;
  }
  const std::size_t want = static_cast<std::size_t>(
      std::min<std::uint64_t>(std::max<std::uint64_t>(count + (offset - start), kWindowSize),
                              size_ - start));
  recent_ = 1 - recent_;
  Window& w = windows_[recent_];
  w.bytes.resize(want);
  w.offset = start;
  w.bytes.resize(fetch(start, w.bytes.data(), want));
  if (offset - start >= w.bytes.size()) return {};
  return std::string_view(w.bytes).substr(static_cast<std::size_t>(offset - start), count);
}

std::string FileSource::read(std::uint64_t offset, std::size_t count) {
  if (offset >= size_) return {};
  count = static_cast<std::size_t>(std::min<std::uint64_t>(count, size_ - offset));
  if (count <= kWindowSize) return std::string(peek(offset, count));
  std::string bytes(count, '\0');
  bytes.resize(fetch(offset, bytes.data(), count));
  return bytes;
}

}  // namespace youran
