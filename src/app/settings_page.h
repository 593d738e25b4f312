#pragma once

// Page "设置": download folder, lyric font, and the blur and spectrum
// switches. Every change is written to Setting.ini at once.

#include <QWidget>
#include <functional>
#include <optional>

class QLineEdit;
class QPushButton;

namespace youran {

class LevelingSettings;

class SettingsPage : public QWidget {
  Q_OBJECT
 public:
  explicit SettingsPage(QWidget* parent = nullptr);

  // The dialogs, replaceable so tests can answer them. The folder chooser
  // returns the empty text when the user cancels; the font chooser returns
  // nothing then.
  std::function<QString()> chooseFolder;
  std::function<std::optional<QString>(const QString& current)> chooseFont;

  // The song cache's group, made by the online music part, beside the switches.
  void placeCacheSettings(QWidget* group);

  QString downloadFolder() const;
  void showDownloadFolder(const QString& folder);
  QString lyricFont() const;
  void showLyricFont(const QString& family);

  LevelingSettings* levelingSettings() const { return leveling_; }

  bool blurOn() const { return blurOn_; }
  bool spectrumOn() const { return spectrumOn_; }
  bool karaokeOn() const { return karaokeOn_; }
  bool lyricsLocked() const { return lyricsLocked_; }
  // Switch state and picture only; nothing is written.
  void showBlur(bool on);
  void showSpectrum(bool on);
  void showKaraoke(bool on);
  void showLyricsLocked(bool on);

  // The actions behind the controls.
  void changeDownloadFolder();
  void changeLyricFont();
  void toggleBlur();
  void toggleSpectrum();
  void toggleKaraoke();
  void toggleLyricsLocked();

 signals:
  void downloadFolderChanged(const QString& folder);
  void lyricFontChanged(const QString& family);
  void blurChanged(bool on);
  void spectrumChanged(bool on);
  void karaokeChanged(bool on);
  void lyricsLockedChanged(bool locked);

 private:
  QLineEdit* downloadPath_;
  QPushButton* changeFolderButton_;
  QLineEdit* fontField_;
  QPushButton* changeFontButton_;
  QPushButton* blurToggle_;
  QPushButton* spectrumToggle_;
  QPushButton* karaokeToggle_;
  QPushButton* lockToggle_;
  LevelingSettings* leveling_;
  bool blurOn_ = true;
  bool spectrumOn_ = true;
  bool karaokeOn_ = true;
  bool lyricsLocked_ = false;
};

}  // namespace youran
