#include "playback/ui/output_device_box.h"

#include <QComboBox>
#include <QLabel>
#include <QTimer>

#include "playback/audio_engine.h"
#include "settings/settings_file.h"
#include "settings/settings_keys.h"

namespace youran {

OutputDeviceBox::OutputDeviceBox(QWidget* parent, DeviceList devices)
    : QWidget(parent), devices_(devices ? std::move(devices) : DeviceList(&AudioEngine::outputDevices)) {
  setObjectName(QStringLiteral("输出设备框"));
  resize(360, 64);
  auto* caption = new QLabel(QStringLiteral("输出设备"), this);
  caption->setProperty("class", "caption");
  caption->setGeometry(0, 0, 90, 30);
  list_ = new QComboBox(this);
  list_->setObjectName(QStringLiteral("输出设备"));
  list_->setGeometry(90, 0, 270, 30);
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("输出状态"));
  status_->setProperty("class", "hint");
  status_->setGeometry(90, 34, 270, 20);
  refreshTimer_ = new QTimer(this);
  refreshTimer_->setInterval(kRefreshMs);
  connect(refreshTimer_, &QTimer::timeout, this, &OutputDeviceBox::refresh);
  connect(list_, &QComboBox::activated, this, &OutputDeviceBox::onActivated);
  wanted_ = savedDevice();
  refresh();
}

std::string OutputDeviceBox::savedDevice() { return readSetting(settings::kAudioSection, settings::kAudioDevice); }

QString OutputDeviceBox::chosen() const { return list_->currentData().toString(); }

void OutputDeviceBox::refresh() {
  auto names = devices_();
  QStringList now;
  for (const auto& name : names) now << QString::fromStdString(name);
  QStringList shown;
  for (int i = 1; i < list_->count(); ++i) shown << list_->itemData(i).toString();
  if (list_->count() > 0 && now == shown) return;
  const QSignalBlocker quiet(list_);
  list_->clear();
  list_->addItem(QStringLiteral("系统默认"), QString());
  for (const auto& name : now) list_->addItem(name, name);
  int at = list_->findData(QString::fromStdString(wanted_));
  list_->setCurrentIndex(at > 0 ? at : 0);
}

void OutputDeviceBox::onActivated(int index) {
  const QString name = list_->itemData(index).toString();
  if (name.toStdString() == wanted_) return;
  wanted_ = name.toStdString();
  writeSetting(settings::kAudioSection, settings::kAudioDevice, wanted_);
  emit deviceChosen(name);
}

void OutputDeviceBox::showDeviceLost(bool lost) {
  status_->setText(lost ? QStringLiteral("输出设备不可用，正在重新连接…") : QString());
}

void OutputDeviceBox::showEvent(QShowEvent* event) {
  refresh();
  refreshTimer_->start();
  QWidget::showEvent(event);
}

void OutputDeviceBox::hideEvent(QHideEvent* event) {
  refreshTimer_->stop();
  QWidget::hideEvent(event);
}

}  // namespace youran
