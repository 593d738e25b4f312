// Tag reading over the file sets that bench/tags/run.sh generates:
//   tags_bench SET_FOLDER [benchmark flags]
// SET_FOLDER holds small/, cover/ and mixed/. Each iteration reads every
// file of a set once; the counters give files per second and the bytes each
// reader fetched from the file, per file.

#include <benchmark/benchmark.h>
#include <taglib/fileref.h>
#include <taglib/tfilestream.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tags/byte_source.h"
#include "tags/tag_reader.h"

namespace {

std::string g_root;

std::vector<std::string> Files(const std::string& set) {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(g_root + "/" + set)) {
    if (entry.is_regular_file()) files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

youran::TagFormat FormatOf(const std::string& path) {
  if (path.size() >= 4 && path.compare(path.size() - 4, 4, ".m4a") == 0) {
    return youran::TagFormat::kMp4;
  }
  return youran::TagFormatForPath(path);
}

// Ours: one open file for all the readers of the dispatch, no stream
// properties (the duration is not what this measures).
void Youran(benchmark::State& state, const std::string& set, bool picture) {
  const auto files = Files(set);
  std::uint64_t bytes = 0, reads = 0, found = 0;
  for (auto _ : state) {
    for (const auto& path : files) {
      auto source = youran::FileSource::open(path);
      if (!source) continue;
      youran::TagInfo record;
      youran::ReadTagsFrom(FormatOf(path), *source, record, youran::ReadOptions{picture, false});
      found += !record.title.empty();
      bytes += source->bytesRead();
      ++reads;
      benchmark::DoNotOptimize(record);
    }
  }
  state.counters["files_per_s"] =
      benchmark::Counter(static_cast<double>(files.size()), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["bytes_per_file"] = reads ? static_cast<double>(bytes) / reads : 0;
  state.counters["titled"] = reads ? static_cast<double>(found) / reads : 0;
}

// TagLib's FileRef with audio properties off, through a stream that counts
// the bytes it reads.
class CountingStream : public TagLib::FileStream {
 public:
  explicit CountingStream(const char* path) : TagLib::FileStream(path, true) {}
  TagLib::ByteVector readBlock(unsigned long length) override {
    TagLib::ByteVector block = TagLib::FileStream::readBlock(length);
    bytes += block.size();
    return block;
  }
  std::uint64_t bytes = 0;
};

void Taglib(benchmark::State& state, const std::string& set) {
  const auto files = Files(set);
  std::uint64_t bytes = 0, reads = 0, found = 0;
  for (auto _ : state) {
    for (const auto& path : files) {
      CountingStream stream(path.c_str());
      TagLib::FileRef file(&stream, false);
      if (!file.isNull() && file.tag()) {
        found += !file.tag()->title().isEmpty();
        benchmark::DoNotOptimize(file.tag()->artist());
      }
      bytes += stream.bytes;
      ++reads;
    }
  }
  state.counters["files_per_s"] =
      benchmark::Counter(static_cast<double>(files.size()), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["bytes_per_file"] = reads ? static_cast<double>(bytes) / reads : 0;
  state.counters["titled"] = reads ? static_cast<double>(found) / reads : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: tags_bench SET_FOLDER [benchmark flags]\n", stderr);
    return 2;
  }
  g_root = argv[1];
  for (const std::string set : {"small", "cover", "mixed"}) {
    // Wall-clock rates: the point is files per second as a user waits for them.
    benchmark::RegisterBenchmark(("youran/" + set).c_str(), Youran, set, true)->UseRealTime();
    benchmark::RegisterBenchmark(("youran_no_picture/" + set).c_str(), Youran, set, false)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("taglib/" + set).c_str(), Taglib, set)->UseRealTime();
  }
  argv[1] = argv[0];
  int count = argc - 1;
  benchmark::Initialize(&count, argv + 1);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
