#pragma once

// The real functions behind the conversion pass: tags through the tag
// readers, the playing time through a decode-only stream of the audio engine.

#include <functional>
#include <optional>
#include <string>

#include "playlist/conversion_pass.h"

namespace youran {

class AudioEngine;

// Artist and title by the conversion rule (".m4a" through the MP4 reader,
// else the extension's readers), joined into the display name.
ConversionNames nameTrackFromTags(const std::string& path, const std::string& fileNameName);

// Length in seconds of a decode-only stream of `engine`; empty when the
// engine cannot open the file or reports no length.
std::optional<double> measureTrackSeconds(AudioEngine& engine, const std::string& path);

// Both of the above with `engine` (the process-wide one by default), and
// `isPlaying` for the window title (never playing when empty). The
// functions are called on the worker thread; `isPlaying` must be safe there.
ConversionFunctions defaultConversionFunctions(std::function<bool()> isPlaying = {},
                                               AudioEngine* engine = nullptr);

}  // namespace youran
