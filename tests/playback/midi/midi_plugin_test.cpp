// cod_midi end to end: loaded as the player loads it, on MIDI files the
// tests write, through its C table, the audio engine and youranmusic-cli.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <nlohmann/json.hpp>
#include <thread>

#include "playback/decode/decoder_plugin.h"
#include "playback/playback_test_util.h"
#include "playlist/music_list_file.h"
#include "support/midi_fixtures.h"
#include "support/temp_folder.h"

namespace youran::testing {
namespace {

const std::string kPlugin = YOURAN_MIDI_PLUGIN_PATH;
const std::string kCli = YOURAN_CLI_PATH;
// The small SoundFont keeps the tests quick.
const std::string kSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
constexpr int kRate = 44100;

PluginSettings soundFontSetting(std::string path) {
  return [path](std::string_view key) { return key == "MidiSoundFont" ? path : std::string(); };
}

// The plug-in's table, loaded from `library` with `soundFont` configured.
const youran_decoder_plugin_table* loadTable(const std::string& library,
                                             const std::string& soundFont) {
  void* module = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) return nullptr;
  auto configure = reinterpret_cast<youran_decoder_plugin_configure_fn>(
      dlsym(module, YOURAN_DECODER_PLUGIN_CONFIGURE_SYMBOL));
  auto entry =
      reinterpret_cast<youran_decoder_plugin_fn>(dlsym(module, YOURAN_DECODER_PLUGIN_SYMBOL));
  if (!configure || !entry) return nullptr;
  configure([](void* path, const char*) { return static_cast<const std::string*>(path)->c_str(); },
            const_cast<std::string*>(&soundFont));
  return entry();
}

const youran_decoder_plugin_table* table() {
  static const youran_decoder_plugin_table* t = loadTable(kPlugin, kSoundFont);
  return t;
}

struct Handle {
  void* h = nullptr;
  explicit Handle(const std::string& bytes)
      : h(table()->open(nullptr, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size())) {}
  ~Handle() {
    if (h) table()->close(h);
  }
  int64_t length() const {
    youran_decoder_info info{};
    return table()->info(h, &info) == 0 ? info.length_frames : -2;
  }
  // Left channel as floats, read in odd-sized pieces until the end or `limit`.
  std::vector<float> left(int64_t limit = INT64_MAX) {
    std::vector<float> out;
    std::vector<int16_t> block(2 * 1000);
    while (int64_t(out.size()) < limit) {
      int64_t got =
          table()->read(h, block.data(), std::min<int64_t>(1000, limit - int64_t(out.size())));
      if (got <= 0) break;
      for (int64_t i = 0; i < got; ++i) out.push_back(block[size_t(2 * i)] / 32768.0f);
    }
    return out;
  }
};

double rms(const std::vector<float>& x, double fromSeconds, double toSeconds) {
  size_t from = size_t(fromSeconds * kRate), to = std::min(x.size(), size_t(toSeconds * kRate));
  if (from >= to) return -1;
  double sum = 0;
  for (size_t i = from; i < to; ++i) sum += double(x[i]) * x[i];
  return std::sqrt(sum / double(to - from));
}

// First frame at or after `from` louder than -40 dB.
int64_t onset(const std::vector<float>& x, size_t from = 0) {
  for (size_t i = from; i < x.size(); ++i) {
    if (std::fabs(x[i]) > 0.01f) return int64_t(i);
  }
  return -1;
}

// Piano notes at 0.0-0.4 s and 2.4-2.8 s, nothing between, the end at 3.5 s
// (120 beats per minute, 480 ticks a beat: 960 ticks a second).
std::string twoNotes() {
  MidiTrack t;
  t.program(0, 0).noteOn(0, 69, 110).at(384).noteOff(0, 69);
  t.at(2304).noteOn(0, 72, 110).at(2688).noteOff(0, 72).at(3360).end();
  return midiFile(0, 480, {t});
}

TEST(MidiPlugin, LengthFromTheTempoMapThroughTheEngine) {
  TempFolder folder;
  MidiTrack tempo;
  tempo.tempo(400000).at(1000).tempo(750000).at(2000).tempo(300000).at(2500).end();
  MidiTrack notes;
  notes.program(0, 48).noteOn(0, 60, 90).at(2400).noteOff(0, 60).at(2400).end();
  struct Case {
    const char* name;
    std::string bytes;
    double seconds;
  };
  const Case cases[] = {
      {"type 0", twoNotes(), 3.5},
      // 1000 ticks at 0.4 s, 1000 at 0.75 s, 400 at 0.3 s, per 480 ticks.
      {"type 1 with tempo changes", midiFile(1, 480, {tempo, notes}),
       (1000 * 0.4 + 1000 * 0.75 + 500 * 0.3) / 480},
  };
  AudioEngine engine;
  engine.loadPlugin(kPlugin, soundFontSetting(kSoundFont));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto file = folder.write(std::string(c.name) + ".mid", c.bytes);
    uint32_t s = engine.createStream(file.string(), {}, {}, AudioEngine::kDecodeOnly);
    ASSERT_NE(s, 0u);
    EXPECT_EQ(engine.getInfo(s)->rate, kRate);
    EXPECT_EQ(engine.getInfo(s)->channels, 2);
    EXPECT_NEAR(engine.bytesToSeconds(s, engine.getLength(s)), c.seconds, 0.010);
    engine.freeStream(s);
    // From memory (no extension): the plug-in recognises the bytes.
    std::vector<uint8_t> block(c.bytes.begin(), c.bytes.end());
    s = engine.createStream("", block, {}, AudioEngine::kDecodeOnly);
    ASSERT_NE(s, 0u);
    EXPECT_NEAR(engine.bytesToSeconds(s, engine.getLength(s)), c.seconds, 0.010);
    engine.freeStream(s);
  }
  // The extensions it claims, in any case; a ".mid" that is not MIDI is
  // left to FFmpeg, which cannot read it either.
  for (const char* name : {"a.MID", "b.midi", "c.kar"}) {
    auto file = folder.write(name, twoNotes());
    uint32_t s = engine.createStream(file.string(), {}, {}, AudioEngine::kDecodeOnly);
    EXPECT_NE(s, 0u) << name;
    engine.freeStream(s);
  }
  auto text = folder.write("notes.mid", "just some text, not a MIDI file at all");
  EXPECT_EQ(engine.createStream(text.string(), {}, {}, AudioEngine::kDecodeOnly), 0u);
}

