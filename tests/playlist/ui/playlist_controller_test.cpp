#include "playlist/ui/playlist_controller.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <thread>

#include "ui/notice_dialog.h"
#include "base/data_folder.h"
#include "base/text_encoding.h"
#include "playlist/music_list_file.h"
#include "playlist/ui/playlist_model.h"
#include "support/temp_folder.h"

namespace youran {
namespace {

// Tags come from the file name "Artist=Title.wav"; every track lasts 65 s.
ConversionFunctions fakeFunctions(std::chrono::milliseconds perFile = {}) {
  ConversionFunctions functions;
  functions.nameTrack = [](const std::string& path, const std::string& fileName) {
    auto name = std::filesystem::path(path).stem().string();
    auto eq = name.find('=');
    if (eq == std::string::npos) return ConversionNames{fileName, fileName, {}};
    auto left = name.substr(0, eq), right = name.substr(eq + 1);
    return ConversionNames{left + "-" + right, left, right};
  };
  functions.measureSeconds = [perFile](const std::string&) -> std::optional<double> {
    std::this_thread::sleep_for(perFile);
    return 65.0;
  };
  functions.isPlaying = [] { return false; };
  return functions;
}

std::string listFile(std::initializer_list<std::string> lines) {
  std::string text = "[音乐播放器列表文件]";
  for (const auto& line : lines) text += "\r\n" + line;
  return utf8ToGb18030(text);
}

class PlaylistControllerTest : public ::testing::Test {
 protected:
  void SetUp() override { setDataFolder(folder.path()); }
  void TearDown() override {
    for (auto* widget : QApplication::topLevelWidgets())
      if (qobject_cast<NoticeDialog*>(widget)) widget->close();
    QApplication::processEvents();
  }
  testing::TempFolder folder;
};

// A list that cannot be read is renamed aside at once, the notice says where,
// and the rows added afterwards start a new list instead of replacing it.
TEST_F(PlaylistControllerTest, AnUnreadableListIsKeptAsideAndAnAddStartsANewList) {
  const std::string bytes = utf8ToGb18030("[音乐播放器列表文件] \r\n/a.mp3|  1|a||");
  folder.write("YRmDefaultList.dll", bytes);
  PlaylistController playlist(fakeFunctions());
  playlist.loadDefaultList();
  EXPECT_TRUE(playlist.list().empty());
  NoticeDialog* notice = nullptr;
  for (auto* widget : QApplication::topLevelWidgets())
    if (auto* n = qobject_cast<NoticeDialog*>(widget); n && n->isVisible()) notice = n;
  ASSERT_NE(notice, nullptr);
  EXPECT_EQ(notice->notice().title, QString());
  std::filesystem::path aside;
  for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
    if (entry.path().filename().string().starts_with("YRmDefaultList.dll.unreadable-")) aside = entry.path();
  ASSERT_FALSE(aside.empty());
  EXPECT_EQ(notice->notice().text,
            QStringLiteral("列表载入失败！\n原列表已改名保存为：") + QString::fromStdString(aside.string()));
  EXPECT_EQ(testing::readFile(aside), bytes);

  playlist.addTracks({"/new/b.mp3"}, PassSlot::openFiles);
  ASSERT_TRUE(playlist.save());
  EXPECT_EQ(testing::readFile(aside), bytes) << "the user's list is never written over";
  EXPECT_EQ(testing::readFile(folder / "YRmDefaultList.dll"),
            utf8ToGb18030("[音乐播放器列表文件]\r\n/new/b.mp3|  1|b||"));
}

// A stored GBK name comes back from the list file as its text; the row
// finds the file's bytes again when it is played.
TEST_F(PlaylistControllerTest, AStoredGbkNameIsFoundAgain) {
  const std::string gbk = (folder / "\xc4\xe3\xba\xc3.wav").native();
  folder.write("\xc4\xe3\xba\xc3.wav", "x");
  {
    PlaylistController playlist(fakeFunctions());
    playlist.list().addTrack(gbk);
    EXPECT_EQ(playlist.list().atIndex(0).name, "你好");
    ASSERT_TRUE(playlist.save());
  }
  const std::string file = testing::readFile(folder / "YRmDefaultList.dll");
  EXPECT_NE(file.find("\xc4\xe3\xba\xc3.wav|  1|" + utf8ToGb18030("你好") + "||"), std::string::npos);
  PlaylistController playlist(fakeFunctions());
  playlist.loadDefaultList();
  ASSERT_EQ(playlist.rowCount(), 1);
  EXPECT_EQ(playlist.list().atIndex(0).name, "你好");
  EXPECT_EQ(playlist.pathAtRow(1), gbk);
  EXPECT_EQ(playlist.list().atIndex(0).path, gbk);
  playlist.shutdown();
}

TEST_F(PlaylistControllerTest, LoadedRowsAreConvertedOnTheUiThreadAndSaved) {
  folder.write("YRmDefaultList.dll",
               listFile({"/music/林小雨=晨光.mp3|  9|林小雨=晨光||", "/music/old.mp3|  7|Kept-Name|01:00|真",
                         "/music/plain.wav|  3|plain||"}));
  PlaylistController playlist(fakeFunctions());
  QTableView view;
  playlist.attachView(&view);
  QSignalSpy titles(&playlist, &PlaylistController::windowTitleChanged);
  QSignalSpy finished(&playlist, qOverload<>(&PlaylistController::passFinished));
  playlist.loadDefaultList();
  ASSERT_EQ(playlist.list().size(), 3u);
  EXPECT_EQ(playlist.list().atIndex(0).number, "  1") << "row numbers are recomputed";
  EXPECT_EQ(view.model()->rowCount(), 3);
  EXPECT_TRUE(view.isColumnHidden(0));
  EXPECT_EQ(view.model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("歌曲名"));

  ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() > 0; }, 20000));
  EXPECT_EQ(playlist.list().atIndex(0).name, "林小雨-晨光");
  EXPECT_EQ(playlist.list().atIndex(0).duration, "01:05");
  EXPECT_TRUE(playlist.list().atIndex(0).converted());
  EXPECT_EQ(playlist.list().atIndex(1).name, "Kept-Name") << "a converted row is not read again";
  EXPECT_EQ(playlist.list().atIndex(2).name, "plain");
  EXPECT_EQ(view.model()->data(view.model()->index(0, 2), Qt::DisplayRole).toString(), QStringLiteral("林小雨-晨光"));
  ASSERT_EQ(titles.count(), 2);
  EXPECT_EQ(titles.at(0).at(0).toString(), QStringLiteral("正在转换列表： 林小雨-晨光"));

  TrackList saved;
  ASSERT_EQ(loadMusicList(musicListPath(), saved).status, MusicListStatus::loaded);
  ASSERT_EQ(saved.size(), 3u);
  EXPECT_EQ(saved.atIndex(0).name, "林小雨-晨光");
  EXPECT_TRUE(saved.atIndex(2).converted());
  EXPECT_FALSE(playlist.anyConversionPassRunning());
}

