#pragma once

// The borderless, fixed 968 × 560 main window: the left panel with the page
// labels and the transport buttons, the page control `选择夹1`, and the
// bottom bar with the track title, the time labels and the progress and
// volume tracks. It is wiring only; what the controls do lives in the
// controllers that connect to them.

#include <QWidget>
#include <optional>

#include "playback/controller/track_labels.h"

class QFrame;
class QLabel;
class QPushButton;
class QStackedWidget;
class QTimer;
class QCheckBox;

namespace youran {

class ClickableLabel;
class MusicPage;
class NowPlayingPage;
class SearchPage;
class SettingsPage;
class Spinner;

class MainWindow : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kWidth = 968;
  static constexpr int kHeight = 560;
  static constexpr int kLeftPanelWidth = 296;
  // The knobs' ranges are the bottom bar's geometry (track_labels.h).
  static constexpr int kProgressKnobMin = ProgressGeometry::kKnobMin;
  static constexpr int kProgressKnobMax = ProgressGeometry::kKnobMax;
  static constexpr int kVolumeKnobMin = VolumeGeometry::kKnobMin;
  static constexpr int kVolumeKnobMax = VolumeGeometry::kKnobMax;
  static constexpr int kKnobSize = youran::kKnobSize;

  enum Page { kMyMusic = 0, kNowPlaying = 1, kSettings = 2, kSearch = 3 };

  explicit MainWindow(QWidget* parent = nullptr);

  // The page labels' actions and the back button's.
  void openPage(int page);
  void goBack();

  QStackedWidget* pages() const { return pages_; }
  MusicPage* musicPage() const { return musicPage_; }
  NowPlayingPage* nowPlayingPage() const { return nowPlayingPage_; }
  SettingsPage* settingsPage() const { return settingsPage_; }
  SearchPage* searchPage() const { return searchPage_; }
  Spinner* spinner() const { return spinner_; }
  QTimer* memoryTrimTimer() const { return memoryTrimTimer_; }
  QTimer* spectrumTimer() const { return spectrumTimer_; }
  QWidget* spectrumCanvas() const { return spectrumCanvas_; }

  // Transport controls, for the transport view.
  QLabel* titleLabel() const { return titleLabel_; }
  QLabel* songLabel() const { return songLabel_; }
  QLabel* artistLabel() const { return artistLabel_; }
  QLabel* positionLabel() const { return positionLabel_; }
  QLabel* totalTimeLabel() const { return totalTimeLabel_; }
  QLabel* volumeLabel() const { return volumeLabel_; }
  QFrame* progressTrack() const { return progressTrack_; }
  QFrame* progressFill() const { return progressFill_; }
  QLabel* progressKnob() const { return progressKnob_; }
  QFrame* volumeTrack() const { return volumeTrack_; }
  QFrame* volumeFill() const { return volumeFill_; }
  QLabel* volumeKnob() const { return volumeKnob_; }
  QPushButton* playPauseButton() const { return playPauseButton_; }
  QPushButton* playPauseTextButton() const { return playPauseTextButton_; }
  QPushButton* previousButton() const { return previousButton_; }
  QPushButton* nextButton() const { return nextButton_; }
  QPushButton* modeButton() const { return modeButton_; }
  QPushButton* lyricButton() const { return lyricButton_; }
  QCheckBox* desktopLyricsBox() const { return desktopLyricsBox_; }
  // 透明标签8: opens the effects window.
  QLabel* effectsLabel() const { return effectsLabel_; }

  // Knob placement: the knob's left edge, clamped to its track, and the
  // filled bar that follows it.
  void placeProgressKnob(int x);
  void placeVolumeKnob(int x);

 signals:
  void closeButtonClicked();
  void effectsLabelClicked();
  void minimizeButtonClicked();
  void pageOpened(int page);
  // "正在播放" is opening: time to make its blurred backdrop.
  void nowPlayingOpening();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  void buildLeftPanel();
  void buildTopBar();
  void buildBottomBar();
  void buildTimers();
  void markActiveLabel(int page);
  void onPageChanged(int page);
  void repaintAfterWipe();

  QFrame* leftPanel_ = nullptr;
  ClickableLabel* pageLabels_[4] = {};
  QStackedWidget* pages_ = nullptr;
  MusicPage* musicPage_ = nullptr;
  NowPlayingPage* nowPlayingPage_ = nullptr;
  SettingsPage* settingsPage_ = nullptr;
  SearchPage* searchPage_ = nullptr;
  QPushButton* backButton_ = nullptr;
  QPushButton* minimizeButton_ = nullptr;
  QPushButton* closeButton_ = nullptr;
  QLabel* spinnerLabel_ = nullptr;
  QLabel* effectsLabel_ = nullptr;
  Spinner* spinner_ = nullptr;

  QLabel* titleLabel_ = nullptr;
  QLabel* songLabel_ = nullptr;
  QLabel* artistLabel_ = nullptr;
  QLabel* positionLabel_ = nullptr;
  QLabel* totalTimeLabel_ = nullptr;
  QLabel* volumeLabel_ = nullptr;
  QFrame* progressTrack_ = nullptr;
  QFrame* progressFill_ = nullptr;
  QLabel* progressKnob_ = nullptr;
  QFrame* volumeTrack_ = nullptr;
  QFrame* volumeFill_ = nullptr;
  QLabel* volumeKnob_ = nullptr;
  QPushButton* playPauseButton_ = nullptr;
  QPushButton* playPauseTextButton_ = nullptr;
  QPushButton* previousButton_ = nullptr;
  QPushButton* nextButton_ = nullptr;
  QPushButton* modeButton_ = nullptr;
  QPushButton* lyricButton_ = nullptr;
  QCheckBox* desktopLyricsBox_ = nullptr;
  QWidget* spectrumCanvas_ = nullptr;

  QTimer* memoryTrimTimer_ = nullptr;
  QTimer* spectrumTimer_ = nullptr;

  bool pressed_ = false;
  bool dragging_ = false;
  QPoint pressPoint_;
  QPoint dragOffset_;
  std::optional<QPoint> lastPlace_;
  bool restoring_ = false;
};

}  // namespace youran
