#include <gtest/gtest.h>

#include "support/tag_fixtures.h"
#include "tags/mpeg_header.h"

namespace youran {
namespace {

using testing::mpegFrame;

TEST(TagsMpegHeader, DecodeTable) {
  struct Case {
    std::uint32_t header;
    bool valid;
    unsigned kbps, rate, length;
  } cases[] = {
      {0xFFFB9000, true, 128, 44100, 417},  // MPEG 1 Layer III
      {0xFFFB9200, true, 128, 44100, 418},  // with padding
      {0xFFFBE440, true, 320, 48000, 960},
      {0xFFF3A000, true, 96, 22050, 313},   // MPEG 2 Layer III: factor 72
      {0xFFE38000, true, 64, 11025, 417},   // MPEG 2.5 Layer III
      {0xFFFD9000, true, 160, 44100, 522},  // MPEG 1 Layer II
      {0xFFFF9000, true, 288, 44100, 313},  // MPEG 1 Layer I: factor 48
      {0xFFFF9200, true, 288, 44100, 317},  // Layer I padding is 4 bytes
      {0xFFEB9000, false, 0, 0, 0},         // reserved version
      {0xFFF99000, false, 0, 0, 0},         // reserved layer
      {0xFFFB0000, false, 0, 0, 0},         // free bitrate
      {0xFFFBF000, false, 0, 0, 0},         // bad bitrate
      {0xFFFB9C00, false, 0, 0, 0},         // reserved sample rate
      {0xFFFB9002, false, 0, 0, 0},         // reserved emphasis
      {0xFEFB9000, false, 0, 0, 0},         // no sync
  };
  for (const auto& c : cases) {
    const auto f = ParseMpegFrameHeader(testing::be32Bytes(c.header));
    ASSERT_EQ(f.has_value(), c.valid) << std::hex << c.header;
    if (!f) continue;
    EXPECT_EQ(f->bitrateKbps, c.kbps) << std::hex << c.header;
    EXPECT_EQ(f->sampleRate, c.rate) << std::hex << c.header;
    EXPECT_EQ(f->frameLength, c.length) << std::hex << c.header;
  }
}

TagInfo Read(const std::string& bytes) {
  TagInfo record;
  record.duration = "unchanged";
  MemorySource source(bytes);
  ReadMpegStream(source, record);
  return record;
}

TEST(TagsMpegStream, ConstantBitrate) {
  // 4,000,000 audio bytes at 128 kbit/s plus an ID3v1 tag: 250 s.
  std::string audio = mpegFrame(0xFFFB9040, 417);
  audio.resize(4000000, '\0');
  const TagInfo r = Read(audio + testing::id3v1Tag("t", "", "", "", "", 0, 1));
  EXPECT_EQ(r.duration, "04:10");
  EXPECT_EQ(r.bitrate, "128");
  EXPECT_EQ(r.sampleRate, "44100");
  EXPECT_EQ(r.channels, "立体声(Joint)");
  EXPECT_EQ(r.encoding, "MPEG 1 Layer III");
}

TEST(TagsMpegStream, SearchStartsAfterId3v2) {
  // A 4096-byte tag area, then 10 bytes of junk, then the first frame; the
  // tag itself holds bytes that look like a frame header.
  std::string tag = testing::id3v2Tag(3, {{"PRIV", testing::be32Bytes(0xFFF3A0C0)}},
                                      testing::Id3TagOptions().padded(4096 - 10 - 14));
  ASSERT_EQ(tag.size(), 4096u);
  const std::string bytes = tag + std::string(10, '\x01') + mpegFrame(0xFFFB90C0, 417) +
                            mpegFrame(0xFFFB90C0, 417);
  const TagInfo r = Read(bytes);
  EXPECT_EQ(r.encoding, "MPEG 1 Layer III");
  EXPECT_EQ(r.channels, "单声道");
  EXPECT_EQ(r.bitrate, "128");
}

TEST(TagsMpegStream, VbrHeaders) {
  struct Case {
    std::string name;
    std::string body;
    std::uint32_t header;
    std::string duration, bitrate;
  } cases[] = {
      // 1000 frames of 1152 samples at 44100 Hz: 26 s; 200000 bytes: medium rate.
      {"xing", testing::xingBody("Xing", 3, 1000, 200000), 0xFFFB9000, "00:26", "61"},
      {"info", testing::xingBody("Info", 3, 1000, 200000), 0xFFFB9000, "00:26", "61"},
      {"xing frames only", testing::xingBody("Xing", 1, 4000, 0), 0xFFFB9000, "01:44", "128"},
      {"vbri", testing::vbriBody(400000, 2000), 0xFFFB9000, "00:52", "61"},
      // A frame count of zero gives no VBR duration and no division.
      {"xing zero frames", testing::xingBody("Xing", 3, 0, 5000), 0xFFFB9000, "00:00", "128"},
      {"vbri zero frames", testing::vbriBody(5000, 0), 0xFFFB9000, "00:00", "128"},
      // Byte count below the frame count: no bitrate from it.
      {"xing tiny bytes", testing::xingBody("Xing", 3, 1000, 10), 0xFFFB9000, "00:26", "128"},
  };
  for (const auto& c : cases) {
    const TagInfo r = Read(mpegFrame(c.header, 417, c.body) + mpegFrame(c.header, 417));
    EXPECT_EQ(r.duration, c.duration) << c.name;
    EXPECT_EQ(r.bitrate, c.bitrate) << c.name;
  }
}

TEST(TagsMpegStream, NoFrame) {
  for (const std::string& bytes : {std::string(), std::string(5000, '\x00'), std::string(3, '\xFF'),
                                  std::string(3000, '\x01') + mpegFrame(0xFFFB9000, 417)}) {
    const TagInfo r = Read(bytes);
    EXPECT_EQ(r.bitrate, "0");
    EXPECT_EQ(r.sampleRate, "0");
    EXPECT_EQ(r.channels, "");
    EXPECT_EQ(r.encoding, " ");
    EXPECT_EQ(r.duration, "unchanged");
  }
}

}  // namespace
}  // namespace youran
