// Every format the player lists decodes with the right rate, channels and
// length; damaged files never crash the engine.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "playback/decode/ffmpeg_decoder.h"
#include "playback/output/wav_file_output.h"
#include "playback_test_util.h"
#include "support/http_test_server.h"
#include "support/temp_folder.h"

namespace youran::testing {
namespace {

struct FormatCase {
  const char* extension;
  const char* codecArgs;
  int rate;
  int channels;
  int64_t frameTolerance;  // one codec frame
  // The container says where the encoder's delay and padding are (MP3's
  // LAME header, an MP4 edit list): exactly the samples encoded come out.
  bool exactLength = false;
};

// One second of tone per format; the tolerance is the codec's frame length.
const FormatCase kFormats[] = {
    {"mp3", "-b:a 128k", 44100, 2, 1152, true},
    {"flac", "", 44100, 2, 0},
    {"ogg", "-c:a libvorbis", 48000, 1, 2048},
    {"m4a", "-c:a aac", 44100, 2, 1024, true},
    {"wma", "-c:a wmav2", 44100, 2, 2048},
    {"wav", "", 22050, 1, 0},
    {"aiff", "", 44100, 2, 0},
    {"au", "", 8000, 1, 0},
    {"tta", "", 44100, 2, 0},
};

// Frames a decoder gives until its end.
int64_t readToEnd(Decoder& decoder) {
  std::vector<float> buffer(4096 * size_t(std::max(1, decoder.format().channels)));
  int64_t frames = 0;
  for (int n; (n = decoder.read(buffer.data(), 4096)) > 0;) frames += n;
  return frames;
}

class PlaybackDecodeFormats : public ::testing::TestWithParam<FormatCase> {};

TEST_P(PlaybackDecodeFormats, ReportsRateChannelsAndLength) {
  const auto& c = GetParam();
  TempFolder folder;
  auto file = folder / (std::string("tone.") + c.extension);
  ASSERT_TRUE(encodeAudio(file, sineSource(440, 1.0), c.rate, c.channels, c.codecArgs));

  AudioEngine engine;
  uint32_t probe = engine.createStream(file.string(), {}, {}, AudioEngine::kDecodeOnly);
  ASSERT_NE(probe, 0u);
  auto info = engine.getInfo(probe);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->rate, c.rate);
  EXPECT_EQ(info->channels, c.channels);
  const int64_t frameBytes = 2 * c.channels;
  EXPECT_NEAR(engine.getLength(probe) / frameBytes, c.rate, c.frameTolerance + 1);
  EXPECT_NEAR(engine.bytesToSeconds(probe, engine.getLength(probe)), 1.0, double(c.frameTolerance + 1) / c.rate);
  engine.freeStream(probe);

  // Played to the end: what was decoded, and the length then agrees with
  // the position (end-of-track polling compares the two).
  auto r = renderThroughWav(engine, file, folder / "out.wav");
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.wav.rate, 44100);
  EXPECT_EQ(r.wav.channels, 2);
  EXPECT_NEAR(double(r.wav.frames()), 44100.0, 44100.0 * double(c.frameTolerance + 2) / c.rate);
  if (c.exactLength) {
    EXPECT_EQ(r.wav.frames(), 44100);
  }
  EXPECT_EQ(r.lengthBytes, r.positionBytes);
  EXPECT_NEAR(r.lengthBytes / frameBytes, c.rate, c.frameTolerance + 1);
  // The tone survives decoding and conversion.
  auto left = r.wav.channel(0);
  EXPECT_GT(toneDb(left, 4410, 39690, 440, 44100), 20 * std::log10(0.125) - 1.0);
}

INSTANTIATE_TEST_SUITE_P(Formats, PlaybackDecodeFormats, ::testing::ValuesIn(kFormats),
                         [](const auto& info) { return std::string(info.param.extension); });

