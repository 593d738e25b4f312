// The lyric timer, the switches and the desktop window as the player drives
// them, without the main window: NowPlaying is set by hand, the engine's
// position is a variable.
#include "lyrics/ui/lyrics_view.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QMenu>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTest>
#include <atomic>
#include <thread>

#include "lyrics/lyric_file.h"
#include "lyrics/ui/desktop_lyrics_window.h"
#include "lyrics/ui/lyric_loader.h"
#include "playback/controller/now_playing.h"
#include "base/atomic_file.h"
#include "demo_service.h"
#include "online/primary_service.h"
#include "support/temp_folder.h"

namespace youran {
namespace {

using namespace std::chrono_literals;

class LyricsViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(folder / "Lyrics");
    loader = std::make_unique<LyricLoader>(folder.path(), [this](const std::string& name) {
      fetchThread = std::this_thread::get_id();
      while (holdFetch) std::this_thread::sleep_for(1ms);
      ++fetches;
      return name == "网络-歌" ? std::string("[00:01.00]来自网络\r\n") : std::string();
    });
    LyricsView::Sources sources;
    sources.livePositionSeconds = [this] {
      return livePosition + (clock.isValid() ? static_cast<double>(clock.elapsed()) / 1000.0 : 0.0);
    };
    sources.nowPlayingPageOpen = [this] { return pageOpen; };
    view = std::make_unique<LyricsView>(now, window, *loader, sources);
    view->attachControls(&button, &box, &bigLabel);
    bigLabel.setText(QStringLiteral("欢迎使用悠然音乐"));
  }
  void TearDown() override {
    holdFetch = false;
    loader->shutdown();
  }

  void startTrack(const QString& name, const std::string& lrc = {}) {
    if (!lrc.empty()) writeLyricFile(lyricFilePath(folder.path(), name.toStdString()), lrc);
    NowPlaying::Track track;
    track.row = 1;
    track.displayName = name;
    track.lengthSeconds = 30;
    now.setTrack(track);
    view->loadTrackLyrics(name);
    view->startLyricTimer();
    now.setPlayState(PlayState::playing);
  }
  void at(double seconds) {
    livePosition = seconds;
    now.setPosition(seconds, 0, 0);
    view->onLyricTick();
  }

  testing::TempFolder folder;
  NowPlaying now;
  DesktopLyricsWindow window;
  QPushButton button;
  QCheckBox box;
  QLabel bigLabel;
  std::unique_ptr<LyricLoader> loader;
  std::unique_ptr<LyricsView> view;
  double livePosition = 0;
  QElapsedTimer clock;  // when valid, the position runs on from livePosition
  bool pageOpen = false;
  std::atomic<bool> holdFetch{false};
  std::atomic<int> fetches{0};
  std::thread::id fetchThread;
};

TEST_F(LyricsViewTest, TickShowsTheLineOnTheDesktopAndOnTheOpenPage) {
  view->setLyricFont(QStringLiteral("微软雅黑"));
  ASSERT_TRUE(window.isAlive());
  EXPECT_EQ(window.text(), QStringLiteral("欢迎使用悠然音乐~~~"));
  startTrack(QStringLiteral("歌手-歌名"), "[00:02.00]第一句\r\n[00:06.00]第二句\r\n");
  EXPECT_TRUE(view->lyricTimer().isActive());
  EXPECT_EQ(view->lyricTimer().interval(), 1000);

  at(0.5);
  EXPECT_EQ(window.text(), QStringLiteral("歌手-歌名")) << "nothing held yet: the display name";
  at(2.0);
  EXPECT_EQ(window.text(), QStringLiteral("第一句"));
  EXPECT_EQ(bigLabel.text(), QStringLiteral("欢迎使用悠然音乐")) << "page closed: the label keeps its caption";
  EXPECT_EQ(now.lyricLine(), QStringLiteral("第一句"));
  pageOpen = true;
  at(4.0);
  EXPECT_EQ(bigLabel.text(), QStringLiteral("第一句"));
  EXPECT_EQ(window.progress(), 50) << "sung from 00:02 to 00:06";

  // The sweep runs while playing and stops with a pause.
  EXPECT_TRUE(view->sweepTimer().isActive());
  livePosition = 5.0;
  QTest::qWait(80);
  EXPECT_EQ(window.progress(), 75);
  now.setPlayState(PlayState::paused);
  EXPECT_FALSE(view->sweepTimer().isActive());

  view->setKaraoke(false);
  at(5.0);
  EXPECT_EQ(window.progress(), 0);
}

