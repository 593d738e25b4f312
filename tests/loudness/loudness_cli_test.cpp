// youranmusic-cli loudness and play --replaygain, run as a user would.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "playback/loudness/loudness_meter.h"
#include "support/temp_folder.h"

namespace youran {
namespace {

using testing::readFile;
using testing::runCommand;
using testing::shellQuote;
using testing::TempFolder;

const std::string kCli = YOURAN_CLI_PATH;

int Ffmpeg(const std::string& args) {
  return runCommand("ffmpeg -nostdin -hide_banner -loglevel error -y " + args);
}

// Pink noise brought to `lufs` by FFmpeg's loudnorm-free way: measure, then
// scale by the difference.
std::string NoiseAt(const TempFolder& folder, const std::string& name, double lufs) {
  const std::string raw = (folder.path() / ("raw-" + name)).string();
  const std::string path = (folder.path() / name).string();
  EXPECT_EQ(Ffmpeg("-f lavfi -i anoisesrc=d=10:c=pink:a=0.1 -ac 2 " + shellQuote(raw)), 0);
  const auto measured = MeasureLoudness(raw);
  EXPECT_TRUE(measured);
  const double db = lufs - (measured ? measured->integratedLufs : 0);
  EXPECT_EQ(Ffmpeg("-i " + shellQuote(raw) + " -af volume=" + std::to_string(db) + "dB " + shellQuote(path)), 0);
  return path;
}

TEST(LoudnessCli, OneJsonLinePerFileWithTagsAndWhatWasUsed) {
  TempFolder folder;
  const std::string loud = NoiseAt(folder, "loud.flac", -10);
  const std::string tagged = NoiseAt(folder, "tagged.flac", -20);
  ASSERT_EQ(runCommand("/usr/bin/python3 -c \"import sys; from mutagen.flac import FLAC; f = FLAC(sys.argv[1]); "
                       "f['REPLAYGAIN_TRACK_GAIN'] = '1.50 dB'; f['REPLAYGAIN_TRACK_PEAK'] = '0.4'; f.save()\" " +
                       shellQuote(tagged)),
            0);
  const std::string missing = (folder.path() / "missing.mp3").string();
  const auto out = folder.path() / "out.jsonl";
  EXPECT_EQ(runCommand(kCli + " loudness " + shellQuote(loud) + " " + shellQuote(tagged) + " " + shellQuote(missing) +
                       " >" + shellQuote(out.string())),
            1);
  std::istringstream lines(readFile(out));
  std::vector<nlohmann::json> rows;
  for (std::string line; std::getline(lines, line);) rows.push_back(nlohmann::json::parse(line));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0]["path"], loud);
  EXPECT_NEAR(rows[0]["integrated_lufs"].get<double>(), -10, 0.1);
  EXPECT_NEAR(rows[0]["measured_gain_db"].get<double>(), -8, 0.1);
  EXPECT_TRUE(rows[0]["tags"].empty());
  EXPECT_EQ(rows[0]["used"], "measured");
  EXPECT_NEAR(rows[1]["integrated_lufs"].get<double>(), -20, 0.1);
  EXPECT_DOUBLE_EQ(rows[1]["tags"]["track_gain_db"].get<double>(), 1.5);
  EXPECT_DOUBLE_EQ(rows[1]["tags"]["track_peak"].get<double>(), 0.4);
  EXPECT_EQ(rows[1]["used"], "tags");
  EXPECT_EQ(rows[2]["error"], "cannot decode");

  // --album: both lines carry the loudness of the two taken together, which
  // the loud one dominates.
  EXPECT_EQ(runCommand(kCli + " loudness --album " + shellQuote(loud) + " " + shellQuote(tagged) + " >" +
                       shellQuote(out.string())),
            0);
  std::istringstream albumLines(readFile(out));
  std::vector<double> albums;
  for (std::string line; std::getline(albumLines, line);) {
    albums.push_back(nlohmann::json::parse(line)["album_lufs"].get<double>());
  }
  ASSERT_EQ(albums.size(), 2u);
  EXPECT_EQ(albums[0], albums[1]);
  EXPECT_GT(albums[0], -13.0);
  EXPECT_LT(albums[0], -10.0);
}

TEST(LoudnessCli, PlayWithTrackGainEvensOutLoudAndQuietFiles) {
  TempFolder folder;
  const std::string loud = NoiseAt(folder, "loud.flac", -10);
  const std::string quiet = NoiseAt(folder, "quiet.flac", -30);
  auto render = [&](const std::string& input, const std::string& mode) {
    const std::string wav = (folder.path() / ("out-" + mode + ".wav")).string();
    EXPECT_EQ(runCommand(kCli + " play " + shellQuote(input) + " --quiet --replaygain " + mode + " --output wav:" +
                         shellQuote(wav)),
              0);
    const auto measured = MeasureLoudness(wav);
    EXPECT_TRUE(measured);
    return measured ? measured->integratedLufs : 0.0;
  };
  const double loudOff = render(loud, "off");
  const double quietOff = render(quiet, "off");
  EXPECT_GT(loudOff - quietOff, 19);  // as made
  const double loudLevelled = render(loud, "track");
  const double quietLevelled = render(quiet, "track");
  EXPECT_NEAR(loudLevelled, quietLevelled, 0.5);
  EXPECT_NEAR(loudLevelled, kReferenceLufs, 0.5);
}

}  // namespace
}  // namespace youran
