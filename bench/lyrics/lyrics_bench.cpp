// Frames of the desktop lyric line and lookups of the playing second.
//
// Frame: a 1920 × 150 line with its translation beneath, shadow, outline,
// gradient and a karaoke clip, painted into an image of the window's size as
// the window's paint does.
//   ours: LyricRenderer::paint (layers built once per text, then two blits)
//   straightforward: per frame, measure, build the path, fill the shadow,
//     stroke and fill the normal style, clip and stroke and fill the
//     highlight style.
// Lookup: the line of a moment in a 300-line LRC.
//   ours: LrcDocument::at (parsed once per track, then a binary search)
//   plain: split at every "[" and search each piece for the second's text,
//     as the once-a-second lookup was defined.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <string>

#include "base/time_text.h"
#include "lyrics/lrc_document.h"
#include "lyrics/lrc_lookup.h"
#include "lyrics/ui/lyric_renderer.h"

namespace {

const QString kLine = QStringLiteral("推开窗 风吹进了清晨 鸟儿在枝头轻轻地唱");
const QString kTranslation = QStringLiteral("I open the window, the morning breeze comes in, birds sing softly");

QFont lyricFont() {
  QFont font(QStringLiteral("WenQuanYi Micro Hei"));
  font.setPixelSize(40);
  font.setBold(true);
  return font;
}

youran::LyricTextStyle normalStyle() { return {QColor(227, 254, 0), QColor(51, 177, 0), QColor(Qt::black), 1}; }
youran::LyricTextStyle highlightStyle() { return {QColor(0, 255, 0), QColor(255, 255, 0), QColor(Qt::black), 2}; }

void BM_FrameOurs(benchmark::State& state) {
  youran::LyricRenderer renderer;
  renderer.setSize({1920, 150});
  renderer.setFont(lyricFont());
  renderer.setTextStyle(normalStyle());
  renderer.setHighlightStyle(highlightStyle());
  renderer.setText(kLine);
  renderer.setSecondLine(kTranslation);
  QImage window(1920, 150, QImage::Format_ARGB32_Premultiplied);
  if (const QByteArray png = qgetenv("LYRICS_BENCH_FRAME"); !png.isEmpty()) renderer.frame(40).save(QString::fromLocal8Bit(png));
  int progress = 0;
  for (auto _ : state) {
    QPainter p(&window);
    renderer.paint(p, progress);
    p.end();
    progress = (progress + 3) % 100;
    benchmark::DoNotOptimize(window.constBits());
  }
}
BENCHMARK(BM_FrameOurs)->Unit(benchmark::kMillisecond);

void BM_FrameStraightforward(benchmark::State& state) {
  const QFont font = lyricFont();
  QImage window(1920, 150, QImage::Format_ARGB32_Premultiplied);
  int progress = 0;
  for (auto _ : state) {
    window.fill(Qt::transparent);
    QPainter p(&window);
    p.setRenderHint(QPainter::Antialiasing);
    const QFontMetricsF metrics(font);
    QFont small = font;
    small.setPixelSize(22);
    const QFontMetricsF smallMetrics(small);
    const qreal w = metrics.horizontalAdvance(kLine), h = metrics.height();
    const QRectF box((1920 - w) / 2, (150 - h - smallMetrics.height()) / 2, w, h);
    QPainterPath path;
    path.addText(box.left(), box.top() + metrics.ascent(), font, kLine);
    QPainterPath below;
    const qreal sw = smallMetrics.horizontalAdvance(kTranslation);
    below.addText((1920 - sw) / 2, box.bottom() + smallMetrics.ascent(), small, kTranslation);
    p.fillPath(below.translated(2, 2), QColor(0, 0, 0, 150));
    p.fillPath(below, youran::lyricFillBrush(1, normalStyle().start, normalStyle().end, below.boundingRect()));
    p.fillPath(path.translated(2, 2), QColor(0, 0, 0, 150));
    const auto styled = [&](const youran::LyricTextStyle& style) {
      QPen pen(*style.outline);
      pen.setWidthF(1.0);
      p.strokePath(path, pen);
      p.fillPath(path, youran::lyricFillBrush(style.mode, style.start, style.end, box));
    };
    styled(normalStyle());
    p.setClipRect(QRectF(box.left(), box.top(), box.width() * progress / 100.0, box.height()));
    styled(highlightStyle());
    p.end();
    progress = (progress + 3) % 100;
    benchmark::DoNotOptimize(window.constBits());
  }
}
BENCHMARK(BM_FrameStraightforward)->Unit(benchmark::kMillisecond);

std::string lrc300() {
  std::string text = "[ti:测试]\r\n[ar:歌手]\r\n";
  for (int i = 0; i < 300; ++i) {
    char tag[32];
    std::snprintf(tag, sizeof tag, "[%02d:%02d.%02d]", i * 3 / 60, i * 3 % 60, i % 100);
    text += tag;
    text += "这是第" + std::to_string(i) + "行歌词 some words of the line\r\n";
  }
  return text;
}

void BM_LookupOurs(benchmark::State& state) {
  const youran::LrcDocument lyric = youran::LrcDocument::parse(lrc300());
  int64_t ms = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(lyric.at(ms));
    ms = (ms + 7010) % 900000;
  }
}

void BM_ParseOurs(benchmark::State& state) {
  const std::string lyric = lrc300();
  for (auto _ : state) benchmark::DoNotOptimize(youran::LrcDocument::parse(lyric));
}
BENCHMARK(BM_ParseOurs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LookupOurs)->Unit(benchmark::kMicrosecond);

void BM_LookupPlain(benchmark::State& state) {
  const std::string lyric = lrc300();
  int second = 0;
  for (auto _ : state) {
    const std::string position = youran::formatMinutesSeconds(second);
    std::string_view result;
    std::string_view rest = lyric;
    while (true) {
      const size_t end = rest.find('[');
      const std::string_view piece = rest.substr(0, end);
      if (piece.find(position) != std::string_view::npos)
        result = youran::textAfterLast(youran::textAfterLast(piece, position), "]");
      if (end == std::string_view::npos) break;
      rest.remove_prefix(end + 1);
    }
    benchmark::DoNotOptimize(result);
    second = (second + 7) % 900;
  }
}
BENCHMARK(BM_LookupPlain)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
