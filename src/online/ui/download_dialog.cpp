#include "online/ui/download_dialog.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/notice_dialog.h"
#include "settings/settings_file.h"
#include "settings/settings_keys.h"
#include "base/data_folder.h"
#include "online/song_cache.h"
#include "base/qt_text.h"

namespace youran {

DownloadDialog::DownloadDialog(std::filesystem::path dataFolder, std::function<void()> openSettings, QWidget* parent)
    : QDialog(parent), dataFolder_(std::move(dataFolder)), openSettings_(std::move(openSettings)) {
  setObjectName(QStringLiteral("下载窗口"));
  setWindowTitle(QStringLiteral("下载此音乐"));
  setFixedSize(420, 170);
  auto* title = new QLabel(QStringLiteral("下载此音乐"), this);
  title->setGeometry(20, 12, 110, 28);
  name_ = new QLabel(this);
  name_->setObjectName(QStringLiteral("下载音乐名称"));
  name_->setGeometry(120, 12, 290, 28);
  auto* where = new QLabel(QStringLiteral("保存到"), this);
  where->setGeometry(20, 56, 60, 30);
  folder_ = new QLineEdit(this);
  folder_->setObjectName(QStringLiteral("编辑框1"));
  folder_->setGeometry(80, 56, 320, 30);
  download_ = new QPushButton(QStringLiteral("立即下载"), this);
  download_->setObjectName(QStringLiteral("立即下载"));
  download_->setGeometry(300, 116, 100, 32);
  settings_ = new QPushButton(QStringLiteral("下载设置"), this);
  settings_->setObjectName(QStringLiteral("下载设置"));
  settings_->setGeometry(190, 116, 100, 32);
  connect(download_, &QPushButton::clicked, this, [this] { copyTrackForDownload(); });
  connect(settings_, &QPushButton::clicked, this, &DownloadDialog::showDownloadSettings);
}

void DownloadDialog::openFor(const QString& sourcePath, const QString& displayName) {
  const std::filesystem::path settings = dataFolder_ / "Setting.ini";
  folder_->setText(toQ(readSetting(settings, settings::kDownloadSection, settings::kDownloadLocation)));
  source_ = sourcePath;
  displayName_ = displayName;
  name_->setText(QStringLiteral(" — ") + displayName);
  const std::filesystem::path fallback = dataFolder_ / std::string(settings::kDefaultDownloadFolder);
  rememberedFolder_ = toQ(withTrailingSeparator(fallback));
  if (folder_->text().isEmpty()) {
    folder_->setText(rememberedFolder_);
    QDir().mkpath(toQ(fallback.string()));
  }
}

bool DownloadDialog::copyTrackForDownload() {
  QDir().mkpath(rememberedFolder_);
  QString folder = folder_->text();
  if (folder.isEmpty()) folder = rememberedFolder_;
  const bool copied = youran::copyTrackForDownload(source_.toStdString(), folder.toStdString(), displayName_.toStdString());
  if (copied) {
    ShowNotice(QStringLiteral("悠然提醒您："), displayName_ + QStringLiteral("  下载成功!!"), true, false, false);
    accept();
  } else {
    ShowNotice(QStringLiteral("悠然提醒您："), displayName_ + QStringLiteral("  下载失败!!"), true, false, false);
  }
  return copied;
}

void DownloadDialog::showDownloadSettings() {
  if (openSettings_) openSettings_();
  close();
}

}  // namespace youran
