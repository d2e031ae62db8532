#include "portwright/modbus_atl.h"
#include "portwright/server.h"

namespace portwright {

AutomationError::AutomationError(const std::string& description, std::string reason)
    : std::runtime_error(description), reason_(std::move(reason)) {}

std::string AutomationError::source() const { return kProgId; }

std::string AutomationError::interfaceName() const { return "IModbusAtl"; }

}  // namespace portwright