TEST(MidiPlugin, SoundWhereNotesPlaySilenceWhereNone) {
  ASSERT_NE(table(), nullptr);
  Handle h(twoNotes());
  ASSERT_NE(h.h, nullptr);
  auto x = h.left();
  ASSERT_EQ(int64_t(x.size()), h.length());
  EXPECT_EQ(h.length(), int64_t(3.5 * kRate));
  EXPECT_GT(rms(x, 0.02, 0.35), 0.003);
  EXPECT_GT(rms(x, 2.42, 2.75), 0.003);
  // The release and the reverb die away within a second.
  EXPECT_LT(rms(x, 1.4, 2.39), 1e-4);
  EXPECT_NEAR(double(onset(x, size_t(1.4 * kRate))) / kRate, 2.4, 0.010);
  // Read past the end: nothing more.
  int16_t more[64];
  EXPECT_EQ(table()->read(h.h, more, 32), 0);
}

TEST(MidiPlugin, SeekLandsOnTheFrame) {
  std::string bytes = twoNotes();
  Handle whole(bytes);
  auto reference = whole.left();
  const int64_t second = onset(reference, size_t(1.4 * kRate));
  ASSERT_GT(second, 0);
  for (double target : {0.0, 1.0, 1.9, 2.3995}) {
    SCOPED_TRACE(target);
    Handle h(bytes);
    (void)h.left(5000);  // a seek after reading, as the player makes them
    int64_t frame = std::llround(target * kRate);
    ASSERT_EQ(table()->seek(h.h, frame), 0);
    auto x = h.left();
    EXPECT_EQ(int64_t(x.size()), h.length() - frame);
    int64_t heard = onset(x, target < 0.5 ? size_t(1.4 * kRate - frame) : 0);
    EXPECT_NEAR(double(frame + heard - second) / kRate, 0.0, 0.010);
  }
  Handle h(bytes);
  EXPECT_EQ(table()->seek(h.h, h.length()), 0);
  EXPECT_TRUE(h.left().empty());
  EXPECT_NE(table()->seek(h.h, h.length() + 1), 0);
  EXPECT_NE(table()->seek(h.h, -1), 0);
}

