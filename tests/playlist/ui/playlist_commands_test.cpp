#include "playlist/ui/playlist_commands.h"

#include <gtest/gtest.h>

#include <QItemSelectionModel>

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <atomic>
#include <functional>
#include <thread>

#include "ui/notice_dialog.h"
#include "app/pages.h"
#include "playlist/ui/playlist_menus.h"
#include "settings/settings_file.h"
#include "base/data_folder.h"
#include "base/qt_path.h"
#include "base/text_encoding.h"
#include "lyrics/lyric_file.h"
#include "playback/audio_engine.h"
#include "playback/controller/now_playing.h"
#include "playback/controller/playback_controller.h"
#include "playlist/folder_scan.h"
#include "playlist/music_list_file.h"
#include "playlist/ui/playlist_controller.h"
#include "playlist/ui/playlist_model.h"
#include "support/temp_folder.h"
#include "support/qt/tone_tracks.h"

namespace youran {
namespace {

namespace fs = std::filesystem;

class ScriptedPrompts : public PlaylistPrompts {
 public:
  QStringList chooseFiles(QWidget*) override {
    ++fileDialogs;
    return files;
  }
  QString chooseFolder(QWidget*) override {
    ++folderDialogs;
    return folder;
  }
  bool askYesNo(QWidget*, QMessageBox::Icon icon, const QString& text) override {
    questions << text;
    icons << icon;
    return answer;
  }

  QStringList files;
  QString folder;
  bool answer = false;
  int fileDialogs = 0;
  int folderDialogs = 0;
  QStringList questions;
  QList<QMessageBox::Icon> icons;
};

std::vector<Notice> shownNotices() {
  std::vector<Notice> notices;
  for (auto* widget : QApplication::topLevelWidgets())
    if (auto* dialog = qobject_cast<NoticeDialog*>(widget); dialog && dialog->isVisible())
      notices.push_back(dialog->notice());
  return notices;
}

void closeNotices() {
  for (auto* widget : QApplication::topLevelWidgets())
    if (qobject_cast<NoticeDialog*>(widget)) widget->close();
  QApplication::processEvents();
}

class PlaylistCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(folder / "data" / "Lyrics");
    setDataFolder(folder / "data");
    // The desktop's trash lives in the home data folder; both point into
    // this test's folder, on the same mount as the tracks.
    savedHome = qgetenv("HOME");
    savedDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("HOME", QByteArray::fromStdString(folder.path().string()));
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString((folder / "share").string()));
    engine.init(0);

    ConversionFunctions functions;
    functions.nameTrack = [](const std::string&, const std::string& name) {
      return ConversionNames{name, name, {}};
    };
    functions.measureSeconds = [this](const std::string&) -> std::optional<double> {
      while (holdPass.load()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
      return 3.0;
    };
    functions.isPlaying = [] { return false; };
    playlist = std::make_unique<PlaylistController>(functions);
    playlist->attachView(page.playlistView());
    playback = std::make_unique<PlaybackController>(engine, now, *playlist);
    playlist->followNowPlaying(now);
    commands = std::make_unique<PlaylistCommands>(*playlist, *playback, &page);
    commands->setPrompts(&prompts);
    menus = std::make_unique<PlaylistMenus>(*page.playlistView(), *playlist, *commands);
  }

  void TearDown() override {
    holdPass = false;
    closeNotices();
    playback->stop();
    menus.reset();
    commands.reset();
    playback.reset();
    playlist.reset();
    qputenv("HOME", savedHome);
    if (savedDataHome.isEmpty())
      qunsetenv("XDG_DATA_HOME");
    else
      qputenv("XDG_DATA_HOME", savedDataHome);
  }

  // Four tone rows, "Artist N-Title N" over trackN.wav; row `playing` plays.
  void addTonesAndPlay(int playing) {
    testing::addToneTracks(*playlist, folder, 4, 44100 * 3);
    if (playing > 0) playback->playRow(playing);
  }

  std::string track(int n) const {
    return (folder / ("track" + std::to_string(n) + ".wav")).string();
  }
  std::vector<std::string> paths() const {
    std::vector<std::string> out;
    for (const auto& row : playlist->list().rows()) out.push_back(row.path);
    return out;
  }
  bool waitForIdle() {
    return QTest::qWaitFor([&] { return !playlist->anyConversionPassRunning(); }, 20000);
  }
  fs::path trash() const { return folder / "share" / "Trash"; }

