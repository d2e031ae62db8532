#include "maint/maint_record.h"

#include <QStringList>

#include "core/host.h"
#include "core/logs.h"
#include "core/prompt.h"
#include "core/settings_store.h"
#include "core/status.h"
#include "link/bas_comm.h"
#include "link/poll_groups.h"
#include "maint/maint_variant.h"
#include "params/value_table.h"

namespace basMaint {
namespace {

const QString kSection = QStringLiteral("Maintenance Restore");

QString driveKey() {
  return QStringLiteral("COM%1 node %2 model %3 firmware %4")
      .arg(static_cast<int>(host::Mod1().get_ComPort()) + 1)  // COM1 is 0
      .arg(basComm::DriveNodeAddress)
      .arg(basFunctions::DriveImage.P(1, 31))
      .arg(basFunctions::DriveImage.P(0, 0));
}

// "P2.30=2 P2.51=0 P4.07=64 P3.03=0 P3.04=0 mask=64"
QString recordText(const SavedSettings& saved) {
  return QStringLiteral("P2.30=%1 P2.51=%2 P4.07=%3 P3.03=%4 P3.04=%5 mask=%6")
      .arg(saved.auxiliaryFunction)
      .arg(saved.servoOn)
      .arg(saved.inputStates)
      .arg(saved.commFaultAction)
      .arg(saved.commWatchdog)
      .arg(saved.inputMask);
}

std::optional<SavedSettings> parseRecord(const QString& text) {
  const QStringList fields = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
  if (fields.size() != 6) return std::nullopt;
  int32_t values[6] = {};
  for (int i = 0; i < 6; ++i) {
    bool ok = false;
    values[i] = fields[i].section(QLatin1Char('='), 1).toInt(&ok);
    if (!ok) return std::nullopt;
  }
  return SavedSettings{values[0], values[1], values[2], values[3], values[4], values[5]};
}

}  // namespace

void RecordSavedSettings(const SavedSettings& saved) {
  basRUF::SaveSetting(kSection, driveKey(), recordText(saved));
}

void ClearSavedSettingsRecord() { basRUF::DeleteSetting(kSection, driveKey()); }

std::optional<SavedSettings> LeftoverRecord() {
  const QString text = basRUF::GetSetting(kSection, driveKey());
  return text.isEmpty() ? std::nullopt : parseRecord(text);
}

void OfferLeftoverRestore() {
  basFunctions::guarded("basMaint, OfferLeftoverRestore()", [] {
    if (basComm::DriveConnected != 1 ||
        basFunctions::FormIsOpen(QStringLiteral("frmMaintenance")) ||
        basFunctions::FormIsOpen(QStringLiteral("frmMaintenance_210")))
      return;
    const std::optional<SavedSettings> saved = LeftoverRecord();
    if (!saved) return;
    basFunctions::EventLog(QStringLiteral("Maintenance settings left in the drive: ") +
                           recordText(*saved));
    const bool restore =
        prompt::MsgBox(
            QStringLiteral("The last maintenance session on this drive ended without putting "
                           "the drive back (the program was ended while the Maintenance screen "
                           "was open).") +
                "\r" +
                "The drive may still hold P2.30 = 5, its communication watchdog (P3.03, P3.04) "
                "and inputs under software control." +
                "\r\r" + "Would you like to put back the settings it held before?",
            prompt::Buttons::YesNo, prompt::Icon::Exclamation,
            QStringLiteral("Maintenance Settings Left In Drive")) == prompt::Yes;
    if (!restore) {
      ClearSavedSettingsRecord();
      basFunctions::EventLog(QStringLiteral("Maintenance settings left in the drive as they are"));
      return;
    }
    const MaintVariant& variant = VariantForFirmware(basFunctions::DriveFirmwareNumber());
    basComm::SendLogonCommand(1);
    const bool enabledHere = basFunctions::DriveImage.P(2, 51) != saved->servoOn;
    if (RestoreDrive(*saved, variant, enabledHere)) {
      ClearSavedSettingsRecord();
      basFunctions::EventLog(QStringLiteral("Maintenance settings left in the drive put back"));
      basFunctions::Status(
          0, 0, QStringLiteral("The drive's settings from before maintenance were put back"));
    }
  });
}

}  // namespace basMaint
