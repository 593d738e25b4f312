#include "app/player_app.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

#include "app/exit_dialog.h"
#include "app/main_window.h"
#include "ui/notice_dialog.h"
#include "settings/settings_file.h"
#include "app/settings_page.h"
#include "ui/spinner.h"
#include "base/data_folder.h"
#include "support/temp_folder.h"

namespace youran {
namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

std::vector<NoticeDialog*> openNotices() {
  std::vector<NoticeDialog*> notices;
  for (auto* widget : QApplication::topLevelWidgets())
    if (auto* notice = qobject_cast<NoticeDialog*>(widget); notice && notice->isVisible())
      notices.push_back(notice);
  return notices;
}

class PlayerAppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setDataFolder(folder.path());
    lockPath = folder / "player.lock";
    setNoticeProcessEnd([this] { ++processEnds; });
  }
  void TearDown() override {
    for (auto* notice : openNotices()) notice->close();
    QApplication::processEvents();
    setNoticeProcessEnd([] { QCoreApplication::exit(0); });
  }

  StartupHooks recordingHooks() {
    StartupHooks hooks;
    hooks.initAudio = [this] {
      calls.push_back("initAudio");
      return audioWorks;
    };
    hooks.loadPlugin = [this](const QString& path) { plugins.push_back(path); };
    hooks.loadPlaylist = [this] { calls.push_back("loadPlaylist"); };
    hooks.setUpTaskbar = [this] { calls.push_back("setUpTaskbar"); };
    hooks.applyWindowChrome = [this] { calls.push_back("applyWindowChrome"); };
    hooks.createDesktopLyrics = [this](const QString& font) {
      calls.push_back("createDesktopLyrics:" + font.toStdString());
    };
    hooks.stopWorkers = [this] { calls.push_back("stopWorkers"); };
    hooks.stopStream = [this] { calls.push_back("stopStream"); };
    hooks.freeAudio = [this] { calls.push_back("freeAudio"); };
    return hooks;
  }

  template <typename T>
  T* find(PlayerApp& app, const char* name) {
    auto* widget = app.mainWindow()->findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  testing::TempFolder folder;
  std::filesystem::path lockPath;
  std::vector<std::string> calls;
  std::vector<QString> plugins;
  bool audioWorks = true;
  int processEnds = 0;
};

TEST_F(PlayerAppTest, FirstStartCreatesFoldersAndShowsDefaults) {
  PlayerApp app(recordingHooks());
  ASSERT_TRUE(app.start(lockPath));
  EXPECT_TRUE(app.mainWindow()->isVisible());
  EXPECT_TRUE(std::filesystem::is_directory(folder / "Lyrics"));
  EXPECT_TRUE(std::filesystem::is_directory(folder / "Pic"));
  EXPECT_TRUE(std::filesystem::is_directory(folder / "YouranMusicDownload"));
  EXPECT_FALSE(std::filesystem::exists(folder / "Setting.ini")) << "never created up front";

  EXPECT_EQ(find<QLineEdit>(app, "下载路径")->text(), q((folder / "YouranMusicDownload").string() + "/"));
  // The default is a Windows font: the field names the family drawn in its
  // place, and nothing is written.
  const QString shownFont = find<QLineEdit>(app, "字体")->text();
  EXPECT_TRUE(QFontDatabase::hasFamily(shownFont)) << shownFont.toStdString();
  EXPECT_EQ(shownFont, installedFontFamily(QStringLiteral("微软雅黑")));
  EXPECT_EQ(find<QLabel>(app, "歌曲名标签")->text(), QStringLiteral("等待播放"));
  EXPECT_TRUE(app.desktopLyricsOn());
  EXPECT_TRUE(app.mainWindow()->settingsPage()->blurOn());
  EXPECT_TRUE(app.mainWindow()->spectrumTimer()->isActive());
  EXPECT_EQ(app.mainWindow()->spectrumTimer()->interval(), 30);
  EXPECT_EQ(app.trayIcon()->toolTip(), QStringLiteral("悠然音乐 6"));

  const std::vector<std::string> expected = {"initAudio", "loadPlaylist", "setUpTaskbar",
                                             "applyWindowChrome", "createDesktopLyrics:" + shownFont.toStdString()};
  EXPECT_EQ(calls, expected);
  EXPECT_TRUE(openNotices().empty());
}