// A decoder opened only to measure leaves its codec closed until it is
// read; once read or seeked it must give what a decoder opened to play
// gives, sample for sample (the MP3 case keeps the packet it read for the
// frame header and must not lose it).
TEST(PlaybackDecodeSources, MeasuringDecoderMatchesThePlayingOne) {
  struct Case {
    const char* name;
    int rate;
    int channels;
    const char* codecArgs;
  };
  const Case cases[] = {
      {"tagged.mp3", 44100, 2, "-b:a 128k -id3v2_version 3 -metadata title=歌"},
      {"mono.mp3", 22050, 1, "-b:a 32k"},
      // No Xing/Info header, so the length is estimated from the bit rate;
      // an ID3v1 tag at the end.
      {"plain.mp3", 44100, 2, "-b:a 128k -write_xing 0 -write_id3v1 1 -metadata artist=A"},
      {"tone.flac", 48000, 2, ""},
      {"tone.ogg", 44100, 2, "-c:a libvorbis"},
      {"tone.opus", 48000, 1, "-c:a libopus"},
      {"tone.wma", 44100, 2, "-c:a wmav2"},
      {"tone.wav", 8000, 1, ""},
  };
  TempFolder folder;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto file = folder / c.name;
    ASSERT_TRUE(encodeAudio(file, sineSource(330, 2.0), c.rate, c.channels, c.codecArgs));
    DecoderSource source;
    source.path = file.string();
    auto played = openFfmpegDecoder(source, DecoderUse::Play);
    auto measured = openFfmpegDecoder(source, DecoderUse::Measure);
    ASSERT_TRUE(played && measured);
    EXPECT_EQ(measured->format().rate, c.rate);
    EXPECT_EQ(measured->format().channels, c.channels);
    EXPECT_EQ(measured->format().lengthFrames, played->format().lengthFrames);

    auto readFrames = [&](Decoder& d, int frames) {
      std::vector<float> out(size_t(frames) * c.channels);
      int got = 0;
      while (got < frames) {
        int n = d.read(out.data() + size_t(got) * c.channels, frames - got);
        if (n <= 0) break;
        got += n;
      }
      out.resize(size_t(got) * c.channels);
      return out;
    };
    auto a = readFrames(*played, 5000);
    auto b = readFrames(*measured, 5000);
    ASSERT_EQ(a.size(), size_t(5000) * c.channels);
    EXPECT_TRUE(a == b);

    // Seeking first also starts the codec.
    auto seekedPlay = openFfmpegDecoder(source, DecoderUse::Play);
    auto seekedMeasure = openFfmpegDecoder(source, DecoderUse::Measure);
    ASSERT_TRUE(seekedPlay->seek(c.rate / 2));
    ASSERT_TRUE(seekedMeasure->seek(c.rate / 2));
    EXPECT_TRUE(readFrames(*seekedPlay, 3000) == readFrames(*seekedMeasure, 3000));
  }
}

// A header that claims hundreds of channels, or millions of frames a
// second, is damaged, however the file is opened; found by the decoder
// fuzzer in an .au header.
TEST(PlaybackDecodeSources, HeaderWithImpossibleFormatIsRefused) {
  for (auto [rate, channels] : {std::pair<uint32_t, uint32_t>{8000, 263}, {5000000, 2}}) {
    std::string au = ".snd";
    auto be32 = [&au](uint32_t v) {
      for (int shift = 24; shift >= 0; shift -= 8) au.push_back(static_cast<char>(v >> shift));
    };
    const uint32_t dataBytes = channels * 2 * 64;
    be32(32), be32(dataBytes), be32(3), be32(rate), be32(channels), be32(0), be32(0);
    au.append(dataBytes, '\x10');
    for (auto use : {DecoderUse::Measure, DecoderUse::Play}) {
      DecoderSource source;
      source.memory = std::span(reinterpret_cast<const uint8_t*>(au.data()), au.size());
      auto decoder = openFfmpegDecoder(source, use);
      if (decoder) {
        EXPECT_LE(decoder->format().channels, 64);
        EXPECT_LE(decoder->format().rate, 768000);
      }
    }
  }
}

