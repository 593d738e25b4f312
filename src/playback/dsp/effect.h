#pragma once

namespace youran {

// One unit of a stream's effect chain. Runs on the output thread with the
// stream's render lock held: process() must not allocate or block. Parameter
// setters are called by the engine with the same lock held.
class Effect {
 public:
  virtual ~Effect() = default;
  // In place, interleaved stereo.
  virtual void process(float* stereo, int frames) = 0;
};

}  // namespace youran
