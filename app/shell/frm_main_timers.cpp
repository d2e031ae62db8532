// frmMain: the two status timers. They only read values already in memory (DriveImage,
// WorkingConfig, the shared flags); the drive itself is read by the control's polling.
#include <QAction>
#include <QLabel>
#include <QTimer>

#include "core/app_state.h"
#include "core/logs.h"
#include "core/pictures.h"
#include "editor/frm_tab_config.h"
#include "link/bas_comm.h"
#include "link/poll_groups.h"
#include "params/conversions.h"
#include "params/drive_identity.h"
#include "params/value_table.h"
#include "scope/scope_capture.h"
#include "shell/drive_status_texts.h"
#include "shell/frm_main.h"
#include "tuning/tuning_model.h"

using basFunctions::DriveImage;
using basFunctions::guarded;
using basFunctions::WorkingConfig;

namespace {

// Motor code P1.31 -> amplifier code, 0 for a motor code no amplifier is known for: a code
// kept from an earlier drive or configuration would describe hardware that is not there.
void updateAmpCode(int16_t& ampCode, int32_t motorCode) {
  ampCode = motorCode < -32768 || motorCode > 32767
                ? 0
                : basComm::GetAmpCode(static_cast<int16_t>(motorCode));
}

bool driveOnLine() {
  return basFunctions::InitComplete && DriveImage.P(1, 31) != 0 && DriveImage.P(0, 0) != 0 &&
         basComm::DriveConnected == 1;
}

// The editor's P0.00 field against the drive's firmware, and the two amplifier texts. A drive
// whose amplifier is unknown matches no configuration.
bool configMatchesDrive() {
  const auto& identity = basFunctions::DriveIdentity;
  return basMain::EditorFirmwareText.left(3) == identity.firmware.left(3) &&
         !identity.driveAmp.isEmpty() && identity.configAmp == identity.driveAmp;
}

// A live fault code the program has no text for goes into the event log once, with its
// number, so that a support reader of the logs sees what the drive reported.
void logUnknownFaultCode(int32_t code) {
  static int32_t logged = 0;
  if (code == logged) return;
  logged = code;
  if (!basMain::IsKnownFaultCode(code))
    basFunctions::EventLog(QStringLiteral("Drive reports fault code %1, unknown to the program")
                               .arg(basMain::FaultCodeNumber(code)));
}

bool scopeCapturing() {
  const basScope::ScopeCapture* capture = basScope::ScopeCapture::Active();
  return capture && capture->Running;
}

}  // namespace

