#include "app/desktop/mpris_service.h"

#include <QDBusAbstractAdaptor>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <unistd.h>

#include "base/qt_text.h"

namespace youran {

namespace {

constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";

// The audio types of the sixteen extensions the player opens.
const QStringList kMimeTypes = {
    QStringLiteral("audio/mpeg"),      QStringLiteral("audio/x-ms-wma"), QStringLiteral("audio/x-ape"),
    QStringLiteral("audio/ogg"),       QStringLiteral("audio/flac"),     QStringLiteral("audio/x-wav"),
    QStringLiteral("audio/mp4"),       QStringLiteral("audio/x-m4a"),    QStringLiteral("audio/aac"),
    QStringLiteral("audio/x-musepack"), QStringLiteral("audio/x-tta"),   QStringLiteral("audio/x-aiff"),
    QStringLiteral("audio/basic"),     QStringLiteral("audio/midi"),     QStringLiteral("audio/x-mod"),
    QStringLiteral("audio/vnd.rn-realaudio")};

}  // namespace

// org.mpris.MediaPlayer2
class MprisRootAdaptor : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
  Q_PROPERTY(bool CanQuit READ canQuit)
  Q_PROPERTY(bool CanRaise READ canRaise)
  Q_PROPERTY(bool HasTrackList READ hasTrackList)
  Q_PROPERTY(QString Identity READ identity)
  Q_PROPERTY(QString DesktopEntry READ desktopEntry)
  Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes)
  Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes)

 public:
  MprisRootAdaptor(QObject* owner, MprisService& service) : QDBusAbstractAdaptor(owner), service_(service) {}
  bool canQuit() const { return true; }
  bool canRaise() const { return true; }
  bool hasTrackList() const { return false; }
  QString identity() const { return QStringLiteral("悠然音乐 6"); }
  QString desktopEntry() const { return QStringLiteral("io.github.youranmusic.YouranMusic"); }
  QStringList supportedUriSchemes() const { return {QStringLiteral("file")}; }
  QStringList supportedMimeTypes() const { return kMimeTypes; }

 public slots:
  void Raise() {
    if (service_.actions().raise) service_.actions().raise();
  }
  void Quit() {
    // After the reply has gone out: the shutdown ends the event loop.
    if (service_.actions().quit) QTimer::singleShot(0, &service_, service_.actions().quit);
  }

 private:
  MprisService& service_;
};

// org.mpris.MediaPlayer2.Player
class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
  Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
  Q_PROPERTY(QString LoopStatus READ loopStatus WRITE setLoopStatus)
  Q_PROPERTY(double Rate READ rate WRITE setRate)
  Q_PROPERTY(bool Shuffle READ shuffle WRITE setShuffle)
  Q_PROPERTY(QVariantMap Metadata READ metadata)
  Q_PROPERTY(double Volume READ volume WRITE setVolume)
  Q_PROPERTY(qlonglong Position READ position)
  Q_PROPERTY(double MinimumRate READ rate)
  Q_PROPERTY(double MaximumRate READ rate)
  Q_PROPERTY(bool CanGoNext READ canControl)
  Q_PROPERTY(bool CanGoPrevious READ canControl)
  Q_PROPERTY(bool CanPlay READ canControl)
  Q_PROPERTY(bool CanPause READ canControl)
  Q_PROPERTY(bool CanSeek READ canSeek)
  Q_PROPERTY(bool CanControl READ canControl)

 public:
  MprisPlayerAdaptor(QObject* owner, MprisService& service) : QDBusAbstractAdaptor(owner), service_(service) {
    connect(&service_, &MprisService::seeked, this, &MprisPlayerAdaptor::Seeked);
  }
  QString playbackStatus() const { return service_.playbackStatus(); }
  QString loopStatus() const { return service_.loopStatus(); }
  void setLoopStatus(const QString& status) { service_.setLoopStatus(status); }
  double rate() const { return 1.0; }
  void setRate(double) {}  // one speed only
  bool shuffle() const { return service_.shuffle(); }
  void setShuffle(bool on) { service_.setShuffle(on); }
  QVariantMap metadata() const { return service_.metadata(); }
  double volume() const { return service_.volume(); }
  void setVolume(double volume) { service_.setVolume(volume); }
  qlonglong position() const { return service_.positionMicros(); }
  bool canControl() const { return true; }
  bool canSeek() const { return service_.hasTrack(); }

 public slots:
  void Next() { call(service_.actions().next); }
  void Previous() { call(service_.actions().previous); }
  void Pause() { call(service_.actions().pause); }
  void PlayPause() { call(service_.actions().playPause); }
  void Stop() { call(service_.actions().stop); }
  void Play() { call(service_.actions().play); }
  void Seek(qlonglong offset) { service_.seek(offset); }
  void SetPosition(const QDBusObjectPath& track, qlonglong position) { service_.setPosition(track, position); }
  void OpenUri(const QString& uri) { service_.openUri(uri); }

 signals:
  void Seeked(qlonglong position);

 private:
  static void call(const std::function<void()>& action) {
    if (action) action();
  }
  MprisService& service_;
};