TEST_F(PlayerAppTest, StoredSettingsAreShownAndOddFlagsKeepTheDefault) {
  ASSERT_TRUE(writeSetting("Download", "Location", (folder / "elsewhere").string() + "/"));
  ASSERT_TRUE(writeSetting("Lyric", "Font", "Noto Sans"));
  ASSERT_TRUE(writeSetting("Vision", "Gaussian", "F"));
  ASSERT_TRUE(writeSetting("Vision", "Spectrum", "F"));
  {
    PlayerApp app(recordingHooks());
    ASSERT_TRUE(app.start(lockPath));
    EXPECT_EQ(find<QLineEdit>(app, "下载路径")->text(), q((folder / "elsewhere").string() + "/"));
    EXPECT_FALSE(std::filesystem::exists(folder / "elsewhere")) << "a stored folder is used as read";
    EXPECT_EQ(find<QLineEdit>(app, "字体")->text(), installedFontFamily(QStringLiteral("Noto Sans")));
    EXPECT_EQ(app.lyricFont(), installedFontFamily(QStringLiteral("Noto Sans")));
    EXPECT_EQ(readSetting("Lyric", "Font"), "Noto Sans") << "the stored name stays until the user picks";
    EXPECT_FALSE(app.mainWindow()->settingsPage()->blurOn());
    EXPECT_EQ(find<QPushButton>(app, "高斯开")->property("picture").toString(), QStringLiteral("toggle_off"));
    EXPECT_FALSE(app.mainWindow()->spectrumTimer()->isActive());
    EXPECT_TRUE(app.mainWindow()->spectrumCanvas()->isHidden());
  }
  ASSERT_TRUE(writeSetting("Vision", "Gaussian", "t"));
  ASSERT_TRUE(writeSetting("Vision", "Spectrum", "1"));
  ASSERT_TRUE(writeSetting("Download", "Location", ""));
  PlayerApp app(recordingHooks());
  ASSERT_TRUE(app.start(lockPath));
  EXPECT_TRUE(app.mainWindow()->settingsPage()->blurOn());
  EXPECT_TRUE(app.mainWindow()->settingsPage()->spectrumOn());
  EXPECT_EQ(find<QLineEdit>(app, "下载路径")->text(), q((folder / "YouranMusicDownload").string() + "/"));
}

TEST_F(PlayerAppTest, SecondCopyShowsOnlyTheNoticeAndEndsOnOk) {
  InstanceLock firstCopy;
  ASSERT_TRUE(firstCopy.acquire(lockPath));
  PlayerApp second(recordingHooks());
  EXPECT_FALSE(second.start(lockPath));
  EXPECT_FALSE(second.mainWindow()->isVisible());
  EXPECT_TRUE(calls.empty()) << "nothing else of the start-up runs";
  EXPECT_FALSE(std::filesystem::exists(folder / "Lyrics"));

  auto notices = openNotices();
  ASSERT_EQ(notices.size(), 1u);
  auto* notice = notices.front();
  EXPECT_EQ(notice->findChild<QLabel*>(QStringLiteral("万能标题"))->text(), QStringLiteral("悠然提醒您："));
  EXPECT_EQ(notice->findChild<QLabel*>(QStringLiteral("万能内容"))->text(),
            QStringLiteral("悠然音乐已经在运行了！ QAQ"));
  auto* ok = notice->findChild<QPushButton*>(QStringLiteral("确定"));
  EXPECT_EQ(ok->x(), NoticeDialog::kOkRightX);
  EXPECT_TRUE(notice->notice().alternativeBackground);
  EXPECT_EQ(notice->size(), QSize(366, 175));

  QTest::mouseClick(ok, Qt::LeftButton);
  EXPECT_EQ(processEnds, 1);
  EXPECT_FALSE(second.mainWindow()->isVisible());
}