  testing::TempFolder folder;
  QByteArray savedHome, savedDataHome;
  AudioEngine engine;
  NowPlaying now;
  MusicPage page;
  std::atomic<bool> holdPass{false};
  ScriptedPrompts prompts;
  std::unique_ptr<PlaylistController> playlist;
  std::unique_ptr<PlaybackController> playback;
  std::unique_ptr<PlaylistCommands> commands;
  std::unique_ptr<PlaylistMenus> menus;
};

TEST_F(PlaylistCommandsTest, AddedFilesKeepTheDialogOrderAndGetConverted) {
  prompts.files = {QString::fromStdString(folder.write("b.mp3", "x").string()),
                   QString::fromStdString(folder.write("a.flac", "x").string())};
  commands->addFilesFromDialog();
  ASSERT_EQ(paths(),
            (std::vector<std::string>{(folder / "b.mp3").string(), (folder / "a.flac").string()}));
  EXPECT_EQ(playlist->list().atIndex(1).name, fileNameDisplayName((folder / "a.flac").string()));
  EXPECT_EQ(playlist->list().atIndex(1).duration, "") << "adding reads no tags itself";
  EXPECT_EQ(playlist->list().atIndex(1).number, "  2");
  ASSERT_TRUE(waitForIdle());
  QTest::qWait(50);
  EXPECT_TRUE(playlist->list().atIndex(0).converted()) << "a pass ran over the new rows";
  EXPECT_EQ(playlist->list().atIndex(0).duration, "00:03");

  prompts.files.clear();
  commands->addFilesFromDialog();
  EXPECT_EQ(prompts.fileDialogs, 2);
  EXPECT_EQ(playlist->list().size(), 2u) << "a cancelled dialog adds nothing";
}

TEST_F(PlaylistCommandsTest, ScanningTwiceThenRemovingDuplicatesLeavesOneOfEach) {
  for (const char* name : {"music/1.mp3", "music/2.wav", "music/sub/3.ogg", "music/cover.jpg"})
    folder.write(name, "x");
  prompts.folder = QString::fromStdString((folder / "music").string());
  commands->scanFolderCommand();
  const auto once = paths();
  ASSERT_EQ(once.size(), 3u);
  prompts.folder += '/';
  commands->scanFolderCommand();
  auto twice = paths();
  ASSERT_EQ(twice.size(), 6u);
  EXPECT_EQ(std::vector<std::string>(twice.begin() + 3, twice.end()), once)
      << "with or without a trailing separator, the same rows";
  ASSERT_TRUE(waitForIdle());

  QSignalSpy titles(commands.get(), &PlaylistCommands::windowTitleChanged);
  commands->removeDuplicates();
  EXPECT_EQ(paths(), once);
  EXPECT_EQ(playlist->list().atIndex(2).number, "  3");
  ASSERT_EQ(titles.count(), 2);
  EXPECT_EQ(titles.at(0).at(0).toString(), QStringLiteral("正在移除重复项目，请稍后。。"));
  EXPECT_EQ(titles.at(1).at(0).toString(), QStringLiteral("悠然音乐 6"));
  auto notices = shownNotices();
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].title, QString());
  EXPECT_EQ(notices[0].text,
            QStringLiteral("列表去除重复已完成啦，如果还发现有重复曲目可以重试下！ QAQ"));
  TrackList saved;
  loadMusicList(musicListPath(), saved);
  EXPECT_EQ(saved.size(), 3u);
}

TEST_F(PlaylistCommandsTest, RemovingDuplicatesStopsATrackItDeletesAndKeepsTheIndex) {
  testing::addToneTracks(*playlist, folder, 2, 44100);
  playlist->list().addTrack(track(1), "00:01", "Artist 1-Title 1", "真");
  playlist->list().addTrack(track(2), "00:01", "Artist 2-Title 2", "真");
  // Rows 1 2 1 2: row 1's twin goes from position 3, then row 2's from 3.
  playback->playRow(3);
  ASSERT_EQ(now.playState(), PlayState::playing);
  commands->removeDuplicates();
  EXPECT_EQ(paths(), (std::vector<std::string>{track(1), track(2)}));
  EXPECT_EQ(now.playState(), PlayState::idle);
  EXPECT_EQ(playback->currentIndex(), 3);
}

