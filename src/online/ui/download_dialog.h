#pragma once

// The download dialog ("下载此音乐"): copies one playlist track into the
// download folder as <folder text><display name>.mp3.

#include <QDialog>
#include <QString>
#include <filesystem>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace youran {

class DownloadDialog : public QDialog {
  Q_OBJECT
 public:
  // openSettings switches the main window to the settings page.
  DownloadDialog(std::filesystem::path dataFolder, std::function<void()> openSettings, QWidget* parent = nullptr);

  // openDownloadDialog: fills the dialog for the track at sourcePath named
  // displayName (columns 0 and 2 of the selected playlist row).
  void openFor(const QString& sourcePath, const QString& displayName);
  // The buttons 立即下载 and 下载设置.
  bool copyTrackForDownload();
  void showDownloadSettings();

  QLineEdit* folderBox() const { return folder_; }
  QLabel* nameLabel() const { return name_; }

 private:
  std::filesystem::path dataFolder_;
  std::function<void()> openSettings_;
  QString source_;
  QString displayName_;
  QString rememberedFolder_;
  QLineEdit* folder_;
  QLabel* name_;
  QPushButton* download_;
  QPushButton* settings_;
};

}  // namespace youran