TEST_F(PlayerAppTest, NoSoundDeviceShowsTheNoticeAndStartUpGoesOn) {
  audioWorks = false;
  PlayerApp app(recordingHooks());
  ASSERT_TRUE(app.start(lockPath));
  EXPECT_TRUE(app.mainWindow()->isVisible());
  auto notices = openNotices();
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices.front()->notice().title, QStringLiteral("出错啦~~~~ QAQ"));
  EXPECT_FALSE(notices.front()->notice().exitAfter);
  EXPECT_TRUE(std::filesystem::is_directory(folder / "Pic"));
  // OK closes the notice and leaves the player running.
  QTest::mouseClick(notices.front()->findChild<QPushButton*>(QStringLiteral("确定")), Qt::LeftButton);
  QApplication::processEvents();
  EXPECT_TRUE(openNotices().empty());
  EXPECT_EQ(processEnds, 0);
}

TEST_F(PlayerAppTest, PluginScanPassesOnlyDecoderPlugins) {
  folder.write("Plugins/cod_flac.so", "x");
  folder.write("Plugins/cod_ape.so", "x");
  folder.write("Plugins/readme.txt", "x");
  folder.write("Plugins/other.so", "x");
  PlayerApp app(recordingHooks());
  ASSERT_TRUE(app.start(lockPath));
  std::sort(plugins.begin(), plugins.end());
  ASSERT_EQ(plugins.size(), 2u);
  EXPECT_EQ(plugins[0], q((folder / "Plugins" / "cod_ape.so").string()));
  EXPECT_EQ(plugins[1], q((folder / "Plugins" / "cod_flac.so").string()));
}

TEST_F(PlayerAppTest, ExitDialogKeepsRunningOrQuitsInOrder) {
  PlayerApp app(recordingHooks());
  ASSERT_TRUE(app.start(lockPath));
  calls.clear();

  QString title;
  app.answerExitDialog = [&](ExitDialog& dialog) {
    title = dialog.windowTitle();
    dialog.keepRunningOption()->setChecked(true);
    dialog.confirmButton()->click();
  };
  QTest::mouseClick(find<QPushButton>(app, "关闭"), Qt::LeftButton);
  EXPECT_EQ(title, QStringLiteral("退出悠然音乐"));
  EXPECT_FALSE(app.mainWindow()->isVisible() && !app.mainWindow()->isMinimized());
  EXPECT_TRUE(calls.empty());

  app.showMainWindow();
  EXPECT_TRUE(app.mainWindow()->isVisible());
  bool shutDownSignal = false;
  QObject::connect(&app, &PlayerApp::shutDown, [&] { shutDownSignal = true; });
  app.answerExitDialog = [](ExitDialog& dialog) {
    dialog.quitOption()->setChecked(true);
    dialog.confirmButton()->click();
  };
  QTest::mouseClick(find<QPushButton>(app, "关闭"), Qt::LeftButton);
  const std::vector<std::string> expected = {"stopWorkers", "stopStream", "freeAudio"};
  EXPECT_EQ(calls, expected);
  EXPECT_TRUE(shutDownSignal);
  EXPECT_FALSE(app.mainWindow()->isVisible());
}

TEST_F(PlayerAppTest, PageLabelsAndTheBackButtonSwitchPages) {
  PlayerApp app(recordingHooks());
  ASSERT_TRUE(app.start(lockPath));
  auto* pages = find<QStackedWidget>(app, "选择夹1");
  auto* back = find<QPushButton>(app, "返回");
  EXPECT_EQ(pages->currentIndex(), 0);

  struct Step {
    const char* label;
    int page;
    bool backVisible;
  };
  const Step steps[] = {{"正在播放", 1, true}, {"设置", 2, false}, {"搜索", 3, false}, {"我的音乐", 0, false}};
  for (const auto& step : steps) {
    QTest::mouseClick(find<QLabel>(app, step.label), Qt::LeftButton);
    EXPECT_EQ(pages->currentIndex(), step.page) << step.label;
    EXPECT_EQ(back->isVisible(), step.backVisible) << step.label;
  }

  QTest::mouseClick(find<QLabel>(app, "正在播放"), Qt::LeftButton);
  EXPECT_TRUE(find<QLabel>(app, "歌词大")->isVisible());
  QTest::mouseClick(back, Qt::LeftButton);
  EXPECT_EQ(pages->currentIndex(), 0);
  EXPECT_FALSE(back->isVisible());

  // Opening the search page carries the playlist page's search text over.
  find<QLineEdit>(app, "搜索框")->setText(QStringLiteral("周杰伦"));
  QTest::mouseClick(find<QLabel>(app, "搜索"), Qt::LeftButton);
  EXPECT_EQ(find<QLineEdit>(app, "搜索框1")->text(), QStringLiteral("周杰伦"));
  EXPECT_FALSE(find<QFrame>(app, "蓝框")->isVisible()) << "no results yet";
}

