#include "app/player_visuals.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QStackedWidget>
#include <QTimer>

#include "visuals/ui/blur_service.h"
#include "visuals/ui/cover_art.h"
#include "app/main_window.h"
#include "app/pages.h"
#include "app/settings_page.h"
#include "visuals/ui/spectrum_view.h"
#include "visuals/ui/window_shadow.h"
#include "base/memory_trim.h"
#include "playback/controller/now_playing.h"
#include "playback/controller/playback_controller.h"

namespace youran {

namespace {

// The capture reaches 10 lines below the panel, as the design has it.
constexpr int kCaptureExtraLines = 10;

}  // namespace

LiveBackdrop::LiveBackdrop(MainWindow& window, std::function<bool()> enabled, Capture capture, QObject* parent)
    : QObject(parent), window_(window), enabled_(std::move(enabled)), capture_(std::move(capture)) {
  panel_ = window_.findChild<QFrame*>(QStringLiteral("图片框1"));
  if (!panel_) panel_ = &window_;
  picture_ = new QLabel(panel_);
  picture_->setObjectName(QStringLiteral("实时背景"));
  picture_->setGeometry(0, 0, panel_->width(), panel_->height());
  picture_->setScaledContents(true);
  picture_->setAttribute(Qt::WA_TransparentForMouseEvents);
  picture_->lower();
  picture_->hide();
  pending_ = new QTimer(this);
  pending_->setSingleShot(true);
  connect(pending_, &QTimer::timeout, this, &LiveBackdrop::refreshNow);
  window_.installEventFilter(this);
}

bool LiveBackdrop::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &window_ && event->type() == QEvent::Move) refresh();
  return QObject::eventFilter(watched, event);
}

void LiveBackdrop::refresh() {
  if (!enabled_ || !enabled_()) return;
  // A burst of moves is coalesced; the last position is always captured.
  if (sinceLast_.isValid() && sinceLast_.elapsed() < kMinIntervalMs) {
    if (!pending_->isActive()) pending_->start(static_cast<int>(kMinIntervalMs - sinceLast_.elapsed()));
    return;
  }
  refreshNow();
}

void LiveBackdrop::refreshNow() {
  if (!enabled_ || !enabled_() || !capture_) return;
  const QPoint topLeft = panel_->mapToGlobal(QPoint(0, 0));
  const QImage shot = capture_(window_, QRect(topLeft, QSize(panel_->width(), panel_->height() + kCaptureExtraLines)));
  // Where the screen cannot be read the last backdrop stays.
  if (shot.isNull()) return;
  QImage frosted = BlurService::blurred(shot, kBlurRadius).convertToFormat(QImage::Format_ARGB32_Premultiplied);
  {
    QPainter painter(&frosted);
    painter.fillRect(frosted.rect(), QColor::fromRgba(kFrost));
  }
  picture_->setPixmap(QPixmap::fromImage(frosted));
  picture_->show();
  picture_->lower();
  ++refreshes_;
  panel_->update();
  // Counted from the end of the work, so a slow machine refreshes less
  // often rather than doing nothing else.
  sinceLast_.start();
}

QImage LiveBackdrop::screenBehind(QWidget& window, const QRect& area) {
  const QString platform = QGuiApplication::platformName();
  // Wayland never lets a client read the screen; offscreen has none.
  if (platform != QLatin1String("xcb") && platform != QLatin1String("windows") && platform != QLatin1String("cocoa"))
    return {};
  QScreen* screen = window.screen();
  if (!screen) return {};
  window.setWindowOpacity(0.0);
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  const QRect geometry = screen->geometry();
  QPixmap shot = screen->grabWindow(0, area.x() - geometry.x(), area.y() - geometry.y(), area.width(), area.height());
  window.setWindowOpacity(1.0);
  return shot.toImage();
}

PlayerVisuals::PlayerVisuals(MainWindow& window, NowPlaying& nowPlaying, AudioEngine& engine,
                             PlaybackController& playback, QObject* parent)
    : QObject(parent), window_(window), now_(nowPlaying) {
  spectrum_ = std::make_unique<SpectrumView>(*window_.spectrumCanvas(), *window_.spectrumTimer(), engine, now_,
                                             [&playback] { return playback.currentStream(); });
  cover_ = std::make_unique<CoverArt>(now_);
  live_ = std::make_unique<LiveBackdrop>(window_, [this] { return window_.settingsPage()->blurOn(); });

  // The switch shows its effect at once: the frosted panel on, the plain
  // one off.
  connect(window_.settingsPage(), &SettingsPage::blurChanged, live_.get(), [this](bool on) {
    if (on) {
      live_->refresh();
    } else {
      live_->picture()->hide();
    }
  });

  auto* coverLabel = window_.nowPlayingPage()->cover();
  connect(&now_, &NowPlaying::coverChanged, coverLabel,
          [this, coverLabel] { coverLabel->setPixmap(QPixmap::fromImage(now_.cover())); });
  connect(&window_, &MainWindow::nowPlayingOpening, this, &PlayerVisuals::makeNowPlayingBackdrop);
  // With the page open, the backdrop follows the track's cover.
  connect(&now_, &NowPlaying::coverChanged, this, [this] {
    if (window_.pages()->currentIndex() == MainWindow::kNowPlaying) makeNowPlayingBackdrop();
  });
}

PlayerVisuals::~PlayerVisuals() = default;

QImage PlayerVisuals::nowPlayingBackdrop(const QImage& cover) {
  if (cover.isNull()) return {};
  return BlurService::blurred(
      cover.scaled(kBackdropWidth, kBackdropHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
      kBackdropRadius);
}

void PlayerVisuals::makeNowPlayingBackdrop() {
  auto* backdrop = window_.nowPlayingPage()->blurredCover();
  const QImage cover = now_.cover().isNull() ? CoverArt::defaultCover() : now_.cover();
  backdrop->setPixmap(QPixmap::fromImage(nowPlayingBackdrop(cover)));
  backdrop->show();
  trimMemory();
}

void PlayerVisuals::applyWindowChrome() { attachShadow(&window_, Qt::black); }

}  // namespace youran
