// Load and save of a 100,000-row music list (about 9.8 MB of GB18030).
//
//   playlist_list_bench [--rows N] [benchmark flags]

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "base/atomic_file.h"
#include "playlist/music_list_file.h"
#include "support/playlist_fixtures.h"
#include "support/temp_folder.h"

#ifdef YOURAN_BENCH_WITH_QT
#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringDecoder>
#endif

namespace {

size_t gRows = 100000;

struct ListFile {
  youran::testing::TempFolder folder;
  std::filesystem::path path;
  size_t bytes = 0;
  ListFile() {
    std::string text = youran::testing::largeMusicList(gRows);
    bytes = text.size();
    path = folder / "YRmDefaultList.dll";
    youran::writeFileAtomically(path, text);
  }
};

ListFile& listFile() {
  static ListFile file;
  return file;
}

void BM_LoadMusicList(benchmark::State& state) {
  auto& file = listFile();
  for (auto _ : state) {
    youran::TrackList list;
    auto load = youran::loadMusicList(file.path, list);
    if (load.rowsAdded != gRows) state.SkipWithError("wrong row count");
    benchmark::DoNotOptimize(list);
  }
  state.counters["rows"] = static_cast<double>(gRows);
  state.counters["MB"] = static_cast<double>(file.bytes) / 1e6;
}
BENCHMARK(BM_LoadMusicList)->Unit(benchmark::kMillisecond)->MinTime(2);

// Write, flush (fsync), rename, fsync of the folder.
void BM_SaveMusicList(benchmark::State& state) {
  auto& file = listFile();
  youran::TrackList list;
  youran::loadMusicList(file.path, list);
  auto target = file.folder / "saved.dll";
  for (auto _ : state) {
    if (youran::saveMusicList(list, target)) state.SkipWithError("save failed");
  }
  state.counters["rows"] = static_cast<double>(list.size());
}
BENCHMARK(BM_SaveMusicList)->Unit(benchmark::kMillisecond)->MinTime(2);

void BM_SerializeMusicList(benchmark::State& state) {
  auto& file = listFile();
  youran::TrackList list;
  youran::loadMusicList(file.path, list);
  for (auto _ : state) benchmark::DoNotOptimize(youran::serializeMusicList(list));
}
BENCHMARK(BM_SerializeMusicList)->Unit(benchmark::kMillisecond)->MinTime(2);

#ifdef YOURAN_BENCH_WITH_QT
// The peer: Qt's readAll, GB18030 decoding, and splitting lines and fields.
void BM_QtReadAllAndSplit(benchmark::State& state) {
  auto& file = listFile();
  for (auto _ : state) {
    QFile in(QString::fromStdString(file.path.string()));
    if (!in.open(QIODevice::ReadOnly)) state.SkipWithError("open failed");
    QByteArray bytes = in.readAll();
    QStringDecoder decoder("GB18030");
    QString text = decoder.decode(bytes);
    QList<QStringList> rows;
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    rows.reserve(lines.size());
    for (const QString& line : lines) rows.push_back(line.split(QLatin1Char('|')));
    benchmark::DoNotOptimize(rows);
  }
}
BENCHMARK(BM_QtReadAllAndSplit)->Unit(benchmark::kMillisecond)->MinTime(2);
#endif

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--rows") == 0) {
      gRows = std::strtoul(argv[i + 1], nullptr, 10);
      for (int k = i; k + 2 < argc + 1; ++k) argv[k] = argv[k + 2];
      argc -= 2;
      break;
    }
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
