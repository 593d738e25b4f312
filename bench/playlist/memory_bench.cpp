// Resident memory of a process holding a loaded music list.
//
//   playlist_memory_bench LISTFILE

#include <cstdio>
#include <fstream>
#include <string>

#include "playlist/music_list_file.h"

namespace {

long statusKb(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::string(field).size()));
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: playlist_memory_bench LISTFILE\n", stderr);
    return 2;
  }
  long before = statusKb("VmRSS:");
  youran::TrackList list;
  auto load = youran::loadMusicList(argv[1], list);
  if (load.status != youran::MusicListStatus::loaded) return 1;
  std::printf("rows %zu  rss before %ld KB  rss with the list %ld KB  peak %ld KB\n", list.size(),
              before, statusKb("VmRSS:"), statusKb("VmHWM:"));
  return 0;
}
