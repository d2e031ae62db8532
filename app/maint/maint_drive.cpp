#include "maint/maint_drive.h"

#include <QMap>
#include <cstdlib>

#include "core/database.h"
#include "core/host.h"
#include "core/status.h"
#include "link/bas_comm.h"
#include "link/poll_groups.h"
#include "params/number_text.h"
#include "params/value_table.h"

namespace basMaint {
namespace {

using basFunctions::DriveImage;
using basFunctions::WaitaWhile;
using basFunctions::WorkingConfig;

constexpr double kSettle = 0.25;  // pause after each set-up and restore write

int32_t& working(const QString& key) {
  return WorkingConfig.byIndex(basFunctions::ParamIndexOfKey(key));
}

int32_t drive(const QString& key) { return DriveImage.byIndex(basFunctions::ParamIndexOfKey(key)); }

// Function texts of tbl7A or tbl7B by code: the number the Setting text begins with.
QMap<int, QString> functionTexts(const char* table) {
  QMap<int, QString> texts;
  const basMain::DbConnection db = basMain::ConnectDB();
  if (!db) return texts;
  QSqlQuery query = db.query();
  if (!query.exec(QStringLiteral("SELECT Setting FROM %1").arg(QLatin1String(table)))) return texts;
  while (query.next()) {
    const QString setting = query.value(0).toString();
    texts.insert(static_cast<int>(number_text::LeadingNumber(setting.left(2))), setting);
  }
  return texts;
}

QString pointLabel(const char* kind, const char* table, int point, int functionCode) {
  const QString head = QStringLiteral("%1 %2 = ").arg(QLatin1String(kind)).arg(point);
  const QString text = functionTexts(table).value(functionCode);
  return head + (text.isEmpty() ? QStringLiteral("00: Unassigned") : text);
}

}  // namespace

void WriteParameter(const QString& key, int32_t value) {
  working(key) = value;
  basComm::WriteData(key, 1);
}

SavedSettings SaveDriveSettings(const MaintVariant& variant) {
  SavedSettings saved;
  saved.auxiliaryFunction = drive(QStringLiteral("230"));
  saved.servoOn = drive(QStringLiteral("251"));
  saved.inputStates = drive(QStringLiteral("407"));
  saved.commFaultAction = drive(QStringLiteral("303"));
  saved.commWatchdog = drive(QStringLiteral("304"));
  saved.inputMask = drive(QString::fromLatin1(variant.maskKey));
  return saved;
}

bool ReadyToWrite(const Abandoned& abandoned) {
  basComm::WaitUntilIdle(host::Mod1());
  // A drive lost meanwhile has been reported once; each further write would report it again.
  return basComm::DriveConnected == 1 && (!abandoned || !abandoned());
}

void ArmDrive(const Abandoned& abandoned) {
  if (drive(QStringLiteral("230")) != kAuxiliaryFunction) {
    if (!ReadyToWrite(abandoned)) return;
    WriteParameter(QStringLiteral("230"), kAuxiliaryFunction);
    WaitaWhile(kSettle);
  }
  if (drive(QStringLiteral("303")) != kCommFaultAction ||
      drive(QStringLiteral("304")) != kWatchdogSeconds) {
    working(QStringLiteral("303")) = kCommFaultAction;
    working(QStringLiteral("304")) = kWatchdogSeconds;
    if (!ReadyToWrite(abandoned)) return;
    basComm::WriteData(QStringLiteral("303"), 2);
    WaitaWhile(kSettle);
  }
}

void WriteMonitorSelectors(const Abandoned& abandoned) {
  const char* keys[drive_facts::kScopeChannels] = {"600", "612", "624"};
  for (int c = 0; c < drive_facts::kScopeChannels; ++c)
    working(QString::fromLatin1(keys[c])) = drive_facts::kMonitorSelectors[c];
  WaitaWhile(kSettle);
  for (int c = 0; c < drive_facts::kScopeChannels; ++c) {
    if (!ReadyToWrite(abandoned)) return;
    basComm::WriteData(QString::fromLatin1(keys[c]), 1, portwright::Integer,
                       static_cast<int16_t>(drive_facts::kScopeBlockAddress[c]));
    WaitaWhile(kSettle);
  }
}

bool RestoreDrive(const SavedSettings& saved, const MaintVariant& variant, bool enabledHere) {
  basComm::ConnectionStatus();
  if (basComm::DriveConnected != 1) return false;
  const auto restore = [](const QString& key, int32_t value) {
    WriteParameter(key, value);
    WaitaWhile(kSettle);
  };
  if (enabledHere) restore(QStringLiteral("251"), 0);
  restore(QString::fromLatin1(variant.maskKey), saved.inputMask);
  restore(QStringLiteral("230"), saved.auxiliaryFunction);
  restore(QStringLiteral("407"), saved.inputStates);
  working(QStringLiteral("303")) = saved.commFaultAction;
  working(QStringLiteral("304")) = saved.commWatchdog;
  basComm::WriteData(QStringLiteral("303"), 2);
  WaitaWhile(kSettle);
  // The connection may be closed next (disconnecting, quitting): the last write must have been
  // answered by then, or a drive could keep its watchdog armed and fault a few seconds later.
  basComm::WaitUntilIdle(host::Mod1());
  return basComm::DriveConnected == 1 && basFunctions::LastDoneResult == 0;
}

int FunctionCode(int32_t value) { return std::abs(value) % 100; }

bool ServoOnAssigned() {
  for (int n = 0; n < kAssignableInputs; ++n)
    if (FunctionCode(DriveImage.P(2, drive_facts::kInputFunctionFirst + n)) ==
        drive_facts::kInputFunctionServoOn)
      return true;
  return false;
}

int InputFunctionCode(const MaintVariant& variant, int input) {
  if (input <= kAssignableInputs)
    return FunctionCode(DriveImage.P(2, drive_facts::kInputFunctionFirst + input - 1));
  return drive_facts::FixedInputFunction(variant.revision, input);
}

QString InputLabel(int input, int functionCode) {
  return pointLabel("DI", "tbl7A", input, functionCode);
}

QString OutputLabel(int output, int functionCode) {
  return pointLabel("DO", "tbl7B", output, functionCode);
}

QString ControlModeText(const QString& mode) {
  static const QMap<QString, QString> texts = {
      {QStringLiteral("Pt"), QStringLiteral("Position (External Control)")},
      {QStringLiteral("Pr"), QStringLiteral("Position (Internal Control)")},
      {QStringLiteral("V"), QStringLiteral("Velocity Control (Internal / External)")},
      {QStringLiteral("Vz"), QStringLiteral("Zero Velocity (Internal Control)")}};
  return texts.value(mode);
}

QString PositionModeText(int32_t mode) {
  static const char* const texts[] = {"Absolute Position Mode",
                                      "Incremental Position Mode",
                                      "Forward Operation Search Feed Step",
                                      "Reverse Operation Search Feed Step",
                                      "Short-Pass Search Feed Step",
                                      "Absolute Auto Position Mode",
                                      "Incremental Auto Position Mode"};
  return mode >= 0 && mode <= 6 ? QString::fromLatin1(texts[mode]) : QString();
}

}  // namespace basMaint