TEST_F(PlaylistCommandsTest, EveryRemovingCommandRefusesWhileAPassRuns) {
  addTonesAndPlay(2);
  holdPass = true;
  playlist->addTracks({folder.write("new.mp3", "x").string()}, PassSlot::openFiles);
  ASSERT_TRUE(QTest::qWaitFor([&] { return playlist->anyConversionPassRunning(); }, 5000));
  const auto before = paths();
  playlist->selectRow(1);
  prompts.answer = true;
  const std::pair<const char*, void (PlaylistCommands::*)()> removing[] = {
      {"RemoveSelected", &PlaylistCommands::removeSelected},
      {"RemoveDuplicates", &PlaylistCommands::removeDuplicates},
      {"RemoveAll", &PlaylistCommands::removeAll},
      {"DeleteSelectedToRecycleBin", &PlaylistCommands::deleteSelectedToRecycleBin}};
  for (const auto& [name, command] : removing) {
    ((*commands).*command)();
    auto notices = shownNotices();
    ASSERT_EQ(notices.size(), 1u) << name;
    EXPECT_EQ(notices[0].title, QString()) << name;
    EXPECT_EQ(notices[0].text, QStringLiteral("播放列表工作人员正在火速工作中，请稍后重试！"))
        << name;
    EXPECT_EQ(paths(), before) << name;
    EXPECT_EQ(playback->currentIndex(), 2) << name;
    closeNotices();
  }
  EXPECT_TRUE(prompts.questions.isEmpty()) << "nothing is asked before the busy check";
  EXPECT_TRUE(fs::exists(track(1)));
  holdPass = false;
  ASSERT_TRUE(waitForIdle());
}

TEST_F(PlaylistCommandsTest, RemovingTheRowAboveKeepsTheTrackAndRemovingThePlayingRowPlaysTheNext) {
  addTonesAndPlay(3);
  const uint32_t stream = playback->currentStream();
  playlist->selectRow(1);
  commands->removeSelected();
  EXPECT_EQ(playback->currentIndex(), 2);
  EXPECT_EQ(now.currentRow(), 2);
  EXPECT_EQ(now.track().path.toStdString(), track(3));
  EXPECT_EQ(playback->currentStream(), stream) << "the same stream goes on";
  EXPECT_EQ(playlist->list().atIndex(0).number, "  1");

  playlist->selectRow(2);  // the playing row, track 3
  commands->removeSelected();
  EXPECT_EQ(paths(), (std::vector<std::string>{track(2), track(4)}));
  EXPECT_EQ(playback->currentIndex(), 2);
  EXPECT_EQ(now.track().path.toStdString(), track(4)) << "the row that moved into its place plays";
  EXPECT_EQ(now.playState(), PlayState::playing);

  playlist->selectRow(1);
  playlist->view()->clearSelection();
  commands->removeSelected();
  EXPECT_EQ(paths().size(), 2u) << "no selection, nothing removed";
  TrackList saved;
  loadMusicList(musicListPath(), saved);
  EXPECT_EQ(saved.size(), 2u);
}

// Ctrl-clicked rows go together: the one above and the playing one, so the
// first row kept below the playing one moves into its place and plays.
TEST_F(PlaylistCommandsTest, RemovingSeveralSelectedRowsPlaysTheFirstRowKeptBelowThePlayingOne) {
  addTonesAndPlay(2);
  auto* selection = playlist->view()->selectionModel();
  selection->clearSelection();
  for (int row : {3, 1, 2})
    selection->select(playlist->model()->indexAtRow(row, 2), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  ASSERT_EQ(playlist->selectedRows(), (QList<int>{1, 2, 3}));
  commands->removeSelected();
  EXPECT_EQ(paths(), (std::vector<std::string>{track(4)}));
  EXPECT_EQ(playlist->list().atIndex(0).number, "  1");
  EXPECT_EQ(playback->currentIndex(), 1);
  EXPECT_EQ(now.track().path.toStdString(), track(4));
  EXPECT_EQ(now.playState(), PlayState::playing);
  TrackList saved;
  loadMusicList(musicListPath(), saved);
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved.atIndex(0).path, track(4));
}

