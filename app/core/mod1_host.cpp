#include "core/mod1_host.h"

#include "core/host.h"
#include "core/program_error.h"
#include "portwright/activation.h"

namespace basMain {

QString ComponentLibraryPath() {
  return host::ExecutableFolder() + QStringLiteral("/libPortwright.so");
}

portwright::IModbusAtl* CreateModbusControl() {
  std::string reason;
  portwright::IModbusAtl* control = portwright::CreateControlWithRegistration(
      kModbusAtlClsid, ComponentLibraryPath().toStdString(), &reason);
  // The platform's "can't create object" error, with the reason the store gave.
  if (!control)
    throw basFunctions::ProgramError(429, "ActiveX component can't create object: " + reason);
  return control;
}

}  // namespace basMain
