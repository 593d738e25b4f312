#pragma once

// MPRIS2 on the session bus: the desktop's sound menu, media keys, playerctl
// and phone remotes see what plays (from NowPlaying) and control the player
// (through the actions given). Properties are read on demand; changes are
// announced with one PropertiesChanged per change, gathered until the event
// loop runs again, so a track start that changes several facts sends one
// signal and the 500 ms position tick sends none. UI thread only.

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <functional>

#include "playback/controller/now_playing.h"

namespace youran {

struct MprisActions {
  std::function<void()> raise;
  std::function<void()> quit;
  std::function<void()> next;
  std::function<void()> previous;
  std::function<void()> playPause;
  std::function<void()> play;   // resumes a pause, starts a stopped track
  std::function<void()> pause;  // only while playing
  std::function<void()> stop;
  std::function<void(double seconds)> seekTo;
  std::function<double()> positionSeconds;
  std::function<void(int percent)> setVolume;
  std::function<void(PlayMode mode)> setMode;
  std::function<void(const QString& path)> openFile;
  std::function<std::string()> lyricText;  // the whole lyric of the track
  std::function<QString()> album;          // read from the track's tags
};

class MprisService : public QObject {
  Q_OBJECT
 public:
  static constexpr const char* kServiceName = "org.mpris.MediaPlayer2.youranmusic";
  static constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";

  MprisService(NowPlaying& nowPlaying, MprisActions actions, QObject* parent = nullptr);
  ~MprisService() override;

  // Claims the name and exports the object; false when the bus refuses.
  bool registerOn(QDBusConnection bus);
  bool registered() const { return registered_; }

  // What the adaptors read and do.
  QString playbackStatus() const;
  QString loopStatus() const;
  void setLoopStatus(const QString& status);
  bool shuffle() const;
  void setShuffle(bool on);
  QVariantMap metadata() const;
  double volume() const;
  void setVolume(double volume);
  qlonglong positionMicros() const;
  bool hasTrack() const;
  QDBusObjectPath trackId() const;

  void seek(qlonglong offsetMicros);
  void setPosition(const QDBusObjectPath& track, qlonglong positionMicros);
  void openUri(const QString& uri);

  const MprisActions& actions() const { return actions_; }
  // The art file of the current cover, for mpris:artUrl.
  QString artFile() const { return artFile_; }

 signals:
  void seeked(qlonglong positionMicros);

 private:
  void changed(const QString& property);
  void flush();
  void writeArt();

  NowPlaying& now_;
  MprisActions actions_;
  QDBusConnection bus_{QString()};
  bool registered_ = false;
  uint64_t trackSerial_ = 0;
  uint64_t artSerial_ = 0;
  QString artFile_;
  QSet<QString> pending_;
  bool flushQueued_ = false;
};

}  // namespace youran
