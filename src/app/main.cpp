#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#if defined(Q_OS_UNIX)
#include <QSocketNotifier>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
#endif

#include "app/instance_handover.h"
#include "app/main_window.h"
#include "app/player_app.h"
#include "app/player_assembly.h"
#include "playback/audio_engine.h"
#include "ui/resources.h"
#include "ui/screen_fit.h"
#include "ui/skin.h"
#include "visuals/shadow_rings.h"
#include "playback/controller/playback_controller.h"
#include "playlist/ui/playlist_controller.h"
#include "base/data_folder.h"
#include "base/display_platform.h"
#include "playback/ui/effects_window.h"

namespace {

struct ScreenshotRequest {
  QString path;
  QString desktopPath;  // the whole screen, with the desktop lyric line
  QString nowPlayingPath;  // a second picture, of "正在播放"
  QString effectsPath;     // the effects window, opened from 透明标签8
  int afterMs = 4000;
  bool play = false;
};

// --play: start the first row once the player is up.
// --screenshot PATH [--screenshot-after MS]: save the main window as a
// picture after a while and quit (headless runs); --desktop-screenshot PATH
// saves the whole screen at the same moment.
// --now-playing-screenshot PATH: then open "正在播放" and save it too.
// --effects-screenshot PATH: then open the effects window and save it.
ScreenshotRequest takeScreenshotArguments(QStringList& arguments) {
  ScreenshotRequest request;
  for (int i = 1; i < arguments.size(); ++i) {
    if (arguments[i] == QStringLiteral("--screenshot") && i + 1 < arguments.size()) {
      request.path = arguments[i + 1];
      arguments.remove(i, 2);
      --i;
    } else if (arguments[i] == QStringLiteral("--desktop-screenshot") && i + 1 < arguments.size()) {
      request.desktopPath = arguments[i + 1];
      arguments.remove(i, 2);
      --i;
    } else if (arguments[i] == QStringLiteral("--now-playing-screenshot") && i + 1 < arguments.size()) {
      request.nowPlayingPath = arguments[i + 1];
      arguments.remove(i, 2);
      --i;
    } else if (arguments[i] == QStringLiteral("--effects-screenshot") && i + 1 < arguments.size()) {
      request.effectsPath = arguments[i + 1];
      arguments.remove(i, 2);
      --i;
    } else if (arguments[i] == QStringLiteral("--play")) {
      request.play = true;
      arguments.remove(i);
      --i;
    } else if (arguments[i] == QStringLiteral("--screenshot-after") && i + 1 < arguments.size()) {
      request.afterMs = arguments[i + 1].toInt();
      arguments.remove(i, 2);
      --i;
    }
  }
  return request;
}

long residentKiB() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
  return -1;
}

// For the start-up benchmark: the first paint of the main window, as the
// wall-clock time (so the caller can count from before the process existed)
// and the resident memory then.
class FirstPaintReport : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      watched->removeEventFilter(this);
      // Queued, so the painted frame has been handed to the display first.
      QTimer::singleShot(0, this, [this] {
        std::fprintf(stderr, "first paint: wall %lld ms, rss %ld KiB\n",
                     static_cast<long long>(QDateTime::currentMSecsSinceEpoch()), residentKiB());
        deleteLater();
      });
    }
    return false;
  }
};

#if defined(Q_OS_UNIX)
// SIGTERM (a log-out) and SIGINT end the player as its own exit does. The
// handler only writes a byte; the event loop reads it and shuts down.
int signalPipe[2] = {-1, -1};

void onQuitSignal(int) {
  const char byte = 1;
  [[maybe_unused]] auto written = ::write(signalPipe[1], &byte, 1);
}

void endOnSignals(youran::PlayerApp& player) {
  if (::pipe(signalPipe) != 0) return;
  for (int fd : signalPipe) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  ::fcntl(signalPipe[1], F_SETFL, O_NONBLOCK);
  auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &player);
  QObject::connect(notifier, &QSocketNotifier::activated, &player, [&player, notifier] {
    char byte;
    [[maybe_unused]] auto got = ::read(signalPipe[0], &byte, 1);
    notifier->setEnabled(false);
    player.shutdown();
  });
  struct sigaction action {};
  action.sa_handler = onQuitSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}
#endif

}  // namespace

