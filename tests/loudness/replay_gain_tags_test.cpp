// Gains written by a real tagger (python3-mutagen) into files made by ffmpeg,
// read back from every container that carries them.

#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "tags/replay_gain_tags.h"

namespace youran {
namespace {

using testing::runCommand;
using testing::shellQuote;
using testing::TempFolder;

struct Case {
  const char* file;
  const char* ffmpegArgs;
  const char* tagger;  // python: `path` is the file
  std::optional<double> trackGain, trackPeak, albumGain, albumPeak, opusHeader;
};

TEST(ReplayGainTags, EveryContainerAsATaggerWritesIt) {
  TempFolder folder;
  const std::string preamble =
      "import sys, struct\n"
      "from mutagen.id3 import ID3, TXXX\n"
      "from mutagen.apev2 import APEv2\n"
      "from mutagen.flac import FLAC\n"
      "from mutagen.oggvorbis import OggVorbis\n"
      "from mutagen.oggopus import OggOpus\n"
      "from mutagen.mp4 import MP4, MP4FreeForm\n"
      "path = sys.argv[1]\n";
  const Case cases[] = {
      {"id3v24.mp3", "-c:a libmp3lame -id3v2_version 4",
       "t = ID3(path)\n"
       "t.add(TXXX(encoding=3, desc='REPLAYGAIN_TRACK_GAIN', text=['-6.20 dB']))\n"
       "t.add(TXXX(encoding=1, desc='replaygain_track_peak', text=['0.912345']))\n"
       "t.add(TXXX(encoding=0, desc='REPLAYGAIN_ALBUM_GAIN', text=['+1.50 dB']))\n"
       "t.add(TXXX(encoding=3, desc='REPLAYGAIN_ALBUM_PEAK', text=['1.2']))\n"
       "t.save(v2_version=4)\n",
       -6.2, 0.912345, 1.5, 1.2, std::nullopt},
      {"id3v23.mp3", "-c:a libmp3lame -id3v2_version 3",
       "t = ID3(path)\n"
       "t.add(TXXX(encoding=1, desc='REPLAYGAIN_TRACK_GAIN', text=['-0.5 dB']))\n"
       "t.save(v2_version=3)\n",
       -0.5, std::nullopt, std::nullopt, std::nullopt, std::nullopt},
      {"ape.mp3", "-c:a libmp3lame -write_xing 0 -id3v2_version 0",
       "t = APEv2()\n"
       "t['REPLAYGAIN_TRACK_GAIN'] = '-3.00 dB'\n"
       "t['Replaygain_Album_Gain'] = '-4.25 dB'\n"
       "t['REPLAYGAIN_TRACK_PEAK'] = 'not a number'\n"
       "t.save(path)\n",
       -3.0, std::nullopt, -4.25, std::nullopt, std::nullopt},
      {"comments.flac", "-c:a flac",
       "t = FLAC(path)\n"
       "t['REPLAYGAIN_TRACK_GAIN'] = '2.10 dB'\n"
       "t['REPLAYGAIN_TRACK_PEAK'] = '0.5'\n"
       "t['replaygain_album_gain'] = '1.1 dB'\n"
       "t['replaygain_album_peak'] = '0.75'\n"
       "t.save()\n",
       2.1, 0.5, 1.1, 0.75, std::nullopt},
      {"comments.ogg", "-c:a libvorbis",
       "t = OggVorbis(path)\n"
       "t['REPLAYGAIN_TRACK_GAIN'] = '-9.99 dB'\n"
       "t['REPLAYGAIN_ALBUM_GAIN'] = '999 dB'\n"  // damaged: ignored
       "t.save()\n",
       -9.99, std::nullopt, std::nullopt, std::nullopt, std::nullopt},
      // Q7.8 relative to -23 LUFS: -2560 is -10 dB there, -5 dB at -18 LUFS.
      // The header's output gain is patched in (bytes 16..17 of OpusHead).
      {"r128.opus", "-c:a libopus",
       "t = OggOpus(path)\n"
       "t['R128_TRACK_GAIN'] = '-2560'\n"
       "t['R128_ALBUM_GAIN'] = '384'\n"
       "t.save()\n"
       "data = bytearray(open(path, 'rb').read())\n"
       "at = data.find(b'OpusHead') + 16\n"
       "data[at:at + 2] = struct.pack('<h', -512)\n"
       "open(path, 'wb').write(data)\n",
       -5.0, std::nullopt, 6.5, std::nullopt, -2.0},
      {"freeform.m4a", "-c:a aac",
       "t = MP4(path)\n"
       "t['----:com.apple.iTunes:replaygain_track_gain'] = [MP4FreeForm(b'-7.10 dB')]\n"
       "t['----:com.apple.iTunes:replaygain_track_peak'] = [MP4FreeForm(b'0.987654')]\n"
       "t['----:com.apple.iTunes:REPLAYGAIN_ALBUM_GAIN'] = [MP4FreeForm(b'-6.00 dB')]\n"
       "t.save()\n",
       -7.1, 0.987654, -6.0, std::nullopt, std::nullopt},
      {"untagged.flac", "-c:a flac", "", std::nullopt, std::nullopt, std::nullopt, std::nullopt,
       std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string path = (folder.path() / c.file).string();
    ASSERT_EQ(runCommand("ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "
                         "sine=frequency=440:duration=1 " +
                         std::string(c.ffmpegArgs) + " " + shellQuote(path)),
              0);
    if (*c.tagger) {
      const auto script = folder.write("tag.py", preamble + c.tagger);
      ASSERT_EQ(runCommand("/usr/bin/python3 " + shellQuote(script.string()) + " " + shellQuote(path)), 0);
    }
    const ReplayGainTags gains = ReadReplayGainTags(path);
    auto near = [](std::optional<double> got, std::optional<double> want, const char* what) {
      ASSERT_EQ(got.has_value(), want.has_value()) << what;
      if (want) {
        EXPECT_NEAR(*got, *want, 1e-6) << what;
      }
    };
    near(gains.trackGain, c.trackGain, "track gain");
    near(gains.trackPeak, c.trackPeak, "track peak");
    near(gains.albumGain, c.albumGain, "album gain");
    near(gains.albumPeak, c.albumPeak, "album peak");
    near(gains.opusHeaderGain, c.opusHeader, "opus header gain");
  }
}

}  // namespace
}  // namespace youran