MprisService::MprisService(NowPlaying& nowPlaying, MprisActions actions, QObject* parent)
    : QObject(parent), now_(nowPlaying), actions_(std::move(actions)) {
  new MprisRootAdaptor(this, *this);
  new MprisPlayerAdaptor(this, *this);
  connect(&now_, &NowPlaying::trackChanged, this, [this] {
    ++trackSerial_;
    changed(QStringLiteral("Metadata"));
    changed(QStringLiteral("CanSeek"));
  });
  connect(&now_, &NowPlaying::coverChanged, this, [this] {
    writeArt();
    changed(QStringLiteral("Metadata"));
  });
  connect(&now_, &NowPlaying::playStateChanged, this, [this] { changed(QStringLiteral("PlaybackStatus")); });
  connect(&now_, &NowPlaying::volumeChanged, this, [this] { changed(QStringLiteral("Volume")); });
  connect(&now_, &NowPlaying::modeChanged, this, [this] {
    changed(QStringLiteral("LoopStatus"));
    changed(QStringLiteral("Shuffle"));
  });
  connect(&now_, &NowPlaying::seeked, this, [this](double seconds) {
    emit seeked(static_cast<qlonglong>(std::llround(seconds * 1e6)));
  });
}

MprisService::~MprisService() {
  if (registered_) {
    bus_.unregisterObject(QString::fromLatin1(kObjectPath));
    bus_.unregisterService(QString::fromLatin1(kServiceName));
  }
  if (!artFile_.isEmpty()) QFile::remove(artFile_);
}

bool MprisService::registerOn(QDBusConnection bus) {
  if (registered_ || !bus.isConnected()) return registered_;
  bus_ = bus;
  if (!bus_.registerObject(QString::fromLatin1(kObjectPath), this, QDBusConnection::ExportAdaptors)) return false;
  if (!bus_.registerService(QString::fromLatin1(kServiceName))) {
    bus_.unregisterObject(QString::fromLatin1(kObjectPath));
    return false;
  }
  registered_ = true;
  return true;
}

QString MprisService::playbackStatus() const {
  switch (now_.playState()) {
    case PlayState::playing: return QStringLiteral("Playing");
    case PlayState::paused: return QStringLiteral("Paused");
    case PlayState::idle: break;
  }
  return QStringLiteral("Stopped");
}

QString MprisService::loopStatus() const {
  return now_.mode() == PlayMode::singleRepeat ? QStringLiteral("Track") : QStringLiteral("Playlist");
}

void MprisService::setLoopStatus(const QString& status) {
  if (!actions_.setMode) return;
  if (status == QLatin1String("Track")) {
    actions_.setMode(PlayMode::singleRepeat);
  } else if (status == QLatin1String("Playlist")) {
    if (now_.mode() == PlayMode::singleRepeat) actions_.setMode(PlayMode::listRepeat);
  } else {
    // The player always goes on to another track: "None" cannot be had, and
    // the client is told what stays.
    changed(QStringLiteral("LoopStatus"));
  }
}

bool MprisService::shuffle() const { return now_.mode() == PlayMode::shuffle; }

void MprisService::setShuffle(bool on) {
  if (!actions_.setMode || on == shuffle()) return;
  actions_.setMode(on ? PlayMode::shuffle : PlayMode::listRepeat);
}

bool MprisService::hasTrack() const { return now_.currentRow() > 0 && !now_.track().path.isEmpty(); }

QDBusObjectPath MprisService::trackId() const {
  if (!hasTrack()) return QDBusObjectPath(QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));
  return QDBusObjectPath(QStringLiteral("/org/youranmusic/track/%1_%2").arg(now_.currentRow()).arg(trackSerial_));
}

