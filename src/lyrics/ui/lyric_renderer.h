#pragma once

// Drawing of the desktop lyric line (and, smaller, the lines beneath it): a
// drop shadow, a thin outline drawn
// before the fill, a vertical gradient, and the highlight style over the
// left part of the line that has been sung.
//
// The text path and the two layers (everything in the normal style, the
// line in the highlight style) are built once per text, font or style
// change; a frame of the karaoke sweep only blits them, the highlight layer
// clipped to the sung part. So the 30 frames a second of a sweep cost two
// blits, not a text layout, and only of the few columns the sweep moved
// over (see sweepRect): a blit of the whole strip each frame would clear
// and copy a quarter of a million pixels 30 times a second.

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QPainterPath>
#include <QRegion>
#include <QString>
#include <optional>

class QPainter;

namespace youran {

struct LyricTextStyle {
  QColor start;
  QColor end;
  std::optional<QColor> outline;  // none: no outline is drawn
  // 0 solid start colour; 1 start at the top to end at the bottom; 2 start,
  // end, start from top to bottom (the gradient mirrored at half height).
  // Any other value draws as 0.
  int mode = 1;
};

// The fill of a text box of the given mode.
QBrush lyricFillBrush(int mode, const QColor& start, const QColor& end, const QRectF& box);

class LyricRenderer {
 public:
  LyricRenderer();

  void setSize(QSize size);
  QSize size() const { return size_; }
  void setFont(const QFont& font);
  const QFont& font() const { return font_; }
  void setBackground(const QColor& colour);  // alpha 0: none
  void setShadow(const QColor& colour, int offset);  // alpha 0 or offset 0: none
  void setTextStyle(const LyricTextStyle& style);
  void setHighlightStyle(const LyricTextStyle& style);
  void setText(const QString& text);
  const QString& text() const { return text_; }
  // Lines beneath the main one (a translation, a romanisation; "\n"
  // between them), smaller and never swept; empty for none.
  void setSecondLine(const QString& text);
  const QString& secondLine() const { return second_; }

  // How far into the main line's box the first `chars` UTF-16 units reach,
  // 0..1; what a word's end is on the sweep. Measured once per text.
  qreal advanceFraction(int chars);

  // The text box: measured, centred in both directions; may be wider than
  // the window, never wrapped.
  QRectF textRect();
  // Every pixel a frame of this line can draw: the glyphs with their
  // outline and shadow, or the whole window under a background.
  QRect drawnRect();
  // Pixels with any alpha, as a region: where the line takes the mouse.
  QRegion opaqueRegion();

  // Draws the frame with `progress` (0..100) percent of the text box in the
  // highlight style, within `area` (the whole window when empty), which is
  // cleared first.
  void paint(QPainter& painter, int progress, const QRect& area = {});
  // What a step of the sweep from one progress to another changes: while
  // the line is partly sung, only the columns between the two ends of the
  // sung part; to or from none or all of it, drawnRect (a bold face
  // overhangs the text box). Painting that area at the new progress over a
  // frame at the old one gives the new frame.
  QRect sweepRect(int fromProgress, int toProgress);
  // The same, into an image of the window's size.
  QImage frame(int progress);

 private:
  void rebuild();
  int sungRight(int progress) const;  // first column past the sung part, 0 < progress < 100

  QSize size_{1, 1};
  QFont font_;
  QColor background_{0, 0, 0, 0};
  QColor shadow_{0, 0, 0, 150};
  int shadowOffset_ = 2;
  LyricTextStyle normal_;
  LyricTextStyle highlight_;
  QString text_;
  QString second_;

  bool dirty_ = true;
  QRectF textRect_;
  QRect drawn_;
  QImage base_;       // background, shadow and the line in the normal style
  QImage highlightLayer_;  // the line in the highlight style, transparent elsewhere
  QHash<int, qreal> advances_;  // advanceFraction's answers for the current text
};

}  // namespace youran
