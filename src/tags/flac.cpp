#include "tags/flac.h"

#include <cmath>

#include "tags/byte_order.h"
#include "tags/picture.h"
#include "tags/vorbis_comment.h"

namespace youran {

namespace {

using tagbytes::be24;
using tagbytes::be32;
using tagbytes::u8;

constexpr unsigned kStreamInfo = 0;
constexpr unsigned kVorbisComment = 4;
constexpr unsigned kPicture = 6;

std::string ChannelText(unsigned channels) {
  if (channels == 1) return "单声道";
  if (channels == 2) return "立体声";
  return "多声道";
}

}  // namespace

void ReadFlac(ByteSource& source, TagInfo& record, ReadOptions options) {
  ClearTagInfo(record);
  if (source.peek(0, 4) != "fLaC") return;
  unsigned sampleRate = 0, channels = 0, bitsPerSample = 0;
  std::uint64_t totalSamples = 0;
  bool haveStreamInfo = false;
  PictureChoice pictures;

  // Block header, 4 bytes: bit 7 last block, bits 0-6 type, 24-bit length.
  std::uint64_t pos = 4;
  for (bool last = false; !last;) {
    const std::string_view h = source.peek(pos, 4);
    if (h.size() < 4) break;
    last = u8(h, 0) & 0x80;
    const unsigned type = u8(h, 0) & 0x7F;
    const std::uint64_t length = be24(h, 1);
    const std::uint64_t body = pos + 4;
    if (length > source.remaining(body)) break;
    pos = body + length;
    if (type == kStreamInfo && length >= 18) {
      // After min/max block size (2+2) and min/max frame size (3+3): sample
      // rate (20 bits), channels - 1 (3), bits per sample - 1 (5), total
      // samples (36).
      const std::string_view b = source.peek(body, 18);
      if (b.size() < 18) break;
      const std::uint64_t bits = (std::uint64_t{be32(b, 10)} << 32) | be32(b, 14);
      sampleRate = static_cast<unsigned>(bits >> 44);
      channels = static_cast<unsigned>((bits >> 41) & 7) + 1;
      bitsPerSample = static_cast<unsigned>((bits >> 36) & 31) + 1;
      totalSamples = bits & 0xFFFFFFFFFull;
      haveStreamInfo = true;
    } else if (type == kVorbisComment) {
      ParseVorbisComment(source.read(body, static_cast<std::size_t>(length)),
                         VorbisCommentHost::kFlac, record, options);
    } else if (type == kPicture && options.picture) {
      const std::string block = source.read(body, static_cast<std::size_t>(length));
      if (const auto picture = ParseFlacPicture(block)) {
        pictures.offer(picture->type, picture->image, record.picture);
      }
    }
  }

  if (!haveStreamInfo || !options.streamProperties) return;
  record.channels = ChannelText(channels);
  if (sampleRate == 0) return;
  record.sampleRate = std::to_string(sampleRate);
  const std::uint64_t seconds = totalSamples / sampleRate;
  record.duration = FormatSeconds(static_cast<long long>(seconds));
  // The format name carries the size of the file against the decoded PCM, in
  // percent; the bitrate is the file's average.
  const double pcmBytes = static_cast<double>(totalSamples) * channels * bitsPerSample / 8.0;
  std::string ratio = "?";
  if (pcmBytes > 0) {
    ratio = std::to_string(std::lround(static_cast<double>(source.size()) * 100.0 / pcmBytes)) +
            "%";
  }
  record.encoding = "Free Lossless Audio Codec(" + ratio + ")";
  if (totalSamples > 0) {
    // The audio frames only: an embedded cover is not part of the stream.
    const std::uint64_t audioBytes = source.size() > pos ? source.size() - pos : 0;
    const double kbps =
        static_cast<double>(audioBytes) * 8.0 * sampleRate / static_cast<double>(totalSamples) /
        1000.0;
    record.bitrate = std::to_string(std::lround(kbps));
  }
}

void ReadFlac(const std::string& path, TagInfo& record, ReadOptions options) {
  auto source = FileSource::open(path);
  if (source) ReadFlac(*source, record, options);
}

}  // namespace youran
