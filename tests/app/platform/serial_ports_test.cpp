// Serial devices from a fake /dev and /sys tree, the COM entries shown with their devices, the
// assignment written to the port map, and the words that follow "Com Error".
#include "link/serial_ports.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>

#include "link/port_list_view.h"
#include "portwright/serial_devices.h"

namespace {

using portwright::SerialDevice;

// A machine with an FTDI adapter (by-id link), a second USB adapter udev gave no link, an
// Arduino on ttyACM0, one real 16550A, a ttyS whose port type is unknown and one without sysfs.
class FakeMachine {
 public:
  FakeMachine() {
    for (const char* node : {"ttyUSB0", "ttyUSB1", "ttyACM0", "ttyS0", "ttyS1", "ttyS2", "ttyS10"})
      file("dev/" + QString::fromLatin1(node), "");
    link("dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K-if00-port0", "../../ttyUSB0");
    link("dev/serial/by-id/usb-Gone_Adapter_X1-if00-port0", "../../ttyUSB7");  // left behind
    usbTty("1-1", "ttyUSB0", "FTDI", "FT232R USB UART", "/ttyUSB0");
    usbTty("1-2", "ttyACM0", "Arduino (www.arduino.cc)", "Uno", "");
    uart("ttyS0", "4");
    uart("ttyS1", "0");
    uart("ttyS10", "4");
  }
  std::string root() const { return dir_.path().toStdString(); }
  QString path(const QString& relative) const { return dir_.path() + "/" + relative; }

 private:
  void file(const QString& relative, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path(relative)).path());
    QFile out(path(relative));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(content);
  }
  void link(const QString& relative, const QString& target) {
    QDir().mkpath(QFileInfo(path(relative)).path());
    ASSERT_EQ(symlink(target.toLocal8Bit().constData(), path(relative).toLocal8Bit().constData()),
              0);
  }
  // sys/devices/usb1/<port>/<port>:1.0[/<tty>] with the maker and product on the USB device.
  void usbTty(const QString& port, const QString& tty, const QByteArray& maker,
              const QByteArray& product, const QString& ttyFolder) {
    const QString device = "sys/devices/usb1/" + port;
    file(device + "/manufacturer", maker + "\n");
    file(device + "/product", product + "\n");
    QDir().mkpath(path(device + "/" + port + ":1.0" + ttyFolder));
    QDir().mkpath(path("sys/class/tty/" + tty));
    link("sys/class/tty/" + tty + "/device",
         "../../../devices/usb1/" + port + "/" + port + ":1.0" + ttyFolder);
  }
  void uart(const QString& tty, const QByteArray& type) {
    QDir().mkpath(path("sys/devices/platform/serial8250"));
    file("sys/class/tty/" + tty + "/type", type + "\n");
    link("sys/class/tty/" + tty + "/device", "../../../devices/platform/serial8250");
  }

  QTemporaryDir dir_;
};

class SerialPortsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    serialPorts::DeviceRoot = QString::fromStdString(machine.root());
    for (int n = 1; n <= 8; ++n) portwright::AssignComDevice(n, "");
  }
  void TearDown() override {
    serialPorts::DeviceRoot = QStringLiteral("/");
    serialPorts::DeviceOpener = nullptr;
    for (int n = 1; n <= 8; ++n) portwright::AssignComDevice(n, "");
  }
  FakeMachine machine;
};

TEST_F(SerialPortsTest, DevicesComeByIdFirstThenUsbAcmAndOnlyRealUarts) {
  const auto devices = portwright::ListSerialDevices(machine.root());
  std::vector<std::string> listed;
  for (const SerialDevice& device : devices)
    listed.push_back(device.path + " > " + device.node + " | " + device.name);
  EXPECT_EQ(listed, (std::vector<std::string>{
                        "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K-if00-port0 > "
                        "/dev/ttyUSB0 | FTDI FT232R USB UART",
                        "/dev/ttyUSB1 > /dev/ttyUSB1 | ",
                        "/dev/ttyACM0 > /dev/ttyACM0 | Arduino (www.arduino.cc) Uno",
                        "/dev/ttyS0 > /dev/ttyS0 | 16550A UART",
                        "/dev/ttyS10 > /dev/ttyS10 | 16550A UART",
                    }));
  EXPECT_EQ(serialPorts::DeviceChoiceText(devices[0]),
            QString::fromUtf8("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K-if00-port0 \u2192 "
                              "/dev/ttyUSB0 (FTDI FT232R USB UART)"));
  // No /dev/serial at all and no /sys: only what /dev shows, no ttyS.
  QTemporaryDir bare;
  QDir().mkpath(bare.path() + "/dev");
  QFile(bare.path() + "/dev/ttyUSB3").open(QIODevice::WriteOnly);
  QFile(bare.path() + "/dev/ttyS0").open(QIODevice::WriteOnly);
  const auto few = portwright::ListSerialDevices(bare.path().toStdString());
  ASSERT_EQ(few.size(), 1u);
  EXPECT_EQ(few[0].path, "/dev/ttyUSB3");
}

