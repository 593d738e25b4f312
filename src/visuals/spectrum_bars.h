#pragma once

// The spectrum analyser's state: per-bin magnitudes, bar heights that jump up
// and fall back 2 pixels a frame, and peak caps that sink 1 pixel a frame.
// One frame takes the FFT magnitudes and the canvas size and returns the
// rectangles to draw; drawing them is the widget's business.

#include <array>
#include <span>

namespace youran {

// A rectangle as GDI gives it: left and top inside, right and bottom outside.
struct SpectrumRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool operator==(const SpectrumRect&) const = default;
};

class SpectrumBars {
 public:
  // The arrays are 1-based, 1..512; element 0 is never used.
  static constexpr int kBins = 512;
  // Bins handed in per frame: the FFT's 256 magnitudes, the rest zero.
  static constexpr int kScratch = 512;
  static constexpr int kMaxBars = kBins;

  struct Frame {
    int width = 0;
    int height = 0;
    int count = 0;  // bars drawn this frame; 0 when there was no FFT data
    // bars[n] stands on the bottom edge; caps[n] is its one-pixel cap.
    std::array<SpectrumRect, kMaxBars> bars{};
    std::array<SpectrumRect, kMaxBars> caps{};
  };

  // One frame over a W x H canvas with bars `barWidth` pixels wide and a
  // 1-pixel gap. `magnitudes` empty means no stream or an FFT error: the
  // arrays stay as they are and nothing but the background is drawn.
  void advance(std::span<const float> magnitudes, int width, int height, int barWidth, Frame& frame);

  float binValue(int bin) const { return binValue_[bin]; }
  float barHeight(int bin) const { return barHeight_[bin]; }
  int peakHeight(int bin) const { return peakHeight_[bin]; }

 private:
  std::array<float, kBins + 1> binValue_{};
  std::array<float, kBins + 1> barHeight_{};
  std::array<int, kBins + 1> peakHeight_{};
};

}  // namespace youran
