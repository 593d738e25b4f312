#include "online/ui/cache_settings.h"

#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "online/cache_limit.h"
#include "online/online_hosts.h"
#include "settings/settings_file.h"

namespace youran {

namespace {

QString megabytes(std::int64_t bytes) { return QString::number(static_cast<double>(bytes) / (1024.0 * 1024.0), 'f', 1); }

}  // namespace

CacheSettings::CacheSettings(Hooks hooks, QWidget* parent) : QWidget(parent), hooks_(std::move(hooks)) {
  setObjectName(QStringLiteral("缓存设置"));
  // One line, on the download folder's row: what the cache holds, its
  // limit and the button that empties it. The warning, when there is one,
  // takes the place of the figures and shows whole as a tooltip.
  caption_ = new QLabel(QStringLiteral("缓存占用"), this);
  caption_->setGeometry(0, 0, 60, 30);
  usage_ = new QLabel(this);
  usage_->setObjectName(QStringLiteral("缓存占用"));
  usage_->setGeometry(60, 0, 116, 30);
  limit_ = new QLineEdit(this);
  limit_->setObjectName(QStringLiteral("缓存上限"));
  limit_->setPlaceholderText(QStringLiteral("不限"));
  limit_->setToolTip(QStringLiteral("缓存上限（MB）；空或 0 为不限。超过上限时，删除播放列表中已没有的缓存歌曲，最久未播放的先删"));
  limit_->setValidator(new QIntValidator(0, 1 << 30, limit_));
  limit_->setGeometry(180, 0, 56, 30);
  auto* unit = new QLabel(QStringLiteral("MB"), this);
  unit->setGeometry(238, 0, 22, 30);
  empty_ = new QPushButton(QStringLiteral("清空缓存"), this);
  empty_->setObjectName(QStringLiteral("清空缓存"));
  empty_->setGeometry(262, 0, 80, 30);
  warning_ = new QLabel(this);
  warning_->setObjectName(QStringLiteral("缓存提示"));
  warning_->setGeometry(0, 0, 176, 30);
  warning_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  warning_->setStyleSheet(QStringLiteral("color: #c0392b;"));
  warning_->hide();
  setFixedSize(342, 30);

  if (!hooks_.confirm) {
    hooks_.confirm = [this](const QString& question) {
      return QMessageBox::question(this, QStringLiteral("悠然提醒您："), question) == QMessageBox::Yes;
    };
  }
  const std::string stored = readSetting(hooks_.settingsFile, kOnlineSection, kOnlineCacheLimit);
  if (cacheLimitBytes(stored)) limit_->setText(QString::fromStdString(stored));
  connect(limit_, &QLineEdit::editingFinished, this, &CacheSettings::applyLimitText);
  connect(empty_, &QPushButton::clicked, this, &CacheSettings::emptyCache);
  refresh();
}

void CacheSettings::applyLimitText() {
  const std::string text = limit_->text().trimmed().toStdString();
  const std::string stored = readSetting(hooks_.settingsFile, kOnlineSection, kOnlineCacheLimit);
  if (text != stored) writeSetting(hooks_.settingsFile, kOnlineSection, kOnlineCacheLimit, text);
  enforceLimit();
}

void CacheSettings::enforceLimit() {
  const auto limit = cacheLimitBytes(readSetting(hooks_.settingsFile, kOnlineSection, kOnlineCacheLimit));
  if (limit) trimCache(hooks_.dataFolder, *limit, hooks_.listedPaths ? hooks_.listedPaths() : ListedPaths{});
  refresh();
}

void CacheSettings::refresh() {
  const ListedPaths listed = hooks_.listedPaths ? hooks_.listedPaths() : ListedPaths{};
  const CacheUsage usage = measureCache(hooks_.dataFolder, listed);
  usage_->setText(QStringLiteral("%1 MB（%2 首）").arg(megabytes(usage.totalBytes)).arg(usage.files));
  const auto limit = cacheLimitBytes(readSetting(hooks_.settingsFile, kOnlineSection, kOnlineCacheLimit));
  if (limit && usage.listedBytes > *limit) {
    warning_->setText(QStringLiteral("列表中的缓存歌曲共 %1 MB，已超过上限，不会被自动删除")
                          .arg(megabytes(usage.listedBytes)));
  } else {
    warning_->clear();
  }
  const bool warned = !warning_->text().isEmpty();
  warning_->setToolTip(warning_->text());
  warning_->setVisible(warned);
  caption_->setVisible(!warned);
  usage_->setVisible(!warned);
}

void CacheSettings::emptyCache() {
  const ListedPaths listed = hooks_.listedPaths ? hooks_.listedPaths() : ListedPaths{};
  const CacheUsage usage = measureCache(hooks_.dataFolder, listed);
  if (usage.files == 0) return;
  const int rows = rowsInCache(hooks_.dataFolder, listed);
  const QString question =
      QStringLiteral("清空缓存将删除 %1 个文件（%2 MB），播放列表中有 %3 行将失去文件。确定清空吗？")
          .arg(usage.files)
          .arg(megabytes(usage.totalBytes))
          .arg(rows);
  if (!hooks_.confirm(question)) return;
  const int deleted = youran::emptyCache(hooks_.dataFolder);
  refresh();
  emit cacheEmptied(deleted);
}

}  // namespace youran
