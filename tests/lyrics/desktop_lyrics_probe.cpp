// A small program for the X11 test: a normal window with the desktop lyric
// line above it. It reports on stdout what the test needs to know and what
// happens to the two windows, one line per event.
#include <QApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QSocketNotifier>
#include <unistd.h>
#include <QTimer>
#include <QWidget>
#include <cstdio>

#include "lyrics/ui/desktop_lyrics_window.h"

namespace {

void say(const QString& line) {
  std::printf("%s\n", line.toUtf8().constData());
  std::fflush(stdout);
}

class Below : public QWidget {
 protected:
  void mousePressEvent(QMouseEvent* event) override {
    const QPoint p = event->globalPosition().toPoint();
    say(QStringLiteral("below-click %1 %2").arg(p.x()).arg(p.y()));
  }
};

class Watch : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* w = static_cast<QWidget*>(watched);
    if (event->type() == QEvent::Move)
      say(QStringLiteral("lyrics-moved %1 %2").arg(w->frameGeometry().x()).arg(w->frameGeometry().y()));
    if (event->type() == QEvent::Close) say(QStringLiteral("close-request"));
    return false;
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  Below below;
  below.setWindowTitle(QStringLiteral("below"));
  // Under the left part of the line, where it has no text.
  below.setGeometry(100, 380, 800, 300);
  below.show();

  youran::DesktopLyricsWindow lyrics;
  Watch watch;
  QTimer::singleShot(500, [&] {
    lyrics.recreate(QString());
    lyrics.setBounds(0, 450, 1000, 150);
    lyrics.setText(QStringLiteral("测试歌词 Lyric"));
    lyrics.widget()->installEventFilter(&watch);
    QTimer::singleShot(500, [&] {
      const QRect text = lyrics.renderer().textRect().toAlignedRect();
      const QPoint origin(lyrics.getX(), lyrics.getY());
      // A point on a glyph: the first drawn pixel of the text's middle row
      // that has text pixels right of it too.
      const QRegion mask = lyrics.widget()->mask();
      QPoint onText;
      const int y = text.center().y();
      for (int x = text.left(); x <= text.right(); ++x) {
        if (mask.contains(QPoint(x, y)) && mask.contains(QPoint(x + 2, y)) && mask.contains(QPoint(x + 4, y))) {
          onText = QPoint(x + 2, y);
          break;
        }
      }
      say(QStringLiteral("ready %1 %2 %3 %4 %5 %6")
              .arg(lyrics.widget()->winId())
              .arg(below.winId())
              .arg(origin.x() + onText.x())
              .arg(origin.y() + onText.y())
              .arg(origin.x() + 150)
              .arg(origin.y() + 10));
    });
  });
  // Commands from the test on stdin: "lock" locks the line.
  QSocketNotifier commands(STDIN_FILENO, QSocketNotifier::Read);
  QObject::connect(&commands, &QSocketNotifier::activated, [&] {
    char buffer[64];
    const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
      commands.setEnabled(false);
      return;
    }
    if (QByteArray(buffer, static_cast<int>(n)).startsWith("lock")) {
      lyrics.setLocked(true);
      QTimer::singleShot(300, [&] {
        say(QStringLiteral("locked %1 %2 %3").arg(lyrics.getX()).arg(lyrics.getY()).arg(lyrics.widget()->isVisible()));
      });
    }
  });
  QTimer::singleShot(60000, &app, &QCoreApplication::quit);
  return app.exec();
}