TEST(MidiPlugin, HeldNotesSoundAfterASeekAndUpToTheEnd) {
  // A string pad held from 0 to 3 s, with and without a drum hit at 0.
  auto pad = [](bool drum) {
    MidiTrack t;
    t.program(0, 48).noteOn(0, 60, 100);
    if (drum) t.noteOn(9, 38, 127);
    t.at(960 * 3).noteOff(0, 60);
    if (drum) t.noteOff(9, 38);
    return midiFile(0, 480, {t.at(960 * 4).end()});
  };
  Handle h(pad(true));
  ASSERT_EQ(table()->seek(h.h, int64_t(1.5 * kRate)), 0);
  auto x = h.left();
  EXPECT_GT(rms(x, 0.05, 1.4), 0.005);
  // The pad is struck again at the target; the drum, long over, is not.
  Handle without(pad(false));
  ASSERT_EQ(table()->seek(without.h, int64_t(1.5 * kRate)), 0);
  EXPECT_EQ(x, without.left());

  // A note with no note-off sounds until the file's last event, where the
  // stream ends.
  MidiTrack held;
  held.program(0, 48).noteOn(0, 60, 100).at(1920).end();
  Handle end(midiFile(0, 480, {held}));
  auto y = end.left();
  EXPECT_EQ(int64_t(y.size()), 2 * kRate);
  EXPECT_GT(rms(y, 1.8, 2.0), 0.005);
}

TEST(MidiPlugin, BrokenFilesEndEarlyAndNeverCrash) {
  std::string good = twoNotes();
  std::string header("\x00\x01\x00\x02\x01\xe0", 6);
  MidiTrack second;
  second.program(1, 0).at(960).noteOn(1, 64, 100).at(1400).noteOff(1, 64).at(1500).end();
  std::string firstData =
      MidiTrack().program(0, 0).noteOn(0, 60, 100).at(480).noteOff(0, 60).at(960).end().data();
  struct Case {
    const char* name;
    std::string bytes;
    double seconds;  // < 0: refused
  };
  const Case cases[] = {
      {"truncated track", good.substr(0, good.size() - 9), 2.4},
      {"wrong track length",
       midiChunk("MThd", header) + midiChunk("MTrk", firstData, 3) +
           midiChunk("MTrk", second.data()),
       1500.0 / 960},
      {"header only", good.substr(0, 14), -1},
      {"header and a chunk header", good.substr(0, 22), 0},
      {"junk after MThd", good.substr(0, 14) + std::string(300, '\x90'), -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Handle h(c.bytes);
    if (c.seconds < 0) {
      EXPECT_EQ(h.h, nullptr);
      continue;
    }
    ASSERT_NE(h.h, nullptr);
    EXPECT_NEAR(double(h.length()) / kRate, c.seconds, 0.010);
    EXPECT_EQ(int64_t(h.left().size()), h.length());
  }
  // Every prefix of a good file opens or is refused, and reads to its length.
  for (size_t n = 0; n <= good.size(); n += 7) {
    Handle h(good.substr(0, n));
    if (h.h) {
      EXPECT_EQ(int64_t(h.left(kRate).size()), std::min<int64_t>(h.length(), kRate)) << n;
    }
  }
}

TEST(MidiPlugin, HandlesRenderAtTheSameTimeAlike) {
  std::string bytes = twoNotes();
  std::vector<float> alone = Handle(bytes).left();
  std::vector<std::vector<float>> heard(3);
  std::vector<std::thread> threads;
  for (auto& out : heard) threads.emplace_back([&out, &bytes] { out = Handle(bytes).left(); });
  for (auto& t : threads) t.join();
  for (const auto& out : heard) EXPECT_EQ(out, alone);
}

TEST(MidiPlugin, SoundFontSettingAndItsFallback) {
  TempFolder folder;
  // Each copy is a library of its own, with its own setting.
  auto copy = [&](const char* name) {
    auto to = folder / name;
    std::filesystem::copy_file(kPlugin, to);
    return to.string();
  };
  // Not a SoundFont: the plug-in falls back to the system's and still loads.
  auto text = folder.write("notes.sf2", "not a SoundFont");
  EXPECT_NE(loadTable(copy("cod_midi_a.so"), text.string()), nullptr);
  // A SoundFont header over nothing: chosen, but its synthesiser cannot be
  // made, so a stream ends at once instead of playing silence.
  auto hollow = folder.write("hollow.sf2", std::string("RIFF\x04\0\0\0sfbk", 12));
  AudioEngine engine;
  engine.loadPlugin(copy("cod_midi_b.so"), soundFontSetting(hollow.string()));
  auto file = folder.write("two.mid", twoNotes());
  auto r = renderThroughWav(engine, file, folder / "out.wav");
  ASSERT_TRUE(r.created);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.wav.frames(), 0);
}

