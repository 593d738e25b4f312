#include "lyrics/ui/desktop_lyrics_window.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTransform>
#include <QWidget>

namespace youran {

// The sung part is a deep red against the light yellow-green of the rest,
// so the sweep reads by lightness too, not by hue alone.
LyricTextStyle DesktopLyricsWindow::defaultHighlightStyle(int mode) {
  return {QColor(255, 60, 60), QColor(190, 0, 40), QColor(Qt::black), mode};
}

class DesktopLyricsSurface final : public QWidget {
 public:
  explicit DesktopLyricsSurface(DesktopLyricsWindow& owner)
      : QWidget(nullptr, flagsFor(owner)), owner_(owner) {
    setObjectName(QStringLiteral("VarorLyricsWindow"));
    // The title is the line shown (screen readers, tests); the role names
    // the window.
    setWindowRole(QStringLiteral("VarorLyricsWindow"));
    showTitle(owner.renderer_.text());
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setCursor(Qt::ArrowCursor);
  }

  void showTitle(const QString& text) {
    setWindowTitle(text);
    setAccessibleName(text);
  }

  static Qt::WindowFlags flagsFor(const DesktopLyricsWindow& owner) {
    Qt::WindowFlags flags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus;
    if (owner.topMost_) flags |= Qt::WindowStaysOnTopHint;
    // Locked, no pixel takes the mouse. A window manager's frame does not
    // follow its client's input region (openbox, for one), so a locked line
    // is not managed at all and keeps itself on top (see setText).
    if (owner.locked_) flags |= Qt::WindowTransparentForInput | Qt::X11BypassWindowManagerHint;
    return flags;
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPainter p(this);
    // The line is drawn in device pixels: sharp at any scale factor.
    const qreal ratio = owner_.ratio_;
    p.scale(1 / ratio, 1 / ratio);
    owner_.renderer_.paint(p, owner_.progress_, owner_.toDevice(event->rect()));
  }

  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && owner_.draggable_) {
      dragging_ = true;
      grabOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    }
    QWidget::mousePressEvent(event);
  }
  void mouseMoveEvent(QMouseEvent* event) override {
    if (dragging_ && (event->buttons() & Qt::LeftButton)) move(event->globalPosition().toPoint() - grabOffset_);
    QWidget::mouseMoveEvent(event);
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && dragging_) {
      dragging_ = false;
      owner_.place_ = pos();
      emit owner_.placeChanged(pos());
    }
    QWidget::mouseReleaseEvent(event);
  }
  void contextMenuEvent(QContextMenuEvent* event) override {
    QMenu menu(this);
    menu.addAction(QStringLiteral("歌词提前 0.5 秒"), &owner_, [this] { emit owner_.offsetRequested(500); });
    menu.addAction(QStringLiteral("歌词延后 0.5 秒"), &owner_, [this] { emit owner_.offsetRequested(-500); });
    menu.addAction(QStringLiteral("选择歌词…"), &owner_, &DesktopLyricsWindow::chooseLyricRequested);
    menu.addSeparator();
    menu.addAction(QStringLiteral("锁定桌面歌词"), &owner_, &DesktopLyricsWindow::lockRequested);
    menu.addAction(QStringLiteral("关闭桌面歌词"), &owner_, &DesktopLyricsWindow::closeRequested);
    menu.exec(event->globalPos());
  }
  void closeEvent(QCloseEvent* event) override {
    if (owner_.closeBlocked_) event->ignore();
    else event->accept();
  }

 private:
  DesktopLyricsWindow& owner_;
  bool dragging_ = false;
  QPoint grabOffset_;
};

DesktopLyricsWindow::DesktopLyricsWindow(QObject* parent) : QObject(parent) {
  initResources();
  // Logging off or shutting down may close the line; quitting removes it.
  if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    connect(app, &QGuiApplication::commitDataRequest, this, &DesktopLyricsWindow::allowCloseForSessionEnd);
    connect(app, &QCoreApplication::aboutToQuit, this, &DesktopLyricsWindow::destroy);
  }
}

DesktopLyricsWindow::~DesktopLyricsWindow() { destroy(); }

void DesktopLyricsWindow::initResources() {
  setFont(QString(), 50, true);
  setBackground(QColor(0, 0, 0, 0));
  setShadow(QColor(0, 0, 0, 150), 2);
  setTextStyle({QColor(227, 254, 0), QColor(51, 177, 0), QColor(Qt::black), 1});
  setHighlightStyle(defaultHighlightStyle(1));
}

