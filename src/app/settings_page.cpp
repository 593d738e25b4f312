#include "app/settings_page.h"

#include <QFileDialog>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "lyrics/ui/lyric_line_settings.h"
#include "playback/ui/gapless_setting.h"
#include "playback/ui/leveling_settings.h"
#include "settings/settings_file.h"
#include "settings/settings_keys.h"
#include "ui/skin.h"
#include "playback/ui/output_device_box.h"
#include "base/qt_text.h"

namespace youran {

namespace {

QLabel* caption(QWidget* parent, const QString& text, int y) {
  auto* label = new QLabel(text, parent);
  label->setProperty("class", "caption");
  label->setGeometry(40, y, 120, 30);
  return label;
}

QLabel* hint(QWidget* parent, const QString& text, int y) {
  auto* label = new QLabel(text, parent);
  label->setProperty("class", "hint");
  label->setGeometry(160, y, 440, 20);
  return label;
}

std::string toStd(const QString& text) { return text.toStdString(); }

// A switch's state and its picture.
void showSwitch(QPushButton* button, bool& state, bool on) {
  state = on;
  setButtonPicture(button, on ? QStringLiteral("toggle_on") : QStringLiteral("toggle_off"));
}

// Flips a switch and writes its new state at once; returns that state.
bool flipSwitch(QPushButton* button, bool& state, std::string_view section, std::string_view key) {
  const bool on = !state;
  showSwitch(button, state, on);
  writeSetting(section, key, std::string(settings::flagText(on)));
  return on;
}

}  // namespace

SettingsPage::SettingsPage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("设置页"));

  auto* title = new QLabel(QStringLiteral("设置"), this);
  title->setProperty("class", "pageTitle");
  title->setGeometry(40, 20, 200, 34);

  caption(this, QStringLiteral("下载目录"), 80);
  downloadPath_ = new QLineEdit(this);
  downloadPath_->setObjectName(QStringLiteral("下载路径"));
  downloadPath_->setReadOnly(true);
  downloadPath_->setGeometry(160, 80, 400, 30);
  changeFolderButton_ = makePictureButton(this, QStringLiteral("更改目录"), QStringLiteral("folder"), {30, 30});
  changeFolderButton_->move(572, 80);
  changeFolderButton_->setToolTip(QStringLiteral("更改目录"));
  hint(this, QStringLiteral("从网络下载的歌曲保存在这里"), 114);

  caption(this, QStringLiteral("歌词字体"), 154);
  fontField_ = new QLineEdit(this);
  fontField_->setObjectName(QStringLiteral("字体"));
  fontField_->setReadOnly(true);
  fontField_->setGeometry(160, 154, 300, 30);
  changeFontButton_ = new QPushButton(QStringLiteral("修改字体"), this);
  changeFontButton_->setObjectName(QStringLiteral("修改字体"));
  changeFontButton_->setProperty("class", "text");
  changeFontButton_->setCursor(Qt::PointingHandCursor);
  changeFontButton_->setGeometry(472, 154, 100, 30);
  (new LyricLineSettings(this))->setGeometry(580, 148, 92, 44);
  hint(this, QStringLiteral("桌面歌词与正在播放页的歌词使用此字体"), 188);

  caption(this, QStringLiteral("高斯模糊背景"), 228);
  blurToggle_ = makePictureButton(this, QStringLiteral("高斯开"), QStringLiteral("toggle_on"), {52, 28});
  blurToggle_->move(160, 229);
  hint(this, QStringLiteral("左侧面板透出身后桌面的模糊画面，随窗口移动刷新"), 262);

  (new OutputDeviceBox(this))->move(300, 228);

  caption(this, QStringLiteral("频谱"), 302);
  spectrumToggle_ = makePictureButton(this, QStringLiteral("可视开"), QStringLiteral("toggle_on"), {52, 28});
  spectrumToggle_->move(160, 303);
  hint(this, QStringLiteral("播放时显示跳动的频谱"), 336);
  leveling_ = new LevelingSettings(this);
  leveling_->setGeometry(300, 302, 360, 30);

  caption(this, QStringLiteral("卡拉OK歌词"), 376);
  karaokeToggle_ = makePictureButton(this, QStringLiteral("卡拉开"), QStringLiteral("toggle_on"), {52, 28});
  karaokeToggle_->move(160, 377);
  // The lock shares the row: the page ends where the transport bar begins.
  caption(this, QStringLiteral("锁定桌面歌词"), 376)->move(300, 376);
  lockToggle_ = makePictureButton(this, QStringLiteral("锁定开"), QStringLiteral("toggle_off"), {52, 28});
  lockToggle_->move(420, 377);
  (new GaplessSetting(this))->setGeometry(500, 376, 140, 30);
  hint(this, QStringLiteral("桌面歌词随演唱进度变色；锁定后鼠标点击穿透桌面歌词"), 410);

  chooseFolder = [this] {
    return QFileDialog::getExistingDirectory(this, QStringLiteral("选择下载文件夹"), downloadFolder());
  };
  chooseFont = [this](const QString& current) -> std::optional<QString> {
    bool ok = false;
    QFont font = QFontDialog::getFont(&ok, QFont(current), this, QStringLiteral("修改字体"));
    if (!ok) return std::nullopt;
    return font.family();
  };

  connect(changeFolderButton_, &QPushButton::clicked, this, &SettingsPage::changeDownloadFolder);
  connect(changeFontButton_, &QPushButton::clicked, this, &SettingsPage::changeLyricFont);
  connect(blurToggle_, &QPushButton::clicked, this, &SettingsPage::toggleBlur);
  connect(spectrumToggle_, &QPushButton::clicked, this, &SettingsPage::toggleSpectrum);
  connect(karaokeToggle_, &QPushButton::clicked, this, &SettingsPage::toggleKaraoke);
  connect(lockToggle_, &QPushButton::clicked, this, &SettingsPage::toggleLyricsLocked);
}

