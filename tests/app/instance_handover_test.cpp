#include "app/instance_handover.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <thread>

#include <unistd.h>

#include "settings/instance_lock.h"
#include "ui/notice_dialog.h"
#include "app/player_app.h"
#include "base/data_folder.h"
#include "base/qt_path.h"
#include "playlist/music_list_file.h"
#include "support/temp_folder.h"
#include "support/wav_fixture.h"

namespace youran {
namespace {

namespace fs = std::filesystem;

TEST(InstanceHandover, FileArgumentsBecomeAbsolutePathsAndOptionsAreLeftOut) {
  testing::TempFolder folder;
  const auto song = folder.write("a b.mp3", "x");
  const auto other = folder.write("c.flac", "x");
  const QString saved = QDir::currentPath();
  QDir::setCurrent(QString::fromStdString(folder.path().string()));
  // A GBK name, given as argv bytes and as a file: URI of those bytes.
  const auto gbk = folder.write("\xc4\xe3\xba\xc3.mp3", "x");
  char* argv[] = {const_cast<char*>("youranmusic"), const_cast<char*>("\xc4\xe3\xba\xc3.mp3")};
  const QStringList fromArgv = byteFaithfulArguments(2, argv);
  const QStringList paths = openedFileArguments(
      {"youranmusic", "--play", "a b.mp3",
       QUrl::fromLocalFile(QString::fromStdString(other.string())).toString(), "missing.mp3",
       fromArgv[1], fileUriOf(gbk.native())});
  QDir::setCurrent(saved);
  ASSERT_EQ(paths.size(), 4);
  EXPECT_EQ(paths.mid(0, 2), (QStringList{QString::fromStdString(song.string()),
                                          QString::fromStdString(other.string())}));
  EXPECT_EQ(pathFromQ(paths[2]), gbk.native());
  EXPECT_EQ(pathFromQ(paths[3]), gbk.native());
  EXPECT_EQ(handoverSocketName(folder / "youranmusic.lock").toStdString(),
            (folder / "youranmusic.socket").string());
}

TEST(InstanceHandover, TheListenerTakesThePathsAndSaysSo) {
  testing::TempFolder folder;
  const QString name = QString::fromStdString((folder / "player.socket").string());
  folder.write("player.socket", "left by a crashed copy");
  HandoverServer server;
  ASSERT_TRUE(server.listen(name));
  QSignalSpy received(&server, &HandoverServer::pathsReceived);
  const QStringList sent = {QStringLiteral("/音乐/一.mp3"), QStringLiteral("/music/two|pipe.flac"),
                           pathToQ("/gbk/\xc4\xe3\xba\xc3.mp3")};
  bool taken = false;
  std::thread second([&] { taken = handPathsToRunningCopy(name, sent); });
  const bool arrived = QTest::qWaitFor([&] { return received.count() > 0; }, 5000);
  second.join();
  ASSERT_TRUE(arrived);
  EXPECT_TRUE(taken);
  EXPECT_EQ(received.at(0).at(0).toStringList(), sent);
  EXPECT_EQ(pathFromQ(received.at(0).at(0).toStringList().at(2)), "/gbk/\xc4\xe3\xba\xc3.mp3");

  EXPECT_FALSE(handPathsToRunningCopy(QString::fromStdString((folder / "nobody.socket").string()),
                                      sent, 500));
}

TEST(InstanceHandover, ASocketOfAnotherUserIsNotTrusted) {
  testing::TempFolder folder;
  const QString name = QString::fromStdString((folder / "player.socket").string());
  HandoverServer server;
  ASSERT_TRUE(server.listen(name));
  if (::chown(name.toLocal8Bit().constData(), 65534, 65534) != 0) GTEST_SKIP() << "cannot give the socket away";
  QSignalSpy received(&server, &HandoverServer::pathsReceived);
  bool taken = true;
  std::thread second([&] { taken = handPathsToRunningCopy(name, {QStringLiteral("/a.mp3")}, 1000); });
  QTest::qWait(200);
  second.join();
  EXPECT_FALSE(taken);
  EXPECT_EQ(received.count(), 0);
}

TEST(InstanceHandover, WithNobodyListeningTheSecondCopyShowsItsNotice) {
  testing::TempFolder folder;
  setDataFolder(folder.path());
  InstanceLock firstCopy;
  ASSERT_TRUE(firstCopy.acquire(folder / "player.lock"));
  bool ended = false;
  setNoticeProcessEnd([&] { ended = true; });
  PlayerApp second;
  second.setOpenedFiles({QString::fromStdString(folder.write("a.mp3", "x").string())});
  EXPECT_FALSE(second.start(folder / "player.lock"));
  EXPECT_FALSE(second.handedOver());
  bool noticed = false;
  for (auto* widget : QApplication::topLevelWidgets())
    if (auto* notice = qobject_cast<NoticeDialog*>(widget); notice && notice->isVisible()) {
      noticed = notice->notice().text == QStringLiteral("悠然音乐已经在运行了！ QAQ");
      notice->close();
    }
  EXPECT_TRUE(noticed);
  setNoticeProcessEnd({});
}

// The real player twice: the second copy, started with a file, hands it over
// and ends at once; the first adds it to its list.
TEST(InstanceHandover, ASecondPlayerHandsItsFilesToTheRunningOne) {
  const QString program =
      qEnvironmentVariable("YOURAN_BINARY_DIR") + QStringLiteral("/bin/youranmusic");
  if (!QFileInfo::exists(program)) GTEST_SKIP() << "the player is not built";
  testing::TempFolder folder;
  fs::create_directories(folder / "data");
  testing::writeToneWav(folder / "tone.wav", 4410);
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  environment.insert(QStringLiteral("YOURAN_LOCK_FILE"),
                     QString::fromStdString((folder / "player.lock").string()));
  const QStringList dataDir = {QStringLiteral("--data-dir"),
                               QString::fromStdString((folder / "data").string())};

  QProcess first;
  first.setProcessEnvironment(environment);
  first.start(program, dataDir);
  ASSERT_TRUE(first.waitForStarted(10000));
  ASSERT_TRUE(QTest::qWaitFor([&] { return fs::exists(folder / "player.socket"); }, 20000))
      << first.readAllStandardError().toStdString();

  QProcess second;
  second.setProcessEnvironment(environment);
  second.setWorkingDirectory(QString::fromStdString(folder.path().string()));
  second.start(program, dataDir + QStringList{QStringLiteral("tone.wav")});
  ASSERT_TRUE(second.waitForFinished(15000));
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);

  TrackList list;
  const bool added = QTest::qWaitFor(
      [&] {
        list.clear();
        loadMusicList(folder / "data" / "YRmDefaultList.dll", list);
        return list.size() == 1;
      },
      10000);
  first.terminate();
  first.waitForFinished(10000);
  ASSERT_TRUE(added);
  EXPECT_EQ(list.atIndex(0).path, (folder / "tone.wav").string());
}

}  // namespace
}  // namespace youran
