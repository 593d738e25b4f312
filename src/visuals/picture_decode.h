#pragma once

// Pictures from bytes that came from a file's tags, the network or the
// cover cache. The size is read from the header first: anything above the
// pixel limit is refused before a single pixel is allocated, so a hostile
// or broken picture cannot exhaust memory.

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace youran {

inline constexpr qint64 kMaxPicturePixels = 64LL * 1000 * 1000;

struct PictureLimits {
  qint64 maxPixels = kMaxPicturePixels;
  // When valid, a larger picture is decoded shrunk by the largest power of
  // two (up to 8) that keeps it at least this size. JPEG then decodes
  // straight to the smaller size and skips most of the work.
  QSize atLeast;
};

// A null image for bytes that are no picture, too large, or empty.
QImage decodePicture(const QByteArray& bytes, PictureLimits limits = {});

// The pixel size the header claims; invalid when unreadable.
QSize pictureSize(const QByteArray& bytes);

}  // namespace youran