bool DesktopLyricsWindow::create(int width, int height) {
  if (isAlive()) return false;
  QRect area(0, 0, 1024, 768);
  if (QScreen* screen = QGuiApplication::primaryScreen()) area = screen->availableGeometry();
  const int w = width > 0 ? width : area.width();
  const int h = height > 0 ? height : 150;
  surface_ = new DesktopLyricsSurface(*this);
  QPoint at(area.left() + (area.width() - w) / 2, area.bottom() + 1 - h);
  // A place the user dragged it to, kept within the screen.
  if (place_) {
    at.setX(std::clamp(place_->x(), area.left(), std::max(area.left(), area.right() + 1 - w)));
    at.setY(std::clamp(place_->y(), area.top(), std::max(area.top(), area.bottom() + 1 - h)));
  }
  surface_->setGeometry(at.x(), at.y(), w, h);
  ratio_ = surface_->devicePixelRatioF();
  renderer_.setSize(QSize(w, h) * ratio_);
  renderer_.setFont(fittedFont(renderer_.text()));
  maskDirty_ = true;
  drawnBefore_ = QRect(QPoint(), renderer_.size());
  redraw();
  surface_->show();
  setDraggable(true);
  return true;
}

void DesktopLyricsWindow::destroy() {
  if (!surface_) return;
  delete surface_.data();
  surface_ = nullptr;
}

QRect DesktopLyricsWindow::toDevice(const QRect& r) const {
  return QRectF(r.x() * ratio_, r.y() * ratio_, r.width() * ratio_, r.height() * ratio_).toAlignedRect();
}

QRect DesktopLyricsWindow::fromDevice(const QRect& r) const {
  return QRectF(r.x() / ratio_, r.y() / ratio_, r.width() / ratio_, r.height() / ratio_).toAlignedRect();
}

bool DesktopLyricsWindow::isAlive() const { return !surface_.isNull(); }

QWidget* DesktopLyricsWindow::widget() const { return surface_.data(); }

QStringList DesktopLyricsWindow::fontCandidates(const QString& name) {
  QStringList names = (name + QStringLiteral(";微软雅黑;楷体;黑体;宋体;Tahoma")).split(QLatin1Char(';'), Qt::SkipEmptyParts);
  for (QString& n : names) n = n.trimmed();
  names.removeAll(QString());
  return names;
}

void DesktopLyricsWindow::setFont(const QString& name, int pixelSize, bool bold, bool italic, bool underline) {
  const QStringList installed = QFontDatabase::families();
  QString family;
  for (const QString& candidate : fontCandidates(name)) {
    if (installed.contains(candidate, Qt::CaseInsensitive)) {
      family = candidate;
      break;
    }
  }
  if (family.isEmpty()) {
    // None of the Windows names: the system's own font for Chinese text.
    const QStringList cjk = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    for (const QString& f : cjk) {
      if (f.contains(QStringLiteral("Sans"), Qt::CaseInsensitive) || f.contains(QStringLiteral("Hei"))) {
        family = f;
        break;
      }
    }
    if (family.isEmpty() && !cjk.isEmpty()) family = cjk.first();
  }
  QFont font = family.isEmpty() ? QFont() : QFont(family);
  font.setPixelSize(std::max(static_cast<int>(pixelSize * ratio_), 1));
  font.setBold(bold);
  font.setItalic(italic);
  font.setUnderline(underline);
  font.setStyleStrategy(QFont::PreferAntialias);
  font_ = font;
  renderer_.setFont(fittedFont(renderer_.text()));
  maskDirty_ = true;
}

// A line wider than the window is drawn smaller until it fits, rather than
// running off both edges of the screen.
QFont DesktopLyricsWindow::fittedFont(const QString& text) const {
  QFont font = font_;
  const int room = renderer_.size().width() - static_cast<int>(2 * kSideMargin * ratio_);
  const int wide = QFontMetrics(font).horizontalAdvance(text);
  if (room > 0 && wide > room && font.pixelSize() > 1)
    font.setPixelSize(std::max(8, static_cast<int>(font.pixelSize() * static_cast<double>(room) / wide)));
  return font;
}

void DesktopLyricsWindow::setBackground(const QColor& colour, bool redrawNow) {
  renderer_.setBackground(colour);
  maskDirty_ = true;
  if (redrawNow) redraw();
}

void DesktopLyricsWindow::setShadow(const QColor& colour, int offset, bool redrawNow) {
  renderer_.setShadow(colour, offset);
  maskDirty_ = true;
  if (redrawNow) redraw();
}

void DesktopLyricsWindow::setTextStyle(const LyricTextStyle& style) {
  renderer_.setTextStyle(style);
  maskDirty_ = true;
}

void DesktopLyricsWindow::setHighlightStyle(const LyricTextStyle& style) { renderer_.setHighlightStyle(style); }

