#include "base/atomic_file.h"

#include <fcntl.h>
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

}  // namespace

std::optional<std::string> writeFileAtomically(const std::filesystem::path& path,
                                               std::string_view bytes) {
  static std::atomic<unsigned> counter{0};
  auto folder = path.parent_path();
  if (folder.empty()) folder = ".";
  auto tmp = folder / ("." + path.filename().string() + ".tmp" + std::to_string(::getpid()) + "-" +
                       std::to_string(counter++));

  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return errnoText("create temporary file");
  bool ok = writeAll(fd, bytes);
  std::string reason = ok ? std::string() : errnoText("write");
  if (ok && ::fsync(fd) != 0) {
    ok = false;
    reason = errnoText("fsync");
  }
  if (::close(fd) != 0 && ok) {
    ok = false;
    reason = errnoText("close");
  }
  if (ok && ::rename(tmp.c_str(), path.c_str()) != 0) {
    ok = false;
    reason = errnoText("rename");
  }
  if (!ok) {
    ::unlink(tmp.c_str());
    return reason;
  }
  int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
  return std::nullopt;
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