QVariantMap MprisService::metadata() const {
  QVariantMap map;
  map.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(trackId()));
  if (!hasTrack()) return map;
  const auto& track = now_.track();
  if (track.lengthSeconds > 0)
    map.insert(QStringLiteral("mpris:length"), static_cast<qlonglong>(std::llround(track.lengthSeconds * 1e6)));
  map.insert(QStringLiteral("xesam:title"), track.song.isEmpty() ? track.displayName : track.song);
  if (!track.artist.isEmpty()) map.insert(QStringLiteral("xesam:artist"), QStringList{track.artist});
  if (actions_.album) {
    const QString album = actions_.album();
    if (!album.isEmpty()) map.insert(QStringLiteral("xesam:album"), album);
  }
  map.insert(QStringLiteral("xesam:url"), QUrl::fromLocalFile(track.path).toString(QUrl::FullyEncoded));
  if (!artFile_.isEmpty()) map.insert(QStringLiteral("mpris:artUrl"), QUrl::fromLocalFile(artFile_).toString(QUrl::FullyEncoded));
  if (actions_.lyricText) {
    const std::string lyric = actions_.lyricText();
    if (!lyric.empty()) map.insert(QStringLiteral("xesam:asText"), toQ(lyric));
  }
  return map;
}

double MprisService::volume() const { return now_.volume() / 100.0; }

void MprisService::setVolume(double volume) {
  if (!actions_.setVolume || !std::isfinite(volume)) return;
  actions_.setVolume(static_cast<int>(std::lround(std::clamp(volume, 0.0, 1.0) * 100)));
}

qlonglong MprisService::positionMicros() const {
  if (!hasTrack() || now_.playState() == PlayState::idle) return 0;
  const double seconds = actions_.positionSeconds ? actions_.positionSeconds() : now_.positionSeconds();
  return static_cast<qlonglong>(std::llround(std::max(seconds, 0.0) * 1e6));
}

void MprisService::seek(qlonglong offsetMicros) {
  if (!hasTrack() || !actions_.seekTo) return;
  const double target = positionMicros() / 1e6 + offsetMicros / 1e6;
  const double length = now_.lengthSeconds();
  if (length > 0 && target > length) {
    if (actions_.next) actions_.next();  // past the end is the next track
    return;
  }
  actions_.seekTo(std::max(target, 0.0));
}

void MprisService::setPosition(const QDBusObjectPath& track, qlonglong positionMicros) {
  if (!hasTrack() || !actions_.seekTo || track != trackId()) return;  // a stale id
  const double seconds = positionMicros / 1e6;
  if (seconds < 0 || (now_.lengthSeconds() > 0 && seconds > now_.lengthSeconds())) return;
  actions_.seekTo(seconds);
}

void MprisService::openUri(const QString& uri) {
  const QUrl url(uri);
  const QString path = url.isLocalFile() ? url.toLocalFile() : (url.scheme().isEmpty() ? uri : QString());
  if (path.isEmpty() || !QFile::exists(path) || !actions_.openFile) return;
  actions_.openFile(path);
}

void MprisService::changed(const QString& property) {
  pending_.insert(property);
  if (flushQueued_) return;
  flushQueued_ = true;
  QTimer::singleShot(0, this, &MprisService::flush);
}

void MprisService::flush() {
  flushQueued_ = false;
  if (pending_.isEmpty() || !registered_) {
    pending_.clear();
    return;
  }
  QVariantMap values;
  for (const QString& name : std::as_const(pending_)) {
    if (name == QLatin1String("Metadata")) values.insert(name, metadata());
    else if (name == QLatin1String("PlaybackStatus")) values.insert(name, playbackStatus());
    else if (name == QLatin1String("Volume")) values.insert(name, volume());
    else if (name == QLatin1String("LoopStatus")) values.insert(name, loopStatus());
    else if (name == QLatin1String("Shuffle")) values.insert(name, shuffle());
    else if (name == QLatin1String("CanSeek")) values.insert(name, hasTrack());
  }
  pending_.clear();
  QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kObjectPath),
                                                   QStringLiteral("org.freedesktop.DBus.Properties"),
                                                   QStringLiteral("PropertiesChanged"));
  signal << QString::fromLatin1(kPlayerInterface) << values << QStringList();
  bus_.send(signal);
}

void MprisService::writeArt() {
  if (!artFile_.isEmpty()) QFile::remove(artFile_);
  artFile_.clear();
  const QImage& cover = now_.cover();
  if (cover.isNull()) return;
  // A new name per picture: clients cache art by its URL.
  QDir folder(QDir::tempPath() + QStringLiteral("/youranmusic-%1").arg(getuid()));
  if (!folder.mkpath(QStringLiteral("."))) return;
  const QString file = folder.filePath(QStringLiteral("cover-%1-%2.png").arg(getpid()).arg(++artSerial_));
  if (cover.save(file, "PNG")) artFile_ = file;
}

}  // namespace youran

#include "mpris_service.moc"
