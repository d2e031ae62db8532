#include "link/serial_ports.h"

#include "portwright/endpoint.h"

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
  if (portwright::IsNetworkTarget(devicePath.toStdString()))
    return QString::fromStdString(portwright::DeviceLabel(devicePath.toStdString()));
  const auto device = portwright::DescribeSerialDevice(devicePath.toStdString(), root());
  return device ? DeviceChoiceText(*device) : devicePath + " (not present)";
}

void Assign(int portIndex, const QString& devicePath) {
  portwright::AssignComDevice(comNumber(portIndex), devicePath.toStdString());
}

Reach ReachOf(int portIndex) {
  if (portIndex < 0 || portIndex >= kComPortCount) return Reach::Serial;
  const auto endpoint = portwright::ParseEndpoint(portwright::ComDevice(comNumber(portIndex)));
  if (!endpoint) return Reach::Serial;
  return endpoint->kind == portwright::NetworkEndpoint::Kind::ModbusTcp ? Reach::ModbusTcp
                                                                        : Reach::RtuOverTcp;
}

QString EndpointOf(const QString& hostAndPort, bool modbusTcp, QString& problem) {
  const QString text =
      QString::fromLatin1(modbusTcp ? "mbtcp://" : "tcp://") + hostAndPort.trimmed();
  if (portwright::ParseEndpoint(text.toStdString())) return text;
  problem = "\"" + hostAndPort.trimmed() +
            "\" is not a host and a port: write them as gateway-17:4001 or 10.0.0.5:502 (the "
            "port 1 to 65535).";
  return QString();
}

QString ComErrorText(int portIndex, const QString& networkReason) {
  QString text =
      QStringLiteral("Selected Com port does not exist or is in use by another application.");
  if (portIndex < 0 || portIndex >= kComPortCount) return text;
  const int n = comNumber(portIndex);
  if (ReachOf(portIndex) != Reach::Serial) {
    text += "\r\rDevice: COM" + QString::number(n) + " = " +
            QString::fromStdString(portwright::ComDevice(n));
    if (!networkReason.isEmpty()) text += "\rReason: " + networkReason + ".";
    return text;
  }
  const portwright::OpenProblem problem =
      portwright::DiagnoseOpenFailure(portwright::ComDevice(n), DeviceOpener, root());
  text += "\r\rDevice: COM" + QString::number(n) + " = " + QString::fromStdString(problem.device);
  text += "\rReason: " + QString::fromStdString(problem.reason) + ".";
  if (!problem.fix.empty()) text += "\rFix: " + QString::fromStdString(problem.fix);
  return text;
}

}  // namespace serialPorts
