#include "app/player_app.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <filesystem>

#ifdef YOURAN_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

#include "app/exit_dialog.h"
#include "app/instance_handover.h"
#include "app/main_window.h"
#include "ui/notice_dialog.h"
#include "base/qt_text.h"
#include "settings/settings_file.h"
#include "settings/settings_keys.h"
#include "app/settings_page.h"
#include "ui/spinner.h"
#include "base/data_folder.h"
#include "base/log.h"
#include "net/curl_handle.h"
#include "playback/decode/plugin_folders.h"

namespace youran {

namespace {

}  // namespace

QString installedFontFamily(const QString& family) {
  if (family.isEmpty() || QFontDatabase::hasFamily(family)) return family;
  QString substitute;
#ifdef YOURAN_HAVE_FONTCONFIG
  // Asked for Chinese text, as the line shows: fontconfig's own choice, the
  // one `fc-match "NAME:lang=zh-cn"` names.
  if (FcPattern* pattern = FcPatternCreate()) {
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.toUtf8().constData()));
    FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("zh-cn"));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
      FcChar8* name = nullptr;
      if (FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch && name)
        substitute = QString::fromUtf8(reinterpret_cast<const char*>(name));
      FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
  }
#endif
  if (substitute.isEmpty() || !QFontDatabase::hasFamily(substitute)) substitute = QFontInfo(QFont(family)).family();
  return substitute.isEmpty() ? family : substitute;
}

PlayerApp::PlayerApp(StartupHooks hooks, QObject* parent)
    : QObject(parent), hooks_(std::move(hooks)), window_(std::make_unique<MainWindow>()) {
  setNoticeMainWindow(window_.get());
  connect(window_.get(), &MainWindow::closeButtonClicked, this, &PlayerApp::onCloseButton);
  connect(window_.get(), &MainWindow::minimizeButtonClicked, this, &PlayerApp::onMinimizeButton);
  auto* page = window_->settingsPage();
  connect(page, &SettingsPage::lyricFontChanged, this, [this](const QString& family) {
    lyricFont_ = family;
    if (hooks_.createDesktopLyrics) hooks_.createDesktopLyrics(family);
  });
  connect(page, &SettingsPage::spectrumChanged, this, [this](bool on) {
    // A timer whose period is 0 is stopped.
    if (on) {
      window_->spectrumTimer()->start(30);
      window_->spectrumCanvas()->show();
    } else {
      window_->spectrumTimer()->stop();
      window_->spectrumCanvas()->hide();
    }
  });
}

PlayerApp::~PlayerApp() {
  if (!shutDown_ && lock_.held()) {
    if (hooks_.stopWorkers) hooks_.stopWorkers();
  }
  setNoticeMainWindow(nullptr);
}

bool PlayerApp::start(const std::filesystem::path& lockPath) {
  if (!lock_.acquire(lockPath)) {
    window_->hide();
    if (!openedFiles_.isEmpty() && handPathsToRunningCopy(handoverSocketName(lockPath), openedFiles_)) {
      handedOver_ = true;
      return false;
    }
    ShowNotice(QStringLiteral("悠然提醒您："), QStringLiteral("悠然音乐已经在运行了！ QAQ"), true, true, true);
    return false;
  }
  window_->show();

  if (hooks_.initAudio && !hooks_.initAudio()) {
    ShowNotice(QStringLiteral("出错啦~~~~ QAQ"),
               QStringLiteral("悠然音乐无法初始化，可能是您的的电脑声卡故障导致无法播放声音，"
                              "也有可能是声卡驱动问题，重启电脑试试！"),
               true, false, false);
  }
  scanPlugins();
  if (hooks_.loadPlaylist) hooks_.loadPlaylist();
  if (hooks_.setUpTaskbar) hooks_.setUpTaskbar();
  if (hooks_.applyWindowChrome) hooks_.applyWindowChrome();
  desktopLyricsOn_ = true;
  createTrayIcon();
  Spinner::registerFont();
  prepareFolders();
  loadDownloadFolder();
  loadLyricFont();
  if (hooks_.createDesktopLyrics) hooks_.createDesktopLyrics(lyricFont_);
  loadVisualOptions();

  handover_ = new HandoverServer(this);
  if (handover_->listen(handoverSocketName(lockPath))) {
    connect(handover_, &HandoverServer::pathsReceived, this, [this](const QStringList& paths) {
      if (hooks_.openFiles) hooks_.openFiles(paths);
      showMainWindow();
    });
  }
  if (!openedFiles_.isEmpty() && hooks_.openFiles) hooks_.openFiles(openedFiles_);
  return true;
}

