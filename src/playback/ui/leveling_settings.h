#pragma once

// The settings page's "音量均衡" row: off, per track or per album, and the
// pre-amp. Reads Setting.ini when made and writes every change at once.

#include <QWidget>

#include "playback/dsp/replay_gain.h"

class QComboBox;
class QDoubleSpinBox;

namespace youran {

class LevelingSettings : public QWidget {
  Q_OBJECT
 public:
  explicit LevelingSettings(QWidget* parent = nullptr);

  ReplayGainMode mode() const;
  double preampDb() const;

 signals:
  void changed(youran::ReplayGainMode mode, double preampDb);

 private:
  void save();

  QComboBox* mode_;
  QDoubleSpinBox* preamp_;
};

}  // namespace youran