TEST_F(PlaylistCommandsTest, RemoveAllAsksWritesTheStateAndSavesTheHeaderAlone) {
  prompts.answer = false;
  addTonesAndPlay(2);
  commands->removeAll();
  EXPECT_EQ(playlist->list().size(), 4u);
  EXPECT_EQ(playback->currentIndex(), 2) << "No keeps everything";
  EXPECT_FALSE(fs::exists(stateFilePath()));

  prompts.answer = true;
  commands->removeAll();
  EXPECT_TRUE(playlist->list().empty());
  EXPECT_EQ(playback->currentIndex(), 0);
  EXPECT_EQ(now.playState(), PlayState::idle);
  EXPECT_EQ(testing::readFile(musicListPath()), utf8ToGb18030("[音乐播放器列表文件]"));

  fs::remove(stateFilePath());
  fs::remove(musicListPath());
  commands->removeAll();  // an empty list still asks and writes
  ASSERT_EQ(prompts.questions.size(), 3);
  EXPECT_EQ(prompts.questions.last(), QStringLiteral("是否要全部移除！"));
  EXPECT_EQ(prompts.icons.last(), QMessageBox::Information);
  EXPECT_EQ(readState("是否启动播放", "上一首是："), "0");
  EXPECT_EQ(readState("是否启动播放", "播放位置："), "0");
  EXPECT_EQ(testing::readFile(musicListPath()), utf8ToGb18030("[音乐播放器列表文件]"));
  EXPECT_FALSE(fs::exists(settingsFilePath()))
      << "Setting.ini never changes because of these values";
}

TEST_F(PlaylistCommandsTest, DeletingToTheTrashAsksAndTakesTheLyricFileAlong) {
  addTonesAndPlay(2);
  const auto lyric = lyricFilePath(dataFolder(), "Artist 1-Title 1");
  ASSERT_FALSE(writeLyricFile(lyric, "[00:01]一句"));

  prompts.answer = false;
  playlist->selectRow(1);
  commands->deleteSelectedToRecycleBin();
  ASSERT_EQ(prompts.questions.size(), 1);
  EXPECT_EQ(prompts.questions[0],
            QStringLiteral("【") + QString::fromStdString(track(1)) +
                QStringLiteral("】   你确定要删除到回收站吗？，如有歌词文件也一起被删除！"));
  EXPECT_EQ(prompts.icons[0], QMessageBox::Warning);
  EXPECT_EQ(playback->currentIndex(), 2) << "No keeps the current index";
  EXPECT_TRUE(fs::exists(track(1)));

  prompts.answer = true;
  commands->deleteSelectedToRecycleBin();
  EXPECT_FALSE(fs::exists(track(1)));
  EXPECT_FALSE(fs::exists(lyric));
  EXPECT_TRUE(fs::exists(trash() / "files" / "track1.wav"));
  EXPECT_TRUE(fs::exists(trash() / "files" / lyric.filename()));
  const std::string info = testing::readFile(trash() / "info" / "track1.wav.trashinfo");
  EXPECT_NE(info.find("[Trash Info]"), std::string::npos) << info;
  EXPECT_NE(info.find("Path=" + track(1)), std::string::npos) << info;
  EXPECT_EQ(playback->currentIndex(), 1);
  EXPECT_EQ(now.track().path.toStdString(), track(2));

  playlist->selectRow(1);  // the playing row
  commands->deleteSelectedToRecycleBin();
  EXPECT_EQ(
      prompts.questions.last(),
      QStringLiteral("【") + QString::fromStdString(track(2)) +
          QStringLiteral("】   正在播放，删除后会自动跳转到下一曲，如有歌词文件也一起被删除！"));
  EXPECT_TRUE(fs::exists(trash() / "files" / "track2.wav"));
  EXPECT_EQ(paths(), (std::vector<std::string>{track(3), track(4)}));
  EXPECT_EQ(now.track().path.toStdString(), track(3)) << "the next track plays";
  EXPECT_EQ(now.playState(), PlayState::playing);
  TrackList saved;
  loadMusicList(musicListPath(), saved);
  EXPECT_EQ(saved.size(), 2u);
}

