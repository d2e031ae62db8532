#include "link/device_picker.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QMdiSubWindow>
#include <QPushButton>

#include "core/logs.h"
#include "link/serial_ports.h"
#include "portwright/serial_devices.h"

namespace {

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
    const QString chosen = cmbDevice_->currentData().toString();
    if (chosen == assignedDevice(comNumber_)) return;
    serialPorts::Assign(comNumber_ - 1, chosen);
    showFor(comNumber_);
    emit assignmentChanged();
  });
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
