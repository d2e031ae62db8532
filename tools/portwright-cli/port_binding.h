// Which COM index the control opens for the --port argument. A COM name goes through the
// user's port map as it is. A device path that the map already names uses that COM name;
// any other device path gets a private component store for this run only (COM1 mapped to
// the device), so the user's map is never changed and two runs never race for a COM number.
#pragma once

#include <QTemporaryDir>
#include <memory>
#include <string>

namespace pwcli {

class PortBinding {
 public:
  // Must run before the component store is used for anything else in this process.
  explicit PortBinding(const std::string& port);
  int comIndex() const { return comIndex_; }
  bool usesPrivateStore() const { return privateStore_ != nullptr; }

 private:
  int comIndex_ = 0;
  std::unique_ptr<QTemporaryDir> privateStore_;
};

}  // namespace pwcli
