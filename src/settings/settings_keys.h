#pragma once

// The four keys of Setting.ini and the rules for reading them.

#include <optional>
#include <string>
#include <string_view>

namespace youran::settings {

inline constexpr std::string_view kDownloadSection = "Download";
inline constexpr std::string_view kDownloadLocation = "Location";
inline constexpr std::string_view kLyricSection = "Lyric";
inline constexpr std::string_view kLyricFont = "Font";
// Our own keys in the same section: the karaoke sweep ("T" by default) and
// the lock of the desktop line ("F" by default).
inline constexpr std::string_view kLyricKaraoke = "Karaoke";
inline constexpr std::string_view kLyricLocked = "Locked";
// The translation beneath the line ("T" by default) and the romanisation ("F").
inline constexpr std::string_view kLyricTranslation = "Translation";
inline constexpr std::string_view kLyricRomanization = "Romanization";
inline constexpr std::string_view kVisionSection = "Vision";
inline constexpr std::string_view kVisionGaussian = "Gaussian";
inline constexpr std::string_view kVisionSpectrum = "Spectrum";
// Decoder plug-ins read their own keys here (cod_midi: MidiSoundFont, the
// SoundFont it plays with).
inline constexpr std::string_view kPluginsSection = "Plugins";
// The sound device by the name the sound system gives it; empty or missing
// is the system's default.
inline constexpr std::string_view kAudioSection = "Audio";
inline constexpr std::string_view kAudioDevice = "Device";
// Gapless playback ("F" by default): the next track follows the end of one
// without the engine's set-up and the fade-in.
inline constexpr std::string_view kPlaybackSection = "Playback";
inline constexpr std::string_view kPlaybackGapless = "Gapless";

inline constexpr std::string_view kDefaultLyricFont = "微软雅黑";
inline constexpr std::string_view kDefaultDownloadFolder = "YouranMusicDownload";

// "T" is on, "F" is off; anything else (also "t" or "1") counts as missing.
std::optional<bool> parseFlag(std::string_view value);
inline std::string_view flagText(bool on) { return on ? "T" : "F"; }

// The folder text stored for a folder the user picked: a trailing separator
// is added, except to a root such as "/", which keeps its single separator.
std::string downloadFolderText(std::string_view chosen);

}  // namespace youran::settings
