// The music list loader over arbitrary bytes. Whatever it accepts must save
// and load back to the same number of rows with the same paths' count of
// fields, and never read past its input. The list's own GB18030 codec must
// also agree with the iconv one on the same bytes, both ways.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/text_encoding.h"
#include "playlist/list_text_codec.h"
#include "playlist/music_list_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);

  std::string encoded;
  youran::appendListText(encoded, bytes);
  if (encoded != youran::utf8ToGb18030(bytes)) __builtin_trap();
  if (youran::listTextToUtf8(bytes) != youran::gb18030ToUtf8(bytes)) __builtin_trap();
  youran::TrackList list;
  auto load = youran::parseMusicList(bytes, list);
  if (load.status != youran::MusicListStatus::loaded) {
    if (!list.empty()) __builtin_trap();
    return 0;
  }
  if (load.rowsAdded != list.size()) __builtin_trap();
  for (size_t i = 0; i < list.size(); ++i)
    if (list.atIndex(i).number != youran::rowNumberText(i + 1)) __builtin_trap();

  youran::TrackList again;
  auto reload = youran::parseMusicList(youran::serializeMusicList(list), again);
  if (reload.status != youran::MusicListStatus::loaded || again.size() != list.size() ||
      reload.linesSkipped != 0)
    __builtin_trap();
  for (size_t i = 0; i < list.size(); ++i)
    if (again.atIndex(i).converted() != list.atIndex(i).converted()) __builtin_trap();
  return 0;
}
