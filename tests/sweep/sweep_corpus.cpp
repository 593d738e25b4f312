#include "sweep/sweep_corpus.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <random>
#include <string_view>

#include "support/audio_fixtures.h"
#include "support/midi_fixtures.h"
#include "support/playlist_fixtures.h"
#include "support/temp_folder.h"

namespace youran::testing {

namespace fs = std::filesystem;

namespace {

struct Encoded {
  std::string_view name;
  int rate;
  int channels;
  std::string_view codecArgs;
};

// One tone per container and codec the engine plays, with the variants the
// decoder and tag tests use (no Xing header, ID3v1, VBR, mono, float).
constexpr std::array kEncoded = {
    Encoded{"tone.mp3", 44100, 2, "-b:a 128k"},
    Encoded{"mono 22k.mp3", 22050, 1, "-b:a 32k"},
    Encoded{"tagged.mp3", 44100, 2,
            "-b:a 128k -id3v2_version 3 -metadata title=歌 -metadata artist=歌手"},
    Encoded{"plain.mp3", 44100, 2, "-b:a 128k -write_xing 0 -write_id3v1 1 -metadata artist=A"},
    Encoded{"vbr.mp3", 44100, 2, "-q:a 4"},
    Encoded{"tone.flac", 48000, 2, ""},
    Encoded{"tone.ogg", 44100, 2, "-c:a libvorbis"},
    Encoded{"tone.opus", 48000, 1, "-c:a libopus"},
    Encoded{"aac.m4a", 44100, 2, "-c:a aac"},
    Encoded{"alac.m4a", 44100, 2, "-c:a alac"},
    Encoded{"tone.wma", 44100, 2, "-c:a wmav2"},
    Encoded{"pcm.wav", 8000, 1, ""},
    Encoded{"float.wav", 44100, 2, "-c:a pcm_f32le"},
    Encoded{"tone.aiff", 44100, 2, ""},
    Encoded{"tone.au", 8000, 1, ""},
    Encoded{"tone.tta", 44100, 2, ""},
    Encoded{"tone.mp2", 44100, 2, ""},
    Encoded{"tone.ac3", 48000, 2, ""},
    Encoded{"tone.wv", 44100, 2, ""},
};

// The tag seeds have no extension; the reader they were written for says
// which one the player would give them.
struct SeedFolder {
  std::string_view folder;
  std::string_view extension;
  bool firstByteIsMode;  // decoder and MIDI seeds start with the fuzzer's own byte
};
constexpr std::array kSeeds = {
    SeedFolder{"tags/corpus/tags_fuzz_id3v2", ".mp3", false},
    SeedFolder{"tags/corpus/tags_fuzz_id3v1", ".mp3", false},
    SeedFolder{"tags/corpus/tags_fuzz_mpeg", ".mp3", false},
    SeedFolder{"tags/corpus/tags_fuzz_ape", ".ape", false},
    SeedFolder{"tags/corpus/tags_fuzz_flac", ".flac", false},
    SeedFolder{"tags/corpus/tags_fuzz_ogg", ".ogg", false},
    SeedFolder{"tags/corpus/tags_fuzz_mp4", ".m4a", false},
    SeedFolder{"tags/corpus/tags_fuzz_wma", ".wma", false},
    SeedFolder{"playback/corpus/playback_decoder_fuzzer", "", true},
    SeedFolder{"playback/corpus/playback_midi_fuzzer", "", true},
};

bool isAudio(const fs::path& file) {
  static constexpr std::array<std::string_view, 18> kExtensions = {
      ".mp3", ".flac", ".ogg", ".opus", ".m4a", ".wma", ".wav", ".aiff",  ".au",
      ".tta", ".mp2",  ".ac3", ".wv",   ".ape", ".mid", ".rmi", ".ytone", ".M4A"};
  auto ext = file.extension().string();
  return std::find(kExtensions.begin(), kExtensions.end(), ext) != kExtensions.end();
}

void writeBytes(const fs::path& file, std::string_view bytes) {
  std::ofstream(file, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), std::streamsize(bytes.size()));
}

bool makeFixtures(const fs::path& folder, std::string& problem) {
  for (const auto& e : kEncoded) {
    if (!encodeAudio(folder / e.name, sineSource(440, 1.5), e.rate, e.channels,
                     std::string(e.codecArgs))) {
      problem = "ffmpeg could not make " + std::string(e.name);
      return false;
    }
  }
  // The conversion tests' tracks, tags in Chinese and half-tagged.
  struct Track {
    const char* name;
    double seconds;
    const char* artist;
    const char* title;
  };
  for (const Track& t :
       {Track{"周杰伦 晴天.mp3", 3, "周杰伦", "晴天"}, Track{"half.mp3", 2, "", "Only Title"},
        Track{"artist only.ogg", 2, "Somebody", ""}, Track{"untagged.wav", 4, "", ""},
        Track{"Song.M4A", 5, "MP4 Artist", "MP4 Title"}}) {
    if (!makeTrack(folder / t.name, t.seconds, t.artist, t.title)) {
      problem = std::string("ffmpeg could not make ") + t.name;
      return false;
    }
  }
  // The tag tests' real files: full tag sets in Chinese and an attached
  // cover in each container that carries one.
  const std::string cover = shellQuote((folder / "cover.jpg").string());
  const std::string tone = "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i sine=frequency=440:duration=3 ";
  const std::string tags = " -metadata title=天路 -metadata artist=韩红 -metadata album=青藏高原 "
                           "-metadata comment=一条评论 -metadata track=7 -metadata date=2001 -metadata genre=流行 ";
  const std::string withCover = "-i " + cover + " -map 0:a -map 1:v -c:v copy -disposition:v attached_pic ";
  const std::string tagged[] = {
      withCover + "-c:a libmp3lame -b:a 128k -id3v2_version 3 -write_id3v1 1" + tags + "'covered v23.mp3'",
      withCover + "-c:a libmp3lame -b:a 128k -id3v2_version 4" + tags + "'covered v24.mp3'",
      withCover + "-c:a flac" + tags + "'covered.flac'",
      withCover + "-c:a aac" + tags + "'covered.m4a'",
      "-ac 2 -c:a libvorbis -b:a 128k" + tags + "'full tags.ogg'",
      "-ac 2 -c:a wmav2 -b:a 128k" + tags + "'full tags.wma'",
  };
  if (runCommand("ffmpeg -nostdin -loglevel error -y -f lavfi -i color=c=red:s=48x32 -frames:v 1 " + cover) != 0) {
    problem = "ffmpeg could not make the cover";
    return false;
  }
  for (const auto& args : tagged) {
    if (runCommand("cd " + shellQuote(folder.string()) + " && " + tone + args) != 0) {
      problem = "ffmpeg failed: " + args;
      return false;
    }
  }
  const fs::path fuzz = fs::path(YOURAN_SWEEP_SOURCE_DIR) / "fuzz";
  for (const auto& seeds : kSeeds) {
    const fs::path from = fuzz / seeds.folder;
    if (!fs::is_directory(from)) {
      problem = "no seed folder " + from.string();
      return false;
    }
    const std::string prefix = fs::path(seeds.folder).filename().string() + "-";
    for (const auto& entry : fs::directory_iterator(from)) {
      std::string bytes = readFile(entry.path());
      fs::path name = prefix + entry.path().filename().string();
      if (seeds.firstByteIsMode) {
        if (bytes.empty()) continue;
        bytes.erase(0, 1);
      } else {
        name.replace_extension(seeds.extension);
      }
      writeBytes(folder / name, bytes);
    }
  }
  // A MIDI tune made with the MIDI tests' writer, and one for the test plug-in.
  MidiTrack track;
  track.tempo(500000).program(0, 0);
  for (int i = 0; i < 8; ++i)
    track.at(uint32_t(i * 240))
        .noteOn(0, 60 + i, 90)
        .at(uint32_t(i * 240 + 200))
        .noteOff(0, 60 + i);
  track.at(2400).end();
  writeBytes(folder / "scale.mid", midiFile(0, 480, {track}));
  writeBytes(folder / "tone.ytone", ytoneFile(32000, 1, 16384, 48000, 1000));
  // The demo library the player starts with in `make run`.
  const fs::path demo = folder / "demo";
  if (runCommand(
          "bash " +
          shellQuote(
              (fs::path(YOURAN_SWEEP_SOURCE_DIR) / "scripts/make-demo-library.sh").string()) +
          " " + shellQuote(demo.string()) + " >/dev/null") != 0) {
    problem = "scripts/make-demo-library.sh failed";
    return false;
  }
  return true;
}

}  // namespace

