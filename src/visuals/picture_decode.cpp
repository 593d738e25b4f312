#include "visuals/picture_decode.h"

#include <QBuffer>
#include <QImageReader>

#include "base/log.h"

namespace youran {

namespace {

// QImageReader's own ceiling, in megabytes of decoded pixels, as a second
// guard for formats whose header carries no size.
int allocationLimitMb(qint64 maxPixels) { return static_cast<int>(std::max<qint64>(1, maxPixels * 4 / (1024 * 1024))); }

}  // namespace

QSize pictureSize(const QByteArray& bytes) {
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  return reader.size();
}

QImage decodePicture(const QByteArray& bytes, PictureLimits limits) {
  if (bytes.isEmpty()) return {};
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  reader.setAllocationLimit(allocationLimitMb(limits.maxPixels));
  const QSize size = reader.size();
  if (size.isValid()) {
    if (size.width() <= 0 || size.height() <= 0 ||
        static_cast<qint64>(size.width()) * size.height() > limits.maxPixels) {
      logWarning("visuals", "picture of " + std::to_string(size.width()) + " x " + std::to_string(size.height()) +
                                " pixels refused");
      return {};
    }
    if (limits.atLeast.isValid()) {
      int shift = 0;
      while (shift < 3 && (size.width() >> (shift + 1)) >= limits.atLeast.width() &&
             (size.height() >> (shift + 1)) >= limits.atLeast.height())
        ++shift;
      if (shift > 0) reader.setScaledSize(QSize(size.width() >> shift, size.height() >> shift));
    }
  }
  QImage image = reader.read();
  if (image.isNull()) return {};
  if (static_cast<qint64>(image.width()) * image.height() > limits.maxPixels) return {};
  return image;
}

}  // namespace youran
