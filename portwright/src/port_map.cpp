#include "portwright/port_map.h"

#include "portwright/store.h"
#include "store_location.h"

namespace portwright {

namespace {
constexpr const char* kPortsGroup = "Ports";

std::string PortKey(int n) { return std::string(kPortsGroup) + "/COM" + std::to_string(n); }
}  // namespace

std::string ResolveComPort(int n) {
  const std::string mapped = StoreValue(PortKey(n));
  if (!mapped.empty()) return mapped;
  return "/dev/ttyS" + std::to_string(n - 1);
}

void MapComPort(int n, const std::string& device) { SetStoreValue(PortKey(n), device); }

void UnmapComPort(int n) { RemoveStoreKey(PortKey(n)); }

std::map<int, std::string> ListPortMap() {
  std::map<int, std::string> ports;
  QSettings store = OpenStore();
  store.beginGroup(kPortsGroup);
  for (const QString& key : store.childKeys()) {
    if (!key.startsWith(QStringLiteral("COM"))) continue;
    bool ok = false;
    const int n = key.mid(3).toInt(&ok);
    if (ok && n > 0) ports[n] = store.value(key).toString().toStdString();
  }
  return ports;
}

}  // namespace portwright
