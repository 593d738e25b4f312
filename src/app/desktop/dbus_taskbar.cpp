#include "app/desktop/dbus_taskbar.h"

#include <QDBusMessage>
#include <algorithm>

namespace youran {

DbusTaskbar::DbusTaskbar(NowPlaying& nowPlaying, MprisActions actions, QDBusConnection bus)
    : now_(nowPlaying), actions_(std::move(actions)), bus_(std::move(bus)) {
  const auto click = [this](int id) {
    return [this, id] {
      if (onClick_) onClick_(id);
    };
  };
  actions_.previous = click(kPrevious);
  actions_.playPause = click(kPlayPause);
  actions_.next = click(kNext);
}

DbusTaskbar::~DbusTaskbar() = default;

bool DbusTaskbar::create() {
  created_ = bus_.isConnected();
  return created_;
}

bool DbusTaskbar::init() {
  if (!created_) return false;
  if (!mpris_) {
    mpris_ = std::make_unique<MprisService>(now_, actions_);
    if (!mpris_->registerOn(bus_)) {
      mpris_.reset();
      return false;
    }
  }
  return true;
}

void DbusTaskbar::addButtons(std::function<void(int id)> onClick) { onClick_ = std::move(onClick); }

void DbusTaskbar::setProgressState(ProgressState state) {
  if (!mpris_) return;
  state_ = state;
  sendLauncherUpdate();
}

void DbusTaskbar::setProgressValue(uint64_t done, uint64_t total) {
  if (!mpris_) return;
  const int permille = total == 0 ? 0 : static_cast<int>(std::min<uint64_t>(done, total) * 1000 / total);
  if (permille == permille_) return;  // docks draw no finer than this
  permille_ = permille;
  sendLauncherUpdate();
}

void DbusTaskbar::sendLauncherUpdate() {
  const bool visible = state_ != ProgressState::none;
  QVariantMap properties;
  if (visible) properties.insert(QStringLiteral("progress"), std::max(permille_, 0) / 1000.0);
  if (!visible && anySent_ && !visibleSent_) return;  // hidden already
  properties.insert(QStringLiteral("progress-visible"), visible);
  QDBusMessage update = QDBusMessage::createSignal(QStringLiteral("/com/canonical/unity/launcherentry/youranmusic"),
                                                   QStringLiteral("com.canonical.Unity.LauncherEntry"),
                                                   QStringLiteral("Update"));
  update << QString::fromLatin1(kLauncherUri) << properties;
  bus_.send(update);
  anySent_ = true;
  visibleSent_ = visible;
}

}  // namespace youran
