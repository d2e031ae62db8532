// The port map: which device stands behind "COMn". It lives in the component store
// (key Ports/COMn); an unmapped COMn means /dev/ttyS(n-1).
#pragma once

#include <map>
#include <string>

#include "portwright/modbus_atl.h"

namespace portwright {

// Device path for COM number n (1-based).
PORTWRIGHT_API std::string ResolveComPort(int n);
PORTWRIGHT_API void MapComPort(int n, const std::string& device);
PORTWRIGHT_API void UnmapComPort(int n);
// Explicit mappings only, keyed by COM number.
PORTWRIGHT_API std::map<int, std::string> ListPortMap();

}  // namespace portwright
