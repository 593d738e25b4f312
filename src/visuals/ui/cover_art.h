#pragma once

// `CoverArt`: the playing track's cover. At a track start the cover cache
// "Pic/d<name>.dpc" is read on the UI thread; on a miss a worker looks for
// the track's own embedded picture, else fetches one, keeps the bytes as the
// raw cover "Pic/<name>.dpc", re-encodes them into the cache and posts the
// picture back. The built-in cover stands in while there is none.
//
// Threads: the public functions are UI-thread only. Each worker owns its
// copy of everything it needs and only posts its result to the UI thread.

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace youran {

class NowPlaying;

class CoverArt : public QObject {
  Q_OBJECT
 public:
  // Both run on the worker. The fetch answers the cover bytes for a display
  // name (empty when nothing was found); the embedded reader answers the
  // picture stored in a track file's tags.
  using Fetch = std::function<QByteArray(const QString& displayName)>;
  using EmbeddedPicture = std::function<QByteArray(const QString& trackPath)>;

  static constexpr int kCoverSize = 90;
  // Wider or higher than this, a cover is cached as a 90 x 90 snapshot.
  static constexpr int kLargeCover = 2000;
  // The cache is decoded shrunk towards this (never below it), which the
  // cover label and the backdrop both draw from; a large JPEG then decodes
  // at a fraction of its cost.
  static constexpr int kDisplaySize = 240;
  // Cache files above this are decoded on a worker: about 2 ms of JPEG
  // decoding on a slow machine.
  static constexpr long long kSyncDecodeBytes = 160 * 1024;

  explicit CoverArt(NowPlaying& nowPlaying, Fetch fetch = {}, QObject* parent = nullptr);
  ~CoverArt() override;

  void setFetch(Fetch fetch) { fetch_ = std::move(fetch); }
  void setEmbeddedPicture(EmbeddedPicture reader) { embedded_ = std::move(reader); }

  // The track-start steps: the cache or the worker, then the built-in cover
  // when neither had a picture to show yet.
  void loadCover(const QString& displayName);
  void showDefaultCover();

  static QImage defaultCover();
  // Raw covers above 8 whole megabytes are re-encoded at quality 20, all
  // others at 70.
  static int qualityForSize(qint64 bytes);
  // The picture stored in the tags of a track file (TagInfo.picture).
  static QByteArray readEmbeddedPicture(const QString& trackPath);

  // Waits until every worker started so far has finished and its result
  // has been taken in.
  void waitForWorkers();

 signals:
  // After a worker wrote the cache (possibly empty) and removed the raw file.
  void coverProcessed(const QString& displayName, int quality);

 private:
  struct Result;
  void startWorker(const QString& displayName, const QString& trackPath);
  void finish(const Result& result);
  void startCacheDecode(const QString& displayName, const QString& trackPath);
  void joinWorkers();

  NowPlaying& now_;
  Fetch fetch_;
  EmbeddedPicture embedded_;
  bool shownForTrack_ = false;
  QSet<QString> inFlight_;
  std::mutex workersLock_;
  std::map<int, std::thread> workers_;
  int nextWorker_ = 0;
};

}  // namespace youran
