// The search page at work against the demo service: searches, double-clicks
// that cache, add and play, the failure texts, the queue, a window that
// stays responsive, and the download dialog.

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableView>
#include <QPushButton>
#include <chrono>
#include <QTimer>
#include <filesystem>
#include <cstdio>
#include <fstream>

#include "online/ui/download_dialog.h"
#include "app/main_window.h"
#include "ui/notice_dialog.h"
#include "online/ui/online_fetch.h"
#include "online/ui/online_music.h"
#include "app/pages.h"
#include "online/ui/search_page.h"
#include "online/ui/search_results.h"
#include "ui/spinner.h"
#include "demo_service.h"
#include "online/fetch_memory.h"
#include "online/ui/cache_settings.h"
#include "settings/settings_file.h"
#include "support/http_test_server.h"
#include "support/temp_folder.h"

namespace youran {
namespace {

namespace fs = std::filesystem;

class OnlineMusicTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    temp_ = new testing::TempFolder;
    service_ = new testing::DemoService(testing::makeDemoLibrary(temp_->path() / "library"), {"大文件=20"});
  }
  static void TearDownTestSuite() {
    delete service_;
    delete temp_;
  }

  void SetUp() override {
    ASSERT_TRUE(service_->ok());
    ASSERT_TRUE(service_->control("none", 0));
    hosts_ = service_->hosts();
    OnlineMusic::Hooks hooks;
    hooks.addAndPlay = [this](const QString& path, const QString& name) {
      added_.push_back(path);
      addedNames_.push_back(name);
    };
    hooks.showError = [this](const QString& text) { errors_.push_back(text); };
    hooks.hosts = [this] { return hosts_; };
    hooks.dataFolder = data_.path();
    hooks.openSearchPage = [this] { window_.openPage(MainWindow::kSearch); };
    hooks.searchPageOpen = [this] { return window_.pages()->currentIndex() == MainWindow::kSearch; };
    online_ = std::make_unique<OnlineMusic>(page(), *window_.musicPage()->searchBox(), *window_.spinner(),
                                            std::move(hooks));
  }
  void TearDown() override { online_.reset(); }

  SearchPage& page() { return *window_.searchPage(); }
  // What the list shows in a cell, as the user reads it.
  QString cellText(QTableView* list, int row, int column) {
    return list->model()->index(row, column).data().toString();
  }
  static int rows(QTableView* list) { return list->model()->rowCount(); }
  void search(bool primary, const QString& keyword) {
    window_.musicPage()->searchBox()->setText(keyword);
    primary ? online_->searchPrimary() : online_->searchSecondary();
    EXPECT_EQ(page().statusLabel()->text(), QStringLiteral("正在搜索..."));
    online_->waitForIdle();
  }

  static testing::TempFolder* temp_;
  static testing::DemoService* service_;
  testing::TempFolder data_;
  OnlineHosts hosts_;
  MainWindow window_;
  std::unique_ptr<OnlineMusic> online_;
  std::vector<QString> added_;
  std::vector<QString> addedNames_;
  std::vector<QString> errors_;
};
testing::TempFolder* OnlineMusicTest::temp_ = nullptr;
testing::DemoService* OnlineMusicTest::service_ = nullptr;

TEST_F(OnlineMusicTest, PrimarySearchFillsItsListAndStopsTheSpinner) {
  search(true, QStringLiteral("Demo Band"));
  QTableView* list = page().primaryList();
  ASSERT_EQ(rows(list), 2);
  EXPECT_EQ(cellText(list, 0, SearchResultsModel::kNumber), "1");
  EXPECT_EQ(cellText(list, 1, SearchResultsModel::kNumber), "2");
  EXPECT_EQ(cellText(list, 0, SearchResultsModel::kPrimaryArtist), "Demo Band");
  EXPECT_FALSE(cellText(list, 0, SearchResultsModel::kPrimaryId).isEmpty());
  EXPECT_EQ(page().statusLabel()->text(), QStringLiteral("搜索完成！"));
  EXPECT_EQ(page().serviceLabel()->text(), QStringLiteral("网易云"));
  EXPECT_EQ(window_.pages()->currentIndex(), MainWindow::kSearch);
  EXPECT_EQ(page().serviceTabs()->currentIndex(), 0);
  EXPECT_EQ(page().searchBox()->text(), QStringLiteral("Demo Band"));
  EXPECT_FALSE(window_.spinner()->frameTimer()->isActive());

  search(true, QStringLiteral("没有这首歌"));
  EXPECT_EQ(rows(list), 0);
  EXPECT_EQ(page().statusLabel()->text(), QStringLiteral("搜索完成！"));
}

