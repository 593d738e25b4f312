#pragma once

// The taskbar controls of a Linux desktop: the three buttons are MPRIS2's
// Previous, PlayPause and Next (media keys, the sound menu, playerctl), and
// the track's progress goes to the launcher entry
// (com.canonical.Unity.LauncherEntry, shown by docks and task managers that
// support it). Threading as TaskbarControls says: UI thread only.

#include <QDBusConnection>
#include <memory>

#include "app/desktop/mpris_service.h"
#include "app/desktop/taskbar_controls.h"

namespace youran {

class DbusTaskbar final : public TaskbarControls {
 public:
  // `actions` are MPRIS's; next, previous and playPause are replaced by the
  // button clicks given to addButtons.
  DbusTaskbar(NowPlaying& nowPlaying, MprisActions actions, QDBusConnection bus = QDBusConnection::sessionBus());
  ~DbusTaskbar() override;

  bool create() override;
  bool init() override;
  void addButtons(std::function<void(int id)> onClick) override;
  // PlaybackStatus follows the play state by itself; nothing to send.
  void updateButton(int, ButtonIcon, const QString&) override {}
  void setProgressState(ProgressState state) override;
  void setProgressValue(uint64_t done, uint64_t total) override;

  MprisService* mpris() const { return mpris_.get(); }
  static constexpr const char* kLauncherUri = "application://io.github.youranmusic.YouranMusic.desktop";

 private:
  void sendLauncherUpdate();

  NowPlaying& now_;
  MprisActions actions_;
  QDBusConnection bus_;
  std::unique_ptr<MprisService> mpris_;
  std::function<void(int)> onClick_;
  bool created_ = false;
  ProgressState state_ = ProgressState::none;
  int permille_ = -1;  // the last progress sent, in thousandths
  bool visibleSent_ = false;
  bool anySent_ = false;
};

}  // namespace youran