void SettingsPage::placeCacheSettings(QWidget* group) {
  group->setParent(this);
  // Beside the download folder's hint: the cache is where songs go first.
  group->move(330, 106);
  group->show();
}

QString SettingsPage::downloadFolder() const { return downloadPath_->text(); }

void SettingsPage::showDownloadFolder(const QString& folder) { downloadPath_->setText(folder); }

QString SettingsPage::lyricFont() const { return fontField_->text(); }

void SettingsPage::showLyricFont(const QString& family) { fontField_->setText(family); }

void SettingsPage::showBlur(bool on) { showSwitch(blurToggle_, blurOn_, on); }

void SettingsPage::showSpectrum(bool on) { showSwitch(spectrumToggle_, spectrumOn_, on); }

void SettingsPage::changeDownloadFolder() {
  QString chosen = chooseFolder ? chooseFolder() : QString();
  // Cancelling the folder browser keeps the folder the user already has.
  if (chosen.isEmpty()) return;
  QString folder = toQ(settings::downloadFolderText(toStd(chosen)));
  showDownloadFolder(folder);
  writeSetting(settings::kDownloadSection, settings::kDownloadLocation, toStd(folder));
  QString stored = toQ(readSetting(settings::kDownloadSection, settings::kDownloadLocation));
  showDownloadFolder(stored);
  emit downloadFolderChanged(stored);
}

void SettingsPage::changeLyricFont() {
  auto family = chooseFont ? chooseFont(lyricFont()) : std::nullopt;
  if (!family) return;
  showLyricFont(*family);
  emit lyricFontChanged(*family);
  writeSetting(settings::kLyricSection, settings::kLyricFont, toStd(*family));
}

void SettingsPage::toggleBlur() {
  emit blurChanged(flipSwitch(blurToggle_, blurOn_, settings::kVisionSection, settings::kVisionGaussian));
}

void SettingsPage::toggleSpectrum() {
  emit spectrumChanged(flipSwitch(spectrumToggle_, spectrumOn_, settings::kVisionSection, settings::kVisionSpectrum));
}

void SettingsPage::showKaraoke(bool on) { showSwitch(karaokeToggle_, karaokeOn_, on); }

void SettingsPage::showLyricsLocked(bool on) { showSwitch(lockToggle_, lyricsLocked_, on); }

void SettingsPage::toggleKaraoke() {
  emit karaokeChanged(flipSwitch(karaokeToggle_, karaokeOn_, settings::kLyricSection, settings::kLyricKaraoke));
}

void SettingsPage::toggleLyricsLocked() {
  emit lyricsLockedChanged(flipSwitch(lockToggle_, lyricsLocked_, settings::kLyricSection, settings::kLyricLocked));
}

}  // namespace youran
