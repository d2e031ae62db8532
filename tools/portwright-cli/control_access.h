// Creating the control the way a host does: by its class identity in the component store.
#pragma once

#include "portwright/modbus_atl.h"

namespace pwcli {

// When the class is not registered in the store, registers the libPortwright.so that sits
// beside this program first. Throws std::runtime_error when no control can be made.
portwright::IModbusAtl* CreateModbusControl();

}  // namespace pwcli