void frmMain::tmrMain_Timer() {
  guarded("frmMain, tmrMain", [&] {
    if (driveOnLine()) {
      panels_[2]->setText(basMain::DriveStatusText(DriveImage.P(0, 1)));
      logUnknownFaultCode(DriveImage.P(0, 1));
      updateAmpCode(basFunctions::ConnectedAmpCode, DriveImage.P(1, 31));
      setToolbarButtonEnabled(11, false);
      setToolbarButtonEnabled(12, false);
      setToolbarButtonEnabled(13, true);
      setToolbarButtonEnabled(15, true);
      if (basMain::EditorTag == QLatin1String("1")) {
        const bool match = configMatchesDrive();
        setToolbarButtonEnabled(16, match);
        setCommandEnabled(QStringLiteral("mnuDownload"), match);
      }
      for (int index : {5, 8, 9}) setToolbarButtonEnabled(index, true);
      for (const char* name : {"mnuAutoDetect", "mnuConnect"}) setCommandEnabled(name, false);
      for (const char* name :
           {"mnuUpload", "mnuDisconnect", "mnuMaint", "mnuScope", "mnuTuning", "mnuFaults"})
        setCommandEnabled(name, true);
      // A running scope capture owns the line: upload and download wait for it to end.
      if (scopeCapturing()) {
        setCommandEnabled(QStringLiteral("mnuUpload"), false);
        setCommandEnabled(QStringLiteral("mnuDownload"), false);
        setToolbarButtonEnabled(15, false);
        setToolbarButtonEnabled(16, false);
      }
    } else {
      panels_[2]->setText(QStringLiteral("Drive Status - Offline"));
      logUnknownFaultCode(0);
      // The tuning window takes its revert snapshot again once a drive answers.
      basTuning::RevertSnapshot[basTuning::kSnapshotRefreshes] = 0;
      setToolbarButtonEnabled(11, true);
      setToolbarButtonEnabled(12, true);
      for (int index : {13, 15, 16, 5, 8, 9}) setToolbarButtonEnabled(index, false);
      for (const char* name : {"mnuAutoDetect", "mnuConnect"}) setCommandEnabled(name, true);
      for (const char* name :
           {"mnuDisconnect", "mnuUpload", "mnuMaint", "mnuScope", "mnuTuning", "mnuFaults"})
        setCommandEnabled(name, false);
    }
    updateAmpCode(basFunctions::ConfigAmpCode, WorkingConfig.P(1, 31));
    if (WorkingConfig.P(4, 6) < 1) {
      panels_[3]->setText(QString(30, QChar(' ')));
    } else {
      panels_[3]->show();
      panels_[3]->setText(QStringLiteral(" Digital Output Forces Exist  "));
    }
    const bool configLoaded = WorkingConfig.P(0, 0) > 0;
    setCommandEnabled(QStringLiteral("mnuSave"), configLoaded);
    setCommandEnabled(QStringLiteral("mnuSaveAs"), configLoaded);
    setToolbarButtonEnabled(3, configLoaded);
    if (!configLoaded) {
      setToolbarButtonEnabled(16, false);
      setCommandEnabled(QStringLiteral("mnuDownload"), false);
    }
    const bool havePath = !basMain::CurrentConfigPath.isEmpty();
    setCommandEnabled(QStringLiteral("mnuPrintConfig"), havePath);
    setCommandEnabled(QStringLiteral("mnuCompare"), havePath);
    lblAlerts_->setText(
        basMain::ExpressActive
            ? QStringLiteral(
                  "Express Writes Functionality is Enabled, Ctrl-Enter to Write to Servo")
            : QStringLiteral("  "));
    if (frmTabConfig* editor = frmTabConfig::instance()) editor->SetXWrites(basMain::ExpressActive);
  });
}

void frmMain::tmrMain2Sec_Timer() {
  guarded("frmMain, tmrMain2Sec", [&] {
    if (basComm::DriveConnected != 1) {
      panels_[1]->setText(QStringLiteral("Not connected "));
      panels_[4]->setText(QStringLiteral("Off-Line"));
      setStatusIcon(false);
    } else {
      panels_[4]->setText(QStringLiteral("On-Line"));
      setStatusIcon(true);
      basFunctions::GetDriveType();
      const auto& identity = basFunctions::DriveIdentity;
      if (DriveImage.P(1, 31) != 0 && DriveImage.P(0, 0) != 0) {
        if (basMain::EditorTag == QLatin1String("1") && !configMatchesDrive())
          panels_[1]->setText(
              QStringLiteral("Drive Model Mis-Match Between Config and Connected Drive"));
        else
          panels_[1]->setText("Connected to: " + identity.driveAmp + ", rev " +
                              identity.firmwareLong + " with " + identity.driveMotor + " motor.");
      } else {
        panels_[1]->setText(QStringLiteral("Retrieving Drive Information"));
      }
      int16_t statusWord = static_cast<int16_t>(DriveImage.P(6, 37));
      basMain::StatusBits = basFunctions::ConvertToBin(statusWord, 8);
      basMain::StatusBit2 = basMain::StatusBits.mid(5, 1).toShort();
      basMain::SoftwareOutputControl = basMain::StatusBits.mid(6, 1).toShort();
      basMain::StatusBit0 = basMain::StatusBits.mid(7, 1).toShort();
    }
    if (!basMain::ConfigDirty)
      setWindowTitle(basMain::MainCaption(basMain::CurrentConfigTitle));
    else if (!windowTitle().endsWith(QLatin1Char('*')))
      setWindowTitle(windowTitle() + " *");
  });
}
