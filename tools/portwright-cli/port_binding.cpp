#include "port_binding.h"

#include <QDir>
#include <QFileInfo>
#include <stdexcept>

#include "cli_options.h"
#include "portwright/port_map.h"

namespace pwcli {
namespace {

constexpr int kHighestComNumber = 15;  // the control's enumComPort ends at COM15

// The same device under two spellings (a by-id link and its target) counts as one.
bool SameDevice(const std::string& a, const std::string& b) {
  if (a == b) return true;
  QFileInfo fa(QString::fromStdString(a)), fb(QString::fromStdString(b));
  return fa.exists() && fb.exists() && fa.canonicalFilePath() == fb.canonicalFilePath();
}

int MappedComNumber(const std::string& device) {
  for (const auto& [number, mapped] : portwright::ListPortMap()) {
    if (number <= kHighestComNumber && SameDevice(mapped, device)) return number;
  }
  return 0;
}

}  // namespace

PortBinding::PortBinding(const std::string& port) {
  if (auto number = ParseComName(port)) {
    comIndex_ = *number - 1;  // out-of-range numbers are refused by the control itself
    return;
  }
  if (int number = MappedComNumber(port)) {
    comIndex_ = number - 1;
    return;
  }
  privateStore_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/portwright-cli-XXXXXX");
  if (!privateStore_->isValid()) {
    throw std::runtime_error("cannot make a temporary folder for the port map");
  }
  qputenv("XDG_CONFIG_HOME", privateStore_->path().toLocal8Bit());
  portwright::MapComPort(1, port);
  comIndex_ = 0;
}

}  // namespace pwcli
