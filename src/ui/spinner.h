#pragma once

// The busy spinner: a label in the "Setup" font whose private-use glyphs
// U+E052..U+E0CB are the frames. The frame timer (30 ms) steps through one
// cycle of 122 glyphs, shows a blank, and hands over to the pause timer
// (250 ms), which starts the next cycle.

#include <QObject>

class QLabel;
class QTimer;

namespace youran {

class Spinner : public QObject {
  Q_OBJECT
 public:
  static constexpr char32_t kFirstGlyph = 0xE052;
  static constexpr char32_t kLastGlyph = 0xE0CB;
  static constexpr int kFrameMs = 30;
  static constexpr int kPauseMs = 250;

  // The label is `圆圈`; the two timers are created as its children
  // `时钟1` and `时钟2` of `owner`.
  Spinner(QLabel* label, QObject* owner);

  // Registers the embedded font once for the process; true when the family
  // "Setup" is available afterwards.
  static bool registerFont();

  // Shown and running while a request is under way.
  void start();
  void stop();

  char32_t glyph() const { return glyph_; }
  QTimer* frameTimer() const { return frameTimer_; }
  QTimer* pauseTimer() const { return pauseTimer_; }

  // One tick of each timer (what the timers call).
  void onFrame();
  void onPause();

 private:
  QLabel* label_;
  QTimer* frameTimer_;
  QTimer* pauseTimer_;
  char32_t glyph_ = kFirstGlyph;
};

}  // namespace youran
