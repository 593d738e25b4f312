#include "playlist/desktop_trash.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "base/log.h"
#include "base/percent_encoding.h"

namespace youran {

namespace fs = std::filesystem;

TrashPlaces trashPlacesFromEnvironment() {
  TrashPlaces places;
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  if (dataHome && *dataHome == '/') {
    places.homeTrash = fs::path(dataHome) / "Trash";
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    places.homeTrash = fs::path(home) / ".local" / "share" / "Trash";
  }
  return places;
}

#ifdef _WIN32

std::optional<std::string> moveToTrash(const fs::path&, TrashPlaces, TrashedFile*) {
  return "the freedesktop trash is not used on this system";
}

#else

namespace {

std::string errnoText(const std::string& what) { return what + ": " + std::strerror(errno); }

std::optional<dev_t> deviceOf(const fs::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return st.st_dev;
}

// The device a folder that may not exist yet would be made on.
std::optional<dev_t> deviceOfNearest(fs::path path) {
  while (!path.empty()) {
    if (auto device = deviceOf(path)) return device;
    if (path == path.parent_path()) break;
    path = path.parent_path();
  }
  return std::nullopt;
}

bool makePrivateFolder(const fs::path& folder) {
  if (::mkdir(folder.c_str(), 0700) == 0) return true;
  struct stat st {};
  return errno == EEXIST && ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The mount's top folder: the highest ancestor on the same device.
fs::path topFolder(fs::path folder, dev_t device) {
  while (folder != folder.parent_path()) {
    auto parent = deviceOf(folder.parent_path());
    if (!parent || *parent != device) break;
    folder = folder.parent_path();
  }
  return folder;
}

std::optional<fs::path> mountTrash(const fs::path& top, std::string* reason) {
  const std::string uid = std::to_string(::getuid());
  // An administrator's shared .Trash counts only when it is a real, sticky
  // folder; a link there could send files anywhere.
  struct stat st {};
  const fs::path shared = top / ".Trash";
  if (::lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) {
    const fs::path mine = shared / uid;
    if (makePrivateFolder(mine)) return mine;
  }
  const fs::path own = top / (".Trash-" + uid);
  if (makePrivateFolder(own)) return own;
  *reason = errnoText("cannot make a trash folder in " + top.string());
  return std::nullopt;
}

std::string deletionDate() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
  return text;
}

}  // namespace

std::optional<std::string> moveToTrash(const fs::path& path, TrashPlaces places,
                                       TrashedFile* trashed) {
  std::error_code ec;
  const fs::path source = fs::absolute(path, ec).lexically_normal();
  struct stat st {};
  if (ec || ::lstat(source.c_str(), &st) != 0) return errnoText("cannot find " + path.string());
  const dev_t device = st.st_dev;

  fs::path trash;
  std::string recordedPath = source.string();
  auto homeDevice = places.homeTrash.empty() ? std::nullopt : deviceOfNearest(places.homeTrash);
  if (homeDevice && *homeDevice == device) {
    fs::create_directories(places.homeTrash, ec);
    if (ec) return "cannot make " + places.homeTrash.string() + ": " + ec.message();
    trash = places.homeTrash;
  } else {
    std::string reason;
    const fs::path top = topFolder(fs::canonical(source.parent_path(), ec), device);
    if (ec) return "cannot resolve " + source.parent_path().string() + ": " + ec.message();
    auto found = mountTrash(top, &reason);
    if (!found) return reason;
    trash = *found;
    // Paths in a mount's own trash are relative to its top folder, so the
    // mount may be attached elsewhere later.
    recordedPath = fs::path(source).lexically_relative(top).string();
  }
  if (!makePrivateFolder(trash / "files") || !makePrivateFolder(trash / "info"))
    return errnoText("cannot make the folders of " + trash.string());

  // The .trashinfo is made first and exclusively: it claims the name.
  const std::string name = source.filename().string();
  const std::string stem = source.stem().string(), extension = source.extension().string();
  for (int attempt = 1; attempt < 10000; ++attempt) {
    const std::string candidate =
        attempt == 1 ? name : stem + "." + std::to_string(attempt) + extension;
    const fs::path info = trash / "info" / (candidate + ".trashinfo");
    const fs::path target = trash / "files" / candidate;
    struct stat taken {};
    if (::lstat(target.c_str(), &taken) == 0) continue;
    int fd = ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return errnoText("cannot write " + info.string());
    }
    // Path= is URL-escaped byte by byte, the slashes left as they are.
    const std::string text = "[Trash Info]\nPath=" + percentEncode(recordedPath, "/") +
                             "\nDeletionDate=" + deletionDate() + "\n";
    bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    written = ::fsync(fd) == 0 && written;
    ::close(fd);
    if (!written) {
      std::string reason = errnoText("cannot write " + info.string());
      ::unlink(info.c_str());
      return reason;
    }
    if (::rename(source.c_str(), target.c_str()) != 0) {
      std::string reason = errnoText("cannot move " + source.string() + " to " + target.string());
      ::unlink(info.c_str());
      return reason;
    }
    if (trashed) *trashed = {target, info};
    return std::nullopt;
  }
  return "no free name in " + (trash / "files").string();
}

#endif

}  // namespace youran
