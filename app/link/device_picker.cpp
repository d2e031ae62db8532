#include "link/device_picker.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QMdiSubWindow>
#include <QPushButton>

#include "core/logs.h"
#include "core/prompt.h"
#include "link/serial_ports.h"
#include "portwright/endpoint.h"
#include "portwright/serial_devices.h"

namespace {

// The Device list's last entry: a network endpoint typed in by the technician.
const QString kNetworkChoice = QStringLiteral("network:");

QString defaultDevice(int comNumber) { return "/dev/ttyS" + QString::number(comNumber - 1); }

// The port map's device of a COM entry; empty while it has the default one.
QString assignedDevice(int comNumber) {
  const QString device = QString::fromStdString(portwright::ComDevice(comNumber));
  return device == defaultDevice(comNumber) ? QString() : device;
}

}  // namespace

DevicePicker::DevicePicker(QWidget* window) : QObject(window), window_(window) {
  auto named = [window](auto* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
  };
  lblPortDevice_ = named(new QLabel(window), "lblPortDevice");
  lblDevice_ = named(new QLabel(QStringLiteral("Device:"), window), "lblDevice");
  cmbDevice_ = named(new QComboBox(window), "cmbDevice");
  cmdAssignDevice_ = named(new QPushButton(QStringLiteral("Assign"), window), "cmdAssignDevice");
  cmdRefreshDevices_ =
      named(new QPushButton(QStringLiteral("Refresh"), window), "cmdRefreshDevices");
  lblPortDevice_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  lblDevice_->setBuddy(cmbDevice_);
  cmdAssignDevice_->setToolTip(QStringLiteral("Use this device for the selected COM port"));
  cmdRefreshDevices_->setToolTip(QStringLiteral("Look for serial devices again"));
  cmbDevice_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  connect(cmdAssignDevice_, &QPushButton::clicked, this, &DevicePicker::assignChosen);
  connect(cmdRefreshDevices_, &QPushButton::clicked, this, &DevicePicker::rescan);
}

void DevicePicker::addTo(QGridLayout* grid, int row, int columnSpan) {
  grid->addWidget(lblPortDevice_, row, 1, 1, columnSpan);
  grid->addWidget(lblDevice_, row + 1, 0);
  grid->addWidget(cmbDevice_, row + 1, 1, 1, columnSpan);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(cmdAssignDevice_);
  buttons->addWidget(cmdRefreshDevices_);
  buttons->addStretch(1);
  grid->addLayout(buttons, row + 2, 1, 1, columnSpan);
}

void DevicePicker::showFor(int comNumber) {
  comNumber_ = comNumber;
  const bool serial = comNumber > 0;
  for (QWidget* widget : std::initializer_list<QWidget*>{lblPortDevice_, lblDevice_, cmbDevice_,
                                                         cmdAssignDevice_, cmdRefreshDevices_})
    widget->setVisible(serial);
  if (!serial) return;
  lblPortDevice_->setText(serialPorts::EntryLabel(comNumber - 1));
  shownDevice_ = assignedDevice(comNumber);
  cmbDevice_->clear();
  cmbDevice_->addItem("Default (" + defaultDevice(comNumber) + ")", QString());
  for (const portwright::SerialDevice& device : serialPorts::Devices())
    cmbDevice_->addItem(serialPorts::DeviceChoiceText(device), QString::fromStdString(device.path));
  int chosen = cmbDevice_->findData(shownDevice_);
  if (chosen < 0) {  // assigned elsewhere, and not among the devices found: shown as it is
    cmbDevice_->insertItem(1, serialPorts::DeviceChoiceText(shownDevice_), shownDevice_);
    chosen = 1;
  }
  cmbDevice_->addItem(QStringLiteral("Network\u2026"), kNetworkChoice);
  cmbDevice_->setCurrentIndex(chosen);
  growWindowToFit();
}

void DevicePicker::refresh() {
  if (comNumber_ < 1) return;
  if (assignedDevice(comNumber_) != shownDevice_) {
    showFor(comNumber_);
    emit assignmentChanged();
    return;
  }
  lblPortDevice_->setText(serialPorts::EntryLabel(comNumber_ - 1));
}

void DevicePicker::setChangeable(bool changeable) {
  cmbDevice_->setEnabled(changeable);
  cmdAssignDevice_->setEnabled(changeable);
}

void DevicePicker::assignChosen() {
  basFunctions::guarded("DevicePicker, cmdAssignDevice_Click", [this] {
    if (comNumber_ < 1 || cmbDevice_->currentIndex() < 0) return;
    QString chosen = cmbDevice_->currentData().toString();
    if (chosen == kNetworkChoice) chosen = askForEndpoint();
    if (chosen.isEmpty() && cmbDevice_->currentData() == kNetworkChoice) {
      showFor(comNumber_);  // cancelled or refused: the list shows the assignment again
      return;
    }
    if (chosen == assignedDevice(comNumber_)) return;
    serialPorts::Assign(comNumber_ - 1, chosen);
    showFor(comNumber_);
    emit assignmentChanged();
  });
}

// Host and port, then the framing; empty when cancelled or not a host and a port (told).
QString DevicePicker::askForEndpoint() {
  const QString shown = assignedDevice(comNumber_);
  const QString current = portwright::IsNetworkTarget(shown.toStdString())
                              ? shown.section(QStringLiteral("://"), 1)
                              : QString();
  const QString typed = prompt::InputBox(
      QStringLiteral("Host name or address and port of the Ethernet gateway or serial device "
                     "server behind COM%1 (for example gateway-17:4001):")
          .arg(comNumber_),
      QStringLiteral("Network"), current);
  if (typed.trimmed().isEmpty()) return QString();
  const prompt::Answer framing = prompt::MsgBox(
      QStringLiteral("Does it speak Modbus TCP?\r\rYes: Modbus TCP (a Modbus gateway).\rNo: "
                     "the serial frames carried unchanged over TCP (a serial device server; RTU "
                     "or ASCII as the Protocol list says).\r\rBaud rate and parity are the "
                     "gateway's and are not used for a network port."),
      prompt::Buttons::YesNoCancel, prompt::Icon::Question, QStringLiteral("Network"));
  if (framing == prompt::Cancel) return QString();
  QString problem;
  const QString endpoint = serialPorts::EndpointOf(typed, framing == prompt::Yes, problem);
  if (endpoint.isEmpty())
    prompt::MsgBox(problem, prompt::Buttons::OK, prompt::Icon::Exclamation,
                   QStringLiteral("Network"));
  return endpoint;
}

void DevicePicker::rescan() {
  basFunctions::guarded("DevicePicker, cmdRefreshDevices_Click", [this] {
    showFor(comNumber_);
    emit assignmentChanged();
  });
}

// A longer label (a by-id name) makes the window as wide as it needs, never narrower.
void DevicePicker::growWindowToFit() {
  auto* subWindow = qobject_cast<QMdiSubWindow*>(window_->parentWidget());
  QWidget* frame = subWindow ? static_cast<QWidget*>(subWindow) : window_;
  if (window_->layout()) window_->layout()->activate();
  if (frame->layout()) frame->layout()->invalidate();
  const QSize needed = frame->sizeHint().expandedTo(frame->minimumSizeHint());
  if (frame->isVisible() || subWindow) frame->resize(frame->size().expandedTo(needed));
}