int main(int argc, char** argv) {
  auto choice = youran::dataFolderChoiceFromProcess(argc, argv);
  youran::setDataFolder(youran::chooseDataFolder(choice));

  const std::string platform = youran::preferredQtPlatform(
      {std::getenv("QT_QPA_PLATFORM"), std::getenv("XDG_SESSION_TYPE"), std::getenv("WAYLAND_DISPLAY"),
       std::getenv("DISPLAY")});
  if (!platform.empty()) qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(platform));

  // Qt paints into X shared memory and, before each paint of a region it
  // flushed last, waits for the X server to confirm it has read it: a round
  // trip and two wake-ups per frame of the spectrum or the lyric sweep. The
  // frames are small; sending them over the socket costs less.
  if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
  std::optional<QApplication> made(std::in_place, argc, argv);
  // A screen too small for the main window and its shadow at the scale
  // asked for: the player starts again at a scale where every window fits.
  const QSize largest(youran::MainWindow::kWidth + 2 * youran::kDefaultShadowSize,
                      youran::MainWindow::kHeight + 2 * youran::kDefaultShadowSize);
  if (const auto factor = youran::scaleFactorToFit(largest)) {
    made.reset();
    qputenv("QT_SCALE_FACTOR", QByteArray::number(*factor, 'g', 6));
    made.emplace(argc, argv);
  }
  QApplication& app = *made;
  app.setApplicationName(QStringLiteral("youranmusic"));
  app.setApplicationDisplayName(QStringLiteral("悠然音乐 6"));
  app.setQuitOnLastWindowClosed(false);
  youran::initResources();
  app.setStyleSheet(youran::skinStyleSheet());
  // Qt's own dialogs and buttons speak the player's language, whatever the
  // desktop's is (Debian: qt6-translations-l10n).
  auto* qtChinese = new QTranslator(&app);
  if (qtChinese->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    app.installTranslator(qtChinese);

  QStringList arguments = youran::byteFaithfulArguments(argc, argv);
  ScreenshotRequest screenshot = takeScreenshotArguments(arguments);

  QElapsedTimer startClock;
  startClock.start();
  youran::PlayerApp player;
#if defined(Q_OS_UNIX)
  endOnSignals(player);
#endif
  youran::PlayerAssembly assembly(player, youran::AudioEngine::instance());
  if (qEnvironmentVariableIsSet("YOURAN_STARTUP_REPORT") && player.mainWindow())
    player.mainWindow()->installEventFilter(new FirstPaintReport(&player));
  player.setOpenedFiles(youran::openedFileArguments(arguments));
  bool running = player.start();
  if (!running && player.handedOver()) return 0;
  if (qEnvironmentVariableIsSet("YOURAN_STARTUP_REPORT")) {
    // For the start-up benchmark: how long the window, the engine and the
    // playlist took, and the memory the process holds with the list loaded.
    QApplication::processEvents();
    std::fprintf(stderr, "startup: %lld ms, %zu rows, rss %ld KiB\n",
                 static_cast<long long>(startClock.elapsed()), assembly.playlist().list().size(),
                 residentKiB());
  }
  if (running && screenshot.play) {
    QTimer::singleShot(300, &player, [&] {
      assembly.playback().startRow(1);
    });
  }

  if (!screenshot.path.isEmpty()) {
    QTimer::singleShot(screenshot.afterMs, &player, [&] {
      auto* window = player.mainWindow();
      auto finish = [&] {
        player.shutdown();
        QCoreApplication::exit(running ? 0 : 1);
      };
      if (running) window->grab().save(screenshot.path);
      if (running && !screenshot.desktopPath.isEmpty()) {
        if (QScreen* screen = QGuiApplication::primaryScreen()) screen->grabWindow(0).save(screenshot.desktopPath);
      }
      if (!running) return finish();
      auto effects = [&, finish] {
        if (screenshot.effectsPath.isEmpty()) return finish();
        youran::EffectsWindow& effectsWindow = assembly.openEffectsWindow();
        QTimer::singleShot(800, &player, [&, finish] {
          effectsWindow.grab().save(screenshot.effectsPath);
          finish();
        });
      };
      if (screenshot.nowPlayingPath.isEmpty()) return effects();
      window->openPage(youran::MainWindow::kNowPlaying);
      QTimer::singleShot(800, &player, [&, window, effects] {
        window->grab().save(screenshot.nowPlayingPath);
        effects();
      });
    });
  }
  return app.exec();
}