TEST_F(SerialPortsTest, ComEntriesShowTheirDeviceAndAnAssignmentGoesIntoThePortMap) {
  EXPECT_EQ(serialPorts::EntryLabel(0), QString::fromUtf8("COM1 \u2013 /dev/ttyS0 (16550A UART)"));
  EXPECT_EQ(serialPorts::EntryLabel(1),
            QString::fromUtf8("COM2 \u2013 /dev/ttyS1 (no serial port)"));
  EXPECT_EQ(serialPorts::EntryLabel(3), QString::fromUtf8("COM4 \u2013 /dev/ttyS3 (not present)"));

  serialPorts::Assign(2, "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K-if00-port0");
  EXPECT_EQ(portwright::ComDevice(3), "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K-if00-port0");
  EXPECT_EQ(serialPorts::EntryLabel(2),
            QString::fromUtf8("COM3 \u2013 /dev/ttyUSB0 (FTDI FT232R USB UART)"));
  serialPorts::Assign(3, "/dev/serial/by-id/usb-Gone_Adapter_X1-if00-port0");
  EXPECT_EQ(serialPorts::EntryLabel(3),
            QString::fromUtf8("COM4 \u2013 /dev/serial/by-id/usb-Gone_Adapter_X1-if00-port0 "
                              "(not present)"));
  serialPorts::Assign(2, QString());
  EXPECT_EQ(portwright::ComDevice(3), "/dev/ttyS2");

  // A port list keeps its entries' texts and shows the devices in the list and tool tips.
  QComboBox list;
  list.addItems({"Com 1", "Com 2", "Com 3", "Com 4", "Com 5", "Com 6", "Com 7", "Com 8", "Net"});
  for (int i = 0; i < 8; ++i) serialPorts::MarkComEntry(&list, i, i + 1);
  list.setCurrentIndex(3);
  serialPorts::ShowDevicesInPortList(&list);
  EXPECT_EQ(list.currentText(), "Com 4");
  EXPECT_EQ(list.itemData(0, Qt::ToolTipRole).toString(),
            QString::fromUtf8("COM1 \u2013 /dev/ttyS0 (16550A UART)"));
  EXPECT_EQ(list.toolTip(), serialPorts::EntryLabel(3));
  EXPECT_FALSE(list.itemData(8, Qt::ToolTipRole).isValid());
  // A narrow list opens wide enough to show its labels whole.
  serialPorts::Assign(0, "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K-if00-port0");
  serialPorts::ShowDevicesInPortList(&list);
  list.setFixedWidth(90);
  list.show();
  list.showPopup();
  const QString label = list.itemData(0, Qt::ToolTipRole).toString();
  EXPECT_GE(list.view()->viewport()->width(), list.fontMetrics().horizontalAdvance(label));
  list.hidePopup();
}

// The group a device file really has, after asking for `group` (possible for root, or for a
// group the user belongs to); empty when the file could not be given that group.
QString giveGroup(const QString& file, const char* group, mode_t mode) {
  const struct group* entry = getgrnam(group);
  if (!entry || chown(file.toLocal8Bit().constData(), static_cast<uid_t>(-1), entry->gr_gid) != 0)
    return QString();
  chmod(file.toLocal8Bit().constData(), mode);
  struct stat info {};
  stat(file.toLocal8Bit().constData(), &info);
  return QString::fromLocal8Bit(getgrgid(info.st_gid)->gr_name);
}

