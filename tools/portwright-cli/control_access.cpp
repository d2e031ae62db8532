#include "control_access.h"

#include <QCoreApplication>
#include <stdexcept>

#include "portwright/activation.h"

namespace pwcli {

portwright::IModbusAtl* CreateModbusControl() {
  const std::string besideUs =
      (QCoreApplication::applicationDirPath() + QStringLiteral("/libPortwright.so")).toStdString();
  std::string error;
  if (portwright::EnsureRegistered(besideUs, &error) != portwright::S_OK) {
    throw std::runtime_error("cannot register " + besideUs + ": " + error);
  }
  portwright::IModbusAtl* control = portwright::CreateControl(&error);
  if (!control) throw std::runtime_error("cannot create the control: " + error);
  return control;
}

}  // namespace pwcli
