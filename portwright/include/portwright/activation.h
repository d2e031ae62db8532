// Hosting the component: find the class by its CLSID in the component store, load the library
// registered for it and create a control through its class factory; register a library file.
// Part of the static library portwright_host (Qt Core); does not link the component itself.
#pragma once

#include <string>

#include "portwright/modbus_atl.h"
#include "portwright/server.h"

namespace portwright {

// The library registered for the class (InprocServer32), or empty when none is.
std::string RegisteredLibrary(const std::string& clsid = kClsidModbusAtl);

// Creates a control of the class. Must be called on a thread that runs a Qt event loop.
// Returns null and sets error to a readable reason on failure.
IModbusAtl* CreateControl(std::string* error = nullptr, const std::string& clsid = kClsidModbusAtl);

// Loads a library file and calls its DllRegisterServer / DllUnregisterServer.
HRESULT RegisterLibrary(const std::string& libraryPath, std::string* error = nullptr);
HRESULT UnregisterLibrary(const std::string& libraryPath, std::string* error = nullptr);

// Registers the library at libraryPath unless the class is registered to that same file; a
// registration of another existing file is kept only when libraryPath does not exist.
HRESULT EnsureRegistered(const std::string& libraryPath, std::string* error = nullptr);

// What the program does at start: registers the library beside it unless the class is
// registered to it already, then creates the control. Null on failure.
IModbusAtl* CreateControlWithRegistration(const std::string& clsid, const std::string& libraryPath,
                                          std::string* error = nullptr);

}  // namespace portwright
