#include "app/player_assembly.h"

#include <QLabel>
#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QStackedWidget>
#include <QTableView>
#include <QTimer>
#include <QLineEdit>
#include <QShortcut>

#include "app/desktop/dbus_taskbar.h"
#include "app/desktop/mini_panel.h"
#include "app/desktop/taskbar_view.h"
#include "lyrics/ui/lyrics_view.h"
#include "app/main_window.h"
#include "settings/settings_file.h"
#include "settings/settings_keys.h"
#include "app/settings_page.h"
#include "app/pages.h"
#include "settings/settings_file.h"
#include "settings/settings_keys.h"
#include "visuals/ui/cover_art.h"
#include "online/cache_limit.h"
#include "online/ui/cache_settings.h"
#include "online/ui/download_dialog.h"
#include "playback/ui/effects_window.h"
#include "playback/ui/output_device_box.h"
#include "playback/ui/sound_effects.h"
#include "online/ui/online_fetch.h"
#include "online/ui/online_music.h"
#include "app/player_visuals.h"
#include "playlist/ui/playlist_menus.h"
#include "app/transport_view.h"
#include "base/data_folder.h"
#include "lyrics/ui/desktop_lyrics_window.h"
#include "lyrics/ui/lyric_loader.h"
#include "online/primary_service.h"
#include "lyrics/ui/lyric_line_settings.h"
#include "playback/audio_engine.h"
#include "playback/controller/now_playing.h"
#include "playback/controller/playback_controller.h"
#include "playback/controller/track_start_steps.h"
#include "playback/loudness/loudness_scanner.h"
#include "playback/loudness/track_leveling.h"
#include "playback/ui/gapless_setting.h"
#include "playback/ui/leveling_settings.h"
#include "playlist/music_list_file.h"
#include "playlist/conversion_defaults.h"
#include "playlist/ui/playlist_commands.h"
#include "playlist/ui/playlist_controller.h"
#include "playlist/ui/playlist_model.h"
#include "online/online_hosts.h"
#include "tags/tag_reader.h"
#include "base/qt_text.h"
#include "ui/notice_dialog.h"

namespace youran {

namespace {

constexpr int kVolumeStep = 5;

// A double-click on the left panel's song labels opens the mini panel: the
// way to it on a desktop without a notification area.
class MiniPanelOpener : public QObject {
 public:
  MiniPanelOpener(QObject* parent, std::function<void()> open) : QObject(parent), open_(std::move(open)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonDblClick) {
      open_();
      return true;
    }
    // A press there would start a window drag, and the window manager's
    // move would swallow the second click.
    if (event->type() == QEvent::MouseButtonPress) return true;
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> open_;
};

}  // namespace

// The track-start steps of the parts built here; each part overrides its
// own step and reads what it needs from the assembly.
class PlayerAssembly::TrackStart final : public TrackStartSteps {
 public:
  explicit TrackStart(PlayerAssembly& assembly) : assembly_(assembly) {}

  void loadLyrics(const QString& displayName) override { assembly_.lyrics_->loadTrackLyrics(displayName); }
  void startLyricTimer() override {
    assembly_.lyrics_->startLyricTimer();
    // The new track's line at once, not the last one's until the next tick.
    assembly_.lyrics_->onLyricTick();
    assembly_.showBigLine(false);
  }
  void loadCover(const QString& displayName) override { assembly_.visuals().cover().loadCover(displayName); }
  void showDefaultCover() override { assembly_.visuals().cover().showDefaultCover(); }
  void attachEffects(uint32_t stream) override { assembly_.effects_->attachTo(stream); }