TEST_F(OnlineMusicTest, SecondarySearchKeepsTheStreamUrlHidden) {
  search(false, QStringLiteral("晨光"));
  QTableView* list = page().secondaryList();
  ASSERT_EQ(rows(list), 1);
  EXPECT_EQ(cellText(list, 0, SearchResultsModel::kSecondaryTitle), QStringLiteral("晨光"));
  EXPECT_EQ(cellText(list, 0, SearchResultsModel::kSecondarySinger), QStringLiteral("林小雨"));
  EXPECT_TRUE(cellText(list, 0, SearchResultsModel::kSecondaryUrl).startsWith("http://"));
  EXPECT_TRUE(list->isColumnHidden(SearchResultsModel::kSecondaryUrl));
  EXPECT_EQ(page().serviceLabel()->text(), QStringLiteral("QQ音乐"));
  EXPECT_EQ(page().serviceTabs()->currentIndex(), 1);
}

TEST_F(OnlineMusicTest, NoHostSaysSoAndSendsNothing) {
  hosts_ = {};
  window_.musicPage()->searchBox()->setText(QStringLiteral("Demo"));
  online_->searchPrimary();
  EXPECT_EQ(page().statusLabel()->text(), QString::fromUtf8(kNoPrimaryHost));
  online_->searchSecondary();
  EXPECT_EQ(page().statusLabel()->text(), QString::fromUtf8(kNoSecondaryHost));
  online_->waitForIdle();
  EXPECT_EQ(page().resultRows(), 0);
  EXPECT_FALSE(window_.spinner()->frameTimer()->isActive());
}

TEST_F(OnlineMusicTest, DoubleClickCachesAddsAndReusesTheFile) {
  search(true, QStringLiteral("晨光"));
  ASSERT_EQ(rows(page().primaryList()), 1);
  online_->addPrimaryRow(0);
  EXPECT_EQ(page().statusLabel()->text(), QStringLiteral("正在添加此音乐..."));
  online_->waitForIdle();
  const fs::path cached = data_.path() / "YouranMusicCache" / "晨光-林小雨.mp3";
  ASSERT_EQ(added_.size(), 1u);
  EXPECT_EQ(added_[0].toStdString(), cached.string());
  EXPECT_EQ(addedNames_[0], QStringLiteral("林小雨-晨光")) << "artist first, as every row reads";
  EXPECT_TRUE(fs::exists(cached));
  EXPECT_EQ(page().statusLabel()->text(), QStringLiteral("添加成功！"));

  // Again while the song bytes are gone from the service: the cached file.
  ASSERT_TRUE(service_->control("cut"));
  online_->addPrimaryRow(0);
  online_->waitForIdle();
  ASSERT_EQ(added_.size(), 2u);
  EXPECT_EQ(added_[1], added_[0]);
  EXPECT_TRUE(errors_.empty());
}

