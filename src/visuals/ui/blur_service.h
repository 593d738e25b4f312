#pragma once

// `BlurService`: the stack blur for pictures. The core blurs raw ARGB
// pixels in place; this side decodes, converts to 32-bit ARGB and encodes.

#include <QByteArray>
#include <QImage>

namespace youran {

namespace BlurService {

// The picture blurred over all four channels, as 32-bit ARGB (not
// premultiplied, like the pixels the blur is defined on). Null in, null out.
QImage blurred(const QImage& picture, int radius);

// Any encoded picture Qt reads (PNG, JPEG, BMP, GIF, ...) in, the blurred
// picture encoded as BMP out; empty bytes when the input is no picture.
QByteArray blurImage(const QByteArray& encoded, int radius);

}  // namespace BlurService

}  // namespace youran
