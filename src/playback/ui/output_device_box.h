#pragma once

// "输出设备": where the sound goes. The first entry, "系统默认", is the
// system's default device; the others are the devices the sound system
// offers, refreshed while the box is shown so a device plugged in or gone
// appears or leaves. A choice is written to Setting.ini (Audio/Device, the
// device's name; empty for the default) and announced. A saved device that
// is not there is shown as the default without a word; the setting keeps
// it for when it comes back. UI thread.

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QTimer;

namespace youran {

class OutputDeviceBox : public QWidget {
  Q_OBJECT
 public:
  using DeviceList = std::function<std::vector<std::string>()>;
  static constexpr int kRefreshMs = 2000;

  // `devices` answers the sound system's device names (AudioEngine's list
  // by default).
  explicit OutputDeviceBox(QWidget* parent = nullptr, DeviceList devices = {});

  // The saved choice (Setting.ini), empty for the default.
  static std::string savedDevice();

  QString chosen() const;
  // Re-reads the device list, keeping the choice.
  void refresh();
  // The sound device went away and none could be opened (lost), or sound
  // plays again: said once, in the status line under the list.
  void showDeviceLost(bool lost);

 signals:
  void deviceChosen(const QString& name);

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void onActivated(int index);

  DeviceList devices_;
  QComboBox* list_;
  QLabel* status_;
  QTimer* refreshTimer_;
  std::string wanted_;
};

}  // namespace youran
