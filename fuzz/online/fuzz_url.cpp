// The URL cuts of the song-detail, play-URL and play-page answers.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "online/primary_service.h"
#include "online/secondary_service.h"
#include "online/song_cache.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view answer(reinterpret_cast<const char*>(data), size);
  for (const std::string& url : {youran::cutCoverUrl(answer), youran::cutPlayUrl(answer), youran::cutStreamUrl(answer)}) {
    if (url.size() > size) __builtin_trap();
    youran::acceptablePlayUrl(url);
  }
  return 0;
}
