#include "portwright/store.h"

#include "store_location.h"

namespace portwright {

// One QSettings per call: the tools and the control may use the store from any thread.

std::string StorePath() { return StoreFilePath().toStdString(); }

std::string StoreValue(const std::string& key, const std::string& fallback) {
  QSettings store = OpenStore();
  const QVariant value = store.value(QString::fromStdString(key));
  return value.isValid() ? value.toString().toStdString() : fallback;
}

void SetStoreValue(const std::string& key, const std::string& value) {
  QSettings store = OpenStore();
  store.setValue(QString::fromStdString(key), QString::fromStdString(value));
  store.sync();
}

void RemoveStoreKey(const std::string& key) {
  QSettings store = OpenStore();
  store.remove(QString::fromStdString(key));
  store.sync();
}

}  // namespace portwright