TEST_F(PlaylistCommandsTest, AMissingFileOrAFailedTrashMoveIsReportedAndTheRowStays) {
  addTonesAndPlay(0);
  fs::remove(track(2));
  playlist->selectRow(2);
  for (auto command :
       {&PlaylistCommands::deleteSelectedToRecycleBin, &PlaylistCommands::openSelectedLocation}) {
    ((*commands).*command)();
    auto notices = shownNotices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].title, QStringLiteral("这就很尴尬了~~"));
    EXPECT_EQ(notices[0].text, QStringLiteral("歌曲文件不存在！QAQ"));
    closeNotices();
  }
  EXPECT_TRUE(prompts.questions.isEmpty());

  // No trash can be made where the home data folder should be.
  folder.write("not-a-folder", "x");
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString((folder / "not-a-folder" / "share").string()));
  prompts.answer = true;
  playlist->selectRow(3);
  commands->deleteSelectedToRecycleBin();
  auto notices = shownNotices();
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].text, QStringLiteral("歌曲文件没能移到回收站，列表里的这一首先留着！QAQ"));
  EXPECT_TRUE(fs::exists(track(3)));
  EXPECT_EQ(playlist->list().size(), 4u);
}

TEST_F(PlaylistCommandsTest, CopySongNameCopiesTheSelectedRowsNameOnly) {
  addTonesAndPlay(0);
  playlist->selectRow(2);
  commands->copySongName();
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("Artist 2-Title 2"));
  QApplication::clipboard()->setText(QStringLiteral("kept"));
  playlist->view()->clearSelection();
  commands->copySongName();
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("kept"));
}

TEST_F(PlaylistCommandsTest, TheContextMenuHoldsTheCommandsAndPlaysOrAsksForADownload) {
  QStringList captions;
  for (QAction* action : menus->contextMenu()->actions())
    if (!action->isSeparator()) captions << action->text();
  EXPECT_EQ(captions, (QStringList{"播放此音乐", "移除选中", "去除重复", "移除所有", "物理删除",
                                   "复制歌名", "下载此音乐", "文件定位", "添加文件", "添加目录"}));
  EXPECT_EQ(menus->contextMenu()->objectName(), QStringLiteral("右键菜单"));
  QStringList adds;
  for (QAction* action : menus->addMenu()->actions()) adds << action->text();
  EXPECT_EQ(adds, (QStringList{"添加文件", "添加目录"}));

  addTonesAndPlay(0);
  QSignalSpy downloads(commands.get(), &PlaylistCommands::downloadRequested);
  playlist->selectRow(3);
  menus->contextMenu()->findChild<QAction*>(QStringLiteral("下载此音乐"))->trigger();
  ASSERT_EQ(downloads.count(), 1);
  EXPECT_EQ(downloads.at(0).at(0).toInt(), 3);
  menus->contextMenu()->findChild<QAction*>(QStringLiteral("播放此音乐"))->trigger();
  EXPECT_EQ(playback->currentIndex(), 3);
  EXPECT_EQ(now.playState(), PlayState::playing);
}

TEST_F(PlaylistCommandsTest, DroppedFilesAndFoldersAreAddedAndConverted) {
  for (const char* name : {"drop/a.mp3", "drop/in/b.wav", "drop/in/c.ogg", "drop/readme.txt"})
    folder.write(name, "x");
  QWidget* target = page.playlistView()->viewport();

  QMimeData web;
  web.setUrls({QUrl(QStringLiteral("https://example.org/a.mp3"))});
  QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &refused);
  EXPECT_FALSE(refused.isAccepted()) << "nothing local to add";

  QMimeData local;
  local.setUrls(
      {QUrl::fromLocalFile(QString::fromStdString((folder / "drop" / "a.mp3").string())),
       QUrl::fromLocalFile(QString::fromStdString((folder / "drop" / "in").string())),
       QUrl::fromLocalFile(QString::fromStdString((folder / "drop" / "readme.txt").string()))});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &local, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &local, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  EXPECT_TRUE(drop.isAccepted());
  const std::string d = (folder / "drop").string();
  EXPECT_EQ(paths(), (std::vector<std::string>{d + "/a.mp3", d + "/in/c.ogg", d + "/in/b.wav"}));
  ASSERT_TRUE(waitForIdle());
  QTest::qWait(50);
  EXPECT_TRUE(playlist->list().atIndex(2).converted());
}

