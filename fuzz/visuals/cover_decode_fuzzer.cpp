// Picture bytes through the cover decode, as a fetched, embedded or cached
// cover reaches it: whole, and decoded to fit the cover's display size.
#include <QByteArray>
#include <QImage>
#include <cstdint>
#include <cstdlib>

#include "visuals/picture_decode.h"
#include "visuals/stack_blur.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  // A small ceiling keeps each run quick; the check is the same.
  const youran::PictureLimits whole{4LL * 1000 * 1000, {}};
  QImage image = youran::decodePicture(bytes, whole);
  if (!image.isNull() && static_cast<qint64>(image.width()) * image.height() > whole.maxPixels) std::abort();
  const youran::PictureLimits shrunk{4LL * 1000 * 1000, QSize(240, 240)};
  const QImage small = youran::decodePicture(bytes, shrunk);
  if (!small.isNull() && !image.isNull() && (small.width() > image.width() || small.height() > image.height()))
    std::abort();
  if (!small.isNull()) {
    QImage pixels = small.convertToFormat(QImage::Format_ARGB32);
    youran::stackBlur(reinterpret_cast<uint32_t*>(pixels.bits()), pixels.width(), pixels.height(), 7, {.threads = 1});
  }
  return 0;
}
