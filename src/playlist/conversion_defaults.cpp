#include "playlist/conversion_defaults.h"

#include "playback/audio_engine.h"
#include "tags/tag_info.h"
#include "tags/tag_reader.h"

namespace youran {

ConversionNames nameTrackFromTags(const std::string& path, const std::string& fileNameName) {
  TagInfo tags;
  ReadTagsForConversion(path, tags);
  return ConversionTitleParts(tags, fileNameName);
}

std::optional<double> measureTrackSeconds(AudioEngine& engine, const std::string& path) {
  uint32_t stream = engine.createStream(path, {}, {}, AudioEngine::kDecodeOnly);
  if (stream == 0) return std::nullopt;
  int64_t bytes = engine.getLength(stream);
  std::optional<double> seconds;
  if (bytes >= 0) seconds = engine.bytesToSeconds(stream, bytes);
  engine.freeStream(stream);
  return seconds;
}

ConversionFunctions defaultConversionFunctions(std::function<bool()> isPlaying,
                                               AudioEngine* engine) {
  AudioEngine& chosen = engine ? *engine : AudioEngine::instance();
  ConversionFunctions functions;
  functions.nameTrack = nameTrackFromTags;
  functions.measureSeconds = [&chosen](const std::string& path) {
    return measureTrackSeconds(chosen, path);
  };
  functions.isPlaying = std::move(isPlaying);
  return functions;
}

}  // namespace youran
