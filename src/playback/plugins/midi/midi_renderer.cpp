#include "playback/plugins/midi/midi_renderer.h"

#include <fluidsynth.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace youran::midi {

namespace {

// Frames rendered per FluidSynth call at most; events fall between calls.
constexpr int64_t kBlockFrames = 1024;
constexpr int kPercussionChannel = 9;
constexpr int kSynthBlockFrames = 64;

std::mutex& synthLock() {
  static std::mutex lock;
  return lock;
}

int16_t toInt16(float v) {
  return static_cast<int16_t>(std::lrint(std::clamp(v * 32767.0f, -32768.0f, 32767.0f)));
}

}  // namespace

MidiRenderer::MidiRenderer(Song song, std::string soundFont)
    : song_(std::move(song)), soundFont_(std::move(soundFont)) {
  eventFrames_.reserve(song_.events.size());
  for (const auto& e : song_.events)
    eventFrames_.push_back(std::llround(song_.secondsAt(e.tick) * kRenderRate));
  length_ = std::llround(song_.lengthSeconds() * kRenderRate);
}

MidiRenderer::~MidiRenderer() {
  std::lock_guard guard(synthLock());
  if (synth_) delete_fluid_synth(synth_);
  if (settings_) delete_fluid_settings(settings_);
}

bool MidiRenderer::ensureSynth() {
  if (synth_) return true;
  if (broken_) return false;
  std::lock_guard guard(synthLock());
  settings_ = new_fluid_settings();
  if (settings_) {
    fluid_settings_setnum(settings_, "synth.sample-rate", kRenderRate);
    // Calls on one renderer never overlap, so the synthesiser's own mutex
    // is not needed; one core: no helper threads per synthesiser.
    fluid_settings_setint(settings_, "synth.threadsafe-api", 0);
    fluid_settings_setint(settings_, "synth.cpu-cores", 1);
    fluid_settings_setint(settings_, "synth.lock-memory", 0);
    // Only the samples of the programs a file selects are loaded: FluidR3_GM
    // whole is 140 MB per playing stream, a song's few instruments a tenth.
    fluid_settings_setint(settings_, "synth.dynamic-sample-loading", 1);
    synth_ = new_fluid_synth(settings_);
  }
  if (!synth_ || fluid_synth_sfload(synth_, soundFont_.c_str(), 1) == FLUID_FAILED) {
    if (!std::getenv("YOURAN_QUIET"))
      std::fprintf(stderr, "midi: cannot load the SoundFont %s\n", soundFont_.c_str());
    if (synth_) delete_fluid_synth(synth_);
    if (settings_) delete_fluid_settings(settings_);
    synth_ = nullptr;
    settings_ = nullptr;
    broken_ = true;
    return false;
  }
  return true;
}

void MidiRenderer::dispatch(const MidiEvent& e) {
  int channel = e.status & 0x0f;
  switch (e.status & 0xf0) {
    case 0x80:
      fluid_synth_noteoff(synth_, channel, e.data1);
      break;
    case 0x90:
      // Velocity 0 is a note-off.
      if (e.data2 == 0) {
        fluid_synth_noteoff(synth_, channel, e.data1);
      } else {
        fluid_synth_noteon(synth_, channel, e.data1, e.data2);
      }
      break;
    case 0xa0:
      fluid_synth_key_pressure(synth_, channel, e.data1, e.data2);
      break;
    case 0xb0:
      fluid_synth_cc(synth_, channel, e.data1, e.data2);
      break;
    case 0xc0:
      fluid_synth_program_change(synth_, channel, e.data1);
      break;
    case 0xd0:
      fluid_synth_channel_pressure(synth_, channel, e.data1);
      break;
    case 0xe0:
      fluid_synth_pitch_bend(synth_, channel, e.data1 | e.data2 << 7);
      break;
    case 0xf0:
      if (e.sysexSize > 0) {
        fluid_synth_sysex(synth_, reinterpret_cast<const char*>(song_.sysex.data() + e.sysexOffset),
                          static_cast<int>(e.sysexSize), nullptr, nullptr, nullptr, 0);
      }
      break;
    default:
      break;
  }
}

void MidiRenderer::chase() {
  // Every channel back to its start. The reset sends sounding notes into
  // their release (and a cut made before it is undone), so they are cut
  // after it.
  fluid_synth_system_reset(synth_);
  fluid_synth_all_sounds_off(synth_, -1);
  // FluidSynth renders in blocks of 64 frames and hands out what is left of
  // the last one first: that is sound from before the seek, so it is drawn
  // off here together with a little of the silence after the reset.
  std::array<float, 2 * kSynthBlockFrames> drained;
  fluid_synth_write_float(synth_, kSynthBlockFrames, drained.data(), 0, 2, drained.data(), 1, 2);
  std::array<std::array<uint8_t, 128>, 16> held{};
  next_ = 0;
  for (; next_ < song_.events.size() && eventFrames_[next_] < at_; ++next_) {
    const auto& e = song_.events[next_];
    uint8_t kind = e.status & 0xf0;
    if (kind == 0x90 || kind == 0x80) {
      held[e.status & 0x0f][e.data1] = kind == 0x90 ? e.data2 : 0;
    } else {
      dispatch(e);
    }
  }
  // Drums are struck, not held: a drum note from before the target would
  // only add a hit that was never there.
  for (int channel = 0; channel < 16; ++channel) {
    if (channel == kPercussionChannel) continue;
    for (int key = 0; key < 128; ++key) {
      if (held[channel][key]) fluid_synth_noteon(synth_, channel, key, held[channel][key]);
    }
  }
}

int64_t MidiRenderer::readFloat(float* out, int64_t maxFrames) {
  if (!ensureSynth()) return -1;
  if (chasePending_) {
    chase();
    chasePending_ = false;
  }
  int64_t total = std::min(maxFrames, length_ - at_);
  if (total <= 0) return 0;
  int64_t done = 0;
  while (done < total) {
    while (next_ < song_.events.size() && eventFrames_[next_] <= at_)
      dispatch(song_.events[next_++]);
    int64_t until = next_ < song_.events.size() ? std::min(eventFrames_[next_], length_) : length_;
    int n = static_cast<int>(std::min({total - done, until - at_, kBlockFrames}));
    float* to = out + done * kRenderChannels;
    fluid_synth_write_float(synth_, n, to, 0, 2, to, 1, 2);
    done += n;
    at_ += n;
  }
  return total;
}

int64_t MidiRenderer::read(int16_t* out, int64_t maxFrames) {
  int64_t done = 0;
  while (done < maxFrames) {
    int64_t want = std::min(maxFrames - done, kBlockFrames);
    scratch_.resize(static_cast<size_t>(want * kRenderChannels));
    int64_t got = readFloat(scratch_.data(), want);
    if (got < 0) return done > 0 ? done : -1;
    if (got == 0) break;
    int16_t* to = out + done * kRenderChannels;
    for (int64_t i = 0; i < got * kRenderChannels; ++i)
      to[i] = toInt16(scratch_[static_cast<size_t>(i)]);
    done += got;
  }
  return done;
}

bool MidiRenderer::seek(int64_t frame) {
  if (frame < 0 || frame > length_) return false;
  at_ = frame;
  chasePending_ = true;
  return true;
}

}  // namespace youran::midi