TEST_F(LyricsViewTest, TheSwitchIsScheduledAtTheNextTag) {
  view->setLyricFont(QString());
  startTrack(QStringLiteral("歌手-准时"), "[00:02.00]一\r\n[00:02.35][00:03.10]二\r\n[00:02.70]\r\n");
  at(2.0);
  ASSERT_TRUE(view->switchTimer().isActive());
  EXPECT_NEAR(view->switchTimer().remainingTime(), 350, 20);

  // A seek re-schedules from the new position; a pause stops the switch.
  livePosition = 2.9;
  now.announceSeek(2.9);
  EXPECT_EQ(window.text(), QStringLiteral("")) << "a blank tag shows the empty line";
  EXPECT_NEAR(view->switchTimer().remainingTime(), 200, 20);
  now.setPlayState(PlayState::paused);
  EXPECT_FALSE(view->switchTimer().isActive());

  // Playing on: the line changes when the position reaches the repeated tag,
  // never before it.
  livePosition = 2.9;
  clock.start();
  now.setPlayState(PlayState::playing);
  QTRY_COMPARE_WITH_TIMEOUT(window.text(), QStringLiteral("二"), 2000);
  EXPECT_GE(clock.elapsed(), 199) << "not before the tag";
  EXPECT_EQ(window.widget()->windowTitle(), QStringLiteral("二")) << "the title follows the line";
  EXPECT_FALSE(view->switchTimer().isActive()) << "the last tag: nothing more to schedule";

  // A new track's lyric is scheduled from its start.
  clock.invalidate();
  livePosition = 0;
  startTrack(QStringLiteral("歌手-下一首"), "[00:01.00]下一首\r\n");
  EXPECT_NEAR(view->switchTimer().remainingTime(), 1000, 20);
}

TEST_F(LyricsViewTest, TranslationBeneathAndWordSweep) {
  view->setLyricFont(QString());
  pageOpen = true;
  startTrack(QStringLiteral("歌手-双语"),
             "[00:01.00]<00:01.00>AAAA<00:02.00>B<00:03.00>\r\n[00:05.00]第二句\r\n"
             "[00:01.00]translation\r\n[00:01.00]roman\r\n");
  at(1.5);
  EXPECT_EQ(window.text(), QStringLiteral("AAAAB"));
  EXPECT_EQ(window.renderer().secondLine(), QStringLiteral("translation"));
  EXPECT_TRUE(bigLabel.text().contains(QStringLiteral("translation")));
  // Half of the first word, by its width: AAAA is 4/5 of the line's width
  // in a face where A and B are close in width.
  const qreal fourA = window.renderer().advanceFraction(4);
  EXPECT_NEAR(window.progress(), fourA * 50, 1.5);
  at(2.5);
  EXPECT_NEAR(window.progress(), (fourA + (1 - fourA) / 2) * 100, 1.5);

  view->setShowRomanization(true);
  EXPECT_EQ(window.renderer().secondLine(), QStringLiteral("translation\nroman"));
  view->setShowTranslation(false);
  EXPECT_EQ(window.renderer().secondLine(), QStringLiteral("roman"));
  view->setShowRomanization(false);
  EXPECT_EQ(window.renderer().secondLine(), QString());
  EXPECT_EQ(bigLabel.text(), QStringLiteral("AAAAB"));
}

TEST_F(LyricsViewTest, OffsetMenuRewritesTheFileInItsEncoding) {
  view->setLyricFont(QString());
  const QString name = QStringLiteral("歌手-偏移");
  const auto path = lyricFilePath(folder.path(), name.toStdString());
  // UTF-16LE with a mark, as some editors save it.
  std::string utf16 = "\xFF\xFE";
  for (const char c : std::string("[00:02.00]A\r\n")) utf16 += {c, '\0'};
  ASSERT_FALSE(writeFileAtomically(path, utf16).has_value());
  startTrack(name);
  at(1.6);
  EXPECT_EQ(window.text(), QStringLiteral("歌手-偏移")) << "00:02 not reached";
  // 歌词提前 0.5 秒, from the line's right-click menu.
  QTimer::singleShot(50, &window, [] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return;
    for (QAction* action : menu->actions())
      if (action->text() == QStringLiteral("歌词提前 0.5 秒")) action->trigger();
    menu->close();
  });
  QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), window.widget()->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(window.widget(), &click);
  EXPECT_EQ(window.text(), QStringLiteral("A")) << "shown 0.5 s earlier at once";
  DecodedLyric file = readLyricFile(path);
  EXPECT_EQ(file.encoding, LyricEncoding::utf16le);
  EXPECT_EQ(file.text, "[offset:500]\r\n[00:02.00]A\r\n");
  emit window.offsetRequested(-500);  // 歌词延后 0.5 秒
  emit window.offsetRequested(-500);
  EXPECT_EQ(readLyricFile(path).text, "[offset:-500]\r\n[00:02.00]A\r\n");
  at(2.3);
  EXPECT_EQ(window.text(), QStringLiteral("A")) << "the held line of the previous lyric";
  EXPECT_EQ(view->sync().currentLine(), "") << "00:02.50 not reached";
}