TEST_F(SerialPortsTest, PermissionAdviceFollowsTheDevicesModeBitsAndBusyNamesTheHolder) {
  const QString sentence =
      QStringLiteral("Selected Com port does not exist or is in use by another application.");
  serialPorts::Assign(0, "/dev/ttyUSB1");
  serialPorts::DeviceOpener = [](const std::string&) { return EACCES; };
  const QString node = machine.path("dev/ttyUSB1");
  // A group is advised only when it may read and write the device and is not root; a root
  // device (0600) and a console (root:tty 0620) need an udev rule first.
  // (and the user's own group, for a user who may give a file no other group)
  const QByteArray own = getgrgid(getgid())->gr_name;
  const struct {
    const char* group;
    mode_t mode;
    bool joinGroup;
  } rows[] = {{"dialout", 0660, true},  {"root", 0600, false},
              {"root", 0660, false},    {"tty", 0620, false},
              {"dialout", 0640, false}, {own.constData(), 0660, getgid() != 0}};
  int checked = 0;
  for (const auto& row : rows) {
    const QString group = giveGroup(node, row.group, row.mode);
    if (group.isEmpty()) continue;  // this user cannot give the file that group
    ++checked;
    const QString text = serialPorts::ComErrorText(0);
    SCOPED_TRACE(text.toStdString());
    EXPECT_TRUE(text.startsWith(sentence + "\r\rDevice: COM1 = /dev/ttyUSB1\rReason: no "
                                           "permission to open the device: it belongs to "));
    const QString joinIt = "Add the user to the group " + group + " (sudo usermod -aG " + group;
    EXPECT_EQ(text.contains(joinIt), row.joinGroup) << row.group << " " << row.mode;
    EXPECT_FALSE(text.contains("-aG root"));
    EXPECT_FALSE(text.contains("-aG tty"));
    if (!row.joinGroup) {
      EXPECT_TRUE(text.contains("Give the device to the group dialout with an udev rule: "));
      EXPECT_TRUE(text.contains("KERNEL==\"ttyUSB1\", GROUP=\"dialout\", MODE=\"0660\""));
    }
    EXPECT_EQ(text.contains("login console"), group == "tty");
    EXPECT_TRUE(text.endsWith("), then log out and log in again."));
  }
  EXPECT_GT(checked, 0) << "no device file could be given a group to test with";

  // A device another program holds open: the program is named.
  QFile held(node);
  ASSERT_TRUE(held.open(QIODevice::ReadOnly));
  serialPorts::DeviceOpener = [](const std::string&) { return EBUSY; };
  QFile comm("/proc/self/comm");
  ASSERT_TRUE(comm.open(QIODevice::ReadOnly));
  const QString self = QString::fromLocal8Bit(comm.readAll().trimmed()) + " (process " +
                       QString::number(QCoreApplication::applicationPid()) + ")";
  EXPECT_TRUE(serialPorts::ComErrorText(0).endsWith(
      "Reason: the device is in use by another program: " + self + ".\rFix: Close " + self +
      ", then connect again."))
      << serialPorts::ComErrorText(0).toStdString();
}

TEST_F(SerialPortsTest, ComErrorNamesTheDeviceTheReasonAndTheFix) {
  const QString sentence =
      QStringLiteral("Selected Com port does not exist or is in use by another application.");
  serialPorts::Assign(0, "/dev/serial/by-id/usb-Gone_Adapter_X1-if00-port0");
  EXPECT_EQ(serialPorts::ComErrorText(0),
            sentence +
                "\r\rDevice: COM1 = /dev/serial/by-id/usb-Gone_Adapter_X1-if00-port0\r"
                "Reason: the device is not there: the adapter has been unplugged.\r"
                "Fix: Plug the adapter in again, or assign the device it now has to this COM "
                "port.");
  serialPorts::Assign(0, "/dev/ttyACM0");
  serialPorts::DeviceOpener = [](const std::string&) { return EBUSY; };
  EXPECT_TRUE(serialPorts::ComErrorText(0).endsWith(
      "Reason: the device is in use by another program.\r"
      "Fix: Close the other program that uses the port, then connect again."));  // none found
  EXPECT_TRUE(serialPorts::ComErrorText(1).contains(
      "\rReason: there is no serial port behind /dev/ttyS1.\r"));
  EXPECT_EQ(serialPorts::ComErrorText(-1), sentence);  // a network entry: nothing to look at
}

}  // namespace