TEST_F(PlayerAppTest, SwitchesWriteTheirKeys) {
  PlayerApp app(recordingHooks());
  ASSERT_TRUE(app.start(lockPath));
  auto* blur = find<QPushButton>(app, "高斯开");
  auto* spectrum = find<QPushButton>(app, "可视开");

  QTest::mouseClick(blur, Qt::LeftButton);
  EXPECT_EQ(readSetting("Vision", "Gaussian"), "F");
  EXPECT_EQ(blur->property("picture").toString(), QStringLiteral("toggle_off"));
  QTest::mouseClick(blur, Qt::LeftButton);
  EXPECT_EQ(readSetting("Vision", "Gaussian"), "T");
  EXPECT_EQ(blur->property("picture").toString(), QStringLiteral("toggle_on"));

  QTest::mouseClick(spectrum, Qt::LeftButton);
  EXPECT_EQ(readSetting("Vision", "Spectrum"), "F");
  EXPECT_FALSE(app.mainWindow()->spectrumTimer()->isActive());
  EXPECT_TRUE(app.mainWindow()->spectrumCanvas()->isHidden());
  QTest::mouseClick(spectrum, Qt::LeftButton);
  EXPECT_EQ(readSetting("Vision", "Spectrum"), "T");
  EXPECT_TRUE(app.mainWindow()->spectrumTimer()->isActive());
  EXPECT_FALSE(app.mainWindow()->spectrumCanvas()->isHidden());
}

TEST_F(PlayerAppTest, ChangingTheDownloadFolderAndTheFont) {
  PlayerApp app(recordingHooks());
  ASSERT_TRUE(app.start(lockPath));
  auto* page = app.mainWindow()->settingsPage();
  auto* field = find<QLineEdit>(app, "下载路径");
  QString answer;
  page->chooseFolder = [&] { return answer; };

  answer = QStringLiteral("/");
  QTest::mouseClick(find<QPushButton>(app, "更改目录"), Qt::LeftButton);
  EXPECT_EQ(readSetting("Download", "Location"), "/");
  EXPECT_EQ(field->text(), QStringLiteral("/"));

  answer = q((folder / "音乐").string());
  QTest::mouseClick(find<QPushButton>(app, "更改目录"), Qt::LeftButton);
  EXPECT_EQ(readSetting("Download", "Location"), (folder / "音乐").string() + "/");
  EXPECT_EQ(field->text(), answer + "/");

  answer.clear();  // cancelled
  QTest::mouseClick(find<QPushButton>(app, "更改目录"), Qt::LeftButton);
  EXPECT_EQ(readSetting("Download", "Location"), (folder / "音乐").string() + "/");

  calls.clear();
  page->chooseFont = [](const QString& current) -> std::optional<QString> {
    EXPECT_EQ(current, installedFontFamily(QStringLiteral("微软雅黑"))) << "the dialog opens on the font in use";
    return QStringLiteral("Not Installed Font");
  };
  QTest::mouseClick(find<QPushButton>(app, "修改字体"), Qt::LeftButton);
  EXPECT_EQ(find<QLineEdit>(app, "字体")->text(), QStringLiteral("Not Installed Font"));
  EXPECT_EQ(readSetting("Lyric", "Font"), "Not Installed Font");
  EXPECT_EQ(calls, std::vector<std::string>{"createDesktopLyrics:Not Installed Font"});
  page->chooseFont = [](const QString&) -> std::optional<QString> { return std::nullopt; };
  QTest::mouseClick(find<QPushButton>(app, "修改字体"), Qt::LeftButton);
  EXPECT_EQ(readSetting("Lyric", "Font"), "Not Installed Font");
}

