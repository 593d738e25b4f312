#pragma once

// The lyric of a track start: the file of its display name when there is
// one, else the lyric stored in the track's own file, else a fetch from the online service on a worker, stored as that file
// whatever it returned (an empty answer leaves an empty file, so the next
// start asks again). Playback never waits for the network: the lyric is
// delivered when the fetch returns, and dropped when another track has
// started meanwhile.

#include <QObject>
#include <QString>
#include <QThreadPool>
#include <atomic>
#include <filesystem>
#include <functional>
#include <string>

namespace youran {

class LyricLoader : public QObject {
  Q_OBJECT
 public:
  // Given the display name, LRC text (UTF-8) or empty text. Called on a
  // worker thread.
  using FetchFunction = std::function<std::string(const std::string& displayName)>;

  LyricLoader(std::filesystem::path dataFolder, FetchFunction fetch, QObject* parent = nullptr);
  ~LyricLoader() override;

  // Returns the file's lyric, or the track's embedded one, at once (empty
  // when neither has one, in which case a fetch has been started).
  std::string load(const QString& displayName, const QString& trackPath = {});
  std::filesystem::path lyricFile(const QString& displayName) const;

  // Waits for running fetches; later deliveries are dropped.
  void shutdown();

 signals:
  // A fetch for the current track has returned (UI thread).
  void fetched(const QString& displayName, const QString& lyric);

 private:
  std::filesystem::path dataFolder_;
  FetchFunction fetch_;
  QThreadPool pool_;
  std::atomic<uint64_t> generation_{0};
  std::atomic<bool> stopping_{false};
};

}  // namespace youran
