// The in-process server entry points: registration in the component store, the class
// factory and the unload test.
#include <dlfcn.h>

#include <QAbstractEventDispatcher>
#include <QFileInfo>
#include <QString>
#include <atomic>
#include <string>
#include <utility>
#include <vector>

#include "control.h"
#include "module_lock.h"
#include "portwright/server.h"
#include "store_location.h"

namespace portwright {

namespace {

std::atomic<int> liveObjects{0};
std::atomic<int> serverLocks{0};

// The control's OLE status bits: recompose on resize, can't link inside, inside-out,
// activate when visible, set client site first.
constexpr const char* kOleMiscStatus = "131473";
constexpr const char* kTypeLibMarshaler = "{00020424-0000-0000-C000-000000000046}";
constexpr const char* kClassDescription = "ModbusAtl Class";

std::string LibraryPath() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&DllRegisterServer), &info) == 0 || !info.dli_fname) return {};
  return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absoluteFilePath().toStdString();
}

std::string LibraryFileName(const std::string& path) {
  return QFileInfo(QString::fromStdString(path)).fileName().toStdString();
}

using Entries = std::vector<std::pair<std::string, std::string>>;

Entries ClassEntries(const std::string& path) {
  const std::string clsid = std::string("CLSID/") + kClsidModbusAtl;
  return {
      {clsid, kClassDescription},
      {clsid + "/ProgID", kProgId},
      {clsid + "/VersionIndependentProgID", kVersionIndependentProgId},
      {clsid + "/Programmable", ""},
      {clsid + "/InprocServer32", path},
      {clsid + "/InprocServer32/ThreadingModel", "Apartment"},
      {clsid + "/AppID", kAppId},
      {clsid + "/Control", ""},
      {clsid + "/Insertable", ""},
      {clsid + "/ToolboxBitmap32", path + ", 102"},
      {clsid + "/MiscStatus", "0"},
      {clsid + "/MiscStatus/1", kOleMiscStatus},
      {clsid + "/TypeLib", kLibId},
      {clsid + "/Version", "1.0"},
  };
}

Entries ProgIdEntries() {
  const std::string versioned = kProgId;
  const std::string independent = kVersionIndependentProgId;
  return {
      {versioned, kClassDescription},
      {versioned + "/CLSID", kClsidModbusAtl},
      {versioned + "/Insertable", ""},
      {independent, kClassDescription},
      {independent + "/CLSID", kClsidModbusAtl},
      {independent + "/CurVer", kProgId},
  };
}

Entries AppIdEntries(const std::string& path) {
  return {
      {std::string("AppID/") + kAppId, "Portwright"},
      {"AppID/" + LibraryFileName(path) + "/AppID", kAppId},
  };
}

Entries TypeLibEntries(const std::string& path) {
  const std::string lib = std::string("TypeLib/") + kLibId + "/1.0";
  const std::string folder = QFileInfo(QString::fromStdString(path)).absolutePath().toStdString();
  return {
      {lib, "Portwright 1.0 Type Library"},
      {lib + "/0/linux", path},
      {lib + "/FLAGS", "0"},
      {lib + "/HELPDIR", folder},
  };
}

// The interfaces, so a host can marshal them between threads through the type library.
Entries InterfaceEntries() {
  Entries entries;
  const std::pair<const char*, const char*> interfaces[] = {
      {kIidIModbusAtl, "IModbusAtl"}, {kIidIModbusAtlEvents, "_IModbusAtlEvents"}};
  for (const auto& [iid, name] : interfaces) {
    const std::string key = std::string("Interface/") + iid;
    entries.push_back({key, name});
    entries.push_back({key + "/ProxyStubClsid32", kTypeLibMarshaler});
    entries.push_back({key + "/TypeLib", kLibId});
    entries.push_back({key + "/TypeLib/Version", "1.0"});
  }
  return entries;
}

// The keys register writes and unregister removes; the top-level groups stay.
std::vector<std::string> OwnedKeys(const std::string& path) {
  return {std::string("CLSID/") + kClsidModbusAtl,
          kProgId,
          kVersionIndependentProgId,
          std::string("AppID/") + kAppId,
          "AppID/" + LibraryFileName(path),
          std::string("TypeLib/") + kLibId,
          std::string("Interface/") + kIidIModbusAtl,
          std::string("Interface/") + kIidIModbusAtlEvents};
}

bool SameGuid(const char* a, const char* b) {
  return QString::fromLatin1(a).compare(QString::fromLatin1(b), Qt::CaseInsensitive) == 0;
}

class ClassFactory : public IClassFactory {
 public:
  // The control needs an event loop on the creating thread for its events.
  HRESULT CreateInstance(IModbusAtl** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!QAbstractEventDispatcher::instance()) return E_FAIL;
    *object = new ModbusAtl();
    return S_OK;
  }
  HRESULT LockServer(bool lock) override {
    if (lock) {
      ++serverLocks;
    } else if (serverLocks.load() > 0) {
      --serverLocks;
    }
    return S_OK;
  }
};

}  // namespace

void ModuleObjectCreated() { ++liveObjects; }
void ModuleObjectDestroyed() { --liveObjects; }

}  // namespace portwright

using namespace portwright;

extern "C" {

PORTWRIGHT_API HRESULT DllRegisterServer(void) {
  const std::string path = LibraryPath();
  if (path.empty()) return SELFREG_E_CLASS;
  QSettings store = OpenStore();
  for (const Entries& group : {ClassEntries(path), ProgIdEntries(), AppIdEntries(path),
                               TypeLibEntries(path), InterfaceEntries()}) {
    for (const auto& [key, value] : group)
      store.setValue(QString::fromStdString(key), QString::fromStdString(value));
  }
  store.sync();
  return store.status() == QSettings::NoError ? S_OK : SELFREG_E_CLASS;
}

PORTWRIGHT_API HRESULT DllUnregisterServer(void) {
  QSettings store = OpenStore();
  for (const std::string& key : OwnedKeys(LibraryPath())) store.remove(QString::fromStdString(key));
  store.sync();
  return store.status() == QSettings::NoError ? S_OK : SELFREG_E_CLASS;
}

PORTWRIGHT_API HRESULT DllGetClassObject(const char* clsid, const char* iid, void** factory) {
  if (!factory) return E_POINTER;
  *factory = nullptr;
  if (!clsid || !iid) return E_POINTER;
  if (!SameGuid(clsid, kClsidModbusAtl)) return CLASS_E_CLASSNOTAVAILABLE;
  if (!SameGuid(iid, kIidIClassFactory)) return E_NOINTERFACE;
  static ClassFactory classFactory;
  *factory = static_cast<IClassFactory*>(&classFactory);
  return S_OK;
}

PORTWRIGHT_API HRESULT DllCanUnloadNow(void) {
  return liveObjects.load() == 0 && serverLocks.load() == 0 ? S_OK : S_FALSE;
}

}  // extern "C"
