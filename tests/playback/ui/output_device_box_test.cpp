// "输出设备": what the list offers as devices come and go, what a saved
// choice shows, and what a choice writes and announces.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QSignalSpy>
#include <string>
#include <vector>

#include "base/data_folder.h"
#include "playback/ui/output_device_box.h"
#include "settings/settings_file.h"
#include "support/temp_folder.h"

namespace youran {
namespace {

QStringList entries(const OutputDeviceBox& box) {
  auto* list = box.findChild<QComboBox*>(QStringLiteral("输出设备"));
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->itemText(i);
  return out;
}

TEST(OutputDeviceBoxTest, SavedChoiceAndDevicesComingAndGoing) {
  struct Case {
    const char* saved;
    std::vector<std::string> devices;
    QString shown;
  };
  const Case cases[] = {
      {"", {"Speakers", "USB"}, "系统默认"},
      {"USB", {"Speakers", "USB"}, "USB"},
      // A device that is not there shows as the default, without a word.
      {"Headphones", {"Speakers"}, "系统默认"},
      {"USB", {}, "系统默认"},
  };
  for (const auto& c : cases) {
    testing::TempFolder folder;
    setDataFolder(folder.path());
    if (*c.saved) {
      ASSERT_TRUE(writeSetting("Audio", "Device", c.saved));
    }
    std::vector<std::string> devices = c.devices;
    OutputDeviceBox box(nullptr, [&] { return devices; });
    auto* list = box.findChild<QComboBox*>(QStringLiteral("输出设备"));
    QStringList expected{QStringLiteral("系统默认")};
    for (const auto& d : c.devices) expected << QString::fromStdString(d);
    EXPECT_EQ(entries(box), expected) << c.saved;
    EXPECT_EQ(list->currentText(), c.shown) << c.saved;

    // The saved device appears later (plugged in): it is chosen again; it
    // goes: the default is shown, and the setting still names it.
    devices.push_back(c.saved);
    box.refresh();
    if (*c.saved) {
      EXPECT_EQ(list->currentText(), QString(c.saved));
    }
    devices.pop_back();
    box.refresh();
    EXPECT_EQ(list->currentText(), c.shown);
    EXPECT_EQ(readSetting("Audio", "Device"), c.saved);
  }
}

TEST(OutputDeviceBoxTest, AChoiceIsWrittenAndAnnounced) {
  testing::TempFolder folder;
  setDataFolder(folder.path());
  OutputDeviceBox box(nullptr, [] { return std::vector<std::string>{"Speakers", "USB"}; });
  auto* list = box.findChild<QComboBox*>(QStringLiteral("输出设备"));
  QSignalSpy chosen(&box, &OutputDeviceBox::deviceChosen);
  list->activated(2);
  EXPECT_EQ(readSetting("Audio", "Device"), "USB");
  list->activated(0);
  EXPECT_EQ(readSetting("Audio", "Device"), "");
  list->activated(0);  // no change, nothing said
  ASSERT_EQ(chosen.size(), 2);
  EXPECT_EQ(chosen[0][0].toString(), QStringLiteral("USB"));
  EXPECT_EQ(chosen[1][0].toString(), QString());
}

}  // namespace
}  // namespace youran
