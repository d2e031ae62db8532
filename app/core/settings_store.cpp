#include "core/settings_store.h"

#include <QSettings>

namespace basRUF {
namespace {

QSettings openStore() {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Velumo Pro"),
                   QStringLiteral("Velumo Pro"));
}

}  // namespace

QString GetSetting(const QString& section, const QString& key, const QString& fallback) {
  const QSettings store = openStore();
  return store.value(section + "/" + key, fallback).toString();
}

void SaveSetting(const QString& section, const QString& key, const QString& value) {
  QSettings store = openStore();
  store.setValue(section + "/" + key, value);
  store.sync();
}

void DeleteSetting(const QString& section, const QString& key) {
  QSettings store = openStore();
  store.remove(section + "/" + key);
  store.sync();
}

}  // namespace basRUF
