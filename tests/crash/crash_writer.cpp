// crash_writer: the two writers the crash-safety test kills, on files it
// names. Nothing here is special to the test: the conversion pass is the
// player's headless one with its real tag readers and engine, the settings
// are written one key at a time through writeSetting.
//
//   crash_writer convert LISTFILE [SAVE_INTERVAL_MS]
//       converts the unconverted rows and saves as the pass goes; exit 0 when
//       every save succeeded, 1 (with the reason) when one failed
//   crash_writer settings FILE FIRST COUNT
//       for i = FIRST .. FIRST+COUNT-1: [计数] 序号=i, then [正文] 内容=body(i);
//       exit 1 at the first write that fails, naming it

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "settings/settings_file.h"
#include "crash/settings_body.h"
#include "playlist/conversion_defaults.h"
#include "playlist/headless_conversion.h"
#include "playlist/music_list_file.h"

namespace {

int convert(const char* file, long intervalMs) {
  youran::TrackList list;
  auto load = youran::loadMusicList(file, list);
  if (load.status != youran::MusicListStatus::loaded) {
    std::fprintf(stderr, "crash_writer: %s does not load\n", file);
    return 2;
  }
  auto report = youran::convertListHeadless(list, file, youran::defaultConversionFunctions(),
                                            nullptr, {}, std::chrono::milliseconds(intervalMs));
  if (report.saveError) {
    std::fprintf(stderr, "crash_writer: cannot save: %s\n", report.saveError->c_str());
    return 1;
  }
  std::printf("converted %zu, saves %zu\n", report.converted, report.saves);
  return 0;
}

int settings(const char* file, long first, long count) {
  for (long i = first; i < first + count; ++i) {
    if (!youran::writeSetting(file, "计数", "序号", std::to_string(i))) {
      std::fprintf(stderr, "crash_writer: cannot write 序号=%ld\n", i);
      return 1;
    }
    if (!youran::writeSetting(file, "正文", "内容", youran::testing::settingsBody(i))) {
      std::fprintf(stderr, "crash_writer: cannot write 内容 %ld\n", i);
      return 1;
    }
  }
  std::printf("wrote %ld\n", count);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string_view command = argc > 1 ? argv[1] : "";
  if (command == "convert" && (argc == 3 || argc == 4))
    return convert(argv[2], argc == 4 ? std::atol(argv[3]) : 500);
  if (command == "settings" && argc == 5)
    return settings(argv[2], std::atol(argv[3]), std::atol(argv[4]));
  std::fputs(
      "usage: crash_writer convert LISTFILE [SAVE_INTERVAL_MS] | settings FILE FIRST COUNT\n",
      stderr);
  return 2;
}