void PlayerApp::scanPlugins() {
  if (!hooks_.loadPlugin) return;
  // The data folder's own first; then those beside the program (a build
  // run with another data folder) and the installed ones.
  const std::filesystem::path besideProgram =
      std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()) / "Plugins";
  const std::filesystem::path folders[] = {dataPath("Plugins"), besideProgram, installedPluginFolder()};
  for (const auto& plugin : findDecoderPlugins(folders)) hooks_.loadPlugin(toQ(plugin.string()));
}

void PlayerApp::createTrayIcon() {
  tray_ = new QSystemTrayIcon(QIcon(QStringLiteral(":/skin/icon.svg")), this);
  tray_->setObjectName(QStringLiteral("托盘图标"));
  tray_->setToolTip(QStringLiteral("悠然音乐 6"));
  trayMenu_ = std::make_unique<QMenu>();
  trayMenu_->addAction(QStringLiteral("显示主界面"), this, &PlayerApp::showMainWindow);
  if (hooks_.fillTrayMenu) hooks_.fillTrayMenu(*trayMenu_);
  trayMenu_->addSeparator();
  trayMenu_->addAction(QStringLiteral("退出悠然音乐"), this, &PlayerApp::shutdown);
  tray_->setContextMenu(trayMenu_.get());
  connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
    if (why == QSystemTrayIcon::Trigger || why == QSystemTrayIcon::DoubleClick) showMainWindow();
    if (why == QSystemTrayIcon::MiddleClick && hooks_.openMiniPanel) hooks_.openMiniPanel();
  });
  tray_->show();
}

void PlayerApp::prepareFolders() {
  std::error_code ec;
  std::filesystem::create_directories(dataPath("Lyrics"), ec);
  std::filesystem::create_directories(dataPath("Pic"), ec);
}

void PlayerApp::loadDownloadFolder() {
  std::string folder = readSetting(settings::kDownloadSection, settings::kDownloadLocation);
  if (folder.empty()) {
    auto fallback = dataPath(settings::kDefaultDownloadFolder);
    std::error_code ec;
    std::filesystem::create_directories(fallback, ec);
    if (ec) logWarning("app", "cannot create " + fallback.string() + ": " + ec.message());
    folder = withTrailingSeparator(fallback);
  }
  window_->settingsPage()->showDownloadFolder(toQ(folder));
}

void PlayerApp::loadLyricFont() {
  lyricFont_ = toQ(readSetting(settings::kLyricSection, settings::kLyricFont));
  if (lyricFont_.isEmpty()) lyricFont_ = toQ(std::string(settings::kDefaultLyricFont));
  // A family this system lacks (the default is a Windows font) is drawn in
  // the one fontconfig puts in its place, and the field names that one;
  // Setting.ini keeps the stored name until the user picks another.
  lyricFont_ = installedFontFamily(lyricFont_);
  window_->settingsPage()->showLyricFont(lyricFont_);
}

void PlayerApp::loadVisualOptions() {
  auto* page = window_->settingsPage();
  bool blur = settings::parseFlag(readSetting(settings::kVisionSection, settings::kVisionGaussian)).value_or(true);
  bool spectrum =
      settings::parseFlag(readSetting(settings::kVisionSection, settings::kVisionSpectrum)).value_or(true);
  page->showBlur(blur);
  page->showSpectrum(spectrum);
  if (spectrum) {
    window_->spectrumTimer()->start(30);
    window_->spectrumCanvas()->show();
  } else {
    window_->spectrumTimer()->stop();
    window_->spectrumCanvas()->hide();
  }
}

void PlayerApp::showMainWindow() {
  window_->showNormal();
  window_->raise();
  window_->activateWindow();
}

void PlayerApp::onMinimizeButton() {
  // Without a notification area a hidden window could never be reached
  // again, so it is minimised instead.
  if (QSystemTrayIcon::isSystemTrayAvailable())
    window_->hide();
  else
    window_->showMinimized();
}

void PlayerApp::onCloseButton() {
  ExitDialog dialog(window_.get());
  bool quit = false;
  connect(&dialog, &ExitDialog::chosen, this, [&](ExitDialog::Choice choice) {
    if (choice == ExitDialog::Choice::KeepRunning)
      onMinimizeButton();
    else
      quit = true;
  });
  if (answerExitDialog)
    answerExitDialog(dialog);
  else
    dialog.exec();
  if (quit) shutdown();
}

void PlayerApp::shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  // Workers blocked in a transfer notice this within a second; the joins
  // below would otherwise wait for a slow server.
  cancelAllTransfers();
  window_->hide();
  if (tray_) tray_->hide();
  if (hooks_.stopWorkers) hooks_.stopWorkers();
  if (hooks_.stopStream) hooks_.stopStream();
  if (hooks_.freeAudio) hooks_.freeAudio();
  emit shutDown();
  QCoreApplication::exit(0);
}

}  // namespace youran
