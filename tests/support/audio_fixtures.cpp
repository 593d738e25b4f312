#include "support/audio_fixtures.h"

#include <cmath>
#include <cstring>
#include <numbers>
#include <sstream>

#include "support/temp_folder.h"

namespace youran::testing {

bool encodeAudio(const std::filesystem::path& path, const std::string& lavfiSource, int rate, int channels,
                 const std::string& codecArgs) {
  std::ostringstream cmd;
  cmd << "ffmpeg -nostdin -v error -y -f lavfi -i " << shellQuote(lavfiSource) << " -ar " << rate << " -ac "
      << channels;
  // ffmpeg spreads a mono source over stereo at -3 dB; the tests want the
  // source's level in both channels.
  if (channels == 2 && lavfiSource.find('|') == std::string::npos) cmd << " -af pan=stereo\\|c0=c0\\|c1=c0";
  cmd << " " << codecArgs << " " << shellQuote(path.string()) << " </dev/null";
  return runCommand(cmd.str()) == 0 && std::filesystem::exists(path);
}

std::string sineSource(double frequency, double seconds) {
  std::ostringstream s;
  s << "sine=frequency=" << frequency << ":duration=" << seconds << ":sample_rate=48000";
  return s.str();
}

std::string toneSource(double frequency, double seconds, double amplitude) {
  std::ostringstream s;
  s.precision(10);
  s << "aevalsrc=" << amplitude << "*sin(2*PI*" << frequency << "*t):d=" << seconds << ":s=44100";
  return s.str();
}

std::vector<float> WavData::channel(int c) const {
  std::vector<float> out;
  out.reserve(frames());
  for (int64_t i = 0; i < frames(); ++i) out.push_back(samples[i * channels + c]);
  return out;
}

namespace {
uint32_t le32(const std::string& b, size_t at) {
  return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
         uint32_t(uint8_t(b[at + 3])) << 24;
}
uint16_t le16(const std::string& b, size_t at) { return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8); }
}  // namespace

bool readWav(const std::filesystem::path& path, WavData& out) {
  std::string b = readFile(path);
  if (b.size() < 12 || b.compare(0, 4, "RIFF") != 0 || b.compare(8, 4, "WAVE") != 0) return false;
  int format = 0, bits = 0;
  for (size_t at = 12; at + 8 <= b.size();) {
    std::string id = b.substr(at, 4);
    uint32_t size = le32(b, at + 4);
    size_t body = at + 8;
    if (id == "fmt " && body + 16 <= b.size()) {
      format = le16(b, body);
      out.channels = le16(b, body + 2);
      out.rate = static_cast<int>(le32(b, body + 4));
      bits = le16(b, body + 14);
      if (format == 0xfffe && body + 26 <= b.size()) format = le16(b, body + 24);
    } else if (id == "data") {
      size_t n = std::min<size_t>(size, b.size() - body);
      out.samples.clear();
      if (format == 3 && bits == 32) {
        out.samples.resize(n / 4);
        // An empty data chunk leaves no buffer to copy into.
        if (!out.samples.empty()) std::memcpy(out.samples.data(), b.data() + body, out.samples.size() * 4);
      } else if (format == 1 && bits == 16) {
        for (size_t i = 0; i + 1 < n; i += 2) out.samples.push_back(int16_t(le16(b, body + i)) / 32768.0f);
      } else {
        return false;
      }
      return out.channels > 0;
    }
    at = body + size + (size & 1);
  }
  return false;
}

double toneAmplitude(const float* x, size_t n, double frequency, int rate) {
  double w = 2.0 * std::numbers::pi * frequency / rate;
  double re = 0, im = 0;
  for (size_t i = 0; i < n; ++i) {
    re += x[i] * std::cos(w * double(i));
    im -= x[i] * std::sin(w * double(i));
  }
  return 2.0 * std::hypot(re, im) / double(n);
}

double peakAbs(const float* x, size_t n) {
  double p = 0;
  for (size_t i = 0; i < n; ++i) p = std::max(p, double(std::fabs(x[i])));
  return p;
}

std::string ytoneFile(uint32_t rate, uint16_t channels, uint16_t amplitude, uint32_t frames, uint32_t hz) {
  std::string b("YTONE1\0\0", 8);
  auto put = [&](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
  };
  put(rate, 4);
  put(channels, 2);
  put(amplitude, 2);
  put(frames, 4);
  put(hz, 4);
  return b;
}

}  // namespace youran::testing
