#pragma once

namespace youran {

// Parameters of one parametric-equaliser slot. The defaults are a neutral
// slot; a set is accepted only inside the ranges of `valid`.
struct EqParameters {
  float centre = 8000.0f;   // Hz, 80..16000 and below 0.45 x the stream's rate
  float bandwidth = 12.0f;  // semitones, 1..36
  float gain = 0.0f;        // dB, -15..15

  bool valid(int streamRate) const;
};

struct ReverbParameters {
  float inputGain = 0.0f;       // dB, -96..0
  float reverbMix = 0.0f;       // dB, -96..0
  float reverbTime = 1000.0f;   // ms for the tail to fall 60 dB, 0.001..3000
  float highFreqRatio = 0.001f;  // high-frequency decay time / reverbTime, 0.001..0.999

  bool valid() const;
};

struct EchoParameters {
  float wetDryMix = 50.0f;    // % of the delayed signal in the output, 0..100
  float feedback = 50.0f;     // % fed back into the delay line, 0..100
  float leftDelay = 500.0f;   // ms, 1..2000
  float rightDelay = 500.0f;  // ms, 1..2000
  bool panDelay = false;      // swap left and right in the feedback path

  bool valid() const;
};

}  // namespace youran
