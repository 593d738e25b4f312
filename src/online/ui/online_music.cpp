#include "online/ui/online_music.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <vector>

#include "online/ui/search_page.h"
#include "ui/spinner.h"
#include "online/primary_service.h"
#include "online/secondary_service.h"
#include "base/qt_text.h"

namespace youran {

namespace {

constexpr int kPrimary = 0;
constexpr int kSecondary = 1;

QString megabytes(std::int64_t bytes) { return QString::number(static_cast<double>(bytes) / (1024.0 * 1024.0), 'f', 1); }

}  // namespace

OnlineMusic::OnlineMusic(SearchPage& page, QLineEdit& searchBox, Spinner& spinner, Hooks hooks,
                         QObject* parent)
    : QObject(parent), page_(page), searchBox_(searchBox), spinner_(spinner), hooks_(std::move(hooks)) {
  // The pop-up under 搜索框: its picture and the two service buttons.
  QLineEdit* box = &searchBox_;
  popup_ = new QFrame(box->parentWidget());
  popup_->setObjectName(QStringLiteral("搜索底图"));
  popup_->setStyleSheet(QStringLiteral("QFrame#搜索底图 { background: white; border: 1px solid #C9D6FF; border-radius: 6px; }"));
  popup_->setGeometry(box->x(), box->y() + box->height() + 2, box->width(), 40);
  primaryButton_ = new QPushButton(QStringLiteral("网易搜索"), popup_);
  primaryButton_->setObjectName(QStringLiteral("网易搜索"));
  primaryButton_->setGeometry(6, 5, box->width() / 2 - 9, 30);
  secondaryButton_ = new QPushButton(QStringLiteral("QQ搜索"), popup_);
  secondaryButton_->setObjectName(QStringLiteral("QQ搜索"));
  secondaryButton_->setGeometry(box->width() / 2 + 3, 5, box->width() / 2 - 9, 30);
  popup_->hide();
  connect(box, &QLineEdit::textEdited, popup_, [this](const QString& text) {
    popup_->setVisible(!text.trimmed().isEmpty());
    popup_->raise();
  });
  connect(box, &QLineEdit::returnPressed, this, &OnlineMusic::searchPrimary);
  connect(primaryButton_, &QPushButton::clicked, this, &OnlineMusic::searchPrimary);
  connect(secondaryButton_, &QPushButton::clicked, this, &OnlineMusic::searchSecondary);
  // Enter in 搜索框1 searches the service of the open tab again.
  connect(page_.searchBox(), &QLineEdit::returnPressed, this, [this] {
    searchBox_.setText(page_.searchBox()->text());
    if (page_.serviceTabs()->currentIndex() == kSecondary) {
      searchSecondary();
    } else {
      searchPrimary();
    }
  });
  connect(page_.primaryList(), &QTableView::doubleClicked, this,
          [this](const QModelIndex& index) { addPrimaryRow(index.row()); });
  connect(page_.secondaryList(), &QTableView::doubleClicked, this,
          [this](const QModelIndex& index) { addSecondaryRow(index.row()); });

  progressTimer_ = new QTimer(this);
  progressTimer_->setInterval(100);
  connect(progressTimer_, &QTimer::timeout, this, &OnlineMusic::showProgress);
}

OnlineMusic::~OnlineMusic() {
  stop_ = true;
  for (Worker& worker : workers_) worker.thread.join();
}

void OnlineMusic::busy(bool on) {
  busyCount_ += on ? 1 : -1;
  if (busyCount_ < 0) busyCount_ = 0;
  if (on && busyCount_ == 1) spinner_.start();
  if (!on && busyCount_ == 0) spinner_.stop();
}

void OnlineMusic::reapThreads() {
  for (auto it = workers_.begin(); it != workers_.end();) {
    if (it->done->load()) {
      it->thread.join();
      it = workers_.erase(it);
    } else {
      ++it;
    }
  }
}

void OnlineMusic::searchPrimary() { startSearch(kPrimary); }
void OnlineMusic::searchSecondary() { startSearch(kSecondary); }

void OnlineMusic::startSearch(int service) {
  reapThreads();
  const bool primary = service == kPrimary;
  page_.results(primary)->clear();
  page_.serviceLabel()->setText(primary ? QStringLiteral("网易云") : QStringLiteral("QQ音乐"));
  popup_->hide();
  if (hooks_.openSearchPage) hooks_.openSearchPage();
  page_.serviceTabs()->setCurrentIndex(service);
  page_.searchBox()->setText(searchBox_.text());
  page_.resultFrame()->show();

  OnlineHosts hosts = hooks_.hosts ? hooks_.hosts() : OnlineHosts{};
  if (primary ? !hosts.hasPrimary() : !hosts.hasSecondary()) {
    page_.statusLabel()->setText(QString::fromUtf8(primary ? kNoPrimaryHost : kNoSecondaryHost));
    return;
  }
  hosts.stop = &stop_;
  const std::string keyword = searchBox_.text().toStdString();
  page_.statusLabel()->setText(QStringLiteral("正在搜索..."));
  busy(true);
  const int generation = ++searchGeneration_[service];
  ++pendingResults_;
  auto done = std::make_shared<std::atomic<bool>>(false);
  std::thread thread([this, hosts, keyword, primary, service, generation, done] {
    std::vector<SongResult> rows;
    if (primary) {
      for (auto& r : PrimaryService(hosts).search(keyword)) rows.push_back(songResult(r));
    } else {
      for (auto& r : SecondaryService(hosts).search(keyword)) rows.push_back(songResult(r));
    }
    QMetaObject::invokeMethod(
        this,
        [this, rows = std::move(rows), service, generation]() mutable {
          --pendingResults_;
          busy(false);
          // A newer search of the same service has cleared the list since.
          if (generation != searchGeneration_[service]) return;
          page_.results(service == kPrimary)->setResults(std::move(rows));
          page_.statusLabel()->setText(QStringLiteral("搜索完成！"));
          if (hooks_.searchPageOpen && hooks_.searchPageOpen()) page_.resultFrame()->show();
          emit searchFinished(service);
        },
        Qt::QueuedConnection);
    done->store(true);
  });
  workers_.push_back({std::move(thread), done});
}

void OnlineMusic::addPrimaryRow(int row) { queueDownload(true, row); }
void OnlineMusic::addSecondaryRow(int row) { queueDownload(false, row); }

void OnlineMusic::queueDownload(bool primary, int row) {
  const SongResult* song = page_.results(primary)->result(row);
  if (!song) return;
  queue_.push_back(*song);
  startNextDownload();
}

void OnlineMusic::startNextDownload() {
  if (downloading_) {
    showProgress();
    return;
  }
  if (queue_.empty()) return;
  reapThreads();
  const SongResult job = queue_.front();
  queue_.pop_front();
  OnlineHosts hosts = hooks_.hosts ? hooks_.hosts() : OnlineHosts{};
  if (job.primary && !hosts.hasPrimary()) {
    page_.statusLabel()->setText(QString::fromUtf8(kNoPrimaryHost));
    startNextDownload();
    return;
  }
  hosts.stop = &stop_;
  downloading_ = true;
  busy(true);
  page_.statusLabel()->setText(QStringLiteral("正在添加此音乐..."));
  progress_ = std::make_shared<CacheProgress>();
  progressTimer_->start();
  showProgress();

  CacheRequest request;
  request.caFile = hosts.caBundle;
  request.stop = &stop_;
  const std::string title = job.title.toStdString();
  const std::string artist = job.artist.toStdString();
  request.file = job.primary ? primaryCacheFile(hooks_.dataFolder, title, artist)
                             : secondaryCacheFile(hooks_.dataFolder, title, artist);
  if (!job.primary) request.url = job.idOrUrl.toStdString();
  ++pendingResults_;
  auto done = std::make_shared<std::atomic<bool>>(false);
  std::thread thread([this, hosts, job, request, progress = progress_, done]() mutable {
    // The play-URL request is sent first, also for a song already cached.
    if (job.primary) request.url = PrimaryService(hosts).playUrl(job.idOrUrl.toStdString());
    const CacheOutcome outcome = fetchIntoCache(request, *progress);
    const QString path = toQ(request.file.string());
    QMetaObject::invokeMethod(
        this, [this, job, outcome, path] { finishDownload(job, outcome, path); }, Qt::QueuedConnection);
    done->store(true);
  });
  workers_.push_back({std::move(thread), done});
}

void OnlineMusic::finishDownload(const SongResult& job, CacheOutcome outcome, const QString& path) {
  --pendingResults_;
  downloading_ = false;
  progressTimer_->stop();
  page_.progressLabel()->clear();
  busy(false);
  switch (outcome) {
    case CacheOutcome::kCached:
    case CacheOutcome::kDownloaded:
      // The row reads artist-title at once, as the list shows every song.
      if (hooks_.addAndPlay) hooks_.addAndPlay(path, toQ(resultDisplayName(job.title.toStdString(), job.artist.toStdString())));
      page_.statusLabel()->setText(QStringLiteral("添加成功！"));
      break;
    case CacheOutcome::kNoUrl:
      // 状态 keeps "正在添加此音乐..." and nothing is said.
      break;
    case CacheOutcome::kFailed:
      if (job.primary) {
        if (hooks_.showError) hooks_.showError(job.title + QStringLiteral("-") + job.artist + QStringLiteral("添加失败!!"));
      } else {
        if (hooks_.showError) hooks_.showError(job.title + job.artist + QStringLiteral("添加失败，此音乐无版权!!"));
        page_.statusLabel()->setText(QStringLiteral("添加失败！"));
      }
      break;
    case CacheOutcome::kStopped:
      break;
  }
  emit downloadFinished(static_cast<int>(outcome));
  startNextDownload();
}

void OnlineMusic::showProgress() {
  QString text;
  if (downloading_ && progress_) {
    const std::int64_t total = progress_->total.load();
    const std::int64_t done = progress_->done.load();
    if (total > 0) {
      text = QStringLiteral("%1 / %2 MB（%3%）").arg(megabytes(done), megabytes(total)).arg(done * 100 / total);
    } else if (done > 0) {
      text = QStringLiteral("%1 MB").arg(megabytes(done));
    }
  }
  if (!queue_.empty()) text += QStringLiteral("  还有 %1 首等待").arg(queue_.size());
  page_.progressLabel()->setText(text);
}

void OnlineMusic::waitForIdle() {
  while (pendingResults_ > 0 || downloading_ || !queue_.empty()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (stop_) break;
  }
  reapThreads();
}

}  // namespace youran
