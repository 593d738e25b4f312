#include "app/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QGuiApplication>
#include <QScreen>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyle>
#include <QTimer>
#include <QWindow>

#include "app/pages.h"
#include "online/ui/search_page.h"
#include "ui/resources.h"
#include "app/settings_page.h"
#include "ui/elided_label.h"
#include "ui/skin.h"
#include "ui/spinner.h"
#include "visuals/ui/window_effects.h"
#include "base/memory_trim.h"

namespace youran {

namespace {

constexpr int kTopBarHeight = 56;
constexpr int kBottomBarTop = 484;
constexpr int kRestoreWindowMs = 1000;

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, const char* cls,
                  QRect geometry) {
  auto* label = new ElidedLabel(text, parent);
  label->setObjectName(name);
  label->setProperty("class", cls);
  label->setGeometry(geometry);
  return label;
}

QFrame* makeFrame(QWidget* parent, const QString& name, const char* cls, QRect geometry) {
  auto* frame = new QFrame(parent);
  frame->setObjectName(name);
  frame->setProperty("class", cls);
  frame->setGeometry(geometry);
  return frame;
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QWidget(parent) {
  initResources();
  setObjectName(QStringLiteral("主窗口"));
  setProperty("class", "mainWindow");
  setWindowTitle(QStringLiteral("悠然音乐 6"));
  setWindowIcon(QIcon(QStringLiteral(":/skin/icon.svg")));
  setWindowFlag(Qt::FramelessWindowHint);
  setAttribute(Qt::WA_StyledBackground);
  setFixedSize(kWidth, kHeight);

  pages_ = new QStackedWidget(this);
  pages_->setObjectName(QStringLiteral("选择夹1"));
  pages_->setGeometry(kLeftPanelWidth, kTopBarHeight, kWidth - kLeftPanelWidth,
                      kBottomBarTop - kTopBarHeight);
  musicPage_ = new MusicPage;
  nowPlayingPage_ = new NowPlayingPage;
  settingsPage_ = new SettingsPage;
  searchPage_ = new SearchPage;
  pages_->addWidget(musicPage_);
  pages_->addWidget(nowPlayingPage_);
  pages_->addWidget(settingsPage_);
  pages_->addWidget(searchPage_);
  connect(pages_, &QStackedWidget::currentChanged, this, &MainWindow::onPageChanged);

  buildLeftPanel();
  buildTopBar();
  buildBottomBar();
  buildTimers();
  markActiveLabel(kMyMusic);
}

void MainWindow::buildLeftPanel() {
  leftPanel_ = makeFrame(this, QStringLiteral("图片框1"), "leftPanel", {0, 0, kLeftPanelWidth, kHeight});

  auto* logo = new QLabel(leftPanel_);
  logo->setPixmap(QIcon(QStringLiteral(":/skin/icon.svg")).pixmap(40, 40));
  logo->setGeometry(28, 26, 40, 40);
  logo->setAttribute(Qt::WA_TransparentForMouseEvents);
  makeLabel(leftPanel_, QStringLiteral("标题文字"), QStringLiteral("悠然音乐 6"), "brand", {78, 24, 170, 26})
      ->setAttribute(Qt::WA_TransparentForMouseEvents);
  makeLabel(leftPanel_, QStringLiteral("副标题文字"), QStringLiteral("听见悠然的时光"), "brandSub",
            {78, 50, 170, 18})
      ->setAttribute(Qt::WA_TransparentForMouseEvents);

  spinnerLabel_ = makeLabel(leftPanel_, QStringLiteral("圆圈"), QStringLiteral(" "), "spinner", {246, 30, 28, 28});
  spinnerLabel_->setStyleSheet(QStringLiteral("color: #4F7CFF;"));
  spinnerLabel_->hide();
  spinner_ = new Spinner(spinnerLabel_, this);

  const QString names[4] = {QStringLiteral("我的音乐"), QStringLiteral("正在播放"), QStringLiteral("设置"),
                            QStringLiteral("搜索")};
  for (int i = 0; i < 4; ++i) {
    auto* label = new ClickableLabel(names[i], leftPanel_);
    label->setObjectName(names[i]);
    label->setProperty("class", "nav");
    label->setGeometry(0, 110 + i * 46, kLeftPanelWidth - 1, 42);
    connect(label, &ClickableLabel::clicked, this, [this, i] { openPage(i); });
    pageLabels_[i] = label;
  }

  songLabel_ = makeLabel(leftPanel_, QStringLiteral("歌曲名标签1"), QStringLiteral("悠然音乐"), "songSmall",
                         {28, 330, 240, 24});
  artistLabel_ = makeLabel(leftPanel_, QStringLiteral("歌手名标签"), QStringLiteral("未和艺术家"),
                           "artistSmall", {28, 356, 240, 20});

  spectrumCanvas_ = new QWidget(leftPanel_);
  spectrumCanvas_->setObjectName(QStringLiteral("频谱画板"));
  spectrumCanvas_->setGeometry(66, 392, 164, 34);

  previousButton_ = makePictureButton(leftPanel_, QStringLiteral("上一曲按钮"), QStringLiteral("prev"), {32, 32});
  previousButton_->move(72, 472);
  previousButton_->setToolTip(QStringLiteral("上一首"));
  playPauseButton_ = makePictureButton(leftPanel_, QStringLiteral("播放暂停"), QStringLiteral("play"), {48, 48});
  playPauseButton_->move(124, 464);
  playPauseButton_->setToolTip(QStringLiteral("播放/暂停"));
  nextButton_ = makePictureButton(leftPanel_, QStringLiteral("下一曲按钮1"), QStringLiteral("next"), {32, 32});
  nextButton_->move(192, 472);
  nextButton_->setToolTip(QStringLiteral("下一首"));
  modeButton_ = makePictureButton(leftPanel_, QStringLiteral("循环"), QStringLiteral("loop_list"), {28, 28});
  modeButton_->move(28, 474);
  modeButton_->setToolTip(QStringLiteral("模式"));
  lyricButton_ = makePictureButton(leftPanel_, QStringLiteral("歌词"), QStringLiteral("lyric"), {28, 28});
  lyricButton_->move(240, 474);
  lyricButton_->setToolTip(QStringLiteral("桌面歌词"));
  desktopLyricsBox_ = new QCheckBox(QStringLiteral("桌面歌词"), leftPanel_);
  desktopLyricsBox_->setObjectName(QStringLiteral("选择框1"));
  desktopLyricsBox_->setGeometry(28, 524, 120, 22);
  desktopLyricsBox_->hide();
}

void MainWindow::buildTopBar() {
  minimizeButton_ = makePictureButton(this, QStringLiteral("最小化"), QStringLiteral("minimize"), {28, 28});
  minimizeButton_->move(kWidth - 74, 14);
  minimizeButton_->setToolTip(QStringLiteral("最小化"));
  closeButton_ = makePictureButton(this, QStringLiteral("关闭"), QStringLiteral("close"), {28, 28});
  closeButton_->move(kWidth - 40, 14);
  closeButton_->setToolTip(QStringLiteral("关闭"));
  connect(minimizeButton_, &QPushButton::clicked, this, &MainWindow::minimizeButtonClicked);
  connect(closeButton_, &QPushButton::clicked, this, &MainWindow::closeButtonClicked);

  auto* effects = new ClickableLabel({}, this);
  effects->setObjectName(QStringLiteral("透明标签8"));
  effects->setPixmap(QIcon(QStringLiteral(":/skin/effects.svg")).pixmap(28, 28));
  effects->setGeometry(kWidth - 108, 14, 28, 28);
  effects->setToolTip(QStringLiteral("音效"));
  connect(effects, &ClickableLabel::clicked, this, &MainWindow::effectsLabelClicked);
  effectsLabel_ = effects;

  backButton_ = makePictureButton(this, QStringLiteral("返回"), QStringLiteral("back"), {32, 32});
  backButton_->move(kLeftPanelWidth + 16, kTopBarHeight + 10);
  backButton_->setToolTip(QStringLiteral("返回"));
  backButton_->hide();
  connect(backButton_, &QPushButton::clicked, this, &MainWindow::goBack);
}

void MainWindow::buildBottomBar() {
  makeFrame(this, QStringLiteral("底栏"), "bottomBar", {kLeftPanelWidth, kBottomBarTop, kWidth - kLeftPanelWidth, kHeight - kBottomBarTop})
      ->lower();

  titleLabel_ = makeLabel(this, QStringLiteral("歌曲名标签"), QStringLiteral("等待播放"), "title",
                          {kProgressKnobMin, 496, kProgressKnobMax - kProgressKnobMin, 22});
  positionLabel_ = makeLabel(this, QStringLiteral("时间标签"), QStringLiteral("00:00"), "time", {326, 524, 50, 16});
  positionLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  totalTimeLabel_ = makeLabel(this, QStringLiteral("标签总时间"), QStringLiteral("00:00"), "time",
                              {kProgressKnobMax + kKnobSize + 6, 524, 50, 16});

  progressTrack_ = makeFrame(this, QStringLiteral("进度条"), "track",
                             {kProgressKnobMin, 530, kProgressKnobMax - kProgressKnobMin + kKnobSize, 4});
  progressFill_ = makeFrame(this, QStringLiteral("进度白条"), "trackFill", {kProgressKnobMin, 530, 0, 4});
  progressKnob_ = new QLabel(this);
  progressKnob_->setObjectName(QStringLiteral("进度钮"));
  progressKnob_->setPixmap(QIcon(QStringLiteral(":/skin/knob.svg")).pixmap(kKnobSize, kKnobSize));
  progressKnob_->setCursor(Qt::PointingHandCursor);
  progressKnob_->setGeometry(kProgressKnobMin, 525, kKnobSize, kKnobSize);

  auto* speaker = new QLabel(this);
  speaker->setPixmap(QIcon(QStringLiteral(":/skin/volume.svg")).pixmap(20, 20));
  speaker->setGeometry(kVolumeKnobMin - 28, 522, 20, 20);
  volumeTrack_ = makeFrame(this, QStringLiteral("音量条"), "track",
                           {kVolumeKnobMin, 530, kVolumeKnobMax - kVolumeKnobMin + kKnobSize, 4});
  volumeFill_ = makeFrame(this, QStringLiteral("音量白条"), "trackFill", {kVolumeKnobMin, 530, 0, 4});
  volumeKnob_ = new QLabel(this);
  volumeKnob_->setObjectName(QStringLiteral("音量钮"));
  volumeKnob_->setPixmap(QIcon(QStringLiteral(":/skin/knob.svg")).pixmap(kKnobSize, kKnobSize));
  volumeKnob_->setCursor(Qt::PointingHandCursor);
  volumeKnob_->setGeometry(kVolumeKnobMin, 525, kKnobSize, kKnobSize);
  volumeLabel_ = makeLabel(this, QStringLiteral("音量标签"), QStringLiteral("100"), "time",
                           {kVolumeKnobMax + kKnobSize + 4, 524, 30, 16});
  placeVolumeKnob(kVolumeKnobMax);

  playPauseTextButton_ = new QPushButton(QStringLiteral("播放"), this);
  playPauseTextButton_->setObjectName(QStringLiteral("播放暂停按钮"));
  playPauseTextButton_->setProperty("class", "text");
  playPauseTextButton_->setCursor(Qt::PointingHandCursor);
  playPauseTextButton_->setGeometry(kVolumeKnobMin - 2, 492, 72, 26);
}

void MainWindow::buildTimers() {
  memoryTrimTimer_ = new QTimer(this);
  memoryTrimTimer_->setObjectName(QStringLiteral("内存优化"));
  connect(memoryTrimTimer_, &QTimer::timeout, this, [] { trimMemory(); });
  spectrumTimer_ = new QTimer(this);
  spectrumTimer_->setObjectName(QStringLiteral("频谱时钟"));
}

void MainWindow::placeProgressKnob(int x) {
  x = std::clamp(x, kProgressKnobMin, kProgressKnobMax);
  progressKnob_->move(x, progressKnob_->y());
  progressFill_->resize(x - kProgressKnobMin, progressFill_->height());
}

void MainWindow::placeVolumeKnob(int x) {
  x = std::clamp(x, kVolumeKnobMin, kVolumeKnobMax);
  volumeKnob_->move(x, volumeKnob_->y());
  volumeFill_->resize(x - kVolumeKnobMin, volumeFill_->height());
}

void MainWindow::openPage(int page) {
  auto* blurred = nowPlayingPage_->blurredCover();
  auto* lyric = nowPlayingPage_->lyricLine();
  switch (page) {
    case kMyMusic:
    case kSettings:
      pages_->setCurrentIndex(page);
      blurred->hide();
      lyric->hide();
      revealWindow(this, 2, 2);
      memoryTrimTimer_->stop();
      break;
    case kNowPlaying:
      memoryTrimTimer_->start(10);
      revealWindow(this, 2, 2);
      emit nowPlayingOpening();
      trimMemory();
      blurred->raise();
      nowPlayingPage_->cover()->raise();
      lyric->raise();
      lyric->show();
      backButton_->raise();
      backButton_->show();
      pages_->setCurrentIndex(kNowPlaying);
      memoryTrimTimer_->stop();
      break;
    case kSearch:
      memoryTrimTimer_->stop();
      pages_->setCurrentIndex(kSearch);
      if (searchPage_->resultRows() > 0) searchPage_->resultFrame()->show();
      revealWindow(this, 2, 2);
      break;
    default:
      return;
  }
  if (page != kNowPlaying) backButton_->hide();
  markActiveLabel(page);
  repaintAfterWipe();
  emit pageOpened(page);
}

void MainWindow::goBack() {
  memoryTrimTimer_->stop();
  nowPlayingPage_->lyricLine()->lower();
  nowPlayingPage_->blurredCover()->lower();
  backButton_->hide();
  nowPlayingPage_->blurredCover()->clear();
  pages_->setCurrentIndex(kMyMusic);
  revealWindow(this, 3, 3);
  markActiveLabel(kMyMusic);
  repaintAfterWipe();
  emit pageOpened(kMyMusic);
}

// While the wipe's mask hid part of the window, the new page's widgets there
// were never drawn; the last page's pixels would stay in their place.
void MainWindow::repaintAfterWipe() {
  for (QWidget* widget : pages_->currentWidget()->findChildren<QWidget*>()) widget->update();
  update();
}

void MainWindow::onPageChanged(int page) {
  if (page == kSearch) {
    searchPage_->searchBox()->setText(musicPage_->searchBox()->text());
    if (searchPage_->resultRows() > 0) searchPage_->resultFrame()->show();
  } else {
    searchPage_->resultFrame()->hide();
  }
}

void MainWindow::markActiveLabel(int page) {
  for (int i = 0; i < 4; ++i) {
    pageLabels_[i]->setProperty("active", i == page);
    pageLabels_[i]->style()->unpolish(pageLabels_[i]);
    pageLabels_[i]->style()->polish(pageLabels_[i]);
  }
}

// The window has no frame: the background and the title area drag it. A
// press alone moves nothing; the drag starts once the pointer travels with
// the button held, and every release ends it.
void MainWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    pressed_ = true;
    dragging_ = false;
    pressPoint_ = event->globalPosition().toPoint();
    dragOffset_ = pressPoint_ - frameGeometry().topLeft();
  }
  QWidget::mousePressEvent(event);
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
  if (!pressed_ || !(event->buttons() & Qt::LeftButton)) {
    pressed_ = dragging_ = false;
    return QWidget::mouseMoveEvent(event);
  }
  const QPoint at = event->globalPosition().toPoint();
  if (!dragging_ && (at - pressPoint_).manhattanLength() >= QApplication::startDragDistance()) {
    // The window manager's own move where it offers one; it ends the press.
    if (windowHandle() && windowHandle()->startSystemMove()) {
      pressed_ = false;
      return;
    }
    dragging_ = true;
  }
  if (dragging_) move(at - dragOffset_);
  QWidget::mouseMoveEvent(event);
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
  pressed_ = dragging_ = false;
  QWidget::mouseReleaseEvent(event);
}

void MainWindow::hideEvent(QHideEvent* event) {
  // Hidden to the tray: the window comes back where it was.
  if (!event->spontaneous()) lastPlace_ = pos();
  QWidget::hideEvent(event);
}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!lastPlace_ || event->spontaneous()) return;
  // Within the screen's free area, should the screen have changed since.
  QScreen* screen = QGuiApplication::screenAt(*lastPlace_ + QPoint(width() / 2, 10));
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (screen) {
    const QRect area = screen->availableGeometry();
    lastPlace_->setX(std::clamp(lastPlace_->x(), area.left(), std::max(area.left(), area.right() + 1 - width())));
    lastPlace_->setY(std::clamp(lastPlace_->y(), area.top(), std::max(area.top(), area.bottom() + 1 - height())));
  }
  move(*lastPlace_);
  // A window manager may still place the mapped window by its own rules;
  // the first such move in the next moment is undone.
  restoring_ = true;
  QTimer::singleShot(kRestoreWindowMs, this, [this] { restoring_ = false; });
}

void MainWindow::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  if (restoring_ && lastPlace_ && pos() != *lastPlace_) {
    restoring_ = false;
    move(*lastPlace_);
  }
}

}  // namespace youran
