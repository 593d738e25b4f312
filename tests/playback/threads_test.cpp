// Decode-only streams measured on a worker survive the UI thread's
// free/init before every track; every call is safe from any thread.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "playback_test_util.h"
#include "support/temp_folder.h"

namespace youran::testing {
namespace {

TEST(PlaybackEngineThreads, DecodeOnlyStreamsSurviveFreeAndInitOnAnotherThread) {
  TempFolder folder;
  auto a = folder / "a.flac";
  auto b = folder / "b.mp3";
  ASSERT_TRUE(encodeAudio(a, sineSource(440, 1.0), 44100, 2));
  ASSERT_TRUE(encodeAudio(b, sineSource(660, 2.0), 44100, 1));
  AudioEngine engine;
  ASSERT_TRUE(engine.init(0));
  const int64_t expectedA = 44100 * 4;

  // One stream held across the whole run, as the conversion pass holds one
  // while it measures.
  uint32_t held = engine.createStream(a.string(), {}, {}, AudioEngine::kDecodeOnly);
  ASSERT_NE(held, 0u);

  std::atomic<bool> stop{false};
  std::atomic<int> measured{0}, wrong{0};
  std::thread worker([&] {
    while (!stop) {
      uint32_t s = engine.createStream(a.string(), {}, {}, AudioEngine::kDecodeOnly);
      if (!s) {
        ++wrong;
        continue;
      }
      std::this_thread::yield();
      if (engine.getLength(s) != expectedA) ++wrong;
      if (engine.bytesToSeconds(s, engine.getLength(s)) != 1.0) ++wrong;
      engine.freeStream(s);
      ++measured;
    }
  });

  // The UI thread: a track change after another, each with effects and a
  // level/spectrum read, as the player does.
  std::array<float, 256> fft{};
  for (int track = 0; track < 20; ++track) {
    engine.free();
    ASSERT_TRUE(engine.init(0));
    uint32_t s = engine.createStream(b.string());
    ASSERT_NE(s, 0u);
    engine.addEqualizer(s);
    engine.setEqBand(s, 1, EqParameters{1000, 12, 6});
    engine.addReverb(s, true);
    engine.addEcho(s, true);
    engine.setVolume(s, 0);
    engine.play(s);
    for (int step = 1; step <= 5; ++step) {
      engine.setVolume(s, step * 20);
      engine.getLevel(s);
      engine.getFftData(s, fft);
      engine.getPosition(s);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (track % 3 == 0) engine.setPosition(s, 44100);
    if (track % 4 == 0) engine.pause(s);
    if (track % 5 == 0) engine.removeEcho(s);
  }
  // Let the worker run a little past the last track change.
  waitFor([&] { return measured.load() >= 5; }, 30);
  stop = true;
  worker.join();
  engine.free();

  EXPECT_GE(measured.load(), 5);
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(engine.getLength(held), expectedA);
  engine.freeStream(held);
}

TEST(PlaybackEngineThreads, StreamsFreedWhilePlayingOnEveryThread) {
  TempFolder folder;
  auto a = folder / "a.ogg";
  ASSERT_TRUE(encodeAudio(a, sineSource(440, 2.0), 44100, 2));
  AudioEngine engine;
  ASSERT_TRUE(engine.init(0));
  std::vector<std::thread> threads;
  std::atomic<int> played{0};
  for (int t = 0; t < 3; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 8; ++i) {
        uint32_t s = engine.createStream(a.string());
        if (!s) continue;  // the engine may be between free and init
        if (engine.play(s)) ++played;
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
        engine.setPosition(s, 4 * 1000 * i);
        engine.freeStream(s);
      }
    });
  }
  for (int i = 0; i < 5; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    engine.free();
    engine.init(0);
  }
  for (auto& t : threads) t.join();
  EXPECT_GT(played.load(), 0);
}

}  // namespace
}  // namespace youran::testing