TEST_F(LyricsViewTest, ChoosingALyricFromTheServiceWritesTheTracksFile) {
  const auto library = testing::makeDemoLibrary(folder / "library");
  ASSERT_FALSE(library.empty()) << "ffmpeg";
  testing::DemoService service(library);
  ASSERT_TRUE(service.ok());
  LyricsView::Sources sources;
  sources.livePositionSeconds = [this] { return livePosition; };
  sources.searchLyrics = [&service](const std::string& name) {
    std::vector<LyricCandidate> found;
    for (const PrimaryRow& row : PrimaryService(service.hosts()).search(name))
      found.push_back({QString::fromStdString(row.title), QString::fromStdString(row.artist),
                       QString::fromStdString(row.album), row.durationMs, QString::fromStdString(row.id)});
    return found;
  };
  sources.lyricById = [&service](const std::string& id) { return PrimaryService(service.hosts()).fetchLyricById(id); };
  view = std::make_unique<LyricsView>(now, window, *loader, sources);
  view->setLyricFont(QString());
  startTrack(QStringLiteral("Demo Band-Rain"), "[00:01.00]旧的歌词\r\n");

  LyricChoiceDialog* dialog = view->chooseLyric();
  ASSERT_NE(dialog, nullptr);
  QTRY_COMPARE_WITH_TIMEOUT(dialog->table()->rowCount(), 1, 5000);
  EXPECT_EQ(dialog->table()->item(0, 0)->text(), QStringLiteral("Rain"));
  EXPECT_EQ(dialog->table()->item(0, 1)->text(), QStringLiteral("Demo Band"));
  EXPECT_FALSE(dialog->table()->item(0, 2)->text().isEmpty()) << "the album";
  dialog->table()->selectRow(0);
  dialog->accept();
  const auto path = lyricFilePath(folder.path(), "Demo Band-Rain");
  QTRY_VERIFY_WITH_TIMEOUT(readLyricFile(path).text.find("悠然演示服务") != std::string::npos, 5000);
  at(3.5);
  EXPECT_EQ(window.text(), QStringLiteral("这是悠然演示服务的歌词"));
}

TEST_F(LyricsViewTest, EmbeddedLyricIsUsedWithoutAFileAndOfferedInTheChoice) {
  if (testing::runCommand("/usr/bin/python3 -c 'import mutagen' 2>/dev/null") != 0) GTEST_SKIP() << "python3-mutagen";
  ASSERT_EQ(testing::runCommand("/usr/bin/python3 " YOURAN_LYRICS_SOURCE "/make_embedded_fixtures.py " +
                                testing::shellQuote(folder.path().string())),
            0);
  view->setLyricFont(QString());
  pageOpen = true;
  NowPlaying::Track track;
  track.row = 1;
  track.path = QString::fromStdString((folder / "unsynced.ogg").string());
  track.displayName = QStringLiteral("无文件-内嵌");
  now.setTrack(track);
  view->loadTrackLyrics(track.displayName);
  view->startLyricTimer();
  at(0.2);
  EXPECT_EQ(window.text(), QStringLiteral("没有时间的歌词")) << "the first line on the desktop";
  EXPECT_EQ(bigLabel.text(), QStringLiteral("没有时间的歌词\n第二行")) << "the whole text on the page";
  EXPECT_EQ(fetches.load(), 0) << "no fetch for a track that carries its lyric";

  LyricChoiceDialog* dialog = view->chooseLyric();
  ASSERT_GE(dialog->table()->rowCount(), 1);
  EXPECT_EQ(dialog->table()->item(0, 0)->text(), QStringLiteral("内嵌歌词"));
  dialog->accept();
  EXPECT_EQ(readLyricFile(lyricFilePath(folder.path(), "无文件-内嵌")).text, "没有时间的歌词\n第二行");
}

