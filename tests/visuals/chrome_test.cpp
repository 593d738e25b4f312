// Window chrome and backdrops on real widgets: the wipes' masks and
// remembered parameters, the shadow window, the blurred backdrop of
// "正在播放" and the live backdrop of the left panel.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QLabel>
#include <QPixmap>
#include <QTableView>
#include <QTimer>
#include <QWidget>

#include "support/qt/tone_tracks.h"
#include "visuals/ui/blur_service.h"
#include "visuals/ui/cover_art.h"
#include "app/main_window.h"
#include "app/pages.h"
#include "app/player_visuals.h"
#include "app/settings_page.h"
#include "visuals/ui/window_effects.h"
#include "visuals/ui/window_shadow.h"
#include "base/data_folder.h"
#include "playback/audio_engine.h"
#include "playback/controller/now_playing.h"
#include "playback/controller/playback_controller.h"
#include "playlist/ui/playlist_controller.h"
#include "support/temp_folder.h"

namespace youran {
namespace {

struct Seen {
  QWidget* window;
  int mode;
  int frame;
};

class WipeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setWipeFrameObserver([this](QWidget* window, int mode, int frame) {
      seen.push_back({window, mode, frame});
      masks.push_back(window->mask());
    });
    first.resize(200, 100);
    second.resize(120, 80);
  }
  void TearDown() override { setWipeFrameObserver({}); }

  QWidget first;
  QWidget second;
  std::vector<Seen> seen;
  std::vector<QRegion> masks;
};

TEST_F(WipeTest, RevealShowsTheWindowFrameByFrameAndEndsWhole) {
  revealWindow(&first, 2, 1, 10);
  EXPECT_TRUE(first.isVisible());
  ASSERT_EQ(seen.size(), 10u);
  EXPECT_EQ(seen.front().frame, 1);
  EXPECT_EQ(masks.front().boundingRect(), QRect(0, 0, 200, 10));
  EXPECT_EQ(masks[4].boundingRect(), QRect(0, 0, 200, 50));
  EXPECT_TRUE(first.mask().isEmpty()) << "the final frame covers the window: no mask left";

  seen.clear();
  masks.clear();
  revealWindow(&second, 12, 1, 33);
  ASSERT_EQ(seen.size(), 17u) << "blinds: frames 0..16";
  EXPECT_EQ(seen.front().frame, 0);
  EXPECT_EQ(masks[1].rectCount(), 34);
  EXPECT_EQ((masks[1] & QRegion(second.rect())).rectCount(), 5) << "of them, 5 lie inside 80 lines";
  EXPECT_TRUE(second.mask().isEmpty());
}

TEST_F(WipeTest, ConcealUsesTheRememberedParameters) {
  revealWindow(&first, 4, 1, 8);
  revealWindow(&second, 7, 2, 5);
  EXPECT_EQ(lastWipe().window, &second);
  EXPECT_EQ(lastWipe().mode, 7);
  EXPECT_EQ(lastWipe().delayMs, 2);
  EXPECT_EQ(lastWipe().steps, 5);

  // A window concealed by name plays its own last reveal backwards...
  seen.clear();
  masks.clear();
  concealWindow(&first);
  ASSERT_EQ(seen.size(), 8u);
  for (const auto& s : seen) EXPECT_EQ(s.window, &first);
  EXPECT_EQ(seen.front().mode, 4);
  EXPECT_EQ(masks.front().boundingRect(), QRect(0, 0, 175, 87));
  EXPECT_FALSE(masks.back().intersects(first.rect())) << "nothing of it shows at the end";
  EXPECT_TRUE(first.isVisible()) << "closing is the caller's";

  // ...and with no arguments the last reveal's window and parameters.
  seen.clear();
  concealWindow();
  ASSERT_EQ(seen.size(), 5u);
  EXPECT_EQ(seen.front().window, &second);
  EXPECT_EQ(seen.front().mode, 7);
}

TEST_F(WipeTest, TimersKeepRunningDuringAWipe) {
  int ticks = 0;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
  timer.start(5);
  revealWindow(&first, 11, 5, 20);
  EXPECT_GE(ticks, 5);
}

