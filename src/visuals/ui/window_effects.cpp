#include "visuals/ui/window_effects.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QRegion>
#include <QThread>
#include <QWidget>

#include "visuals/wipe_regions.h"

namespace youran {

namespace {

WipeParameters& lastParameters() {
  static WipeParameters last;
  return last;
}

constexpr char kWipeProperty[] = "youranWipe";        // this window's last reveal
constexpr char kWipeRunProperty[] = "youranWipeRun";  // bumped by every wipe

std::function<void(QWidget*, int, int)>& frameObserver() {
  static std::function<void(QWidget*, int, int)> observer;
  return observer;
}

// An empty mask would mean no mask at all, the whole window: "nothing" is a
// single pixel outside the window instead.
QRegion toRegion(const std::vector<WipeRect>& rects) {
  QRegion region;
  for (const auto& r : rects)
    if (!r.empty()) region += QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
  if (region.isEmpty()) region = QRegion(-1, -1, 1, 1);
  return region;
}

// Lets events run for the frame's delay; false when the window went away or
// another wipe of it started meanwhile.
bool waitFrame(const QPointer<QWidget>& window, int run, int delayMs) {
  QElapsedTimer clock;
  clock.start();
  do {
    QCoreApplication::processEvents(QEventLoop::AllEvents, std::max(1, delayMs));
    if (!window || window->property(kWipeRunProperty).toInt() != run) return false;
    if (clock.elapsed() < delayMs) QThread::usleep(200);
  } while (clock.elapsed() < delayMs);
  return true;
}

int startRun(QWidget* window) {
  const int run = window->property(kWipeRunProperty).toInt() + 1;
  window->setProperty(kWipeRunProperty, run);
  return run;
}

template <typename RegionOf>
void play(QWidget* target, int mode, int delayMs, int steps, RegionOf regionOf) {
  QPointer<QWidget> window(target);
  const int run = startRun(target);
  const auto frames = wipeFrames(mode, steps);
  for (int k = frames.first; k <= frames.last; ++k) {
    window->setMask(toRegion(regionOf(window->width(), window->height(), k)));
    window->update();
    if (frameObserver()) frameObserver()(window, mode, k);
    if (!waitFrame(window, run, delayMs)) return;
  }
}

}  // namespace

void revealWindow(QWidget* window, int mode, int delayMs, int steps) {
  if (!window) return;
  steps = std::max(1, steps);
  WipeParameters parameters{window, mode, delayMs, steps};
  lastParameters() = parameters;
  window->setProperty(kWipeProperty, QVariantList{mode, delayMs, steps});
  // The first frame is in place before the window shows, so it never
  // flashes whole.
  const auto frames = wipeFrames(mode, steps);
  window->setMask(toRegion(revealRegion(mode, window->width(), window->height(), steps, frames.first)));
  if (!window->isVisible()) window->show();
  QPointer<QWidget> alive(window);
  play(window, mode, delayMs, steps, [mode, steps](int w, int h, int k) { return revealRegion(mode, w, h, steps, k); });
  // The last frame covers the window: no mask is the same and costs nothing.
  if (alive && alive->mask().contains(alive->rect())) alive->clearMask();
}

void concealWindow() {
  const auto last = lastParameters();
  if (last.window) concealWindow(last.window, last.mode, last.delayMs, last.steps);
}

void concealWindow(QWidget* window) {
  if (!window) return;
  const auto own = window->property(kWipeProperty).toList();
  if (own.size() == 3) {
    concealWindow(window, own[0].toInt(), own[1].toInt(), own[2].toInt());
    return;
  }
  const auto last = lastParameters();
  concealWindow(window, last.mode, last.delayMs, last.steps);
}

void concealWindow(QWidget* window, int mode, int delayMs, int steps) {
  if (!window) return;
  steps = std::max(1, steps);
  if (!window->isVisible()) window->show();
  play(window, mode, delayMs, steps, [mode, steps](int w, int h, int k) { return concealRegion(mode, w, h, steps, k); });
}

WipeParameters lastWipe() { return lastParameters(); }

void setWipeFrameObserver(std::function<void(QWidget* window, int mode, int frame)> observer) {
  frameObserver() = std::move(observer);
}

int randomWipeMode() { return QRandomGenerator::global()->bounded(1, 13); }

}  // namespace youran