TEST_F(OnlineMusicTest, FailuresShowTheirTextsAndLeaveNoTmp) {
  search(true, QStringLiteral("Rain"));
  search(false, QStringLiteral("Breeze"));
  ASSERT_EQ(rows(page().primaryList()), 1);
  ASSERT_EQ(rows(page().secondaryList()), 1);
  ASSERT_TRUE(service_->control("404"));
  online_->addSecondaryRow(0);
  online_->waitForIdle();
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0], QStringLiteral("BreezeDemo Band添加失败，此音乐无版权!!"));
  EXPECT_EQ(page().statusLabel()->text(), QStringLiteral("添加失败！"));
  EXPECT_FALSE(fs::exists(data_.path() / "YouranMusicCache" / "Breeze - Demo Band.mp3.tmp"));

  // The primary play-URL answer is a 404 page too: no URL, nothing said.
  online_->addPrimaryRow(0);
  online_->waitForIdle();
  EXPECT_EQ(errors_.size(), 1u) << errors_.back().toStdString();
  EXPECT_EQ(page().statusLabel()->text(), QStringLiteral("正在添加此音乐..."));
  EXPECT_FALSE(window_.spinner()->frameTimer()->isActive());
  EXPECT_FALSE(window_.spinner()->pauseTimer()->isActive());

  // A URL that answers but whose body is cut: the primary failure box.
  ASSERT_TRUE(service_->control("cutsong"));
  online_->addPrimaryRow(0);
  online_->waitForIdle();
  ASSERT_EQ(errors_.size(), 2u);
  EXPECT_EQ(errors_[1], QStringLiteral("Rain-Demo Band添加失败!!"));
  EXPECT_FALSE(fs::exists(data_.path() / "YouranMusicCache" / "Rain-Demo Band.mp3.tmp"));
  EXPECT_TRUE(added_.empty());
}

TEST_F(OnlineMusicTest, SecondDoubleClickIsQueued) {
  search(true, QStringLiteral("Demo Band"));
  ASSERT_EQ(rows(page().primaryList()), 2);
  online_->addPrimaryRow(0);
  online_->addPrimaryRow(1);
  EXPECT_TRUE(online_->downloading());
  EXPECT_EQ(online_->queuedDownloads(), 1);
  online_->waitForIdle();
  ASSERT_EQ(added_.size(), 2u);
  EXPECT_TRUE(added_[0].contains(cellText(page().primaryList(), 0, SearchResultsModel::kPrimaryTitle)));
  EXPECT_TRUE(added_[1].contains(cellText(page().primaryList(), 1, SearchResultsModel::kPrimaryTitle)));
}

TEST_F(OnlineMusicTest, WindowStaysResponsiveDuringSearchAndDownload) {
  search(true, QStringLiteral("大文件"));
  ASSERT_EQ(rows(page().primaryList()), 1);
  ASSERT_TRUE(service_->control("slow", 100));
  QElapsedTimer clock;
  qint64 last = 0;
  qint64 worst = 0;
  QTimer heartbeat;
  heartbeat.setInterval(10);
  QObject::connect(&heartbeat, &QTimer::timeout, [&] {
    const qint64 now = clock.elapsed();
    worst = std::max(worst, now - last - 10);
    last = now;
  });
  // Both start first: the click's page switch replays the window's wipe,
  // which is the window's own animation, not the services' work.
  online_->addPrimaryRow(0);
  window_.musicPage()->searchBox()->setText(QStringLiteral("Demo"));
  online_->searchSecondary();
  ASSERT_EQ(rows(page().secondaryList()), 0) << "the search should still be running";
  clock.start();
  heartbeat.start();
  bool sawProgress = false;
  while (online_->downloading()) {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    sawProgress = sawProgress || page().progressLabel()->text().contains("MB");
  }
  online_->waitForIdle();
  heartbeat.stop();
  ASSERT_EQ(added_.size(), 1u);
  EXPECT_EQ(fs::file_size(added_[0].toStdString()), 20u * 1024 * 1024);
  EXPECT_TRUE(sawProgress);
  EXPECT_GT(rows(page().secondaryList()), 0);
  EXPECT_LT(worst, 50) << "the UI thread was held up";
  std::printf("heartbeat: at most %lld ms late\n", static_cast<long long>(worst));
}

