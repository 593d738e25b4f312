#pragma once

// The settings page's switches for the lines beneath the lyric line:
// "显示翻译" (Lyric/Translation, on by default) and "显示音译"
// (Lyric/Romanization, off by default). Each click is written at once.

#include <QWidget>

class QCheckBox;

namespace youran {

class LyricLineSettings : public QWidget {
  Q_OBJECT
 public:
  explicit LyricLineSettings(QWidget* parent = nullptr);

  // The stored values (defaults when missing), shown on the boxes.
  void load();
  bool translation() const;
  bool romanization() const;

 signals:
  void translationChanged(bool on);
  void romanizationChanged(bool on);

 private:
  QCheckBox* translation_;
  QCheckBox* romanization_;
};

}  // namespace youran
