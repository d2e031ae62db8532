// Creating the main window's Modbus control Mod1 from its registered class identity.
#pragma once

#include <QString>

#include "portwright/modbus_atl.h"

namespace basMain {

// The class identity under which the control is registered.
constexpr const char* kModbusAtlClsid = "{E04B341B-984F-4FC1-83AA-688213A37E5D}";
// The component library beside the executable.
QString ComponentLibraryPath();

// Creates the control through the component store; when the class is not registered there,
// registers the library beside the executable first and tries once more. Throws on failure.
portwright::IModbusAtl* CreateModbusControl();

}  // namespace basMain