TEST_F(OnlineMusicTest, CoverFetchRefusesWhatIsNotAPicture) {
  const fs::path settings = data_.path() / "Setting.ini";
  std::ofstream(settings) << "[Online]\r\nPrimary=" << hosts_.primary << "\r\n";
  const QByteArray cover = primaryCoverFetch(settings)(QStringLiteral("林小雨-晨光"));
  EXPECT_TRUE(coverBytesAcceptable(cover));
  EXPECT_FALSE(coverBytesAcceptable(QByteArray("<html>not a picture</html>")));
  EXPECT_FALSE(coverBytesAcceptable(QByteArray()));
  // A PNG header announcing 10000 x 10000 pixels.
  QByteArray huge = QByteArray::fromHex("89504e470d0a1a0a0000000d49484452000027100000271008020000004d9c2e56");
  EXPECT_FALSE(coverBytesAcceptable(huge));
  const std::string lrc = primaryLyricFetch(settings)("林小雨-晨光");
  EXPECT_EQ(lrc.rfind("[00:00.00]", 0), 0u);
  EXPECT_EQ(primaryLyricFetch(data_.path() / "none.ini")("林小雨-晨光"), "");
}

// A cover too big to use and a lyric the service cannot give: asked for once
// per name, not at every start of a looping track.
TEST(OnlineFetchTest, FailedFetchesAreNotRepeatedForTheSameName) {
  testing::TempFolder data;
  std::string host;
  testing::HttpTestServer server([&](const testing::RecordedRequest& r) {
    testing::TestReply reply;
    if (r.target.starts_with("/api/search/pc")) {
      reply.body = R"({"result":{"songs":[{"name":"n","id":7,"artists":[{"name":"a"}]}]},"code":200})";
    } else if (r.target.starts_with("/api/song/detail")) {
      reply.body = R"({"songs":[{"blurPicUrl":")" + host + R"(/big.png","companyId":0}]})";
    } else if (r.target == "/big.png") {
      // A PNG header announcing 30000 x 30000 pixels.
      reply.body = QByteArray::fromHex("89504e470d0a1a0a0000000d494844520000753000007530080200000000000000")
                       .toStdString();
    } else {
      reply.status = 500, reply.reason = "Internal Server Error";
    }
    return reply;
  });
  host = server.url("");
  const fs::path settings = data.path() / "Setting.ini";
  std::ofstream(settings) << "[Online]\r\nPrimary=" << host << "\r\n";
  const auto cover = primaryCoverFetch(settings);
  const auto lyric = primaryLyricFetch(settings);
  for (int start = 0; start < 3; ++start) {
    EXPECT_TRUE(cover(QStringLiteral("a-n")).isEmpty());
    EXPECT_EQ(lyric("a-n"), "");
  }
  EXPECT_TRUE(cover(QStringLiteral("b-m")).isEmpty());
  int pictures = 0, lyrics = 0;
  for (const auto& r : server.requests()) {
    pictures += r.target == "/big.png";
    lyrics += r.target.starts_with("/api/song/lyric");
  }
  EXPECT_EQ(pictures, 2);
  EXPECT_EQ(lyrics, 1);

  FailedFetchMemory memory(std::chrono::minutes(10));
  const auto t0 = FailedFetchMemory::Clock::now();
  memory.noteFailure("x", t0);
  EXPECT_TRUE(memory.recentlyFailed("x", t0 + std::chrono::minutes(9)));
  EXPECT_FALSE(memory.recentlyFailed("y", t0));
  EXPECT_FALSE(memory.recentlyFailed("x", t0 + std::chrono::minutes(10)));
}