 private:
  PlayerAssembly& assembly_;
};

PlayerAssembly::PlayerAssembly(PlayerApp& app, AudioEngine& engine) : app_(app), engine_(engine) {
  auto* window = app_.mainWindow();
  nowPlaying_ = std::make_unique<NowPlaying>();
  playlist_ = std::make_unique<PlaylistController>(defaultConversionFunctions(
      [this] {
        // Called on the conversion worker; the engine answers from any thread.
        return engine_.isActive(currentStream_.load()) != 0;
      },
      &engine_));
  playlist_->attachView(window->musicPage()->playlistView());
  playback_ = std::make_unique<PlaybackController>(engine_, *nowPlaying_, *playlist_);
  playlist_->followNowPlaying(*nowPlaying_);
  transport_ = std::make_unique<TransportView>(*window, *nowPlaying_, *playback_);
  // A track without a lyric file asks the primary service for one.
  desktopLyrics_ = std::make_unique<DesktopLyricsWindow>();
  lyricLoader_ = std::make_unique<LyricLoader>(dataFolder(), primaryLyricFetch(settingsFilePath()));
  LyricsView::Sources lyricSources;
  lyricSources.livePositionSeconds = [this] { return playback_->livePositionSeconds(); };
  lyricSources.nowPlayingPageOpen = [window] { return window->pages()->currentIndex() == MainWindow::kNowPlaying; };
  lyricSources.searchLyrics = [file = settingsFilePath()](const std::string& name) {
    std::vector<LyricCandidate> found;
    for (const PrimaryRow& row : PrimaryService(readOnlineHosts(file)).search(name))
      found.push_back({toQ(row.title), toQ(row.artist), toQ(row.album), row.durationMs, toQ(row.id)});
    return found;
  };
  lyricSources.lyricById = [file = settingsFilePath()](const std::string& id) {
    return PrimaryService(readOnlineHosts(file)).fetchLyricById(id);
  };
  lyrics_ = std::make_unique<LyricsView>(*nowPlaying_, *desktopLyrics_, *lyricLoader_, std::move(lyricSources));
  lyrics_->attachControls(window->lyricButton(), window->desktopLyricsBox(), window->nowPlayingPage()->lyricLine());
  lyrics_->setFrameClock(window->spectrumTimer());
  connectLyricSettings();
  connectLeveling();
  playback_->setGapless(GaplessSetting::stored());
  if (auto* gapless = window->settingsPage()->findChild<GaplessSetting*>())
    QObject::connect(gapless, &GaplessSetting::changed, playback_.get(), &PlaybackController::setGapless);
  QObject::connect(window, &MainWindow::nowPlayingOpening, lyrics_.get(), [this] { showBigLine(true); });
  auto* devices = window->settingsPage()->findChild<OutputDeviceBox*>();
  if (devices)
    QObject::connect(devices, &OutputDeviceBox::deviceChosen, devices,
                     [this](const QString& name) { engine_.setDeviceName(name.toStdString()); });
  // Said once where the window shows its state, and beside the device list.
  engine_.setOutputStatusHandler([box = QPointer<OutputDeviceBox>(devices), transport = transport_.get()](
                                     OutputStatus status) {
    QMetaObject::invokeMethod(
        transport,
        [box, transport, status] {
          transport->showOutputLost(status == OutputStatus::Lost);
          if (box) box->showDeviceLost(status == OutputStatus::Lost);
        },
        Qt::QueuedConnection);
  });
  visuals_ = std::make_unique<PlayerVisuals>(*window, *nowPlaying_, engine_, *playback_);
  visuals_->cover().setFetch(primaryCoverFetch(settingsFilePath()));
  effects_ = std::make_unique<SoundEffects>(engine_, [this] { return playback_->currentStream(); }, stateFilePath());
  QObject::connect(window, &MainWindow::effectsLabelClicked, effects_.get(), [this] { openEffectsWindow(); });
  QObject::connect(playback_.get(), &PlaybackController::trackFailed, window,
                   [](const QString& name, const QString&) {
                     ShowNotice(QStringLiteral("出错啦~~~~ QAQ"),
                                QStringLiteral("悠然音乐播放不了“%1”：文件可能已损坏，或者是悠然音乐还不认识的格式。")
                                    .arg(name),
                                true, false, false);
                   });
  trackStart_ = std::make_unique<TrackStart>(*this);
  playback_->setTrackStartSteps(trackStart_.get());
  setUpDesktop();
  rememberState();
  bindKeys();

  auto noteStream = [this] { currentStream_.store(playback_->currentStream()); };
  QObject::connect(nowPlaying_.get(), &NowPlaying::trackChanged, noteStream);
  QObject::connect(nowPlaying_.get(), &NowPlaying::playStateChanged, noteStream);

  auto* hint = window->musicPage()->emptyHint();
  auto updateHint = [this, hint] { hint->setVisible(playlist_->list().empty()); };
  QObject::connect(playlist_->model(), &QAbstractItemModel::rowsInserted, hint, updateHint);
  QObject::connect(playlist_->model(), &QAbstractItemModel::rowsRemoved, hint, updateHint);
  QObject::connect(playlist_->model(), &QAbstractItemModel::modelReset, hint, updateHint);
  QObject::connect(playlist_.get(), &PlaylistController::windowTitleChanged, window, &QWidget::setWindowTitle);
  // The pass wrote its progress into the title; when it ends the title is
  // the playing track's again.
  QObject::connect(playlist_.get(), qOverload<>(&PlaylistController::passFinished), window,
                   [this, window] { window->setWindowTitle(nowPlaying_->windowTitle()); });

  playlistCommands_ = std::make_unique<PlaylistCommands>(*playlist_, *playback_, window);
  playlistMenus_ = std::make_unique<PlaylistMenus>(*window->musicPage()->playlistView(), *playlist_, *playlistCommands_);
  QObject::connect(playlistCommands_.get(), &PlaylistCommands::windowTitleChanged, window, &QWidget::setWindowTitle);
  OnlineMusic::Hooks online;
  online.addAndPlay = [this](const QString& path, const QString& name) {
    playlistCommands_->addPaths({path}, true, {name});
  };
  online.showError = [window](const QString& text) {
    auto* box = new QMessageBox(QMessageBox::Critical, QStringLiteral("悠然提醒您："), text, QMessageBox::Ok, window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
  };
  online.hosts = [] { return readOnlineHosts(settingsFilePath()); };
  online.openSearchPage = [window] { window->openPage(MainWindow::kSearch); };
  online.searchPageOpen = [window] { return window->pages()->currentIndex() == MainWindow::kSearch; };
  online.dataFolder = dataFolder();
  online_ = std::make_unique<OnlineMusic>(*window->searchPage(), *window->musicPage()->searchBox(),
                                          *window->spinner(), std::move(online));
  setUpCacheSettings();
  // "下载此音乐" in the playlist's menu.
  QObject::connect(playlistCommands_.get(), &PlaylistCommands::downloadRequested, online_.get(),
                   [this](int row) { openDownloadDialog(row); });

  app_.hooks() = hooks();
}

void PlayerAssembly::setUpCacheSettings() {
  CacheSettings::Hooks cache;
  cache.dataFolder = dataFolder();
  cache.settingsFile = settingsFilePath();
  cache.listedPaths = [this] {
    std::vector<std::string> paths;
    const TrackList& list = playlist_->list();
    for (size_t row = 1; row <= list.size(); ++row) paths.push_back(list.atRow(row).path);
    return paths;
  };
  cacheSettings_ = new CacheSettings(std::move(cache));
  app_.mainWindow()->settingsPage()->placeCacheSettings(cacheSettings_);
  // The new song is in the list by then, so the limit never takes it.
  QObject::connect(online_.get(), &OnlineMusic::downloadFinished, cacheSettings_, &CacheSettings::enforceLimit);
  QObject::connect(nowPlaying_.get(), &NowPlaying::trackChanged, cacheSettings_,
                   [this] { noteCachePlayed(dataFolder(), nowPlaying_->track().path.toStdString()); });
}

// The keys a user reaches for. Space and the arrows with Ctrl work in the
// whole window (a search box keeps its own Space); Enter and Delete belong
// to the list.
void PlayerAssembly::bindKeys() {
  auto* window = app_.mainWindow();
  auto* list = window->musicPage()->playlistView();
  auto bind = [](QWidget* on, QKeySequence keys, Qt::ShortcutContext context, std::function<void()> run) {
    auto* shortcut = new QShortcut(keys, on);
    shortcut->setContext(context);
    QObject::connect(shortcut, &QShortcut::activated, on, std::move(run));
  };
  for (int key : {Qt::Key_Return, Qt::Key_Enter})
    bind(list, QKeySequence(key), Qt::WidgetShortcut, [this] { playlistCommands_->playSelected(); });
  bind(list, QKeySequence(Qt::Key_Delete), Qt::WidgetShortcut, [this] { playlistCommands_->removeSelected(); });
  bind(window, QKeySequence(Qt::Key_Space), Qt::WindowShortcut, [this] { playback_->togglePlayPause(); });
  bind(window, QKeySequence(Qt::CTRL | Qt::Key_Left), Qt::WindowShortcut, [this] { playback_->previous(); });
  bind(window, QKeySequence(Qt::CTRL | Qt::Key_Right), Qt::WindowShortcut, [this] { playback_->next(); });
  bind(window, QKeySequence(Qt::CTRL | Qt::Key_Up), Qt::WindowShortcut,
       [this] { playback_->setVolumePercent(std::min(100, nowPlaying_->volume() + kVolumeStep)); });
  bind(window, QKeySequence(Qt::CTRL | Qt::Key_Down), Qt::WindowShortcut,
       [this] { playback_->setVolumePercent(std::max(0, nowPlaying_->volume() - kVolumeStep)); });
  bind(window, QKeySequence(Qt::CTRL | Qt::Key_F), Qt::WindowShortcut, [window] {
    if (window->pages()->currentIndex() != MainWindow::kMyMusic) window->openPage(MainWindow::kMyMusic);
    window->musicPage()->searchBox()->setFocus(Qt::ShortcutFocusReason);
    window->musicPage()->searchBox()->selectAll();
  });
}

// What the player remembers between runs in State.ini: the volume and the
// place the desktop line was dragged to.
namespace {
constexpr std::string_view kPlayerState = "Player";
constexpr std::string_view kVolumeKey = "Volume";
constexpr std::string_view kLyricXKey = "DesktopLyricX";
constexpr std::string_view kLyricYKey = "DesktopLyricY";

std::optional<int> stateNumber(std::string_view key) {
  bool ok = false;
  const int value = QString::fromStdString(readState(kPlayerState, key)).toInt(&ok);
  return ok ? std::optional<int>(value) : std::nullopt;
}
}  // namespace

void PlayerAssembly::rememberState() {
  if (auto volume = stateNumber(kVolumeKey)) playback_->setVolumePercent(std::clamp(*volume, 0, 100));
  const auto x = stateNumber(kLyricXKey), y = stateNumber(kLyricYKey);
  if (x && y) desktopLyrics_->setPlace(QPoint(*x, *y));
  // A drag of the volume knob changes it every few milliseconds: the file
  // is written once it rests, and at the end.
  volumeSave_ = new QTimer(app_.mainWindow());
  volumeSave_->setSingleShot(true);
  volumeSave_->setInterval(400);
  QObject::connect(volumeSave_, &QTimer::timeout, volumeSave_, [this] {
    writeState(kPlayerState, kVolumeKey, std::to_string(nowPlaying_->volume()));
  });
  QObject::connect(nowPlaying_.get(), &NowPlaying::volumeChanged, volumeSave_, qOverload<>(&QTimer::start));
  QObject::connect(desktopLyrics_.get(), &DesktopLyricsWindow::placeChanged, [](QPoint at) {
    writeState(kPlayerState, kLyricXKey, std::to_string(at.x()));
    writeState(kPlayerState, kLyricYKey, std::to_string(at.y()));
  });
}

DownloadDialog* PlayerAssembly::openDownloadDialog(int row) {
  if (row < 1 || static_cast<size_t>(row) > playlist_->list().size()) return nullptr;
  const TrackEntry& entry = playlist_->list().atRow(static_cast<size_t>(row));
  auto* window = app_.mainWindow();
  auto* dialog = new DownloadDialog(dataFolder(), [window] { window->openPage(MainWindow::kSettings); }, window);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->openFor(toQ(entry.path), toQ(entry.name));
  dialog->show();
  return dialog;
}

EffectsWindow& PlayerAssembly::openEffectsWindow() {
  if (!effectsWindow_) effectsWindow_ = new EffectsWindow(*effects_, app_.mainWindow());
  effectsWindow_->show();
  effectsWindow_->raise();
  effectsWindow_->activateWindow();
  return *effectsWindow_;
}

// 歌词大 shows what the desktop line shows, whether or not that line is on.
void PlayerAssembly::showBigLine(bool opening) {
  auto* window = app_.mainWindow();
  if (!opening && window->pages()->currentIndex() != MainWindow::kNowPlaying) return;
  if (!desktopLyrics_->text().isEmpty()) window->nowPlayingPage()->lyricLine()->setText(desktopLyrics_->text());
}

void PlayerAssembly::connectLyricSettings() {
  auto* page = app_.mainWindow()->settingsPage();
  const bool karaoke = settings::parseFlag(readSetting(settings::kLyricSection, settings::kLyricKaraoke)).value_or(true);
  const bool locked = settings::parseFlag(readSetting(settings::kLyricSection, settings::kLyricLocked)).value_or(false);
  page->showKaraoke(karaoke);
  page->showLyricsLocked(locked);
  lyrics_->setKaraoke(karaoke);
  lyrics_->setLocked(locked);
  QObject::connect(page, &SettingsPage::karaokeChanged, lyrics_.get(), &LyricsView::setKaraoke);
  QObject::connect(page, &SettingsPage::lyricsLockedChanged, lyrics_.get(), &LyricsView::setLocked);
  if (auto* lines = page->findChild<LyricLineSettings*>()) {
    lines->load();
    lyrics_->setShowTranslation(lines->translation());
    lyrics_->setShowRomanization(lines->romanization());
    QObject::connect(lines, &LyricLineSettings::translationChanged, lyrics_.get(), &LyricsView::setShowTranslation);
    QObject::connect(lines, &LyricLineSettings::romanizationChanged, lyrics_.get(), &LyricsView::setShowRomanization);
  }
  // A lock from the line's own menu is remembered the same way.
  QObject::connect(lyrics_.get(), &LyricsView::lockChanged, page, [page](bool on) {
    if (page->lyricsLocked() == on) return;
    page->showLyricsLocked(on);
    writeSetting(settings::kLyricSection, settings::kLyricLocked, std::string(settings::flagText(on)));
  });
}

void PlayerAssembly::connectLeveling() {
  auto store = std::shared_ptr<LoudnessStore>(LoudnessStore::open(musicListPath().parent_path() / "Loudness.db"));
  leveling_ = std::make_unique<TrackLeveling>(store);
  leveling_->loadSettings();
  if (store) loudnessScanner_ = std::make_unique<LoudnessScanner>(store);
  playback_->setTrackGain([this](const std::string& path) { return leveling_->factorFor(path); });
  // Tracks without gains in their tags are measured once the conversion pass
  // is done with the list, and only while levelling is on.
  auto measureList = [this] {
    if (!loudnessScanner_ || leveling_->mode() == ReplayGainMode::kOff) return;
    std::vector<std::string> paths;
    for (int row = 1; row <= playlist_->rowCount(); ++row) paths.push_back(playlist_->pathAtRow(row));
    loudnessScanner_->scan(std::move(paths));
  };
  QObject::connect(playlist_.get(), qOverload<>(&PlaylistController::passFinished), playlist_.get(), measureList);
  auto* page = app_.mainWindow()->settingsPage()->levelingSettings();
  QObject::connect(page, &LevelingSettings::changed, page, [this, measureList](ReplayGainMode mode, double preampDb) {
    leveling_->setMode(mode);
    leveling_->setPreampDb(preampDb);
    const int row = nowPlaying_->currentRow();
    if (row >= 1 && row <= playlist_->rowCount()) {
      engine_.setReplayGain(playback_->currentStream(), leveling_->factorFor(playlist_->pathAtRow(row)));
    }
    measureList();
  });
}

void PlayerAssembly::setUpDesktop() {
  MprisActions actions;
  actions.raise = [this] { app_.showMainWindow(); };
  actions.quit = [this] { app_.shutdown(); };
  actions.play = [this] {
    if (nowPlaying_->playState() == PlayState::paused) {
      playback_->togglePlayPause();
    } else if (nowPlaying_->playState() == PlayState::idle && !playlist_->list().empty()) {
      playback_->startRow(std::max(nowPlaying_->currentRow(), 1));
    }
  };
  actions.pause = [this] {
    if (nowPlaying_->playState() == PlayState::playing) playback_->togglePlayPause();
  };
  actions.stop = [this] { playback_->stop(); };
  actions.seekTo = [this](double seconds) { playback_->seekToSeconds(seconds); };
  actions.positionSeconds = [this] { return playback_->livePositionSeconds(); };
  actions.setVolume = [this](int percent) { playback_->setVolumePercent(percent); };
  actions.setMode = [this](PlayMode mode) { playback_->setMode(mode); };
  actions.openFile = [this](const QString& path) { openFiles({path}); };
  actions.lyricText = [this] { return lyrics_->sync().lyricText(); };
  // The album is not in the playlist; the tags are read once per track.
  actions.album = [this, path = std::make_shared<QString>(), album = std::make_shared<QString>()] {
    if (*path != nowPlaying_->track().path) {
      *path = nowPlaying_->track().path;
      TagInfo tags;
      ReadTagsByConversionRule(path->toStdString(), tags, ReadOptions{false, false});
      *album = toQ(tags.album);
    }
    return *album;
  };
  taskbar_ = std::make_unique<DbusTaskbar>(*nowPlaying_, std::move(actions));
  taskbarView_ = std::make_unique<TaskbarView>(*nowPlaying_, *taskbar_);

  auto* window = app_.mainWindow();
  auto* opener = new MiniPanelOpener(window, [this] { openMiniPanel(); });
  for (QLabel* label : {window->songLabel(), window->artistLabel()}) {
    label->installEventFilter(opener);
    label->setToolTip(QStringLiteral("双击打开迷你面板"));
  }
}

void PlayerAssembly::onTaskbarButton(int id) {
  switch (id) {
    case TaskbarControls::kPrevious: playback_->previous(); break;
    case TaskbarControls::kPlayPause: playback_->togglePlayPause(); break;
    case TaskbarControls::kNext: playback_->next(); break;
    default: break;
  }
}

MiniPanel& PlayerAssembly::miniPanel() {
  if (!miniPanel_) {
    miniPanel_ = std::make_unique<MiniPanel>(*nowPlaying_, *playback_, [this] { app_.onCloseButton(); });
  }
  return *miniPanel_;
}

void PlayerAssembly::openMiniPanel() { miniPanel().openAt(QCursor::pos()); }

void PlayerAssembly::openFiles(const QStringList& paths) { playlistCommands_->addPaths(paths, true); }

PlayerAssembly::~PlayerAssembly() {
  // The hooks reach into this object; PlayerApp may outlive it and run its
  // shutdown steps from its own destructor.
  app_.hooks() = {};
  engine_.setOutputStatusHandler({});
  delete effectsWindow_.data();
  if (lyricLoader_) lyricLoader_->shutdown();
  if (playlist_) playlist_->shutdown();
  if (playback_) playback_->setTrackStartSteps(nullptr);
}

StartupHooks PlayerAssembly::hooks() {
  StartupHooks hooks;
  hooks.initAudio = [this] {
    engine_.setDeviceName(OutputDeviceBox::savedDevice());
    return engine_.init();
  };
  hooks.loadPlugin = [this](const QString& path) {
    engine_.loadPlugin(path.toStdString(),
                       [](std::string_view key) { return readSetting(settings::kPluginsSection, key); });
  };
  hooks.loadPlaylist = [this] { playlist_->loadDefaultList(); };
  hooks.createDesktopLyrics = [this](const QString& font) { lyrics_->setLyricFont(font); };
  hooks.setUpTaskbar = [this] {
    // Without a session bus the player runs without taskbar controls.
    if (taskbar_->create() && taskbar_->init()) taskbar_->addButtons([this](int id) { onTaskbarButton(id); });
  };
  hooks.openMiniPanel = [this] { openMiniPanel(); };
  hooks.fillTrayMenu = [this](QMenu& menu) {
    menu.addAction(QStringLiteral("迷你面板"), [this] { openMiniPanel(); });
    menu.addSeparator();
    menu.addAction(QStringLiteral("上一曲"), [this] { playback_->previous(); });
    menu.addAction(QStringLiteral("播放/暂停"), [this] { playback_->togglePlayPause(); });
    menu.addAction(QStringLiteral("下一曲"), [this] { playback_->next(); });
    menu.addSeparator();
    // The one way back to a locked desktop line that lets every click through.
    auto lockText = [](bool locked) {
      return locked ? QStringLiteral("解锁桌面歌词") : QStringLiteral("锁定桌面歌词");
    };
    QAction* lock = menu.addAction(lockText(desktopLyrics_->locked()));
    lock->setObjectName(QStringLiteral("锁定桌面歌词"));
    QObject::connect(lock, &QAction::triggered, lyrics_.get(), [this] { lyrics_->setLocked(!desktopLyrics_->locked()); });
    QObject::connect(lyrics_.get(), &LyricsView::lockChanged, lock,
                     [lock, lockText](bool locked) { lock->setText(lockText(locked)); });
  };
  hooks.applyWindowChrome = [this] { visuals_->applyWindowChrome(); };
  hooks.stopWorkers = [this] {
    if (volumeSave_ && volumeSave_->isActive()) {
      volumeSave_->stop();
      writeState(kPlayerState, kVolumeKey, std::to_string(nowPlaying_->volume()));
    }
    effects_->flush();
    lyricLoader_->shutdown();
    playlist_->shutdown();
  };
  hooks.stopStream = [this] { engine_.stop(playback_->currentStream()); };
  hooks.freeAudio = [this] { engine_.free(); };
  hooks.openFiles = [this](const QStringList& paths) { openFiles(paths); };
  return hooks;
}

}  // namespace youran
