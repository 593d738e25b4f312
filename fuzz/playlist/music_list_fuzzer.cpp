// The music list loader over arbitrary bytes. Whatever it accepts must save
// and load back to the same number of rows with the same paths' count of
// fields, and never read past its input.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "playlist/music_list_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  youran::TrackList list;
  auto load = youran::parseMusicList(bytes, list);
  if (load.status != youran::MusicListStatus::loaded) {
    if (!list.empty()) __builtin_trap();
    return 0;
  }
  if (load.rowsAdded != list.size()) __builtin_trap();
  for (size_t i = 0; i < list.size(); ++i)
    if (list.row(i).number != youran::rowNumberText(i + 1)) __builtin_trap();

  youran::TrackList again;
  auto reload = youran::parseMusicList(youran::serializeMusicList(list), again);
  if (reload.status != youran::MusicListStatus::loaded || again.size() != list.size() ||
      reload.linesSkipped != 0)
    __builtin_trap();
  for (size_t i = 0; i < list.size(); ++i)
    if (again.row(i).converted() != list.row(i).converted()) __builtin_trap();
  return 0;
}