// Two MP3s joined: stereo frames, then mono ones. The mono frames have one
// plane where the stream has two channels; they are dropped, not read
// (found by the decoder fuzzer).
TEST(PlaybackDecodeSources, FramesThatChangeLayoutMidStreamAreDropped) {
  TempFolder folder;
  auto stereo = folder / "stereo.mp3";
  auto mono = folder / "mono.mp3";
  ASSERT_TRUE(encodeAudio(stereo, sineSource(440, 1.0), 44100, 2, "-b:a 128k -write_xing 0"));
  ASSERT_TRUE(encodeAudio(mono, sineSource(440, 1.0), 44100, 1, "-b:a 64k -write_xing 0"));
  auto joined = folder.write("joined.mp3", readFile(stereo) + readFile(mono));
  for (auto use : {DecoderUse::Play, DecoderUse::Measure}) {
    DecoderSource source;
    source.path = joined.string();
    auto decoder = openFfmpegDecoder(source, use);
    ASSERT_TRUE(decoder);
    ASSERT_EQ(decoder->format().channels, 2);
    EXPECT_NEAR(double(readToEnd(*decoder)), 44100.0, 2 * 1152.0);
  }
}

TEST(PlaybackDecodeSources, MemoryBlockPlaysLikeTheFile) {
  TempFolder folder;
  auto file = folder / "tone.flac";
  ASSERT_TRUE(encodeAudio(file, sineSource(440, 0.5), 44100, 2));
  std::string bytes = readFile(file);
  std::vector<uint8_t> block(bytes.begin(), bytes.end());

  AudioEngine engine;
  uint32_t s = engine.createStream("", block, {}, AudioEngine::kDecodeOnly);
  ASSERT_NE(s, 0u);
  block.assign(block.size(), 0);  // the engine keeps its own copy
  EXPECT_EQ(engine.getLength(s), 22050 * 4);
  EXPECT_EQ(engine.lastStream(), s);
  // A path that does not exist falls through to the memory block.
  std::string b2 = readFile(file);
  std::vector<uint8_t> again(b2.begin(), b2.end());
  uint32_t s2 = engine.createStream((folder / "missing.flac").string(), again, {}, AudioEngine::kDecodeOnly);
  EXPECT_NE(s2, 0u);
  EXPECT_NE(s2, s);
}

TEST(PlaybackDecodeSources, UrlStreamsThroughFfmpegsOwnHttp) {
  TempFolder folder;
  auto file = folder / "tone.flac";
  ASSERT_TRUE(encodeAudio(file, sineSource(440, 1.0), 44100, 2));
  const std::string content = readFile(file);
  HttpTestServer server([&](const RecordedRequest& request) { return fileReply(request, content); });
  ASSERT_TRUE(server.ok());
  AudioEngine engine;
  uint32_t s = engine.createStream("", {}, server.url("/tone.flac"), AudioEngine::kDecodeOnly);
  ASSERT_NE(s, 0u);
  EXPECT_EQ(engine.getLength(s), 44100 * 4);
  engine.freeStream(s);

  // Played: every sample arrives.
  auto out = folder / "out.wav";
  ASSERT_TRUE(engine.initWithOutput(std::make_unique<WavFileOutput>(out.string())));
  s = engine.createStream("", {}, server.url("/tone.flac"));
  ASSERT_NE(s, 0u);
  engine.play(s);
  EXPECT_TRUE(waitFor([&] { return engine.isActive(s) == AudioEngine::kStopped; }, 30));
  engine.free();
  WavData w;
  ASSERT_TRUE(readWav(out, w));
  EXPECT_EQ(w.frames(), 44100);

  // A URL that answers 404 gives 0.
  HttpTestServer missing([](const RecordedRequest&) {
    TestReply reply;
    reply.status = 404;
    reply.reason = "Not Found";
    return reply;
  });
  EXPECT_EQ(engine.createStream("", {}, missing.url("/x.mp3"), AudioEngine::kDecodeOnly), 0u);
}