// Names as Windows archives leave them (GBK bytes) reach the rows byte for
// byte by every way in; a name with a line break is refused, with one notice
// per command.
TEST_F(PlaylistCommandsTest, NamesThatAreNotUtf8AreKeptAndLineBreaksRefused) {
  const std::string gbk = "\xc4\xe3\xba\xc3";  // 你好
  folder.write("gbk/" + gbk + ".mp3", "x");
  folder.write("gbk/sub/" + gbk + "2.ogg", "x");
  folder.write("gbk/bad\nname.mp3", "x");
  folder.write("gbk/bad\rname2.mp3", "x");
  const std::string dir = (folder / "gbk").native();

  struct Case {
    const char* what;
    std::function<void()> add;
    std::vector<std::string> rows;
  };
  const std::vector<Case> cases = {
      {"添加目录",
       [&] {
         prompts.folder = pathToQ(dir);
         commands->scanFolderCommand();
       },
       {dir + "/" + gbk + ".mp3", dir + "/sub/" + gbk + "2.ogg"}},
      {"drag and drop",
       [&] {
         QMimeData data;
         data.setData(QStringLiteral("text/uri-list"),
                      (fileUriOf(dir + "/" + gbk + ".mp3") + "\r\n" +
                       fileUriOf(dir + "/bad\nname.mp3") + "\r\n")
                          .toLatin1());
         QWidget* target = page.playlistView()->viewport();
         QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
         QApplication::sendEvent(target, &enter);
         QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
         QApplication::sendEvent(target, &drop);
       },
       {dir + "/" + gbk + ".mp3"}},
      {"youranmusic FILE",
       [&] {
         commands->addPaths({pathToQ(dir + "/" + gbk + ".mp3"), pathToQ(dir + "/bad\rname2.mp3")},
                            false);
       },
       {dir + "/" + gbk + ".mp3"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    playlist->removeAll();
    closeNotices();
    c.add();
    EXPECT_EQ(paths(), c.rows);
    EXPECT_EQ(playlist->list().atIndex(0).name, "你好");
    auto notices = shownNotices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_TRUE(notices[0].text.contains(QStringLiteral("换行符"))) << notices[0].text.toStdString();
    ASSERT_TRUE(waitForIdle());
  }
}

TEST_F(PlaylistCommandsTest, HandedOverFilesPlayTheFirstNewRow) {
  addTonesAndPlay(1);
  testing::writeToneWav(folder / "new.wav", 44100);
  EXPECT_EQ(commands->addPaths({QString::fromStdString((folder / "missing.mp3").string()),
                                QString::fromStdString((folder / "new.wav").string())},
                               true),
            1u);
  EXPECT_EQ(playback->currentIndex(), 5);
  EXPECT_EQ(now.track().path.toStdString(), (folder / "new.wav").string());
  EXPECT_EQ(commands->addPaths({QString::fromStdString((folder / "missing.mp3").string())}, true),
            0u);
  EXPECT_EQ(playback->currentIndex(), 5) << "nothing new, nothing started";
}

TEST_F(PlaylistCommandsTest, ALongScanShowsRowsAsItGoesAndLetsEventsRun) {
  for (int f = 0; f < 40; ++f)
    for (int i = 0; i < 100; ++i)
      folder.write("big/" + std::to_string(f) + "/" + std::to_string(i) + ".mp3", "");
  int inserts = 0;
  QObject::connect(playlist->model(), &QAbstractItemModel::rowsInserted, [&] { ++inserts; });
  bool timerRan = false;
  QTimer::singleShot(0, [&] { timerRan = true; });
  // Slow enough that the scan spans many slices on any machine.
  std::vector<std::string> patterns = splitPatterns(scanPatternList());
  size_t added = 0;
  for (int round = 0; round < 3; ++round)
    added +=
        commands->scanFolder(QString::fromStdString((folder / "big").string()), patterns, true);
  EXPECT_EQ(added, 12000u);
  EXPECT_EQ(playlist->list().size(), 12000u);
  EXPECT_EQ(playlist->list().atIndex(11999).number, "12000");
  EXPECT_GT(inserts, 1) << "rows reach the model in batches";
  EXPECT_LT(inserts, 12000) << "not one by one";
  EXPECT_TRUE(timerRan) << "window events ran during the scan";
}

}  // namespace
}  // namespace youran
