#pragma once

// The conversion pass without a UI: what `youranmusic-cli convert` runs.
// Same worker, same save policy as the player; results are applied to the
// list on the calling thread and the file is rewritten at most about twice a
// second while the pass runs, then once at its end.

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "playlist/conversion_pass.h"
#include "playlist/save_coalescer.h"
#include "playlist/track_list.h"

namespace youran {

struct HeadlessConversion {
  size_t converted = 0;
  size_t saves = 0;
  bool interrupted = false;
  std::optional<std::string> saveError;  // the last failed save, if any
};

// Converts the unconverted rows of `list` and saves it to `file`. When
// `interrupt` becomes true the pass stops after the file being read and the
// rows done so far are saved. `progress` sees each result as it is applied.
HeadlessConversion convertListHeadless(
    TrackList& list, const std::filesystem::path& file, ConversionFunctions functions,
    const std::atomic<bool>* interrupt = nullptr,
    std::function<void(const ConversionResult&)> progress = {},
    SaveCoalescer::Clock::duration saveInterval = SaveCoalescer::kDefaultInterval);

}  // namespace youran
