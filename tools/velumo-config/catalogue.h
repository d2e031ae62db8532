// The drive database for velumo-config: the parameter catalogue of one amplifier and revision
// (loaded by the program's ParamCatalog) and the model and motor names of a drive.
#pragma once

#include <QSqlDatabase>
#include <QString>

#include "params/param_catalog.h"

namespace basFunctions {
class ValueTable;
}

namespace vmconfig {

class Database {
 public:
  // Opens the database read-only; ToolError(kExitLocal) when it is missing or unreadable.
  explicit Database(const QString& path);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // The amplifier's name ("KDA-1K") when the database has its parameter set for this
  // revision; empty for a drive model that is not supported.
  QString ModelName(int ampCode, int revision) const;
  // The motor's description ("21 - 1KW, Low Inertia"); empty when unknown.
  QString MotorName(int ampCode, int revision, int motorCode) const;
  // Loads the set of one amplifier and revision, as the program opens a file for it.
  void LoadCatalog(int ampCode, int revision, const basFunctions::ValueTable& config,
                   basFunctions::ParamCatalog& catalog) const;

 private:
  QString connection_;
};

// The database beside the program: <folder of this executable>/Data/VM.vmd.
QString DefaultDatabasePath();

// The configuration a catalogue starts from: every loaded parameter at its default (raw).
void FillDefaults(const basFunctions::ParamCatalog& catalog, basFunctions::ValueTable& config);

}  // namespace vmconfig