TEST(PlaybackDecodeSources, NothingToOpenReturnsZeroAndKeepsLastStream) {
  TempFolder folder;
  auto file = folder / "tone.wav";
  ASSERT_TRUE(encodeAudio(file, sineSource(440, 0.2), 44100, 1));
  AudioEngine engine;
  uint32_t good = engine.createStream(file.string(), {}, {}, AudioEngine::kDecodeOnly);
  ASSERT_NE(good, 0u);
  EXPECT_EQ(engine.createStream((folder / "missing.mp3").string(), {}, {}, AudioEngine::kDecodeOnly), 0u);
  EXPECT_EQ(engine.createStream("", {}, {}, AudioEngine::kDecodeOnly), 0u);
  EXPECT_EQ(engine.lastStream(), good);
  // A playable stream needs an initialised engine.
  EXPECT_EQ(engine.createStream(file.string()), 0u);
  EXPECT_EQ(engine.lastStream(), good);
}

TEST(PlaybackDecodeSources, ExtensionThatLiesStillOpens) {
  TempFolder folder;
  auto flac = folder / "real.flac";
  ASSERT_TRUE(encodeAudio(flac, sineSource(440, 0.5), 44100, 2));
  auto liar = folder / "really-flac.mp3";
  std::filesystem::copy_file(flac, liar);
  AudioEngine engine;
  uint32_t s = engine.createStream(liar.string(), {}, {}, AudioEngine::kDecodeOnly);
  ASSERT_NE(s, 0u);
  EXPECT_EQ(engine.getLength(s), 22050 * 4);
}

// Damaged files: createStream returns 0, or the stream plays and ends early.
struct BrokenCase {
  const char* name;
  const char* extension;
  size_t keepBytes;  // 0: random bytes instead of the file
};
const BrokenCase kBroken[] = {
    {"mp3_truncated", "mp3", 5000},  {"flac_truncated", "flac", 9000}, {"ogg_truncated", "ogg", 6000},
    {"m4a_truncated", "m4a", 3000},  {"wav_header_only", "wav", 44},   {"mp3_garbage", "mp3", 0},
    {"flac_garbage", "flac", 0},     {"wma_truncated", "wma", 7000},   {"tta_truncated", "tta", 2000},
};

class PlaybackBrokenFiles : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(PlaybackBrokenFiles, NeverCrashAndEndEarly) {
  const auto& c = GetParam();
  TempFolder folder;
  auto good = folder / (std::string("good.") + c.extension);
  ASSERT_TRUE(encodeAudio(good, sineSource(440, 3.0), 44100, 2));
  std::string bytes = readFile(good);
  if (c.keepBytes) {
    bytes.resize(std::min(bytes.size(), c.keepBytes));
  } else {
    uint32_t x = 12345;
    for (auto& ch : bytes) {
      x = x * 1103515245 + 12345;
      ch = static_cast<char>(x >> 24);
    }
  }
  auto broken = folder.write(std::string("broken.") + c.extension, bytes);

  // A decoder opened to measure starts its codec on the first read, which
  // may find nothing to decode: every later read and seek must say so.
  DecoderSource source;
  source.path = broken.string();
  if (auto measured = openFfmpegDecoder(source, DecoderUse::Measure)) {
    EXPECT_LT(readToEnd(*measured), 3 * 44100);
    EXPECT_EQ(readToEnd(*measured), 0);
    measured->seek(0);
  }

  AudioEngine engine;
  uint32_t probe = engine.createStream(broken.string(), {}, {}, AudioEngine::kDecodeOnly);
  engine.freeStream(probe);
  auto r = renderThroughWav(engine, broken, folder / "out.wav");
  if (!r.created) return;  // refused at createStream: fine
  ASSERT_TRUE(r.ok);
  EXPECT_LT(r.wav.frames(), 3 * 44100);
  EXPECT_EQ(r.lengthBytes, r.positionBytes);
}

INSTANTIATE_TEST_SUITE_P(Broken, PlaybackBrokenFiles, ::testing::ValuesIn(kBroken),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace youran::testing
