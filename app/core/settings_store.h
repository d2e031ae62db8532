// The per-user settings store (QSettings, application "Velumo Pro"): the recent-files list
// keeps its paths there (config/bas_ruf.h), the maintenance screen its restore record.
#pragma once

#include <QString>

namespace basRUF {

QString GetSetting(const QString& section, const QString& key, const QString& fallback = {});
void SaveSetting(const QString& section, const QString& key, const QString& value);
void DeleteSetting(const QString& section, const QString& key);

}  // namespace basRUF