TEST(CacheSettingsTest, LimitWarningAndEmptying) {
  testing::TempFolder data;
  const fs::path cache = data.path() / "YouranMusicCache";
  fs::create_directories(cache);
  for (const char* name : {"listed.mp3", "old.mp3"})
    std::ofstream(cache / name, std::ios::binary) << std::string(2 * 1024 * 1024, 'x');
  fs::last_write_time(cache / "old.mp3", fs::file_time_type::clock::now() - std::chrono::hours(1));
  const fs::path settings = data.path() / "Setting.ini";
  std::ofstream(settings) << "[Online]\r\nPrimary=http://127.0.0.1:1\r\n";
  std::vector<QString> questions;
  bool answer = false;
  CacheSettings::Hooks hooks;
  hooks.dataFolder = data.path();
  hooks.settingsFile = settings;
  hooks.listedPaths = [&] {
    return std::vector<std::string>{(cache / "listed.mp3").string(), "/music/a.flac", (cache / "listed.mp3").string()};
  };
  hooks.confirm = [&](const QString& question) {
    questions.push_back(question);
    return answer;
  };
  CacheSettings group(hooks);
  EXPECT_EQ(group.usageLabel()->text(), QStringLiteral("4.0 MB（2 首）"));
  EXPECT_TRUE(group.limitField()->text().isEmpty());  // no limit unless the user sets one

  group.limitField()->setText(QStringLiteral("3"));
  emit group.limitField()->editingFinished();
  EXPECT_EQ(readSetting(settings, "Online", "CacheLimitMB"), "3");
  EXPECT_EQ(readSetting(settings, "Online", "Primary"), "http://127.0.0.1:1");
  EXPECT_FALSE(fs::exists(cache / "old.mp3"));
  EXPECT_TRUE(fs::exists(cache / "listed.mp3"));
  EXPECT_TRUE(group.warningLabel()->text().isEmpty());

  group.limitField()->setText(QStringLiteral("1"));
  emit group.limitField()->editingFinished();
  EXPECT_TRUE(fs::exists(cache / "listed.mp3"));
  EXPECT_TRUE(group.warningLabel()->text().contains(QStringLiteral("超过上限")));

  group.emptyButton()->click();  // answered "no"
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_TRUE(questions[0].contains(QStringLiteral("有 2 行将失去文件"))) << questions[0].toStdString();
  EXPECT_TRUE(fs::exists(cache / "listed.mp3"));
  answer = true;
  group.emptyButton()->click();
  EXPECT_FALSE(fs::exists(cache / "listed.mp3"));
  EXPECT_EQ(group.usageLabel()->text(), QStringLiteral("0.0 MB（0 首）"));
}

NoticeDialog* lastNotice() {
  NoticeDialog* found = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* d = qobject_cast<NoticeDialog*>(w); d && d->isVisible()) found = d;
  return found;
}

TEST(DownloadDialogTest, CopiesIntoTheFolderAndSaysSo) {
  testing::TempFolder data;
  const fs::path source = data.path() / "song.flac";
  std::ofstream(source) << "bytes";
  bool settingsOpened = false;
  DownloadDialog dialog(data.path(), [&] { settingsOpened = true; });
  dialog.openFor(QString::fromStdString(source.string()), QStringLiteral("A-B"));
  dialog.show();
  EXPECT_EQ(dialog.nameLabel()->text(), QStringLiteral(" — A-B"));
  EXPECT_EQ(dialog.folderBox()->text().toStdString(), (data.path() / "YouranMusicDownload").string() + "/");
  EXPECT_TRUE(fs::is_directory(data.path() / "YouranMusicDownload"));
  ASSERT_TRUE(dialog.copyTrackForDownload());
  EXPECT_TRUE(fs::exists(data.path() / "YouranMusicDownload" / "A-B.mp3"));
  ASSERT_NE(lastNotice(), nullptr);
  EXPECT_EQ(lastNotice()->notice().text, QStringLiteral("A-B  下载成功!!"));
  EXPECT_EQ(lastNotice()->notice().title, QStringLiteral("悠然提醒您："));
  lastNotice()->close();
  EXPECT_FALSE(dialog.isVisible());

  dialog.show();
  dialog.folderBox()->setText(QString::fromStdString((data.path() / "no" / "such").string() + "/"));
  EXPECT_FALSE(dialog.copyTrackForDownload());
  ASSERT_NE(lastNotice(), nullptr);
  EXPECT_EQ(lastNotice()->notice().text, QStringLiteral("A-B  下载失败!!"));
  lastNotice()->close();
  EXPECT_TRUE(dialog.isVisible());
  dialog.showDownloadSettings();
  EXPECT_TRUE(settingsOpened);
  EXPECT_FALSE(dialog.isVisible());

  // The Download/Location setting fills the folder box.
  std::ofstream(data.path() / "Setting.ini") << "[Download]\r\nLocation=/somewhere/\r\n";
  dialog.openFor(QString::fromStdString(source.string()), QStringLiteral("A-B"));
  EXPECT_EQ(dialog.folderBox()->text(), QStringLiteral("/somewhere/"));
}

}  // namespace
}  // namespace youran
