// Where the component store lives. Shared by the component and by the host library, which
// reads the store without loading the component.
#pragma once

#include <QSettings>
#include <QStandardPaths>
#include <QString>

namespace portwright {

// <config dir>/Portwright/Portwright.ini; the config dir follows XDG_CONFIG_HOME.
inline QString StoreFilePath() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/Portwright/Portwright.ini");
}

inline QSettings OpenStore() { return QSettings(StoreFilePath(), QSettings::IniFormat); }

}  // namespace portwright
