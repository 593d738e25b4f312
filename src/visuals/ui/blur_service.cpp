#include "visuals/ui/blur_service.h"

#include <QBuffer>

#include "visuals/picture_decode.h"
#include "visuals/stack_blur.h"

namespace youran::BlurService {

QImage blurred(const QImage& picture, int radius) {
  if (picture.isNull()) return {};
  QImage pixels = picture.convertToFormat(QImage::Format_ARGB32);
  // Rows are 4-byte pixels with no padding, as the blur expects.
  stackBlur(reinterpret_cast<uint32_t*>(pixels.bits()), pixels.width(), pixels.height(), radius);
  return pixels;
}

QByteArray blurImage(const QByteArray& encoded, int radius) {
  const QImage result = blurred(decodePicture(encoded), radius);
  if (result.isNull()) return {};
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  result.save(&buffer, "BMP");
  return bytes;
}

}  // namespace youran::BlurService