TEST(WindowShadowTest, FollowsItsOwnerAndHidesWithIt) {
  QWidget owner(nullptr, Qt::FramelessWindowHint);
  owner.setGeometry(100, 100, 300, 200);
  ASSERT_TRUE(attachShadow(&owner));
  owner.show();
  QWidget* shadow = shadowOf(&owner);
  ASSERT_NE(shadow, nullptr);
  EXPECT_TRUE(shadow->isVisible());
  EXPECT_TRUE(shadow->testAttribute(Qt::WA_TransparentForMouseEvents));
  EXPECT_EQ(shadow->geometry(), owner.frameGeometry().adjusted(-5, -5, 5, 5));
  EXPECT_FALSE(shadow->mask().contains(QPoint(150, 100))) << "never over the owner";

  owner.move(160, 140);
  EXPECT_EQ(shadow->geometry(), owner.frameGeometry().adjusted(-5, -5, 5, 5));
  owner.resize(400, 250);
  EXPECT_EQ(shadow->geometry().size(), QSize(410, 260));

  owner.hide();
  EXPECT_FALSE(shadow->isVisible());
  owner.show();
  EXPECT_TRUE(shadow->isVisible());
  owner.showMaximized();
  EXPECT_FALSE(shadow->isVisible());
  owner.showNormal();
  EXPECT_TRUE(shadow->isVisible());

  EXPECT_FALSE(attachShadow(&owner, Qt::black, 0));
  EXPECT_EQ(shadowOf(&owner), nullptr);
}

TEST(WindowShadowTest, RingsDarkenTowardsTheOwner) {
  struct Case {
    int size;
    std::vector<int> alphas;  // columns 0..s-1 at mid height
  };
  const std::vector<Case> cases{{5, {20, 40, 60, 80, 100}}, {10, {15, 30, 45, 60, 75, 90, 105, 120, 135, 150}}};
  for (const auto& c : cases) {
    const QImage shadow = renderShadow(Qt::black, c.size, 200, 120).convertToFormat(QImage::Format_ARGB32);
    for (int x = 0; x < c.size; ++x) EXPECT_NEAR(qAlpha(shadow.pixel(x, 60)), c.alphas[x], 2) << c.size << " x " << x;
    EXPECT_EQ(qAlpha(shadow.pixel(c.size, 60)), 0) << "the owner's rectangle stays clear";
    EXPECT_EQ(qAlpha(shadow.pixel(100, 60)), 0);
    EXPECT_NEAR(qAlpha(shadow.pixel(100, 119 - (c.size - 1))), c.alphas.back(), 2) << "bottom edge";
    EXPECT_LT(qAlpha(shadow.pixel(0, 0)), c.alphas.front()) << "rounded corner";
  }
  const auto square = roundRectPath(0, 0, 10, 10, 0);
  EXPECT_EQ(square.boundingRect(), QRectF(0, 0, 10, 10));
  EXPECT_EQ(roundRectPath(0, 0, 100, 50, 4).boundingRect(), QRectF(0, 0, 100, 50));
  EXPECT_FALSE(roundRectPath(0, 0, 100, 50, 4).contains(QPointF(0.3, 0.3)));
}

TEST(BlurServiceTest, EncodedPicturesInBmpOut) {
  QImage dot(31, 31, QImage::Format_ARGB32);
  dot.fill(qRgba(0, 0, 0, 255));
  dot.setPixel(15, 15, qRgba(255, 255, 255, 255));
  QByteArray png;
  {
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    dot.save(&buffer, "PNG");
  }
  const QByteArray bmp = BlurService::blurImage(png, 3);
  ASSERT_TRUE(bmp.startsWith("BM"));
  const QImage out = QImage::fromData(bmp, "BMP");
  EXPECT_EQ(qRed(out.pixel(15, 15)), 255 * 4 / 16 * 4 / 16);
  EXPECT_EQ(qRed(out.pixel(18, 15)), 255 * 1 / 16 * 4 / 16);
  EXPECT_EQ(qRed(out.pixel(19, 15)), 0);
  EXPECT_TRUE(BlurService::blurImage("not a picture", 3).isEmpty());
}

class BackdropTest : public testing::PlayingFixture {
 protected:
  void SetUp() override {
    startPlaying(window.findChild<QTableView*>(QStringLiteral("播放列表框")));
    visuals = std::make_unique<PlayerVisuals>(window, now, engine, *controller);
  }
  void TearDown() override {
    visuals.reset();
    PlayingFixture::TearDown();
  }