void DesktopLyricsWindow::show() {
  if (surface_) surface_->show();
}

void DesktopLyricsWindow::hide() {
  if (surface_) surface_->hide();
}

void DesktopLyricsWindow::setBounds(std::optional<int> x, std::optional<int> y, std::optional<int> width,
                                    std::optional<int> height) {
  if (!surface_) return;
  const QRect now = surface_->geometry();
  const QRect next(x.value_or(now.x()), y.value_or(now.y()), std::max(width.value_or(now.width()), 1),
                   std::max(height.value_or(now.height()), 1));
  surface_->setGeometry(next);
  if (next.size() != now.size()) {
    renderer_.setSize(next.size() * ratio_);
    maskDirty_ = true;
    drawnBefore_ = QRect(QPoint(), renderer_.size());
    redraw();
  }
}

int DesktopLyricsWindow::getX() const { return surface_ ? surface_->frameGeometry().x() : 0; }
int DesktopLyricsWindow::getY() const { return surface_ ? surface_->frameGeometry().y() : 0; }
int DesktopLyricsWindow::getWidth() const { return surface_ ? surface_->width() : 0; }
int DesktopLyricsWindow::getHeight() const { return surface_ ? surface_->height() : 0; }

void DesktopLyricsWindow::setTopMost(bool on) {
  topMost_ = on;
  if (!surface_) return;
  const bool visible = surface_->isVisible();
  surface_->setWindowFlags(DesktopLyricsSurface::flagsFor(*this));
  if (visible) surface_->show();
}

void DesktopLyricsWindow::setLocked(bool on) {
  if (locked_ == on) return;
  locked_ = on;
  if (!surface_) return;
  const bool visible = surface_->isVisible();
  surface_->setWindowFlags(DesktopLyricsSurface::flagsFor(*this));
  maskDirty_ = true;
  drawnBefore_ = QRect(QPoint(), renderer_.size());
  redraw();
  if (visible) surface_->show();
}

void DesktopLyricsWindow::setText(const QString& text, const QString& beneath, int progress) {
  if (beneath != renderer_.secondLine()) {
    renderer_.setSecondLine(beneath);
    maskDirty_ = true;
    progress_ = -1;  // a redraw even when the line itself stays
  }
  setText(text, progress);
}

void DesktopLyricsWindow::setText(const QString& text, int progress) {
  progress = std::clamp(progress, 0, 100);
  if (text != renderer_.text()) {
    if (locked_ && surface_) surface_->raise();
    const QFont fitted = fittedFont(text);
    if (fitted != renderer_.font()) renderer_.setFont(fitted);
    renderer_.setText(text);
    if (surface_) surface_->showTitle(text);
    maskDirty_ = true;
  } else if (progress == progress_) {
    return;
  } else if (surface_ && !maskDirty_) {
    // Only the sweep moved: repaint the columns it moved over.
    const QRect changed = fromDevice(renderer_.sweepRect(progress_, progress));
    progress_ = progress;
    surface_->update(changed);
    return;
  }
  progress_ = progress;
  redraw();
}

void DesktopLyricsWindow::redraw() {
  if (!surface_) return;
  if (maskDirty_) {
    maskDirty_ = false;
    // Only the drawn pixels take the mouse. An empty mask would mean the
    // whole window, so a line with nothing to draw keeps one corner pixel.
    QRegion region = QTransform::fromScale(1 / ratio_, 1 / ratio_).map(renderer_.opaqueRegion());
    if (region.isEmpty()) region = QRegion(0, 0, 1, 1);
    // Painting is clipped to the mask, so pixels of the last line outside
    // the new one would stay in the window's buffer. An X server hides them
    // with the shape; XWayland hands the compositor the whole buffer. So
    // the last line's pixels and the new one's are drawn afresh (clear
    // where no text is) before the new mask goes on; the rest of the window
    // is clear already, and repainting all of a translucent strip across
    // the screen for each line costs more than the line itself.
    const QRect drawn = renderer_.drawnRect();
    const QRect changed = fromDevice(drawnBefore_ | drawn);
    drawnBefore_ = drawn;
    surface_->clearMask();
    if (!changed.isEmpty()) surface_->repaint(changed);
    surface_->setMask(region);
    return;
  }
  surface_->update();
}

void DesktopLyricsWindow::recreate(const QString& fontName) {
  destroy();
  create();
  setDraggable(true);
  setCloseBlocked(true);
  setFont(fontName, 40, true);
  setHighlightStyle(defaultHighlightStyle(2));
  redraw();
  setText(QStringLiteral("欢迎使用悠然音乐~~~"), 0);
}

}  // namespace youran
