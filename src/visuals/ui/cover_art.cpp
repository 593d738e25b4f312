#include "visuals/ui/cover_art.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QPainter>
#include <QSvgRenderer>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "visuals/picture_decode.h"
#include "base/atomic_file.h"
#include "base/log.h"
#include "playback/controller/now_playing.h"
#include "tags/tag_reader.h"
#include "visuals/cover_paths.h"

namespace youran {

namespace {

constexpr qint64 kMegabyte = 1048576;

QByteArray readCoverFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QByteArray encode(const QImage& image, const char* format, int quality = -1) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, format, quality)) return {};
  return bytes;
}

PictureLimits displayLimits() {
  return PictureLimits{kMaxPicturePixels, QSize(CoverArt::kDisplaySize, CoverArt::kDisplaySize)};
}

std::string toPathText(const QString& text) { return text.toStdString(); }

}  // namespace

struct CoverArt::Result {
  int worker = 0;
  QString displayName;
  int quality = 0;
  QImage picture;  // null when the cache came out empty
  bool fromCache = false;  // a decode of the cache file only
  QString trackPath;
};

CoverArt::CoverArt(NowPlaying& nowPlaying, Fetch fetch, QObject* parent)
    : QObject(parent), now_(nowPlaying), fetch_(std::move(fetch)), embedded_(&CoverArt::readEmbeddedPicture) {}

CoverArt::~CoverArt() { joinWorkers(); }

void CoverArt::waitForWorkers() {
  joinWorkers();
  QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

int CoverArt::qualityForSize(qint64 bytes) { return bytes / kMegabyte > 8 ? 20 : 70; }

QImage CoverArt::defaultCover() {
  static const QImage cover = [] {
    QImage image(kCoverSize, kCoverSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    QSvgRenderer(QStringLiteral(":/skin/cover_placeholder.svg")).render(&painter, QRectF(0, 0, kCoverSize, kCoverSize));
    return image;
  }();
  return cover;
}

QByteArray CoverArt::readEmbeddedPicture(const QString& trackPath) {
  if (trackPath.isEmpty()) return {};
  TagInfo record;
  ReadOptions options;
  options.streamProperties = false;
  // The conversion pass's rule, so that MP4 files are read too.
  if (!ReadTagsByConversionRule(toPathText(trackPath), record, options) || record.picture.empty()) return {};
  return QByteArray(record.picture.data(), static_cast<qsizetype>(record.picture.size()));
}

void CoverArt::loadCover(const QString& displayName) {
  shownForTrack_ = false;
  const std::string name = displayName.toStdString();
  // A large cached picture takes longer to decode than a track start may
  // hold the window; it is decoded on a worker, and the cover shown so far
  // stays until it is ready.
  std::error_code sizeError;
  const auto cacheBytes = std::filesystem::file_size(coverCachePath(name), sizeError);
  if (!sizeError && cacheBytes > static_cast<uintmax_t>(kSyncDecodeBytes) && !inFlight_.contains(displayName)) {
    shownForTrack_ = true;
    startCacheDecode(displayName, now_.track().path);
    return;
  }
  // An empty or unreadable cache file is a miss.
  const QImage cached = decodePicture(readCoverFile(coverCachePath(name)), displayLimits());
  if (!cached.isNull()) {
    now_.setCover(cached);
    shownForTrack_ = true;
    return;
  }
  // One worker per name at a time: they would share the raw cover file.
  if (inFlight_.contains(displayName)) return;
  startWorker(displayName, now_.track().path);
}

void CoverArt::showDefaultCover() {
  if (shownForTrack_) return;
  now_.setCover(defaultCover());
}

void CoverArt::startWorker(const QString& displayName, const QString& trackPath) {
  inFlight_.insert(displayName);
  std::lock_guard lock(workersLock_);
  const int id = ++nextWorker_;
  auto body = [this, id, displayName, trackPath, fetch = fetch_, embedded = embedded_] {
    const std::string name = displayName.toStdString();
    // The track's own picture is the right one and needs no network.
    QByteArray raw = embedded ? embedded(trackPath) : QByteArray();
    if (raw.isEmpty() && fetch) raw = fetch(displayName);

    const auto rawPath = coverRawPath(name);
    if (auto failure = writeFileAtomically(rawPath, std::string_view(raw.constData(), static_cast<size_t>(raw.size()))))
      logWarning("visuals", "raw cover not kept: " + *failure);
    Result result{id, displayName, qualityForSize(raw.size()), {}, false, {}};

    QByteArray cache;
    const QImage picture = decodePicture(raw);
    if (!picture.isNull()) {
      if (picture.width() > kLargeCover || picture.height() > kLargeCover)
        cache = encode(picture.scaled(kCoverSize, kCoverSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                       "PNG");
      else
        cache = encode(picture, "JPEG", result.quality);
    }
    if (auto failure = writeFileAtomically(coverCachePath(name),
                                           std::string_view(cache.constData(), static_cast<size_t>(cache.size()))))
      logWarning("visuals", "cover cache not written: " + *failure);
    std::error_code ec;
    std::filesystem::remove(rawPath, ec);
    result.picture = decodePicture(cache, displayLimits());
    QMetaObject::invokeMethod(this, [this, result] { finish(result); }, Qt::QueuedConnection);
  };
  workers_.emplace(id, std::thread(std::move(body)));
}

void CoverArt::startCacheDecode(const QString& displayName, const QString& trackPath) {
  inFlight_.insert(displayName);
  std::lock_guard lock(workersLock_);
  const int id = ++nextWorker_;
  auto body = [this, id, displayName, trackPath] {
    Result result{id, displayName, -1, {}, true, trackPath};
    result.picture = decodePicture(readCoverFile(coverCachePath(displayName.toStdString())), displayLimits());
    QMetaObject::invokeMethod(this, [this, result] { finish(result); }, Qt::QueuedConnection);
  };
  workers_.emplace(id, std::thread(std::move(body)));
}

void CoverArt::finish(const Result& result) {
  {
    // The worker posted this as its last act; it is ending now.
    std::lock_guard lock(workersLock_);
    auto worker = workers_.find(result.worker);
    if (worker != workers_.end()) {
      worker->second.join();
      workers_.erase(worker);
    }
  }
  inFlight_.remove(result.displayName);
  if (result.fromCache) {
    if (result.displayName != now_.displayName()) return;
    if (result.picture.isNull()) {
      // The cache could not be read after all: a miss, found the usual way.
      shownForTrack_ = false;
      now_.setCover(defaultCover());
      startWorker(result.displayName, result.trackPath);
    } else {
      now_.setCover(result.picture);
    }
    return;
  }
  // A cover that arrives after its track was left is kept for next time
  // but not shown over another track's.
  if (!result.picture.isNull() && result.displayName == now_.displayName()) {
    now_.setCover(result.picture);
    shownForTrack_ = true;
  }
  emit coverProcessed(result.displayName, result.quality);
}

void CoverArt::joinWorkers() {
  std::map<int, std::thread> workers;
  {
    std::lock_guard lock(workersLock_);
    workers.swap(workers_);
  }
  for (auto& [id, worker] : workers)
    if (worker.joinable()) worker.join();
}

}  // namespace youran
