#pragma once

// The one folder that holds everything the player keeps: Setting.ini, the
// music list file, Lyrics, Pic, the song cache and the download folder.

#include <filesystem>
#include <string>
#include <string_view>

namespace youran {

struct DataFolderChoice {
  std::filesystem::path commandLine;  // --data-dir DIR
  std::filesystem::path environment;  // YOURAN_MUSIC_HOME
  std::filesystem::path executableFolder;
  std::filesystem::path xdgDataHome;  // $XDG_DATA_HOME, else ~/.local/share
};

// Command line first, then the environment, then the executable folder when
// it is writable, else the XDG data folder's "youranmusic". The folder is
// created when missing.
std::filesystem::path chooseDataFolder(const DataFolderChoice& choice);
// The same choice, for tools that only read there: nothing is created.
std::filesystem::path pickDataFolder(const DataFolderChoice& choice);

// Fills a choice from the process: argv for --data-dir (the pair is removed
// from argv so the rest of the program never sees it), the environment, and
// /proc/self/exe for the executable folder.
DataFolderChoice dataFolderChoiceFromProcess(int& argc, char** argv);

// The process-wide data folder; set once at start-up (tests set their own).
void setDataFolder(const std::filesystem::path& folder);
const std::filesystem::path& dataFolder();

// dataFolder() / relative
std::filesystem::path dataPath(std::string_view relative);

// The data folder as text with a trailing separator, for folder texts the
// player shows and stores ("/home/u/music/YouranMusicDownload/").
std::string withTrailingSeparator(const std::filesystem::path& folder);

std::filesystem::path executableFolder();

}  // namespace youran
