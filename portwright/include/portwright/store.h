// The component store: a per-user key/value file standing in for the system's class
// registry and holding the port map. Its file is <config dir>/Portwright/Portwright.ini
// (the config dir follows XDG_CONFIG_HOME, so tests can keep their own store).
#pragma once

#include <string>

#include "portwright/modbus_atl.h"

namespace portwright {

PORTWRIGHT_API std::string StorePath();
PORTWRIGHT_API std::string StoreValue(const std::string& key, const std::string& fallback = {});
PORTWRIGHT_API void SetStoreValue(const std::string& key, const std::string& value);
// Removes a key and every key below it.
PORTWRIGHT_API void RemoveStoreKey(const std::string& key);

}  // namespace portwright
