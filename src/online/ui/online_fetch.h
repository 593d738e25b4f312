#pragma once

// The track-start fetches of the primary service: the lyric for LyricLoader
// and the cover bytes for CoverArt. Both run on those classes' workers and
// read the hosts from Setting.ini at every call.

#include <QByteArray>
#include <QString>
#include <filesystem>
#include <functional>
#include <string>

namespace youran {

// Covers that would decode to more than this many pixels are refused.
inline constexpr qint64 kMaxCoverPixels = 64LL * 1000 * 1000;

// Whether the bytes are a picture Qt can read, of a sane size.
bool coverBytesAcceptable(const QByteArray& bytes);

std::function<std::string(const std::string& displayName)> primaryLyricFetch(std::filesystem::path settingsFile);
std::function<QByteArray(const QString& displayName)> primaryCoverFetch(std::filesystem::path settingsFile);

}  // namespace youran
