#include "lyrics/ui/lyric_line_settings.h"

#include <QCheckBox>
#include <QVBoxLayout>

#include "settings/settings_file.h"
#include "settings/settings_keys.h"

namespace youran {

LyricLineSettings::LyricLineSettings(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("歌词行设置"));
  translation_ = new QCheckBox(QStringLiteral("显示翻译"), this);
  translation_->setObjectName(QStringLiteral("显示翻译"));
  romanization_ = new QCheckBox(QStringLiteral("显示音译"), this);
  romanization_->setObjectName(QStringLiteral("显示音译"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(translation_);
  layout->addWidget(romanization_);
  load();
  connect(translation_, &QCheckBox::toggled, this, [this](bool on) {
    writeSetting(settings::kLyricSection, settings::kLyricTranslation, settings::flagText(on));
    emit translationChanged(on);
  });
  connect(romanization_, &QCheckBox::toggled, this, [this](bool on) {
    writeSetting(settings::kLyricSection, settings::kLyricRomanization, settings::flagText(on));
    emit romanizationChanged(on);
  });
}

void LyricLineSettings::load() {
  const QSignalBlocker quietT(translation_);
  const QSignalBlocker quietR(romanization_);
  translation_->setChecked(
      settings::parseFlag(readSetting(settings::kLyricSection, settings::kLyricTranslation)).value_or(true));
  romanization_->setChecked(
      settings::parseFlag(readSetting(settings::kLyricSection, settings::kLyricRomanization)).value_or(false));
}

bool LyricLineSettings::translation() const { return translation_->isChecked(); }
bool LyricLineSettings::romanization() const { return romanization_->isChecked(); }

}  // namespace youran
