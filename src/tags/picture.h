#pragma once

// Choosing among several embedded pictures, and the FLAC picture structure
// that FLAC files and Ogg comments (METADATA_BLOCK_PICTURE) both carry.

#include <optional>
#include <string>
#include <string_view>

namespace youran {

// Picture type 3 is the front cover in ID3v2, FLAC and ASF alike.
inline constexpr unsigned kFrontCoverType = 3;

// Keeps the first front cover, or the first picture while none was offered.
class PictureChoice {
 public:
  // Whether a picture of `type` would replace the one kept so far.
  bool wants(unsigned type) const {
    return !haveFront_ && (!havePicture_ || type == kFrontCoverType);
  }
  void took(unsigned type) {
    havePicture_ = true;
    haveFront_ = type == kFrontCoverType;
  }
  void offer(unsigned type, std::string_view image, std::string& picture) {
    if (image.empty() || !wants(type)) return;
    picture.assign(image);
    took(type);
  }

 private:
  bool havePicture_ = false;
  bool haveFront_ = false;
};

struct FlacPicture {
  unsigned type = 0;
  std::string_view image;  // points into the parsed bytes
};

// Big-endian: type (4), MIME length (4) and MIME, description length (4) and
// description, width, height, depth, colours (4 each), image length (4) and
// image. Empty optional when a length runs past the bytes.
std::optional<FlacPicture> ParseFlacPicture(std::string_view block);

// Standard base64 (padding optional, whitespace skipped); empty optional on a
// character outside the alphabet.
std::optional<std::string> DecodeBase64(std::string_view text);

}  // namespace youran
