#pragma once

// The settings page's "无缝播放" switch (Playback/Gapless, off by default):
// a caption and the skin's switch picture, read from Setting.ini when made
// and written at every click.

#include <QWidget>

class QPushButton;

namespace youran {

class GaplessSetting : public QWidget {
  Q_OBJECT
 public:
  explicit GaplessSetting(QWidget* parent = nullptr);

  bool isOn() const { return on_; }
  // The stored value (off when missing), shown on the switch.
  static bool stored();
  void toggle();

 signals:
  void changed(bool on);

 private:
  void showState(bool on);

  QPushButton* switch_;
  bool on_ = false;
};

}  // namespace youran
