#include "playback/ui/leveling_settings.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>

#include "playback/loudness/track_leveling.h"
#include "settings/settings_file.h"

namespace youran {

namespace {

constexpr ReplayGainMode kModes[] = {ReplayGainMode::kOff, ReplayGainMode::kTrack, ReplayGainMode::kAlbum};

}  // namespace

LevelingSettings::LevelingSettings(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("音量均衡设置"));
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(8);
  auto* caption = new QLabel(QStringLiteral("音量均衡"), this);
  caption->setProperty("class", "caption");
  caption->setFixedWidth(80);
  row->addWidget(caption);
  mode_ = new QComboBox(this);
  mode_->setObjectName(QStringLiteral("音量均衡"));
  mode_->addItems({QStringLiteral("关闭"), QStringLiteral("按单曲"), QStringLiteral("按专辑")});
  mode_->setFixedWidth(90);
  row->addWidget(mode_);
  auto* preampCaption = new QLabel(QStringLiteral("预增益"), this);
  preampCaption->setProperty("class", "caption");
  row->addWidget(preampCaption);
  preamp_ = new QDoubleSpinBox(this);
  preamp_->setObjectName(QStringLiteral("预增益"));
  preamp_->setRange(-15.0, 15.0);
  preamp_->setSingleStep(0.5);
  preamp_->setDecimals(1);
  preamp_->setSuffix(QStringLiteral(" dB"));
  preamp_->setFixedWidth(90);
  row->addWidget(preamp_);
  row->addStretch();

  TrackLeveling stored(nullptr);
  stored.loadSettings();
  for (int i = 0; i < 3; ++i) {
    if (kModes[i] == stored.mode()) mode_->setCurrentIndex(i);
  }
  preamp_->setValue(stored.preampDb());

  connect(mode_, &QComboBox::currentIndexChanged, this, &LevelingSettings::save);
  connect(preamp_, &QDoubleSpinBox::valueChanged, this, &LevelingSettings::save);
}

ReplayGainMode LevelingSettings::mode() const { return kModes[std::clamp(mode_->currentIndex(), 0, 2)]; }

double LevelingSettings::preampDb() const { return preamp_->value(); }

void LevelingSettings::save() {
  writeSetting(kPlaybackSection, kReplayGainKey, std::string(ReplayGainModeName(mode())));
  writeSetting(kPlaybackSection, kPreampKey, QString::number(preampDb(), 'f', 1).toStdString());
  emit changed(mode(), preampDb());
}

}  // namespace youran
