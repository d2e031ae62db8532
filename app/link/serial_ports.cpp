#include "link/serial_ports.h"

namespace serialPorts {

QString DeviceRoot = QStringLiteral("/");
portwright::DeviceOpener DeviceOpener;

namespace {

int comNumber(int portIndex) { return portIndex + 1; }

std::string root() { return DeviceRoot.toStdString(); }

}  // namespace

QString EntryLabel(int portIndex) {
  return QString::fromStdString(portwright::ComEntryLabel(comNumber(portIndex), root()));
}

std::vector<portwright::SerialDevice> Devices() { return portwright::ListSerialDevices(root()); }

QString DeviceChoiceText(const portwright::SerialDevice& device) {
  QString text = QString::fromStdString(device.path);
  if (device.node != device.path) text += " \u2192 " + QString::fromStdString(device.node);
  if (!device.name.empty()) text += " (" + QString::fromStdString(device.name) + ")";
  return text;
}

QString DeviceChoiceText(const QString& devicePath) {
  const auto device = portwright::DescribeSerialDevice(devicePath.toStdString(), root());
  return device ? DeviceChoiceText(*device) : devicePath + " (not present)";
}

void Assign(int portIndex, const QString& devicePath) {
  portwright::AssignComDevice(comNumber(portIndex), devicePath.toStdString());
}

QString ComErrorText(int portIndex) {
  QString text =
      QStringLiteral("Selected Com port does not exist or is in use by another application.");
  if (portIndex < 0 || portIndex >= kComPortCount) return text;
  const int n = comNumber(portIndex);
  const portwright::OpenProblem problem =
      portwright::DiagnoseOpenFailure(portwright::ComDevice(n), DeviceOpener, root());
  text += "\r\rDevice: COM" + QString::number(n) + " = " + QString::fromStdString(problem.device);
  text += "\rReason: " + QString::fromStdString(problem.reason) + ".";
  if (!problem.fix.empty()) text += "\rFix: " + QString::fromStdString(problem.fix);
  return text;
}

}  // namespace serialPorts
