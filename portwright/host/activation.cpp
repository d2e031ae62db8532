#include "portwright/activation.h"

#include <dlfcn.h>

#include <QFileInfo>

#include "store_location.h"

namespace portwright {

namespace {

using GetClassObjectFn = HRESULT (*)(const char*, const char*, void**);
using RegisterFn = HRESULT (*)();

void SetError(std::string* error, const std::string& text) {
  if (error) *error = text;
}

// The component stays loaded for the rest of the process once loaded: controls created from
// it may live until the end.
void* LoadLibrary(const std::string& path, std::string* error) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) SetError(error, std::string("Cannot load ") + path + ": " + dlerror());
  return handle;
}

// A bare file name would send dlopen to the library search path: name the file itself.
std::string LibraryFile(const std::string& path) {
  const QFileInfo file(QString::fromStdString(path));
  return file.exists() ? file.absoluteFilePath().toStdString() : path;
}

HRESULT CallEntry(const std::string& path, const char* entry, std::string* error) {
  void* handle = LoadLibrary(LibraryFile(path), error);
  if (!handle) return E_FAIL;
  auto fn = reinterpret_cast<RegisterFn>(dlsym(handle, entry));
  if (!fn) {
    SetError(error, std::string(entry) + " not found in " + path);
    return E_FAIL;
  }
  const HRESULT hr = fn();
  if (hr != S_OK) SetError(error, std::string(entry) + " failed in " + path);
  return hr;
}

}  // namespace

std::string RegisteredLibrary(const std::string& clsid) {
  QSettings store = OpenStore();
  const QString key = QStringLiteral("CLSID/%1/InprocServer32").arg(QString::fromStdString(clsid));
  return store.value(key).toString().toStdString();
}

IModbusAtl* CreateControl(std::string* error, const std::string& clsid) {
  const std::string path = RegisteredLibrary(clsid);
  if (path.empty()) {
    SetError(error, "Class not registered: " + clsid);
    return nullptr;
  }
  void* handle = LoadLibrary(path, error);
  if (!handle) return nullptr;
  auto getClassObject = reinterpret_cast<GetClassObjectFn>(dlsym(handle, "DllGetClassObject"));
  if (!getClassObject) {
    SetError(error, "DllGetClassObject not found in " + path);
    return nullptr;
  }
  void* factoryPointer = nullptr;
  if (getClassObject(clsid.c_str(), kIidIClassFactory, &factoryPointer) != S_OK) {
    SetError(error, "No class factory for " + clsid + " in " + path);
    return nullptr;
  }
  IModbusAtl* control = nullptr;
  auto* factory = static_cast<IClassFactory*>(factoryPointer);
  if (factory->CreateInstance(&control) != S_OK || !control) {
    SetError(error, "The class factory could not create the control");
    return nullptr;
  }
  return control;
}

HRESULT RegisterLibrary(const std::string& libraryPath, std::string* error) {
  return CallEntry(libraryPath, "DllRegisterServer", error);
}

HRESULT UnregisterLibrary(const std::string& libraryPath, std::string* error) {
  return CallEntry(libraryPath, "DllUnregisterServer", error);
}

// The registration follows the running program: a build tree registered earlier or an older
// install is replaced by the library beside it. Without a library beside it, any existing
// registered file is kept.
HRESULT EnsureRegistered(const std::string& libraryPath, std::string* error) {
  const QFileInfo registered(QString::fromStdString(RegisteredLibrary()));
  const QFileInfo beside(QString::fromStdString(libraryPath));
  const bool registeredExists = !registered.filePath().isEmpty() && registered.exists();
  if (registeredExists &&
      (!beside.exists() || registered.canonicalFilePath() == beside.canonicalFilePath()))
    return S_OK;
  return RegisterLibrary(libraryPath, error);
}

IModbusAtl* CreateControlWithRegistration(const std::string& clsid, const std::string& libraryPath,
                                          std::string* error) {
  if (EnsureRegistered(libraryPath, error) != S_OK) return nullptr;
  return CreateControl(error, clsid);
}

}  // namespace portwright
