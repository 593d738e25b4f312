#pragma once

// The floating lyric line: a frameless, translucent, top-most tool window
// across the bottom of the screen, just above the panel. Only the pixels of
// the text take the mouse (a press there drags the window); everywhere else
// clicks reach what lies below. Close requests are ignored while close is
// blocked; the session's end still closes it.
//
// The object lives as long as the player; the window itself is created and
// destroyed by the switches and the font change, and keeps no state of its
// own: font, styles and text are the object's.

#include <QObject>
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

#include "lyrics/ui/lyric_renderer.h"

class QWidget;

namespace youran {

class DesktopLyricsSurface;

class DesktopLyricsWindow : public QObject {
  Q_OBJECT
 public:
  explicit DesktopLyricsWindow(QObject* parent = nullptr);
  ~DesktopLyricsWindow() override;

  // False when the window exists already. Default size: the available width
  // of the primary screen, 150 px high, at its bottom.
  bool create(int width = -1, int height = -1);
  void destroy();
  bool isAlive() const;

  // The first installed family of `name`;微软雅黑;楷体;黑体;宋体;Tahoma, else
  // the system's CJK sans, else the default font.
  void setFont(const QString& name, int pixelSize, bool bold, bool italic = false, bool underline = false);
  QString fontFamily() const { return font_.family(); }
  void setBackground(const QColor& colour, bool redraw = false);
  void setShadow(const QColor& colour, int offset, bool redraw = false);
  void setTextStyle(const LyricTextStyle& style);
  void setHighlightStyle(const LyricTextStyle& style);

  void show();
  void hide();
  void setBounds(std::optional<int> x, std::optional<int> y, std::optional<int> width, std::optional<int> height);
  int getX() const;
  int getY() const;
  int getWidth() const;
  int getHeight() const;

  void setTopMost(bool on);
  void setDraggable(bool on) { draggable_ = on; }
  bool draggable() const { return draggable_; }
  void setCloseBlocked(bool on) { closeBlocked_ = on; }
  // The session is ending: a close request is obeyed from now on.
  void allowCloseForSessionEnd() { closeBlocked_ = false; }
  bool closeBlocked() const { return closeBlocked_; }
  // Every click goes through the window, text or not. A locked line is not
  // managed by the window manager and raises itself with every new text.
  void setLocked(bool on);
  bool locked() const { return locked_; }

  // Stores the text and the progress (clamped to 0..100) and redraws. A new
  // progress for the same text redraws without rebuilding the line.
  void setText(const QString& text, int progress = 0);
  // The line and, smaller beneath it, its translation (and romanisation).
  void setText(const QString& text, const QString& beneath, int progress);
  const QString& text() const { return renderer_.text(); }
  int progress() const { return progress_; }
  void redraw();

  // The creation sequence of start-up, the switch and the font change:
  // destroy, create, draggable, close blocked, the font at 40 px bold, the
  // highlight in mode 2, and the greeting.
  void recreate(const QString& fontName);

  QWidget* widget() const;
  LyricRenderer& renderer() { return renderer_; }

  static QStringList fontCandidates(const QString& name);
  static LyricTextStyle defaultHighlightStyle(int mode);

  // Where the user last dragged the line; a new window opens there.
  void setPlace(std::optional<QPoint> place) { place_ = place; }
  std::optional<QPoint> place() const { return place_; }

 signals:
  // From the line's right-click menu.
  void lockRequested();
  void closeRequested();
  void offsetRequested(int deltaMs);  // 歌词提前 / 歌词延后
  void chooseLyricRequested();
  // The user dropped the line at a new place.
  void placeChanged(QPoint topLeft);

 private:
  friend class DesktopLyricsSurface;
  void initResources();
  QFont fittedFont(const QString& text) const;
  QRect toDevice(const QRect& r) const;
  QRect fromDevice(const QRect& r) const;
  static constexpr int kSideMargin = 12;

  LyricRenderer renderer_;
  QPointer<DesktopLyricsSurface> surface_;
  int progress_ = 0;
  bool draggable_ = false;
  bool closeBlocked_ = false;
  bool locked_ = false;
  bool topMost_ = true;
  bool maskDirty_ = true;
  QRect drawnBefore_;  // device pixels the window's buffer may hold of an earlier line
  std::optional<QPoint> place_;
  QFont font_;  // the chosen font; a long line may be drawn smaller
  qreal ratio_ = 1;  // the screen's device pixels per window pixel
};

}  // namespace youran
