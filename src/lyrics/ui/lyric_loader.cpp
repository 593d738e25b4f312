#include "lyrics/ui/lyric_loader.h"

#include <QFile>
#include <QMetaObject>
#include <QPointer>

#include "base/log.h"
#include "lyrics/lyric_file.h"
#include "tags/embedded_lyrics.h"
#include "base/qt_text.h"

namespace youran {

LyricLoader::LyricLoader(std::filesystem::path dataFolder, FetchFunction fetch, QObject* parent)
    : QObject(parent), dataFolder_(std::move(dataFolder)), fetch_(std::move(fetch)) {
  pool_.setMaxThreadCount(2);
}

LyricLoader::~LyricLoader() { shutdown(); }

void LyricLoader::shutdown() {
  stopping_ = true;
  pool_.waitForDone();
}

std::filesystem::path LyricLoader::lyricFile(const QString& displayName) const {
  return lyricFilePath(dataFolder_, displayName.toStdString());
}

std::string LyricLoader::load(const QString& displayName, const QString& trackPath) {
  const uint64_t generation = ++generation_;
  const std::string name = displayName.toStdString();
  const std::filesystem::path path = lyricFilePath(dataFolder_, name);
  DecodedLyric lyric = readLyricFile(path);
  if (!lyric.text.empty() || stopping_) return std::move(lyric.text);
  if (!trackPath.isEmpty()) {
    std::string embedded = ReadEmbeddedLyrics(QFile::encodeName(trackPath).toStdString()).value_or(std::string());
    if (!embedded.empty()) return embedded;
  }

  pool_.start([this, generation, name, path, displayName] {
    std::string text = fetch_ ? fetch_(name) : std::string();
    if (auto failure = writeLyricFile(path, text)) logWarning("lyrics", "cannot write " + path.string() + ": " + *failure);
    if (stopping_ || generation != generation_.load()) return;
    QMetaObject::invokeMethod(
        this,
        [this, generation, displayName, lyric = toQ(text)] {
          if (generation == generation_.load()) emit fetched(displayName, lyric);
        },
        Qt::QueuedConnection);
  });
  return {};
}

}  // namespace youran
