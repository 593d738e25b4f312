#include <gtest/gtest.h>

#include "support/tag_fixtures.h"
#include "tags/flac.h"
#include "tags/ogg.h"

namespace youran {
namespace {

using testing::flacBlock;
using testing::flacPicture;
using testing::flacStreamInfo;
using testing::oggStream;
using testing::vorbisCommentPacket;
using testing::vorbisIdentification;

TagInfo ReadOggBytes(const std::string& bytes, ReadOptions options = {}) {
  TagInfo record;
  record.trackAlt = "kept";
  record.composer = "cleared";
  MemorySource source(bytes);
  ReadOgg(source, record, options);
  return record;
}

TagInfo ReadFlacBytes(const std::string& bytes, ReadOptions options = {}) {
  TagInfo record;
  record.composer = "cleared";
  MemorySource source(bytes);
  ReadFlac(source, record, options);
  return record;
}

const std::vector<std::string> kComments = {
    "title=天路",       "ARTIST=韩红",   "Album=A",        "TRACKNUMBER=5", "DATE=2001",
    "GENRE=Pop",         "COMMENT=c",     "PERFORMER=p",    "DESCRIPTION=d", "LYRICS=l",
    "URL=http://u.example/", "COPYRIGHT=(c)", "NOEQUALS",    "=empty key"};

TEST(TagsOgg, HeadersCommentsAndDuration) {
  // 441000 samples at 44100 Hz: 10 s.
  const std::string bytes =
      oggStream({vorbisIdentification(2, 44100, 128000), vorbisCommentPacket("vendor", kComments),
                 std::string(300, 's')},
                441000);
  const TagInfo r = ReadOggBytes(bytes);
  EXPECT_EQ(r.title, "天路");  // keys compare without letter case
  EXPECT_EQ(r.artist, "韩红");
  EXPECT_EQ(r.album, "A");
  EXPECT_EQ(r.track, "5");
  EXPECT_EQ(r.year, "2001");
  EXPECT_EQ(r.genre, "Pop");
  EXPECT_EQ(r.comment, "c");
  EXPECT_EQ(r.performer, "p");
  EXPECT_EQ(r.description, "d");
  EXPECT_EQ(r.lyrics, "l");
  EXPECT_EQ(r.url, "");     // no URL key in Ogg
  EXPECT_EQ(r.rights, "");  // nor COPYRIGHT
  EXPECT_EQ(r.composer, "");
  EXPECT_EQ(r.trackAlt, "kept");
  EXPECT_EQ(r.duration, "00:10");
  EXPECT_EQ(r.bitrate, "128");
  EXPECT_EQ(r.sampleRate, "44100");
  EXPECT_EQ(r.channels, "立体声");
  EXPECT_EQ(r.encoding, "Ogg Vorbis");
}

TEST(TagsOgg, CommentHeaderAcrossPagesAndPicture) {
  const std::string front = testing::fakeJpeg(70000);
  const std::string other = testing::fakePng(300);
  const std::vector<std::string> comments = {
      "METADATA_BLOCK_PICTURE=" + testing::base64(flacPicture(4, "image/png", "", other)),
      "METADATA_BLOCK_PICTURE=" + testing::base64(flacPicture(3, "image/jpeg", "front", front)),
      "TITLE=after the picture"};
  // Small pages: the comment packet spans many pages.
  const std::string bytes =
      oggStream({vorbisIdentification(1, 48000, 0), vorbisCommentPacket("v", comments)}, 96000, 7, 4);
  TagInfo r = ReadOggBytes(bytes);
  EXPECT_EQ(r.title, "after the picture");
  EXPECT_EQ(r.picture, front);
  EXPECT_EQ(r.channels, "单声道");
  EXPECT_EQ(r.duration, "00:02");
  EXPECT_FALSE(r.bitrate.empty());  // from the file size when no nominal rate
  EXPECT_EQ(ReadOggBytes(bytes, ReadOptions{false, true}).picture, "");
}

TEST(TagsOgg, ChannelTexts) {
  const std::pair<unsigned, const char*> cases[] = {
      {1, "单声道"}, {2, "立体声"}, {3, "3通道"}, {4, "4通道"}, {6, "未知"}};
  for (const auto& [channels, text] : cases) {
    const std::string bytes =
        oggStream({vorbisIdentification(channels, 44100, 96000), vorbisCommentPacket("v", {})}, 0);
    EXPECT_EQ(ReadOggBytes(bytes).channels, text);
  }
}

TEST(TagsOgg, BrokenStreams) {
  const std::string good =
      oggStream({vorbisIdentification(2, 44100, 128000), vorbisCommentPacket("v", {"TITLE=t"})},
                44100);
  // Not Ogg; not Vorbis; truncated in the comment packet; comment length past
  // the packet; zero sample rate.
  EXPECT_EQ(ReadOggBytes("RIFF....").title, "");
  std::string opus = good;
  opus.replace(opus.find("\x01vorbis"), 7, "\x01vorbiz");
  EXPECT_EQ(ReadOggBytes(opus).title, "");
  EXPECT_EQ(ReadOggBytes(good.substr(0, good.size() - 4)).title, "");
  const std::string badLength = oggStream(
      {vorbisIdentification(2, 44100, 1), std::string("\x03vorbis", 7) + testing::le32Bytes(1) +
                                               "v" + testing::le32Bytes(1) +
                                               testing::le32Bytes(9999) + "TITLE=x"},
      10);
  EXPECT_EQ(ReadOggBytes(badLength).title, "");
  const TagInfo zero = ReadOggBytes(
      oggStream({vorbisIdentification(2, 0, 128000), vorbisCommentPacket("v", {"TITLE=t"})}, 44100));
  EXPECT_EQ(zero.title, "t");
  EXPECT_EQ(zero.duration, "");
  // Pages of a second multiplexed stream are not mixed into the first.
  const std::string other = oggStream({std::string("\x03vorbis", 7) + "junk"}, 1, 99);
  const std::string first = oggStream({vorbisIdentification(2, 44100, 128000)}, 0, 5);
  const std::string rest = oggStream({vorbisCommentPacket("v", {"TITLE=mine"})}, 88200, 5);
  // The second stream's pages sit between the first stream's two pages.
  const TagInfo muxed = ReadOggBytes(first + other + rest);
  EXPECT_EQ(muxed.title, "mine");
  EXPECT_EQ(muxed.duration, "00:02");
}

std::string Flac(const std::vector<std::string>& blocks) {
  std::string out = "fLaC";
  for (const auto& b : blocks) out += b;
  return out;
}

TEST(TagsFlac, BlocksAndComments) {
  const std::string front = testing::fakeJpeg(1000);
  const std::string back = testing::fakePng(100);
  std::string bytes = Flac({
      flacBlock(0, flacStreamInfo(44100, 2, 16, 44100 * 2), false),
      flacBlock(1, std::string(100, '\0'), false),  // padding
      flacBlock(6, flacPicture(4, "image/png", "", back), false),
      flacBlock(4, testing::vorbisComment("ref", kComments), false),
      flacBlock(6, flacPicture(3, "image/jpeg", "", front), true),
  });
  // Half the size of the 352,800 PCM bytes of two seconds of 16-bit stereo.
  bytes.resize(176400, '\x77');
  const TagInfo r = ReadFlacBytes(bytes);
  EXPECT_EQ(r.title, "天路");
  EXPECT_EQ(r.artist, "韩红");
  EXPECT_EQ(r.album, "A");
  EXPECT_EQ(r.track, "5");
  EXPECT_EQ(r.url, "http://u.example/");
  EXPECT_EQ(r.rights, "(c)");
  EXPECT_EQ(r.lyrics, "l");
  EXPECT_EQ(r.performer, "");  // not a FLAC key
  EXPECT_EQ(r.composer, "");
  EXPECT_EQ(r.picture, front);
  EXPECT_EQ(r.duration, "00:02");
  EXPECT_EQ(r.sampleRate, "44100");
  EXPECT_EQ(r.channels, "立体声");
  EXPECT_EQ(r.encoding, "Free Lossless Audio Codec(50%)");
  // The bitrate counts the audio frames only, not the metadata blocks in
  // front of them (about 1.3 KB here, most of it the two pictures).
  EXPECT_EQ(r.bitrate, "699");
  EXPECT_EQ(ReadFlacBytes(bytes, ReadOptions{false, true}).picture, "");
}

TEST(TagsFlac, StreamInfoAndBrokenFiles) {
  struct Case {
    std::string name;
    std::string bytes;
    std::string title, channels, duration;
  } cases[] = {
      {"mono", Flac({flacBlock(0, flacStreamInfo(8000, 1, 8, 16000), true)}), "", "单声道", "00:02"},
      {"six", Flac({flacBlock(0, flacStreamInfo(96000, 6, 24, 0), true)}), "", "多声道", "00:00"},
      {"zero rate", Flac({flacBlock(0, flacStreamInfo(0, 2, 16, 100), true)}), "", "立体声", ""},
      {"not flac", "OggS" + flacBlock(4, testing::vorbisComment("v", {"TITLE=x"}), true), "", "",
       ""},
      // A block length past the file ends the walk, keeping earlier blocks.
      {"block past end",
       Flac({flacBlock(4, testing::vorbisComment("v", {"TITLE=x"}), false),
             std::string("\x84\xFF\xFF\xFF", 4)}),
       "x", "", ""},
      // Blocks after the one marked last are not read.
      {"after last",
       Flac({flacBlock(0, flacStreamInfo(44100, 2, 16, 44100), true),
             flacBlock(4, testing::vorbisComment("v", {"TITLE=x"}), true)}),
       "", "立体声", "00:01"},
      {"short streaminfo", Flac({flacBlock(0, std::string(10, '\0'), true)}), "", "", ""},
  };
  for (const auto& c : cases) {
    const TagInfo r = ReadFlacBytes(c.bytes);
    EXPECT_EQ(r.title, c.title) << c.name;
    EXPECT_EQ(r.channels, c.channels) << c.name;
    EXPECT_EQ(r.duration, c.duration) << c.name;
    EXPECT_EQ(r.composer, "") << c.name;
  }
}

}  // namespace
}  // namespace youran
