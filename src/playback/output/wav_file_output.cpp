#include "playback/output/wav_file_output.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>

#include "base/log.h"

namespace youran {

namespace {

constexpr int kBlockFrames = 1024;
constexpr uint16_t kFormatFloat = 3;  // WAVE_FORMAT_IEEE_FLOAT
constexpr uint32_t kHeaderBytes = 58;

void put16(uint8_t* at, uint16_t v) {
  at[0] = v & 0xff;
  at[1] = v >> 8;
}
void put32(uint8_t* at, uint32_t v) {
  for (int i = 0; i < 4; ++i) at[i] = (v >> (8 * i)) & 0xff;
}

}  // namespace

bool WavFileOutput::open(int rate, AudioSource& source) {
  close();
  file_ = std::fopen(path_.c_str(), "wb");
  if (!file_) {
    logWarning("playback", "cannot write " + path_);
    return false;
  }
  rate_ = rate;
  source_ = &source;
  written_ = 0;
  finished_ = false;
  failed_ = false;
  buffer_.assign(2 * kBlockFrames, 0.0f);
  writeHeader();
  return true;
}

// RIFF header, "fmt " chunk of 18 bytes (float needs the extension size
// field, here 0), "fact" chunk with the frame count, then "data".
void WavFileOutput::writeHeader() {
  std::array<uint8_t, kHeaderBytes> h{};
  auto frames = static_cast<uint32_t>(std::min<int64_t>(written_.load(), 0x1fffffff));
  uint32_t dataBytes = frames * 8;
  std::memcpy(&h[0], "RIFF", 4);
  put32(&h[4], kHeaderBytes - 8 + dataBytes);
  std::memcpy(&h[8], "WAVEfmt ", 8);
  put32(&h[16], 18);
  put16(&h[20], kFormatFloat);
  put16(&h[22], 2);
  put32(&h[24], static_cast<uint32_t>(rate_));
  put32(&h[28], static_cast<uint32_t>(rate_) * 8);
  put16(&h[32], 8);
  put16(&h[34], 32);
  put16(&h[36], 0);
  std::memcpy(&h[38], "fact", 4);
  put32(&h[42], 4);
  put32(&h[46], frames);
  std::memcpy(&h[50], "data", 4);
  put32(&h[54], dataBytes);
  long at = std::ftell(file_);
  std::fseek(file_, 0, SEEK_SET);
  std::fwrite(h.data(), 1, h.size(), file_);
  if (at > static_cast<long>(kHeaderBytes)) std::fseek(file_, at, SEEK_SET);
  std::fflush(file_);
}

void WavFileOutput::start() {
  if (!file_ || running_.exchange(true)) return;
  thread_ = std::thread([this] { run(); });
}

void WavFileOutput::stop() {
  running_.store(false);
  if (thread_.joinable()) thread_.join();
  if (file_) writeHeader();
}

void WavFileOutput::close() {
  stop();
  if (file_) {
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
  }
}

void WavFileOutput::run() {
  while (running_.load(std::memory_order_relaxed)) {
    if (finished_.load()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      continue;
    }
    int want = kBlockFrames;
    if (maxFrames_ >= 0) want = static_cast<int>(std::min<int64_t>(want, maxFrames_ - written_.load()));
    int got = want > 0 ? source_->render(buffer_.data(), want, true) : 0;
    if (got <= 0) {
      if (want <= 0) finished_ = true;
      std::this_thread::sleep_for(std::chrono::microseconds(500));
      continue;
    }
    // A sound card clips; so does the file.
    for (int i = 0; i < 2 * got; ++i) buffer_[i] = std::clamp(buffer_[i], -1.0f, 1.0f);
    if (std::fwrite(buffer_.data(), sizeof(float) * 2, got, file_) != static_cast<size_t>(got)) {
      failed_ = true;
      finished_ = true;
    }
    written_ += got;
    if (maxFrames_ >= 0 && written_.load() >= maxFrames_) finished_ = true;
  }
}

}  // namespace youran