TEST_F(PlaylistControllerTest, DoubleClickAsksToPlayTheRow) {
  PlaylistController playlist(fakeFunctions());
  QTableView view;
  playlist.attachView(&view);
  playlist.list().addTrack("/music/a.mp3", "00:01", "A-B", "真");
  playlist.list().addTrack("/music/c.mp3", "00:01", "C-D", "真");
  QSignalSpy activated(&playlist, &PlaylistController::rowActivated);
  emit view.doubleClicked(view.model()->index(1, 2));
  ASSERT_EQ(activated.count(), 1);
  EXPECT_EQ(activated.at(0).at(0).toInt(), 2);
  playlist.selectRow(1);
  EXPECT_EQ(playlist.selectedRow(), 1);
}

TEST_F(PlaylistControllerTest, ShutdownStopsALongPassPromptlyAndKeepsWhatWasRead) {
  std::vector<std::string> lines;
  for (int i = 0; i < 200; ++i) lines.push_back("/music/A" + std::to_string(i) + "=T.mp3|  1|x||");
  std::string text = "[音乐播放器列表文件]";
  for (const auto& line : lines) text += "\r\n" + line;
  folder.write("YRmDefaultList.dll", utf8ToGb18030(text));

  auto playlist = std::make_unique<PlaylistController>(fakeFunctions(std::chrono::milliseconds(20)));
  playlist->loadDefaultList();
  QTest::qWait(300);
  EXPECT_TRUE(playlist->anyConversionPassRunning());
  QElapsedTimer clock;
  clock.start();
  playlist->shutdown();
  EXPECT_LT(clock.elapsed(), 1000);
  EXPECT_FALSE(playlist->anyConversionPassRunning());
  const size_t converted = [&] {
    size_t n = 0;
    for (const auto& row : playlist->list().rows()) n += row.converted();
    return n;
  }();
  EXPECT_GT(converted, 0u);
  EXPECT_LT(converted, 200u);
  playlist.reset();

  TrackList saved;
  ASSERT_EQ(loadMusicList(musicListPath(), saved).status, MusicListStatus::loaded);
  size_t savedConverted = 0;
  for (const auto& row : saved.rows()) savedConverted += row.converted();
  EXPECT_EQ(savedConverted, converted) << "every row read before the stop is in the file";
}

}  // namespace
}  // namespace youran