std::vector<fs::path> buildSweepFixtures(const fs::path& folder, std::string& problem) {
  const fs::path done = folder / ".complete-2";  // the number goes up when the fixtures change
  if (!fs::exists(done)) {
    std::error_code ec;
    fs::remove_all(folder, ec);
    fs::create_directories(folder);
    if (!makeFixtures(folder, problem)) return {};
    writeBytes(done, "");
  }
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (entry.is_regular_file() && isAudio(entry.path())) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

Mutant writeMutant(const std::vector<fs::path>& fixtures, uint32_t n, const fs::path& folder) {
  std::mt19937 random(0x5eed0000u + n);
  auto pick = [&](size_t below) {
    return below ? std::uniform_int_distribution<size_t>(0, below - 1)(random) : 0;
  };
  const fs::path& base = fixtures[pick(fixtures.size())];
  std::string bytes = readFile(base);
  std::string how;
  switch (n % 5) {
    case 0: {  // bit flips, in the first 4 KB half of the time
      const size_t flips = 1 + pick(24);
      const size_t span = pick(2) ? std::min<size_t>(bytes.size(), 4096) : bytes.size();
      for (size_t i = 0; i < flips && span; ++i) bytes[pick(span)] ^= char(1u << pick(8));
      how = "bit flips x" + std::to_string(flips);
      break;
    }
    case 1: {  // cut anywhere, often just inside the header
      const size_t keep =
          pick(2) ? pick(std::min<size_t>(bytes.size(), 512) + 1) : pick(bytes.size() + 1);
      bytes.resize(keep);
      how = "cut at " + std::to_string(keep);
      break;
    }
    case 2: {  // another file's start spliced onto this one's rest
      const std::string other = readFile(fixtures[pick(fixtures.size())]);
      const size_t head = pick(std::min<size_t>(other.size(), 8192) + 1);
      const size_t from = pick(bytes.size() + 1);
      bytes = other.substr(0, head) + bytes.substr(from);
      how =
          "spliced " + std::to_string(head) + " header bytes before offset " + std::to_string(from);
      break;
    }
    case 3: {  // a run of 0x00, 0xFF or noise over a field
      const size_t at = pick(bytes.size() + 1);
      const size_t length = std::min(bytes.size() - at, 1 + pick(64));
      const int fill = int(pick(3));
      for (size_t i = at; i < at + length; ++i)
        bytes[i] = fill == 0 ? '\0' : fill == 1 ? '\xFF' : char(pick(256));
      how = "run of " + std::to_string(length) + " at " + std::to_string(at);
      break;
    }
    default: {  // a span repeated, as a bad copy or a broken download resume does
      const size_t at = pick(bytes.size() + 1);
      const size_t length = std::min(bytes.size() - at, 1 + pick(4096));
      const size_t times = 1 + pick(8);
      std::string span = bytes.substr(at, length);
      for (size_t i = 0; i < times; ++i) bytes.insert(at, span);
      how = "span of " + std::to_string(length) + " at " + std::to_string(at) + " repeated x" +
            std::to_string(times);
      break;
    }
  }
  char number[16];
  std::snprintf(number, sizeof number, "%04u", n);
  Mutant mutant;
  mutant.file = folder / ("mutant-" + std::string(number) + "-" + base.filename().string());
  mutant.how = how + " of " + base.filename().string();
  writeBytes(mutant.file, bytes);
  return mutant;
}

}  // namespace youran::testing
