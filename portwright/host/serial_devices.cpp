#include "portwright/serial_devices.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "portwright/endpoint.h"
#include "store_location.h"

namespace portwright {

namespace fs = std::filesystem;

namespace {

constexpr const char* kByIdFolder = "/dev/serial/by-id";

// A path of the machine ("/dev/ttyUSB0") inside the root folder.
fs::path UnderRoot(const std::string& root, const std::string& path) {
  return fs::path(root) / fs::path(path).relative_path();
}

// The machine's path of a file found inside the root folder.
std::string MachinePath(const std::string& root, const fs::path& found) {
  std::error_code ec;
  const fs::path base = fs::weakly_canonical(root, ec);
  const fs::path relative = found.lexically_relative(base);
  return "/" + relative.generic_string();
}

std::string ReadLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\n')) line.pop_back();
  return line;
}

std::string Joined(const std::string& first, const std::string& second) {
  if (first.empty()) return second;
  if (second.empty()) return first;
  return first + " " + second;
}

// The ttys the kernel names "<prefix><number>", in number order.
std::vector<std::string> TtyNodes(const std::string& root, const std::string& prefix) {
  const std::regex pattern(prefix + "[0-9]+");
  std::vector<std::pair<int, std::string>> found;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(UnderRoot(root, "/dev"), ec)) {
    const std::string name = entry.path().filename().string();
    if (std::regex_match(name, pattern))
      found.emplace_back(std::stoi(name.substr(prefix.size())), "/dev/" + name);
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> nodes;
  for (auto& [number, node] : found) nodes.push_back(node);
  return nodes;
}

fs::path SysTty(const std::string& root, const std::string& node) {
  return UnderRoot(root, "/sys/class/tty") / fs::path(node).filename();
}

// A ttyS always exists (the kernel makes 32); a port is there only when its type is known.
bool HasPortBehind(const std::string& root, const std::string& node) {
  const fs::path tty = SysTty(root, node);
  std::error_code ec;
  if (!fs::exists(tty / "device", ec)) return false;
  const std::string type = ReadLine(tty / "type");
  return !type.empty() && type != "0";
}

std::string UartName(const std::string& type) {
  static const char* const kUarts[] = {"",       "8250",  "16450",   "16550", "16550A",
                                       "Cirrus", "16650", "16650V2", "16750"};
  const int number = std::atoi(type.c_str());
  if (number > 0 && number < static_cast<int>(std::size(kUarts)))
    return std::string(kUarts[number]) + " UART";
  return "serial port";
}

// The USB device above a tty carries the maker's and the product's names.
std::string UsbName(const std::string& root, const std::string& node) {
  std::error_code ec;
  fs::path dir = fs::canonical(SysTty(root, node) / "device", ec);
  for (int level = 0; !ec && level < 5 && dir.has_parent_path(); ++level, dir = dir.parent_path()) {
    if (!fs::exists(dir / "product", ec)) continue;
    return Joined(ReadLine(dir / "manufacturer"), ReadLine(dir / "product"));
  }
  return {};
}

// "usb-FTDI_FT232R_USB_UART_A10K-if00-port0" -> "FTDI FT232R USB UART A10K".
std::string NameFromLink(const std::string& link) {
  std::string name = std::regex_replace(link, std::regex("^[a-z]+-"), "");
  name = std::regex_replace(name, std::regex("-if[0-9]+(-port[0-9]+)?$"), "");
  std::replace(name.begin(), name.end(), '_', ' ');
  return name;
}

std::string NodeName(const std::string& root, const std::string& node) {
  const std::string base = fs::path(node).filename().string();
  if (base.rfind("ttyS", 0) == 0) return UartName(ReadLine(SysTty(root, node) / "type"));
  return UsbName(root, node);
}

std::string PortKey(int n) { return "Ports/COM" + std::to_string(n); }

}  // namespace

std::optional<SerialDevice> DescribeSerialDevice(const std::string& path, const std::string& root) {
  std::error_code ec;
  const fs::path target = fs::canonical(UnderRoot(root, path), ec);
  if (ec) return std::nullopt;
  SerialDevice device;
  device.path = path;
  device.node = MachinePath(root, target);
  device.name = NodeName(root, device.node);
  if (device.name.empty() && path.rfind(kByIdFolder, 0) == 0)
    device.name = NameFromLink(fs::path(path).filename().string());
  if (fs::path(device.node).filename().string().rfind("ttyS", 0) == 0)
    device.hardware = HasPortBehind(root, device.node);
  return device;
}

std::vector<SerialDevice> ListSerialDevices(const std::string& root) {
  std::vector<SerialDevice> devices;
  std::set<std::string> reached;
  std::vector<std::string> links;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(UnderRoot(root, kByIdFolder), ec))
    links.push_back(std::string(kByIdFolder) + "/" + entry.path().filename().string());
  std::sort(links.begin(), links.end());
  for (const std::string& link : links) {
    auto device = DescribeSerialDevice(link, root);
    if (!device) continue;  // a link left behind by an adapter just pulled
    reached.insert(device->node);
    devices.push_back(*device);
  }
  for (const char* prefix : {"ttyUSB", "ttyACM", "ttyS"}) {
    for (const std::string& node : TtyNodes(root, prefix)) {
      if (reached.count(node)) continue;
      auto device = DescribeSerialDevice(node, root);
      if (device && device->hardware) devices.push_back(*device);
    }
  }
  return devices;
}

std::string DeviceLabel(const std::string& path, const std::string& root) {
  if (const auto endpoint = ParseEndpoint(path))
    return path + " (" + EndpointKindName(endpoint->kind) +
           "; baud rate and parity are the gateway's, not used here)";
  const auto device = DescribeSerialDevice(path, root);
  if (!device) return path + " (not present)";
  if (!device->hardware) return device->node + " (no serial port)";
  return device->name.empty() ? device->node : device->node + " (" + device->name + ")";
}

std::string ComDevice(int n) {
  QSettings store = OpenStore();
  const std::string mapped =
      store.value(QString::fromStdString(PortKey(n))).toString().toStdString();
  return mapped.empty() ? "/dev/ttyS" + std::to_string(n - 1) : mapped;
}

void AssignComDevice(int n, const std::string& device) {
  QSettings store = OpenStore();
  const QString key = QString::fromStdString(PortKey(n));
  if (device.empty())
    store.remove(key);
  else
    store.setValue(key, QString::fromStdString(device));
  store.sync();
}

std::string ComEntryLabel(int n, const std::string& root) {
  return "COM" + std::to_string(n) + " \u2013 " + DeviceLabel(ComDevice(n), root);
}

}  // namespace portwright
