#include "support/wav_fixture.h"

#include <cmath>
#include <cstdint>
#include <fstream>
#include <numbers>
#include <string>

namespace youran::testing {

namespace {
void put16(std::string& out, uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}
void put32(std::string& out, uint32_t v) {
  put16(out, static_cast<uint16_t>(v & 0xFFFF));
  put16(out, static_cast<uint16_t>(v >> 16));
}
}  // namespace

void writeToneWav(const std::filesystem::path& path, int frames, int rate, int channels, double frequency,
                  double amplitude) {
  const uint32_t dataBytes = static_cast<uint32_t>(frames) * static_cast<uint32_t>(channels) * 2;
  std::string out = "RIFF";
  put32(out, 36 + dataBytes);
  out += "WAVEfmt ";
  put32(out, 16);
  put16(out, 1);
  put16(out, static_cast<uint16_t>(channels));
  put32(out, static_cast<uint32_t>(rate));
  put32(out, static_cast<uint32_t>(rate * channels * 2));
  put16(out, static_cast<uint16_t>(channels * 2));
  put16(out, 16);
  out += "data";
  put32(out, dataBytes);
  for (int i = 0; i < frames; ++i) {
    auto sample = static_cast<int16_t>(std::lround(
        amplitude * 32767.0 * std::sin(2 * std::numbers::pi * frequency * i / rate)));
    for (int c = 0; c < channels; ++c) put16(out, static_cast<uint16_t>(sample));
  }
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary).write(out.data(), static_cast<std::streamsize>(out.size()));
}

}  // namespace youran::testing
