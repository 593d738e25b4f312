#include "playback/ui/gapless_setting.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "settings/settings_file.h"
#include "settings/settings_keys.h"
#include "ui/skin.h"

namespace youran {

GaplessSetting::GaplessSetting(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("无缝播放设置"));
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(8);
  auto* caption = new QLabel(QStringLiteral("无缝播放"), this);
  caption->setProperty("class", "caption");
  row->addWidget(caption);
  switch_ = makePictureButton(this, QStringLiteral("无缝开"), QStringLiteral("toggle_off"), {52, 28});
  switch_->setToolTip(QStringLiteral("一曲结束时下一曲紧接着响起，不留空隙，也不淡入"));
  row->addWidget(switch_);
  row->addStretch();
  showState(stored());
  connect(switch_, &QPushButton::clicked, this, &GaplessSetting::toggle);
}

bool GaplessSetting::stored() {
  return settings::parseFlag(readSetting(settings::kPlaybackSection, settings::kPlaybackGapless)).value_or(false);
}

void GaplessSetting::showState(bool on) {
  on_ = on;
  setButtonPicture(switch_, on ? QStringLiteral("toggle_on") : QStringLiteral("toggle_off"));
}

void GaplessSetting::toggle() {
  showState(!on_);
  writeSetting(settings::kPlaybackSection, settings::kPlaybackGapless, settings::flagText(on_));
  emit changed(on_);
}

}  // namespace youran