TEST_F(LyricsViewTest, MissingLyricFetchesOffTheUiThreadAndWritesTheFile) {
  view->setLyricFont(QString());
  holdFetch = true;
  startTrack(QStringLiteral("网络-歌"));
  // The track start did not wait for the fetch.
  EXPECT_EQ(fetches.load(), 0);
  at(1.0);
  EXPECT_EQ(window.text(), QStringLiteral("暂无 网络-歌的歌词"));
  holdFetch = false;
  // The answer arrives through the event loop; the file is written first.
  QTRY_VERIFY_WITH_TIMEOUT(!view->sync().lyricText().empty(), 5000);
  EXPECT_EQ(fetches.load(), 1);
  EXPECT_NE(fetchThread, std::this_thread::get_id());
  at(1.0);
  EXPECT_EQ(window.text(), QStringLiteral("来自网络"));
  EXPECT_EQ(readLyricFile(lyricFilePath(folder.path(), "网络-歌")).text, "[00:01.00]来自网络\r\n");

  // An answer that arrives after the next track started is stored, not shown.
  holdFetch = true;
  std::filesystem::remove(lyricFilePath(folder.path(), "网络-歌"));
  startTrack(QStringLiteral("网络-歌"));
  startTrack(QStringLiteral("本地-歌"), "[00:01.00]本地\r\n");
  holdFetch = false;
  QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::exists(lyricFilePath(folder.path(), "网络-歌")), 5000);
  QTest::qWait(100);
  at(1.0);
  EXPECT_EQ(window.text(), QStringLiteral("本地"));
  EXPECT_EQ(fetches.load(), 2);

  // An empty answer leaves an empty file, so the next start asks again.
  startTrack(QStringLiteral("无词-歌"));
  QTRY_COMPARE_WITH_TIMEOUT(fetches.load(), 3, 5000);
  const auto empty = lyricFilePath(folder.path(), "无词-歌");
  QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::exists(empty), 5000);
  EXPECT_EQ(std::filesystem::file_size(empty), 0u);
  startTrack(QStringLiteral("无词-歌"));
  QTRY_COMPARE_WITH_TIMEOUT(fetches.load(), 4, 5000);
}

TEST_F(LyricsViewTest, SwitchButtonCheckBoxAndFontChange) {
  view->setLyricFont(QStringLiteral("微软雅黑"));
  EXPECT_TRUE(box.isChecked());
  EXPECT_EQ(button.property("picture").toString(), QStringLiteral("lyric"));

  button.click();
  EXPECT_FALSE(window.isAlive());
  EXPECT_FALSE(box.isChecked());
  EXPECT_EQ(button.property("picture").toString(), QStringLiteral("lyric_off"));

  box.setChecked(true);
  EXPECT_TRUE(window.isAlive());
  EXPECT_EQ(button.property("picture").toString(), QStringLiteral("lyric"));
  box.setChecked(false);
  EXPECT_FALSE(window.isAlive());

  // A font change while off does not bring the line back.
  view->setLyricFont(QStringLiteral("楷体"));
  EXPECT_FALSE(window.isAlive());
  button.click();
  ASSERT_TRUE(window.isAlive());
  EXPECT_EQ(window.renderer().font().pixelSize(), 40);
  EXPECT_TRUE(window.renderer().font().bold());
}

TEST(DesktopLyricsWindowTest, CreationCloseAndFonts) {
  DesktopLyricsWindow window;
  window.recreate(QStringLiteral("没有这种字体"));
  ASSERT_TRUE(window.isAlive());
  EXPECT_FALSE(window.create()) << "the window exists already";
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_EQ(window.getWidth(), area.width());
  EXPECT_EQ(window.getHeight(), 150);
  EXPECT_EQ(window.getY() + window.getHeight(), area.bottom() + 1);
  EXPECT_TRUE(window.widget()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(window.widget()->testAttribute(Qt::WA_TranslucentBackground));
  EXPECT_FALSE(window.fontFamily().isEmpty());

  EXPECT_EQ(DesktopLyricsWindow::fontCandidates(QStringLiteral("Foo")),
            (QStringList{QStringLiteral("Foo"), QStringLiteral("微软雅黑"), QStringLiteral("楷体"),
                         QStringLiteral("黑体"), QStringLiteral("宋体"), QStringLiteral("Tahoma")}));
  EXPECT_EQ(DesktopLyricsWindow::fontCandidates(QString()).first(), QStringLiteral("微软雅黑"));

  // Close requests are ignored while blocked; the session's end lifts that.
  EXPECT_FALSE(window.widget()->close());
  EXPECT_TRUE(window.isAlive());
  window.allowCloseForSessionEnd();
  EXPECT_FALSE(window.closeBlocked());

  // Only the text takes the mouse.
  window.setText(QStringLiteral("一句歌词"));
  const QRegion mask = window.widget()->mask();
  EXPECT_FALSE(mask.isEmpty());
  EXPECT_FALSE(mask.contains(QPoint(0, 0)));
  EXPECT_TRUE(window.renderer().textRect().toAlignedRect().adjusted(-2, -2, 4, 4).contains(mask.boundingRect()));

  window.setLocked(true);
  EXPECT_TRUE(window.widget()->windowFlags().testFlag(Qt::WindowTransparentForInput));
  window.destroy();
  EXPECT_FALSE(window.isAlive());
  window.setText(QStringLiteral("没有窗口也不出错"), 40);
  EXPECT_EQ(window.progress(), 40);
}

}  // namespace
}  // namespace youran
