#pragma once

// One MIDI file played through a FluidSynth synthesiser of its own, 44.1 kHz
// stereo. The events are sequenced here, from the parsed file, so their
// timing and a seek are exact to the frame (FluidSynth's own player works in
// milliseconds).
//
// Threading: one renderer is used by one thread at a time. Synthesisers are
// created and deleted under a process-wide lock (FluidSynth's set-up is not
// documented as safe to run concurrently); rendering needs no lock.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "playback/plugins/midi/smf.h"

struct _fluid_hashtable_t;
struct _fluid_synth_t;

namespace youran::midi {

inline constexpr int kRenderRate = 44100;
inline constexpr int kRenderChannels = 2;

class MidiRenderer {
 public:
  // The synthesiser is only made at the first read or seek, so measuring a
  // file costs no more than parsing it.
  MidiRenderer(Song song, std::string soundFont);
  ~MidiRenderer();
  MidiRenderer(const MidiRenderer&) = delete;
  MidiRenderer& operator=(const MidiRenderer&) = delete;

  int64_t lengthFrames() const { return length_; }

  // Frames written, 0 at the end, -1 when the synthesiser cannot be made.
  int64_t read(int16_t* out, int64_t maxFrames);
  // The same as float, -1..1 (what FluidSynth renders).
  int64_t readFloat(float* out, int64_t maxFrames);
  // False beyond the end.
  bool seek(int64_t frame);

 private:
  bool ensureSynth();
  void dispatch(const MidiEvent& e);
  // Channel state at the seek target: every controller, program and bend
  // before it, and the notes still held there struck again.
  void chase();

  Song song_;
  std::string soundFont_;
  std::vector<int64_t> eventFrames_;
  int64_t length_ = 0;
  int64_t at_ = 0;
  size_t next_ = 0;
  bool chasePending_ = false;
  bool broken_ = false;
  _fluid_hashtable_t* settings_ = nullptr;
  _fluid_synth_t* synth_ = nullptr;
  std::vector<float> scratch_;
};

}  // namespace youran::midi