TEST_F(PlayerAppTest, SpinnerRunsOneCycleOf122GlyphsThenPauses) {
  PlayerApp app(recordingHooks());
  ASSERT_TRUE(app.start(lockPath));
  auto* spinner = app.mainWindow()->spinner();
  auto* label = find<QLabel>(app, "圆圈");
  EXPECT_EQ(label->font().family(), QStringLiteral("Setup"));
  EXPECT_TRUE(Spinner::registerFont());
  spinner->start();
  EXPECT_TRUE(label->isVisible());
  EXPECT_EQ(spinner->frameTimer()->interval(), 30);

  std::vector<char32_t> shown;
  for (int i = 0; i < 122; ++i) {
    spinner->onFrame();
    shown.push_back(label->text().toUcs4().value(0));
  }
  EXPECT_EQ(shown.front(), 0xE052u);
  EXPECT_EQ(shown.back(), 0xE0CBu);
  EXPECT_TRUE(spinner->frameTimer()->isActive());
  spinner->onFrame();
  EXPECT_EQ(label->text(), QStringLiteral(" "));
  EXPECT_EQ(spinner->glyph(), 0xE052u);
  EXPECT_FALSE(spinner->frameTimer()->isActive());
  EXPECT_TRUE(spinner->pauseTimer()->isActive());
  EXPECT_EQ(spinner->pauseTimer()->interval(), 250);
  spinner->onPause();
  EXPECT_TRUE(spinner->frameTimer()->isActive());
  EXPECT_FALSE(spinner->pauseTimer()->isActive());
  spinner->stop();
  EXPECT_FALSE(label->isVisible());
}

TEST_F(PlayerAppTest, EveryNamedControlExists) {
  PlayerApp app(recordingHooks());
  const char* names[] = {"图片框1", "选择夹1", "播放列表框", "歌曲名标签", "歌曲名标签1", "歌手名标签",
                         "时间标签", "标签总时间", "进度条", "进度白条", "进度钮", "音量条", "音量白条",
                         "音量钮", "音量标签", "播放暂停", "播放暂停按钮", "上一曲按钮", "下一曲按钮1",
                         "循环", "最小化", "关闭", "返回", "圆圈", "下载路径", "字体", "高斯开", "可视开",
                         "更改目录", "图片框2", "图片框4", "歌词大", "搜索框", "搜索框1", "蓝框", "频谱画板",
                         "歌词", "选择框1"};
  for (const char* name : names)
    EXPECT_NE(app.mainWindow()->findChild<QWidget*>(QString::fromUtf8(name)), nullptr) << name;
  for (const char* timer : {"内存优化", "时钟1", "时钟2", "频谱时钟"})
    EXPECT_NE(app.mainWindow()->findChild<QTimer*>(QString::fromUtf8(timer)), nullptr) << timer;
  EXPECT_EQ(app.mainWindow()->size(), QSize(968, 560));
  EXPECT_EQ(app.mainWindow()->findChild<QWidget*>(QStringLiteral("图片框1"))->size(), QSize(296, 560));
}

TEST_F(PlayerAppTest, KnobsStayOnTheirTracks) {
  PlayerApp app(recordingHooks());
  auto* window = app.mainWindow();
  struct Case {
    int x, knob, fill;
  };
  for (auto c : {Case{0, 382, 0}, Case{500, 500, 118}, Case{9999, 706, 324}}) {
    window->placeProgressKnob(c.x);
    EXPECT_EQ(window->progressKnob()->x(), c.knob);
    EXPECT_EQ(window->progressFill()->width(), c.fill);
  }
  for (auto c : {Case{0, 816, 0}, Case{866, 866, 50}, Case{2000, 916, 100}}) {
    window->placeVolumeKnob(c.x);
    EXPECT_EQ(window->volumeKnob()->x(), c.knob);
    EXPECT_EQ(window->volumeFill()->width(), c.fill);
  }
}

}  // namespace
}  // namespace youran