  MainWindow window;
  std::unique_ptr<PlayerVisuals> visuals;
};

TEST_F(BackdropTest, NowPlayingOpensOverTheBlurredCoverAndBackClearsIt) {
  QImage halves(90, 90, QImage::Format_RGB32);
  halves.fill(qRgb(0, 0, 255));
  for (int y = 0; y < 90; ++y)
    for (int x = 45; x < 90; ++x) halves.setPixel(x, y, qRgb(255, 0, 0));
  now.setCover(halves);
  EXPECT_EQ(window.nowPlayingPage()->cover()->pixmap().size(), QSize(90, 90)) << "the cover label follows";

  window.show();
  window.openPage(MainWindow::kNowPlaying);
  auto* backdrop = window.nowPlayingPage()->blurredCover();
  EXPECT_TRUE(backdrop->isVisible());
  const QImage shown = backdrop->pixmap().toImage();
  ASSERT_EQ(shown.size(), QSize(968, 560));
  // Stretched and blurred: the two halves run into each other in the
  // middle, the far edges keep their colours.
  const QRgb middle = shown.pixel(484, 280);
  EXPECT_GT(qRed(middle), 60);
  EXPECT_GT(qBlue(middle), 60);
  EXPECT_GT(qBlue(shown.pixel(2, 280)), 200);
  EXPECT_GT(qRed(shown.pixel(965, 280)), 200);

  window.goBack();
  EXPECT_TRUE(backdrop->pixmap().isNull());

  // With no cover yet the built-in one is blurred.
  now.setCover(QImage());
  window.openPage(MainWindow::kNowPlaying);
  EXPECT_FALSE(backdrop->pixmap().isNull());
}

TEST_F(BackdropTest, LiveBackdropFollowsMovesOnlyWhileOn) {
  int captures = 0;
  QImage screen(296, 570, QImage::Format_RGB32);
  screen.fill(qRgb(30, 200, 120));
  bool readable = true;
  LiveBackdrop live(window, [this] { return window.settingsPage()->blurOn(); },
                    [&](QWidget&, const QRect& area) {
                      ++captures;
                      EXPECT_EQ(area.size(), QSize(296, 570));
                      return readable ? screen : QImage();
                    });
  window.settingsPage()->showBlur(false);
  window.show();
  QCoreApplication::processEvents();
  window.move(window.pos() + QPoint(40, 0));
  QCoreApplication::processEvents();
  EXPECT_EQ(captures, 0) << "off: moving changes nothing";
  EXPECT_FALSE(live.picture()->isVisible());

  window.settingsPage()->showBlur(true);
  live.refresh();
  EXPECT_EQ(live.refreshes(), 1);
  EXPECT_TRUE(live.picture()->isVisible());
  // The blurred desktop (uniform here) under the panel's frosting.
  const QRgb shown = live.picture()->pixmap().toImage().pixel(100, 100);
  const QColor frost = QColor::fromRgba(LiveBackdrop::kFrost);
  const auto over = [&](int top, int below) { return (top * frost.alpha() + below * (255 - frost.alpha())) / 255; };
  EXPECT_NEAR(qRed(shown), over(frost.red(), 30), 1);
  EXPECT_NEAR(qGreen(shown), over(frost.green(), 200), 1);
  EXPECT_NEAR(qBlue(shown), over(frost.blue(), 120), 1);

  // A burst of moves is coalesced to about 30 a second, the last one kept.
  for (int i = 0; i < 20; ++i) live.refresh();
  EXPECT_EQ(live.refreshes(), 1);
  for (int waited = 0; waited < 2000 && live.refreshes() < 2; waited += 10) testing::waitMs(10);
  EXPECT_EQ(live.refreshes(), 2);
  testing::waitMs(100);
  EXPECT_EQ(live.refreshes(), 2) << "one refresh for the whole burst";

  // A screen that cannot be read keeps the last backdrop.
  readable = false;
  testing::waitMs(40);
  live.refresh();
  EXPECT_EQ(live.refreshes(), 2);
  EXPECT_FALSE(live.picture()->pixmap().isNull());
}

}  // namespace
}  // namespace youran
