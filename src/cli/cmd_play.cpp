// youranmusic-cli play FILE... [--gapless] [--start SEC] [--seconds SEC] [--volume PCT]
//   [--output default|none|wav:PATH] [--device NAME] [--eq BAND:GAIN[:CENTRE[:WIDTH]]]...
//   [--reverb MIX,TIME,RATIO] [--echo WET,FB,LEFT,RIGHT[,PAN]] [--balance L,R]
//   [--effects-from STATEFILE] [--replaygain off|track|album [--preamp DB]]
//   [--quiet]
// Plays files one after the other through the audio engine. Between two
// files the engine is set up again and the next one fades in, as the
// player does at the end of a track; with --gapless the next file is opened
// a few seconds ahead and its first sample follows the last one of the file
// before, as the player does with 无缝播放 on. wav:PATH writes what would be
// heard to a WAV file as fast as the machine allows. --device plays on one
// of the devices `youranmusic-cli devices` lists (the default when it is not
// there). SIGINT and SIGTERM end the playback as its end does.

#include <array>
#include <chrono>
#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "base/time_text.h"
#include "settings/settings_file.h"
#include "cli/command.h"
#include "playback/dsp/effect_sliders.h"
#include "cli/plugins.h"
#include "playback/audio_engine.h"
#include "playback/dsp/replay_gain.h"
#include "playback/loudness/track_leveling.h"
#include "playback/output/wav_file_output.h"

