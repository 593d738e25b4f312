// Visuals figures, all in one run so they share the machine's state:
//   blur of a 968 x 560 picture at radius 100: ours on 1 and 2 threads, the
//   tests' scalar stack blur, and Qt's QGraphicsBlurEffect at the same radius;
//   one spectrum frame (bars and drawing); a cover cache hit at track start.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QBuffer>
#include <QGraphicsBlurEffect>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QPainter>
#include <filesystem>
#include <fstream>
#include <random>

#include "visuals/ui/cover_art.h"
#include "visuals/ui/spectrum_view.h"
#include "base/data_folder.h"
#include "playback/controller/now_playing.h"
#include "support/scalar_stack_blur.h"
#include "visuals/cover_paths.h"
#include "visuals/spectrum_bars.h"
#include "visuals/stack_blur.h"

namespace {

constexpr int kWidth = 968;
constexpr int kHeight = 560;
constexpr int kRadius = 100;

QImage picture() {
  QImage image(kWidth, kHeight, QImage::Format_ARGB32);
  std::mt19937 random(7);
  for (int y = 0; y < kHeight; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
    for (int x = 0; x < kWidth; ++x) row[x] = static_cast<uint32_t>(random()) | 0xFF000000u;
  }
  return image;
}

void BM_StackBlur(benchmark::State& state) {
  const QImage source = picture();
  QImage work = source;
  for (auto _ : state) {
    state.PauseTiming();
    work = source.copy();
    state.ResumeTiming();
    youran::stackBlur(reinterpret_cast<uint32_t*>(work.bits()), kWidth, kHeight, kRadius,
                      {.threads = static_cast<int>(state.range(0))});
    benchmark::DoNotOptimize(work.bits());
  }
}
BENCHMARK(BM_StackBlur)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ScalarStackBlur(benchmark::State& state) {
  const QImage source = picture();
  QImage work = source;
  for (auto _ : state) {
    state.PauseTiming();
    work = source.copy();
    state.ResumeTiming();
    youran::testing::scalarStackBlur(reinterpret_cast<uint32_t*>(work.bits()), kWidth, kHeight, kRadius);
    benchmark::DoNotOptimize(work.bits());
  }
}
BENCHMARK(BM_ScalarStackBlur)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_QtBlurEffect(benchmark::State& state) {
  const QPixmap source = QPixmap::fromImage(picture());
  QGraphicsScene scene;
  auto* item = scene.addPixmap(source);
  auto* effect = new QGraphicsBlurEffect;
  effect->setBlurRadius(kRadius);
  effect->setBlurHints(QGraphicsBlurEffect::QualityHint);
  item->setGraphicsEffect(effect);
  QImage target(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    // A new pixmap each time, so the effect cannot reuse its last result.
    item->setPixmap(source.copy());
    target.fill(Qt::transparent);
    QPainter painter(&target);
    scene.render(&painter, QRectF(0, 0, kWidth, kHeight), QRectF(0, 0, kWidth, kHeight));
    painter.end();
    benchmark::DoNotOptimize(target.bits());
  }
}
BENCHMARK(BM_QtBlurEffect)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SpectrumFrame(benchmark::State& state) {
  youran::SpectrumBars bars;
  youran::SpectrumBars::Frame frame;
  QImage canvas(164, 34, QImage::Format_RGB32);
  std::mt19937 random(3);
  std::uniform_real_distribution<float> level(0.0f, 0.05f);
  std::vector<std::array<float, 512>> inputs(64);
  for (auto& input : inputs) {
    input.fill(0.0f);
    for (int k = 0; k < 256; ++k) input[k] = level(random);
  }
  size_t n = 0;
  for (auto _ : state) {
    bars.advance(inputs[n++ % inputs.size()], 164, 34, 2, frame);
    youran::drawSpectrumFrame(canvas, frame, Qt::black);
    benchmark::DoNotOptimize(canvas.bits());
  }
}
BENCHMARK(BM_SpectrumFrame)->Unit(benchmark::kMicrosecond);

// The track start's part of a cover cache hit, on the UI thread. The cache
// holds what a fetched cover becomes: a JPEG at quality 70. The
// picture is noise blurred at radius 6, closer to a photograph than raw
// noise (whose JPEG is about four times larger and slower to decode).
void BM_CoverCacheHit(benchmark::State& state) {
  const auto folder = std::filesystem::temp_directory_path() / "youran-visuals-bench";
  std::filesystem::create_directories(folder / "Pic");
  youran::setDataFolder(folder);
  const int side = static_cast<int>(state.range(0));
  QImage cover = picture().scaled(side, side);
  youran::stackBlur(reinterpret_cast<uint32_t*>(cover.bits()), side, side, 6);
  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  buffer.open(QIODevice::WriteOnly);
  cover.save(&buffer, "JPEG", 70);
  std::ofstream(youran::coverCachePath("Bench-Cover"), std::ios::binary).write(jpeg.constData(), jpeg.size());
  youran::NowPlaying now;
  youran::CoverArt art(now);
  for (auto _ : state) {
    now.setCover(QImage());
    art.loadCover(QStringLiteral("Bench-Cover"));
    art.showDefaultCover();
    benchmark::DoNotOptimize(now.cover().constBits());
    // What the UI thread waits for ends here; a large cache file is decoded
    // on a worker, which is not the track start's time.
    state.PauseTiming();
    art.waitForWorkers();
    state.ResumeTiming();
  }
  state.counters["jpeg_kb"] = static_cast<double>(jpeg.size()) / 1024.0;
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_CoverCacheHit)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
