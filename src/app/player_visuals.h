#pragma once

#include <QColor>

// The visuals of the main window, built over it: the spectrum, the cover and
// its blurred backdrop on "正在播放", the live frosted backdrop of the left
// panel, and the window shadow. The assembly owns one of these.

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QRect>
#include <functional>
#include <memory>

class QLabel;
class QTimer;
class QWidget;

namespace youran {

class AudioEngine;
class CoverArt;
class MainWindow;
class NowPlaying;
class PlaybackController;
class SpectrumView;

// The left panel's frosted backdrop: while `Vision`/`Gaussian` is on, every
// move of the window captures the screen behind `图片框1`, blurs it and
// shows it under the panel's labels; at most about 30 times a second.
class LiveBackdrop : public QObject {
  Q_OBJECT
 public:
  // Answers what the screen shows in a rectangle (screen coordinates) with
  // the window itself left out; null where the screen cannot be read.
  using Capture = std::function<QImage(QWidget& window, const QRect& area)>;
  static constexpr int kBlurRadius = 100;
  // The frosting laid over the blurred desktop: the panel's own light colour,
  // so its dark labels stay readable over any wallpaper, a black one too.
  static constexpr QRgb kFrost = 0xB4F3F6FE;  // alpha 180 over #F3F6FE
  static constexpr int kMinIntervalMs = 33;

  LiveBackdrop(MainWindow& window, std::function<bool()> enabled, Capture capture = screenBehind,
               QObject* parent = nullptr);

  // The position-changed handler (`refreshLiveBackdrop`).
  void refresh();
  QLabel* picture() const { return picture_; }
  int refreshes() const { return refreshes_; }

  // Hides the window for the moment of the capture (opacity 0), where the
  // platform can capture the screen at all.
  static QImage screenBehind(QWidget& window, const QRect& area);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void refreshNow();

  MainWindow& window_;
  QWidget* panel_;
  QLabel* picture_;
  std::function<bool()> enabled_;
  Capture capture_;
  QTimer* pending_;
  QElapsedTimer sinceLast_;
  int refreshes_ = 0;
};

class PlayerVisuals : public QObject {
  Q_OBJECT
 public:
  static constexpr int kBackdropWidth = 968;
  static constexpr int kBackdropHeight = 560;
  static constexpr int kBackdropRadius = 100;

  PlayerVisuals(MainWindow& window, NowPlaying& nowPlaying, AudioEngine& engine, PlaybackController& playback,
                QObject* parent = nullptr);
  ~PlayerVisuals() override;

  SpectrumView& spectrum() { return *spectrum_; }
  CoverArt& cover() { return *cover_; }
  LiveBackdrop& liveBackdrop() { return *live_; }

  // `图片框4`: the cover stretched over the page and blurred; made when the
  // page opens.
  void makeNowPlayingBackdrop();
  static QImage nowPlayingBackdrop(const QImage& cover);

  // The window chrome of the start-up sequence: the main window's shadow.
  void applyWindowChrome();

 private:
  MainWindow& window_;
  NowPlaying& now_;
  std::unique_ptr<SpectrumView> spectrum_;
  std::unique_ptr<CoverArt> cover_;
  std::unique_ptr<LiveBackdrop> live_;
};

}  // namespace youran
