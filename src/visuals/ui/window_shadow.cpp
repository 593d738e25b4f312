#include "visuals/ui/window_shadow.h"

#include <QEvent>
#include <QPainter>
#include <QPointer>
#include <QRegion>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <vector>

#include "visuals/shadow_rings.h"

#ifdef YOURAN_HAVE_XCB
#include <QGuiApplication>
#include <xcb/xcb.h>
#endif

namespace youran {

namespace {

constexpr char kShadowProperty[] = "youranShadow";
constexpr int kCompositorPollMs = 1500;

// On X11 the soft edge needs a compositor; without one a translucent window
// is opaque and the shadow becomes a black frame. A compositor announces
// itself by owning the selection _NET_WM_CM_S<screen>.
bool askCompositor() {
#ifdef YOURAN_HAVE_XCB
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (!x11 || !x11->connection()) return true;  // Wayland and the rest always composite
  xcb_connection_t* c = x11->connection();
  // The screen number is the part of the display name after the dot.
  const QByteArray display = qgetenv("DISPLAY");
  const int dot = display.lastIndexOf('.');
  const int colon = display.lastIndexOf(':');
  const QByteArray screen = dot > colon ? display.mid(dot + 1) : QByteArray("0");
  const QByteArray name = "_NET_WM_CM_S" + screen;
  xcb_intern_atom_reply_t* atom =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(name.size()), name.constData()), nullptr);
  if (!atom) return false;
  xcb_get_selection_owner_reply_t* owner =
      xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr);
  const bool running = owner && owner->owner != XCB_NONE;
  free(owner);
  free(atom);
  return running;
#else
  return true;
#endif
}

class ShadowWindow;

// One answer shared by every shadow, asked again now and then so that a
// compositor started or stopped later is followed.
class CompositorWatch : public QObject {
 public:
  static CompositorWatch& instance() {
    static auto* watch = new CompositorWatch;
    return *watch;
  }
  bool running() const { return running_; }
  void add(ShadowWindow* shadow) { shadows_.push_back(shadow); }
  void remove(ShadowWindow* shadow) { std::erase(shadows_, shadow); }

 private:
  CompositorWatch();
  bool running_;
  std::vector<ShadowWindow*> shadows_;
};

class ShadowWindow : public QWidget {
 public:
  ShadowWindow(QWidget* owner, QColor color, int size)
      : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                           Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint),
        owner_(owner),
        color_(color),
        size_(size) {
    setObjectName(QStringLiteral("阴影窗口"));
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    owner->installEventFilter(this);
    CompositorWatch::instance().add(this);
  }
  ~ShadowWindow() override { CompositorWatch::instance().remove(this); }

  void refollow() { follow(owner_ && owner_->isVisible()); }

  void configure(QColor color, int size) {
    color_ = color;
    size_ = size;
    picture_ = QImage();
  }

  int shadowSize() const { return size_; }

  void follow(bool visible) {
    if (!owner_) return;
    if (!visible || owner_->isMinimized() || owner_->isMaximized() || owner_->isFullScreen() ||
        !CompositorWatch::instance().running()) {
      hide();
      return;
    }
    const QRect frame = owner_->frameGeometry();
    if (frame.width() == 0 || frame.height() == 0) return;
    const QRect area = frame.adjusted(-size_, -size_, size_, size_);
    if (picture_.size() != area.size()) {
      picture_ = renderShadow(color_, size_, area.width(), area.height());
      // Only the rings belong to the shadow: without a compositor a
      // translucent window is not see-through, and it must never cover the
      // owner.
      setMask(QRegion(0, 0, area.width(), area.height()) -
              QRegion(size_, size_, area.width() - 2 * size_, area.height() - 2 * size_));
    }
    setGeometry(area);
    if (isHidden()) show();
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, picture_);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == owner_) {
      switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowStateChange:
          follow(owner_->isVisible());
          break;
        case QEvent::Show:
          follow(true);
          break;
        case QEvent::Hide:
          follow(false);
          break;
        default:
          break;
      }
    }
    return QWidget::eventFilter(watched, event);
  }

 private:
  QPointer<QWidget> owner_;
  QColor color_;
  int size_;
  QImage picture_;
};

CompositorWatch::CompositorWatch() : running_(askCompositor()) {
  auto* timer = new QTimer(this);
  connect(timer, &QTimer::timeout, this, [this] {
    const bool now = askCompositor();
    if (now == running_) return;
    running_ = now;
    for (ShadowWindow* shadow : shadows_) shadow->refollow();
  });
  timer->start(kCompositorPollMs);
}

ShadowWindow* shadowWindow(QWidget* owner) {
  if (!owner) return nullptr;
  return static_cast<ShadowWindow*>(owner->property(kShadowProperty).value<QObject*>());
}

}  // namespace

QWidget* shadowOf(QWidget* owner) { return shadowWindow(owner); }

bool attachShadow(QWidget* owner, QColor color, int size) {
  if (!owner) return false;
  auto* existing = shadowWindow(owner);
  if (size < 1) {
    delete existing;
    owner->setProperty(kShadowProperty, QVariant());
    return false;
  }
  if (!existing) {
    existing = new ShadowWindow(owner, color, size);
    owner->setProperty(kShadowProperty, QVariant::fromValue<QObject*>(existing));
    QObject::connect(existing, &QObject::destroyed, owner,
                     [owner] { owner->setProperty(kShadowProperty, QVariant()); });
  } else {
    existing->configure(color, size);
  }
  updateShadow(owner);
  return true;
}

void updateShadow(QWidget* owner) {
  if (owner) updateShadow(owner, owner->isVisible());
}

void updateShadow(QWidget* owner, bool visible) {
  if (auto* shadow = shadowWindow(owner)) shadow->follow(visible);
}

QImage renderShadow(QColor color, int size, int width, int height) {
  QImage image(std::max(width, 1), std::max(height, 1), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  if (size < 1 || width <= 0 || height <= 0) return image;
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setClipRegion(QRegion(0, 0, width, height) -
                        QRegion(size, size, width - 2 * size, height - 2 * size));
  for (const auto& ring : shadowRings(width, height, size)) {
    QColor pen = color;
    pen.setAlpha(std::clamp(ring.alpha, 0, 255));
    painter.setPen(QPen(pen, 1.0));
    painter.setBrush(Qt::NoBrush);
    // The design's pixel centres lie on whole coordinates, Qt's half a pixel
    // further: a ring at x covers exactly column x this way.
    painter.drawPath(roundRectPath(ring.x + 0.5, ring.y + 0.5, ring.width, ring.height, kShadowCornerRadius));
  }
  return image;
}

QPainterPath roundRectPath(qreal x, qreal y, qreal width, qreal height, int radius) {
  QPainterPath path;
  if (radius <= 0) {
    path.addRect(x, y, width, height);
    return path;
  }
  radius = std::clamp(radius, 1, 100);
  const qreal d = 2.0 * radius;
  // Qt's angles turn the other way round from the design's: each corner
  // sweeps -90 degrees.
  path.arcMoveTo(x, y, d, d, 180);
  path.arcTo(x, y, d, d, 180, -90);
  path.arcTo(x + width - d, y, d, d, 90, -90);
  path.arcTo(x + width - d, y + height - d, d, d, 0, -90);
  path.arcTo(x, y + height - d, d, d, 270, -90);
  path.closeSubpath();
  return path;
}

}  // namespace youran