namespace {

constexpr const char* kUsage =
    "play FILE... [--gapless] [--start SEC] [--seconds SEC] [--volume PCT] [--output default|none|wav:PATH] "
    "[--eq BAND:GAIN[:CENTRE[:WIDTH]]]... [--reverb MIX,TIME,RATIO] [--echo WET,FB,LEFT,RIGHT[,PAN]] "
    "[--balance L,R] [--effects-from STATEFILE] [--replaygain off|track|album [--preamp DB]] [--quiet]";

// Centre frequencies of the effects window's ten bands, bands 1..10.

struct EqBand {
  int slot = 0;
  youran::EqParameters parameters;
};

struct Options {
  std::vector<std::string> files;
  bool gapless = false;
  double start = 0;
  double seconds = -1;
  std::optional<int> volume;
  std::string output = "default";
  std::string device;
  std::vector<EqBand> eq;
  std::optional<youran::ReverbParameters> reverb;
  std::optional<youran::EchoParameters> echo;
  std::optional<std::pair<float, float>> balance;
  youran::ReplayGainMode replayGain = youran::ReplayGainMode::kOff;
  double preampDb = 0;
  bool quiet = false;
};

// Numbers separated by `separator`; nullopt when any part is not a number.
std::optional<std::vector<double>> numbers(std::string_view text, char separator) {
  std::vector<double> out;
  while (true) {
    auto end = text.find(separator);
    std::string part(text.substr(0, end));
    char* stop = nullptr;
    double v = std::strtod(part.c_str(), &stop);
    if (part.empty() || *stop != '\0' || !std::isfinite(v)) return std::nullopt;
    out.push_back(v);
    if (end == std::string_view::npos) return out;
    text.remove_prefix(end + 1);
  }
}

bool fail(const std::string& message) {
  std::fprintf(stderr, "youranmusic-cli play: %s\n", message.c_str());
  return false;
}

bool parse(std::span<char*> args, Options& o) {
  for (size_t i = 0; i < args.size(); ++i) {
    std::string_view a = args[i];
    auto value = [&](std::string_view& v) {
      if (i + 1 >= args.size()) return fail(std::string(a) + " needs a value");
      v = args[++i];
      return true;
    };
    std::string_view v;
    if (a == "--quiet") {
      o.quiet = true;
    } else if (a == "--gapless") {
      o.gapless = true;
    } else if (a == "--start" || a == "--seconds" || a == "--volume") {
      if (!value(v)) return false;
      auto n = numbers(v, ',');
      if (!n || n->size() != 1 || (*n)[0] < 0) return fail("bad value for " + std::string(a));
      if (a == "--start") o.start = (*n)[0];
      if (a == "--seconds") o.seconds = (*n)[0];
      if (a == "--volume") {
        if ((*n)[0] > 100) return fail("--volume is 0..100");
        o.volume = static_cast<int>(std::lround((*n)[0]));
      }
    } else if (a == "--output") {
      if (!value(v)) return false;
      if (v != "default" && v != "none" && !(v.starts_with("wav:") && v.size() > 4)) {
        return fail("--output is default, none or wav:PATH");
      }
      o.output = v;
    } else if (a == "--device") {
      if (!value(v)) return false;
      o.device = v;
    } else if (a == "--eq") {
      if (!value(v)) return false;
      auto n = numbers(v, ':');
      if (!n || n->size() < 2 || n->size() > 4) return fail("--eq is BAND:GAIN[:CENTRE[:WIDTH]]");
      EqBand band;
      band.slot = static_cast<int>((*n)[0]);
      band.parameters.gain = static_cast<float>((*n)[1]);
      if (n->size() >= 3) {
        band.parameters.centre = static_cast<float>((*n)[2]);
      } else if (band.slot >= 1 && band.slot <= 10) {
        band.parameters.centre = youran::sliders::kBandCentres[band.slot - 1];
      } else {
        return fail("--eq band " + std::to_string(band.slot) + " needs a centre");
      }
      if (n->size() == 4) band.parameters.bandwidth = static_cast<float>((*n)[3]);
      o.eq.push_back(band);
    } else if (a == "--reverb") {
      if (!value(v)) return false;
      auto n = numbers(v, ',');
      if (!n || n->size() != 3) return fail("--reverb is MIX,TIME,RATIO");
      youran::ReverbParameters p;
      p.reverbMix = static_cast<float>((*n)[0]);
      p.reverbTime = static_cast<float>((*n)[1]);
      p.highFreqRatio = static_cast<float>((*n)[2]);
      o.reverb = p;
    } else if (a == "--echo") {
      if (!value(v)) return false;
      auto n = numbers(v, ',');
      if (!n || n->size() < 4 || n->size() > 5) return fail("--echo is WET,FB,LEFT,RIGHT[,PAN]");
      youran::EchoParameters p;
      p.wetDryMix = static_cast<float>((*n)[0]);
      p.feedback = static_cast<float>((*n)[1]);
      p.leftDelay = static_cast<float>((*n)[2]);
      p.rightDelay = static_cast<float>((*n)[3]);
      p.panDelay = n->size() == 5 && (*n)[4] != 0;
      o.echo = p;
    } else if (a == "--effects-from") {
      // The effects window's saved section, through the window's own maps;
      // options given after it on the command line add to it.
      if (!value(v)) return false;
      if (!std::filesystem::exists(v)) return fail("no state file " + std::string(v));
      const auto saved = youran::sliders::savedEffects(
          [&](std::string_view key) { return youran::readSetting(std::filesystem::path(std::string(v)), "效果设置", key); });
      for (const auto& [slot, parameters] : saved.bands) o.eq.push_back({slot, parameters});
      if (saved.reverb) o.reverb = saved.reverb;
      if (saved.echo) o.echo = saved.echo;
      o.balance = std::pair{saved.balance.left, saved.balance.right};
    } else if (a == "--replaygain") {
      if (!value(v)) return false;
      auto mode = youran::ParseReplayGainMode(v);
      if (!mode) return fail("--replaygain is off, track or album");
      o.replayGain = *mode;
    } else if (a == "--preamp") {
      if (!value(v)) return false;
      auto n = numbers(v, ',');
      if (!n || n->size() != 1 || std::fabs((*n)[0]) > 15) return fail("--preamp is -15..15 dB");
      o.preampDb = (*n)[0];
    } else if (a == "--balance") {
      if (!value(v)) return false;
      auto n = numbers(v, ',');
      if (!n || n->size() != 2) return fail("--balance is L,R");
      o.balance = std::pair{static_cast<float>((*n)[0]), static_cast<float>((*n)[1])};
    } else if (a.starts_with("--")) {
      return fail("unknown option " + std::string(a));
    } else {
      o.files.emplace_back(a);
    }
  }
  if (o.files.empty()) return fail("no file");
  return true;
}

bool applyEffects(youran::AudioEngine& engine, uint32_t stream, const Options& o) {
  if (!o.eq.empty()) {
    engine.addEqualizer(stream);
    for (const auto& band : o.eq) {
      if (!engine.setEqBand(stream, band.slot, band.parameters)) {
        return fail("equaliser band " + std::to_string(band.slot) + " refused (slot 1..36, centre 80..16000 Hz "
                    "below 0.45 x the rate, width 1..36, gain -15..15)");
      }
    }
  }
  if (o.reverb) {
    engine.addReverb(stream, true);
    if (!engine.setReverb(stream, *o.reverb)) {
      return fail("reverb refused (mix -96..0 dB, time 0.001..3000 ms, ratio 0.001..0.999)");
    }
  }
  if (o.echo) {
    engine.addEcho(stream, true);
    if (!engine.setEcho(stream, *o.echo)) {
      return fail("echo refused (wet 0..100, feedback 0..100, delays 1..2000 ms)");
    }
  }
  if (o.balance) {
    if (!engine.setChannelGain(0, o.balance->first) || !engine.setChannelGain(1, o.balance->second)) {
      return fail("balance is two gains 0..1");
    }
  }
  return true;
}

std::atomic<bool> interrupted{false};

void onSignal(int) { interrupted.store(true); }

// How far ahead of a file's end the next one is opened with --gapless.
constexpr double kGaplessAheadSeconds = 5;
constexpr int kFadeMs = 500;

// A stream for the next file, with the volume, the levelling and the
// effects the options ask for; 0 when it cannot be played (said on stderr)
// or an effect is refused (`refused` set).
uint32_t openFile(youran::AudioEngine& engine, const Options& o, const std::string& file, bool& refused) {
  uint32_t stream = engine.createStream(file);
  if (!stream) {
    std::fprintf(stderr, "youranmusic-cli play: cannot play %s\n", file.c_str());
    return 0;
  }
  if (o.volume) engine.setVolume(stream, *o.volume);
  if (o.replayGain != youran::ReplayGainMode::kOff) {
    // No store here: a track without tags is measured before it plays.
    const auto facts = youran::GainFactsFor(file, nullptr, true);
    engine.setReplayGain(stream, youran::ComputeReplayGain(o.replayGain, o.preampDb, facts).factor);
  }
  if (!applyEffects(engine, stream, o)) {
    refused = true;
    return 0;
  }
  return stream;
}

int runPlay(std::span<char*> args) {
  Options o;
  if (!parse(args, o)) {
    std::fprintf(stderr, "usage: youranmusic-cli %s\n", kUsage);
    return 2;
  }
  std::signal(SIGINT, onSignal);
  std::signal(SIGTERM, onSignal);
  auto& engine = youran::AudioEngine::instance();
  youran::cli::loadDecoderPlugins(engine);
  engine.setDeviceName(o.device);
  constexpr int kRate = 44100;
  const int device = o.output == "none" ? youran::AudioEngine::kNoSoundDevice : -1;
  youran::WavFileOutput* wav = nullptr;
  bool ready = false;
  if (o.output.starts_with("wav:")) {
    int64_t limit = o.seconds >= 0 ? static_cast<int64_t>(std::llround(o.seconds * kRate)) : -1;
    auto output = std::make_unique<youran::WavFileOutput>(o.output.substr(4), limit);
    wav = output.get();
    ready = engine.initWithOutput(std::move(output), kRate);
  } else {
    ready = engine.init(device, kRate);
  }
  if (!ready) {
    std::fprintf(stderr, "youranmusic-cli play: cannot open the output %s\n", o.output.c_str());
    return 1;
  }
  bool refused = false;
  uint32_t stream = openFile(engine, o, o.files[0], refused);
  if (!stream) {
    engine.free();
    return refused ? 2 : 1;
  }
  if (o.start > 0) engine.setPosition(stream, engine.secondsToBytes(stream, o.start));
  size_t at = 0;           // the file playing
  uint32_t following = 0;  // the next file's stream, joined to this one
  bool joinTried = false;
  // Opens the next file and joins it to the playing one; false, with the
  // exit status set, when the next file cannot be played.
  int status = 0;
  auto joinNext = [&] {
    joinTried = true;
    following = openFile(engine, o, o.files[at + 1], refused);
    if (!following) {
      status = refused ? 2 : 1;
      return false;
    }
    if (!engine.playAfter(stream, following)) {
      engine.freeStream(following);  // too late to join: the usual way then
      following = 0;
    }
    return true;
  };
  // A file output runs far ahead of this loop: the first join is made
  // before the first file starts, or a short file could end before the
  // next one is open.
  const bool cannotGoOn = wav && o.gapless && o.files.size() > 1 && !joinNext();
  if (!cannotGoOn) engine.play(stream, false);

  auto totalText = [&] {
    const int64_t length = engine.getLength(stream);
    return youran::formatMinutesSeconds(
        static_cast<long long>(length < 0 ? 0 : engine.bytesToSeconds(stream, length)));
  };
  std::string total = totalText();
  // --seconds counts from --start over all the files.
  double playedBefore = -o.start;
  auto lastPrint = std::chrono::steady_clock::now() - std::chrono::seconds(1);
  while (!cannotGoOn && !interrupted.load()) {
    if (wav && wav->finished()) break;
    const double position = engine.bytesToSeconds(stream, engine.getPosition(stream));
    if (engine.isActive(stream) == youran::AudioEngine::kStopped) {
      if (at + 1 >= o.files.size()) break;
      playedBefore += engine.bytesToSeconds(stream, engine.getLength(stream));
      ++at;
      joinTried = false;
      engine.freeStream(stream);
      if (following) {
        stream = following;  // already playing: it took over in the same block
        following = 0;
      } else {
        // The way the player starts the next track without gapless
        // playback: the engine set up again, then the fade-in. A file
        // output would end at free, so it only gets the fade.
        if (!wav) {
          engine.free();
          engine.init(device, kRate);
        }
        stream = openFile(engine, o, o.files[at], refused);
        if (!stream) {
          status = refused ? 2 : 1;
          break;
        }
        engine.rampVolume(stream, 0, o.volume.value_or(100), kFadeMs);
        engine.play(stream, false);
      }
      total = totalText();
      continue;
    }
    if (o.gapless && !joinTried && at + 1 < o.files.size()) {
      const double left = engine.bytesToSeconds(stream, engine.getLength(stream)) - position;
      // A file output runs far ahead of the clock: it joins at once.
      if ((wav || left < kGaplessAheadSeconds) && !joinNext()) break;
    }
    if (!wav) {
      const double until = o.seconds >= 0 ? o.seconds : -1;
      if (until >= 0 && playedBefore + position >= until) break;
      auto now = std::chrono::steady_clock::now();
      if (!o.quiet && now - lastPrint >= std::chrono::seconds(1)) {
        lastPrint = now;
        std::printf("%s / %s\n", youran::formatMinutesSeconds(static_cast<long long>(position)).c_str(),
                    total.c_str());
        std::fflush(stdout);
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(wav ? 2 : 20));
  }
  bool failed = wav && wav->failed();
  int64_t written = wav ? wav->framesWritten() : 0;
  engine.free();
  if (failed) {
    std::fprintf(stderr, "youranmusic-cli play: writing %s failed\n", o.output.c_str() + 4);
    return 1;
  }
  if (wav && !o.quiet) std::printf("wrote %lld frames to %s\n", static_cast<long long>(written), o.output.c_str() + 4);
  return status;
}

}  // namespace

YOURAN_CLI_COMMAND(play, "play", kUsage, runPlay);
