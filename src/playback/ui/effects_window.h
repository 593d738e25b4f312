#pragma once

// The effects window "均衡器": ten band sliders with their gains, the
// bandwidth, the reverb and echo sections, the balance and two level
// meters. It only shows and forwards; SoundEffects keeps the values and
// talks to the engine.

#include <QWidget>
#include <array>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSlider;
class QTimer;

namespace youran {

class SoundEffects;

class EffectsWindow : public QWidget {
  Q_OBJECT
 public:
  // How often the meters follow the music while the window is shown.
  static constexpr int kMeterIntervalMs = 50;

  explicit EffectsWindow(SoundEffects& effects, QWidget* parent = nullptr);

  // Every control as SoundEffects has it now.
  void showPositions();
  // One tick of 均衡器时钟.
  void updateMeters();

  QSlider* bandSlider(int band) const { return bands_[static_cast<size_t>(band - 1)]; }
  QLabel* gainLabel(int band) const { return gains_[static_cast<size_t>(band - 1)]; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  QSlider* slider(const char* name, Qt::Orientation orientation, int minimum, int maximum, QRect geometry);
  QLabel* label(const QString& name, const QString& text, const char* cls, QRect geometry);
  QPushButton* resetButton(const char* name, QPoint at);

  SoundEffects& effects_;
  QCheckBox* equalizerBox_;
  QCheckBox* reverbBox_;
  QCheckBox* echoBox_;
  std::array<QSlider*, 10> bands_ = {};
  std::array<QLabel*, 10> gains_ = {};
  QSlider* bandwidth_;
  QLabel* bandwidthLabel_;
  QSlider* reverbMix_;
  QSlider* reverbTime_;
  QSlider* reverbRatio_;
  QSlider* echoMix_;
  QSlider* echoFeedback_;
  QSlider* echoLeft_;
  QSlider* echoRight_;
  QSlider* balance_;
  QLabel* balanceLabel_;
  QProgressBar* leftMeter_;
  QProgressBar* rightMeter_;
  QTimer* meterTimer_;
};

}  // namespace youran