TEST(MidiPlugin, EngineSeekAndPlayThroughTheEngine) {
  TempFolder folder;
  auto file = folder.write("two.mid", twoNotes());
  AudioEngine engine;
  engine.loadPlugin(kPlugin, soundFontSetting(kSoundFont));
  auto r = renderThroughWav(engine, file, folder / "from-2s.wav", -1, {}, 2 * kRate * 4);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.wav.frames(), int64_t(1.5 * kRate));
  EXPECT_EQ(r.positionBytes, r.lengthBytes);
  EXPECT_NEAR(double(onset(r.wav.channel(0))) / kRate, 0.4, 0.010);
}

TEST(MidiPlugin, CliProbePlayAndConvertFindThePlugin) {
  TempFolder folder;
  auto file = folder.write("两个音.mid", twoNotes());
  // From build/bin/Plugins, the executable's data folder.
  auto out = folder / "probe.txt";
  ASSERT_EQ(
      runCommand(kCli + " probe " + shellQuote(file.string()) + " >" + shellQuote(out.string())),
      0);
  auto line = nlohmann::json::parse(readFile(out));
  EXPECT_EQ(line["ok"], true);
  EXPECT_NEAR(line["seconds"].get<double>(), 3.5, 0.010);
  EXPECT_EQ(line["duration"], "00:03");

  // From a data folder of the user's, with the SoundFont in its Setting.ini.
  auto home = folder / "home";
  std::filesystem::create_directories(home / "Plugins");
  std::filesystem::create_symlink(kPlugin, home / "Plugins" / "cod_midi.so");
  folder.write("home/Setting.ini", "[Plugins]\r\nMidiSoundFont=" + kSoundFont + "\r\n");
  std::string env = "YOURAN_MUSIC_HOME=" + shellQuote(home.string()) + " ";
  auto wav = folder / "heard.wav";
  ASSERT_EQ(runCommand(env + kCli + " play " + shellQuote(file.string()) +
                       " --quiet --output wav:" + shellQuote(wav.string())),
            0);
  WavData w;
  ASSERT_TRUE(readWav(wav, w));
  EXPECT_EQ(w.frames(), int64_t(3.5 * kRate));
  EXPECT_NEAR(double(onset(w.channel(0), size_t(1.4 * kRate))) / kRate, 2.4, 0.010);

  // The conversion pass fills the row's duration.
  TrackList list;
  list.addTrack(file.string());
  auto listFile = folder / "YRmDefaultList.dll";
  ASSERT_FALSE(saveMusicList(list, listFile).has_value());
  ASSERT_EQ(runCommand(env + kCli + " convert --quiet " + shellQuote(listFile.string())), 0);
  TrackList converted;
  ASSERT_EQ(loadMusicList(listFile, converted).status, MusicListStatus::loaded);
  ASSERT_EQ(converted.size(), 1u);
  EXPECT_EQ(converted.atIndex(0).duration, "00:03");
  EXPECT_TRUE(converted.atIndex(0).converted());

  // An empty data folder has no plug-in: the file is refused.
  std::filesystem::create_directories(folder / "empty");
  EXPECT_NE(runCommand("YOURAN_MUSIC_HOME=" + shellQuote((folder / "empty").string()) + " " + kCli +
                       " probe " + shellQuote(file.string()) + " >/dev/null"),
            0);
}

TEST(MidiPlugin, AnInstalledPlayerFindsItsPluginFolder) {
  TempFolder prefix;
  ASSERT_EQ(
      runCommand(shellQuote(YOURAN_CMAKE_COMMAND) + " --install " + shellQuote(YOURAN_BUILD_DIR) +
                 " --prefix " + shellQuote(prefix.path().string()) + " >/dev/null"),
      0);
  auto file = prefix.write("two.mid", twoNotes());
  // Its own folder holds no Plugins, so the installed ones are used.
  std::string cli = (prefix / "bin" / "youranmusic-cli").string();
  ASSERT_TRUE(std::filesystem::exists(cli));
  EXPECT_EQ(runCommand("env -u YOURAN_MUSIC_HOME " + shellQuote(cli) + " probe " +
                       shellQuote(file.string()) + " >/dev/null"),
            0);
}

}  // namespace
}  // namespace youran::testing
