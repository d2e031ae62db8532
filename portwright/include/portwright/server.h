// The component's in-process server entry points, its identity and its class factory.
// A host finds the class by CLSID in the component store, loads the library named under
// InprocServer32 and asks DllGetClassObject for the factory.
#pragma once

#include <cstdint>

#include "portwright/modbus_atl.h"

namespace portwright {

constexpr const char* kLibId = "{01FCEE63-16BA-447F-B5BD-432A3CDA8973}";
constexpr const char* kClsidModbusAtl = "{E04B341B-984F-4FC1-83AA-688213A37E5D}";
constexpr const char* kIidIModbusAtl = "{5695DA4D-71D6-4CBC-85FF-CF2ECDC367BC}";
constexpr const char* kIidIModbusAtlEvents = "{3307669F-FE67-40A5-B9DB-139CC71FB15E}";
constexpr const char* kIidIClassFactory = "{00000001-0000-0000-C000-000000000046}";
constexpr const char* kAppId = "{F79A77DB-5AE3-4BCF-8E95-E2225BD5367F}";
constexpr const char* kProgId = "Portwright.ModbusAtl.1";
constexpr const char* kVersionIndependentProgId = "Portwright.ModbusAtl";

using HRESULT = int32_t;
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
constexpr HRESULT SELFREG_E_CLASS = static_cast<HRESULT>(0x80040201u);

// Creates controls. The control must be created on the thread that will use it, and that
// thread must run a Qt event loop: events and the worker's calls are delivered through it.
class IClassFactory {
 public:
  virtual ~IClassFactory() = default;
  virtual HRESULT CreateInstance(IModbusAtl** object) = 0;
  virtual HRESULT LockServer(bool lock) = 0;
};

}  // namespace portwright

extern "C" {
PORTWRIGHT_API portwright::HRESULT DllRegisterServer(void);
PORTWRIGHT_API portwright::HRESULT DllUnregisterServer(void);
// clsid and iid are brace-wrapped GUID texts; iid must be kIidIClassFactory.
PORTWRIGHT_API portwright::HRESULT DllGetClassObject(const char* clsid, const char* iid, void** factory);
PORTWRIGHT_API portwright::HRESULT DllCanUnloadNow(void);
}
