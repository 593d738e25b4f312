#pragma once

// The freedesktop trash: a file goes to Trash/files under a name not taken
// yet, with Trash/info/<name>.trashinfo recording where it came from and
// when. Files on the home data folder's mount use $XDG_DATA_HOME/Trash;
// files on other mounts use that mount's .Trash/<uid> (when an
// administrator made .Trash, sticky and not a link) or .Trash-<uid>.
//
// Written here rather than taken from Qt because QFile::moveToTrash (Qt 6.4)
// reports success when it cannot establish a trash folder, having moved the
// file into "files" below the current working folder.

#include <filesystem>
#include <optional>
#include <string>

namespace youran {

struct TrashedFile {
  std::filesystem::path file;  // where the file is now
  std::filesystem::path info;  // its .trashinfo
};

struct TrashPlaces {
  std::filesystem::path homeTrash;  // $XDG_DATA_HOME/Trash, else ~/.local/share/Trash
};

// From the environment of the process, read at each call.
TrashPlaces trashPlacesFromEnvironment();

// Moves `path` to the trash that serves its mount. The reason on failure
// (no trash can be made there, a read-only mount); the file is then where
// it was and no .trashinfo is left behind.
std::optional<std::string> moveToTrash(const std::filesystem::path& path, TrashPlaces places,
                                       TrashedFile* trashed = nullptr);

}  // namespace youran
