#include <QApplication>
#include <QPixmap>
#include <QTimer>

#include "app/main_window.h"
#include "app/player_app.h"
#include "app/player_assembly.h"
#include "playback/audio_engine.h"
#include "app/resources.h"
#include "app/skin.h"
#include "playback/controller/playback_controller.h"
#include "base/data_folder.h"

namespace {

struct ScreenshotRequest {
  QString path;
  int afterMs = 4000;
  bool play = false;
};

// --play: start the first row once the player is up.
// --screenshot PATH [--screenshot-after MS]: save the main window as a
// picture after a while and quit (headless runs).
ScreenshotRequest takeScreenshotArguments(QStringList& arguments) {
  ScreenshotRequest request;
  for (int i = 1; i < arguments.size(); ++i) {
    if (arguments[i] == QStringLiteral("--screenshot") && i + 1 < arguments.size()) {
      request.path = arguments[i + 1];
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

}  // namespace

int main(int argc, char** argv) {
  auto choice = youran::dataFolderChoiceFromProcess(argc, argv);
  youran::setDataFolder(youran::chooseDataFolder(choice));

  QApplication app(argc, argv);
  app.setApplicationName(QStringLiteral("youranmusic"));
  app.setApplicationDisplayName(QStringLiteral("悠然音乐 6"));
  app.setQuitOnLastWindowClosed(false);
  youran::initResources();
  app.setStyleSheet(youran::skinStyleSheet());

  QStringList arguments = app.arguments();
  ScreenshotRequest screenshot = takeScreenshotArguments(arguments);

  youran::PlayerApp player;
  youran::PlayerAssembly assembly(player, youran::AudioEngine::instance());
  bool running = player.start();
  if (running && screenshot.play) {
    QTimer::singleShot(300, &player, [&] {
      assembly.playback().playRow(1);
      assembly.playback().fadeIn();
    });
  }

  if (!screenshot.path.isEmpty()) {
    QTimer::singleShot(screenshot.afterMs, &player, [&] {
      auto* window = player.mainWindow();
      if (running) window->grab().save(screenshot.path);
      player.shutdown();
      QCoreApplication::exit(running ? 0 : 1);
    });
  }
  return app.exec();
}
