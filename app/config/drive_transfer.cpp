#include "config/drive_transfer.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QTimer>
#include <cmath>
#include <optional>

#include "config/config_io.h"
#include "config/frm_x_mode.h"
#include "core/app_state.h"
#include "core/host.h"
#include "core/logs.h"
#include "core/main_window_access.h"
#include "core/prompt.h"
#include "core/status.h"
#include "drive_facts.h"
#include "editor/frm_tab_config.h"
#include "editor/param_editor.h"
#include "link/bas_comm.h"
#include "link/frm_comm_settings.h"
#include "params/drive_identity.h"
#include "params/number_text.h"
#include "params/param_catalog.h"
#include "params/param_value.h"
#include "params/transfer_plan.h"
#include "params/value_table.h"

namespace basFunctions {
namespace {

using portwright::IModbusAtl;
using prompt::Buttons;
using prompt::Icon;

// Counts the control's Done events while it lives (a second sink beside the main window's).
class DoneWatcher : public portwright::_IModbusAtlEvents {
 public:
  DoneWatcher() : mod1_(host::Mod1()) { cookie_ = mod1_.Advise(this); }
  ~DoneWatcher() override {
    try {
      mod1_.Unadvise(cookie_);
    } catch (const std::exception&) {
      // The control is going away; nothing is left to detach from.
    }
  }
  void Done(int16_t result) override {
    ++count_;
    last_ = result;
  }
  void OnPoll(int16_t, int16_t, portwright::VARIANT_BOOL) override {}
  unsigned count() const { return count_; }
  int16_t last() const { return last_; }

 private:
  IModbusAtl& mod1_;
  uint32_t cookie_ = 0;
  unsigned count_ = 0;
  int16_t last_ = 0;
};

bool busy(IModbusAtl& mod1) { return mod1.IsBusy() != portwright::VARIANT_FALSE; }

// A short wait that keeps the control's events coming; not one of the program's pacing pauses.
void dispatchFor(int milliseconds) {
  QEventLoop loop;
  QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
  loop.exec();
}

// Waits until the transaction started after `before` has answered, or the control is idle
// with nothing in flight, or its reply time-out and a margin have passed.
WriteResult awaitAnswer(const DoneWatcher& watcher, unsigned before) {
  IModbusAtl& mod1 = host::Mod1();
  QElapsedTimer waited;
  waited.start();
  const qint64 limit = mod1.get_MsgTimeOut() + 1000;
  while (watcher.count() == before && busy(mod1) && waited.elapsed() < limit) dispatchFor(5);
  if (watcher.count() == before) dispatchFor(0);  // a Done already queued
  WriteResult answer;
  answer.answered = watcher.count() != before;
  answer.result = watcher.last();
  return answer;
}

void waitUntilIdle() { basComm::WaitUntilIdle(host::Mod1()); }

DoneWatcher* g_watcher = nullptr;  // the download's watcher while it runs

const QString kCr = QStringLiteral("\r");

bool maintenanceScreenOpen() {
  if (!FormIsOpen(QStringLiteral("frmMaintenance")) &&
      !FormIsOpen(QStringLiteral("frmMaintenance_210")))
    return false;
  prompt::MsgBox(QStringLiteral("This feature is not available when the Maintenance Screen is "
                                "open."),
                 Buttons::OK, Icon::Exclamation, QStringLiteral("Feature Not Available"));
  return true;
}

void clearResetFlags() {
  basMain::ResetNeeded101 = false;
  basMain::ResetNeeded133 = false;
}

void showEditor() {
  if (frmTabConfig* editor = frmTabConfig::instance()) editor->ShowWindow();
  basMain::EditorTag = QStringLiteral("1");
}

// The drive's firmware revision and amplifier as it reports them now (P0.00, P1.31). Right
// after a connection (the express-writes question offers an upload at once) the polls may not
// have brought them yet, and the polled image still holds zeros or another drive's values.
struct DriveModel {
  int revision = 0;
  int16_t ampCode = 0;
};
bool readDriveModel(DriveModel& model, QString& reason) {
  ValueTable identity;
  if (!ReadDriveConfiguration(identity, {0, 31, 0, 0, 0}, reason)) return false;
  model.revision = identity.P(0, 0) / 10;  // 2101 -> 210
  model.ampCode = static_cast<int16_t>(drive_facts::AmpCodeOfMotor(identity.P(1, 31)));
  drive_facts::GroupLimits limits{};
  if (model.ampCode != 0 && drive_facts::GroupLimitsFor(model.revision, limits)) return true;
  reason = "the drive reports firmware " + QString::number(identity.P(0, 0)) + " and motor code " +
           QString::number(identity.P(1, 31)) + ", which this program does not know";
  return false;
}

// Takes what the drive holds now into a backup file; asks whether to go on without one when
// that fails. False when the user stops the download.
bool backUpBeforeWriting(DownloadOutcome& outcome) {
  QString reason;
  outcome.backupPath = BackupDrive(reason);
  if (!outcome.backupPath.isEmpty()) {
    Status(0, 0, "Drive settings saved to " + outcome.backupPath + " before the download");
    EventLog("Saved the drive's settings to " + outcome.backupPath + " before the download");
    return true;
  }
  EventLog("Could not save the drive's settings before the download: " + reason);
  return prompt::MsgBox("The settings now in the drive could not be saved as a backup (" + reason +
                            ")." + kCr + "Do you want to download without a backup?",
                        Buttons::YesNo, Icon::Exclamation, QStringLiteral("Backup Failed"),
                        2) == prompt::Yes;
}

// The numeric value of the editor's field of row k, or the display value without an editor.
transfer_plan::ShownValue shownValues() {
  frmTabConfig* editor = frmTabConfig::instance();
  const transfer_plan::ShownValue display = transfer_plan::DisplayValues(WorkingConfig, Catalog);
  return [editor, display](int index) {
    if (editor && editor->txtP(index))
      return number_text::LeadingNumber(editor->txtP(index)->text());
    return display(index);
  };
}

void writePlanned(const QList<transfer_plan::Planned>& plan, DownloadOutcome& outcome) {
  DoneWatcher watcher;
  g_watcher = &watcher;
  for (const transfer_plan::Planned& step : plan) {
    // A lost connection ends the writes: the rest cannot reach the drive.
    if (basComm::DriveConnected != 1) {
      if (step.step == transfer_plan::Step::Write) outcome.failed << step.index;
      continue;
    }
    if (step.step == transfer_plan::Step::Write) {
      // A value its register cannot take is never sent as another value.
      const int32_t raw = WorkingConfig.byIndex(step.index);
      const param_value::Verdict verdict = param_value::Check(step.index, Catalog[step.index], raw);
      if (verdict != param_value::Verdict::Fits) {
        outcome.failed << step.index;
        ErrorLog(QStringLiteral("frmMain, mnuDownload_Click"), QStringLiteral("Program"), 0,
                 ParamLabel(step.key) + " was not written: " + QString::number(raw) + " (" +
                     param_value::ReasonText(step.index, Catalog[step.index], verdict) + ")");
        Status(1, step.progress(), QString());
        continue;
      }
      const WriteResult write = WriteConfirmed(step.key, 0.4);
      if (write.reached()) {
        ++outcome.written;
      } else {
        outcome.failed << step.index;
        ErrorLog(QStringLiteral("frmMain, mnuDownload_Click"), QStringLiteral("Communication"),
                 write.result, ParamLabel(step.key) + " was not written: " + FailureText(write));
      }
    } else if (step.pauses()) {
      WaitaWhile(0.4);
    }
    Status(1, step.progress(), QString());
  }
  g_watcher = nullptr;
}

// The status list and the event log name every parameter; the message box the first ones.
void reportFailedWrites(const DownloadOutcome& outcome) {
  constexpr int kNamedInBox = 20;
  const qsizetype failed = outcome.failed.size();
  const QString count = QString::number(failed);
  const QString names = transfer_plan::Labels(outcome.failed);
  Status(0, 0, count + " parameter(s) did not reach the drive: " + names);
  EventLog("Download incomplete: " + count + " parameter(s) did not reach the drive: " + names);
  QString shown = transfer_plan::Labels(outcome.failed.mid(0, kNamedInBox));
  if (failed > kNamedInBox)
    shown += " and " + QString::number(failed - kNamedInBox) + " more (see the status list)";
  prompt::MsgBox(count + " parameter(s) did not reach the drive:" + kCr + shown + kCr +
                     "Check the connection and download again.",
                 Buttons::OK, Icon::Exclamation, QStringLiteral("Download Incomplete"));
}

// An upload whose reads failed: the configuration in memory is left as it was, and the
// technician is told that it is not the drive's.
void uploadFailed(const QString& reason) {
  mainWindow::SetNormalPointer();
  Status(0, 0, "Upload Operation Stopped: " + reason);
  EventLog("Upload stopped: " + reason);
  prompt::MsgBox("The drive's configuration could not be read (" + reason + ")." + kCr +
                     "Check the connection and upload again.",
                 Buttons::OK, Icon::Exclamation, QStringLiteral("Upload Failed"));
  clearResetFlags();
}

std::array<int16_t, 5> limitsOf(int revision) {
  drive_facts::GroupLimits limits{};
  std::array<int16_t, 5> result{};
  if (drive_facts::GroupLimitsFor(revision, limits))
    for (size_t g = 0; g < result.size(); ++g) result[g] = static_cast<int16_t>(limits.last[g]);
  return result;
}

// P1.01 or P1.33 changed by the user, or different in the drive from what is downloaded.
bool resetNeeded() {
  return basMain::ResetNeeded101 || basMain::ResetNeeded133 ||
         DriveImage.P(1, 1) != WorkingConfig.P(1, 1) ||
         DriveImage.P(1, 33) != WorkingConfig.P(1, 33);
}

}  // namespace

WriteResult WriteConfirmed(const QString& key, double pause) {
  std::optional<DoneWatcher> own;
  const DoneWatcher* watcher = g_watcher;
  if (!watcher) watcher = &own.emplace();
  const unsigned before = watcher->count();
  basComm::WriteData(key, 1, portwright::Integer, 0);
  WaitaWhile(pause);
  return awaitAnswer(*watcher, before);
}

QString FailureText(const WriteResult& write) {
  return write.answered ? "result " + QString::number(write.result) : QStringLiteral("no answer");
}

bool ReadDriveConfiguration(ValueTable& into, const std::array<int16_t, 5>& limits,
                            QString& reason) {
  DoneWatcher watcher;
  IModbusAtl& mod1 = host::Mod1();
  for (const transfer_plan::Block& block : transfer_plan::BackupBlocks(limits)) {
    waitUntilIdle();
    const unsigned before = watcher.count();
    basComm::ReadData(0, block.words, portwright::Integer, basComm::DriveNodeAddress, block.address,
                      portwright::ReadHoldingReg);
    const WriteResult read = awaitAnswer(watcher, before);
    if (!read.reached()) {
      reason = "reading group " + QString::number(block.group) + ": " + FailureText(read);
      return false;
    }
    for (int i = 0; i < block.words; ++i)
      into.P(block.group, i) = mod1.get_Data(static_cast<int16_t>(i));
  }
  return true;
}

QString BackupDrive(QString& reason) {
  if (basComm::DriveConnected != 1) {
    reason = QStringLiteral("no drive connected");
    return {};
  }
  ValueTable drive;
  if (!ReadDriveConfiguration(drive, GroupLimit, reason)) return {};
  param_value::ReadAsRegisters(drive, Catalog);
  const QString folder = host::ProgramFolder() + "/" + transfer_plan::kBackupFolder;
  if (!QDir().mkpath(folder)) {
    reason = "cannot create " + folder;
    return {};
  }
  const QString path = transfer_plan::FreeBackupPath(folder, QDateTime::currentDateTime());
  if (!WriteConfigFile(path, drive, GroupLimit, reason)) return {};
  return path;
}

bool Upload() {
  if (maintenanceScreenOpen()) return false;
  if (!UnsavedChangesPrompt()) return false;
  if (basComm::DriveConnected != 1) {
    prompt::MsgBox(QStringLiteral("You do not appear to be connected. Please connect and try "
                                  "again."),
                   Buttons::OK, Icon::Exclamation, QStringLiteral(" Connection Needed"));
    clearResetFlags();
    return false;
  }
  if (prompt::MsgBox(QStringLiteral("Any configuration information loaded in PC memory will be "
                                    "overwritten. Do you wish to proceed?"),
                     Buttons::YesNo, Icon::Question,
                     QStringLiteral("Verification Required")) != prompt::Yes) {
    mainWindow::EnableMainTimer(true);
    clearResetFlags();
    return false;
  }
  frmXMode::CloseIfOpen();
  mainWindow::SetBusyPointer();
  EventLog(QStringLiteral("Upload Started"));
  Status(1, 10, QStringLiteral("Upload Operation Started"));
  // What the drive holds now, read in block reads before anything in memory changes: a poll
  // cycle may be a second old, or not have come yet.
  DriveModel model;
  ValueTable drive = DriveImage;
  QString reason;
  if (!readDriveModel(model, reason) ||
      !ReadDriveConfiguration(drive, limitsOf(model.revision), reason)) {
    uploadFailed(reason);
    return false;
  }
  const int revision = model.revision;
  getParamData(frmTabConfig::instance(), QStringLiteral("qryTabParams"), model.ampCode, revision);
  ConfigIdentity.revision = QString::number(revision);
  SetParamMax();
  Status(1, 40, QString());
  WaitaWhile(0.25);
  Status(1, 90, QString());
  WaitaWhile(0.25);
  Status(1, 110, QString());
  param_value::ReadAsRegisters(drive, Catalog);
  transfer_plan::UploadCopy(drive, WorkingConfig);
  Status(1, 150, QString());
  LoadTab(frmTabConfig::instance());
  // The drive's configuration belongs to no file until it is saved, and nothing of it is
  // unsaved work yet: the drive holds it.
  ForgetConfigFile();
  basMain::ConfigDirty = false;
  Status(0, 0, QStringLiteral("Upload Operation Complete"));
  showEditor();
  mainWindow::SetNormalPointer();
  EventLog(QStringLiteral("Upload Completed"));
  if (basMain::ExpressWritesOption) {
    basMain::ExpressActive = true;
    Status(0, 0, QStringLiteral("Express Write Functionality is Enabled."));
  }
  clearResetFlags();
  return true;
}

DownloadOutcome Download() {
  DownloadOutcome outcome;
  if (maintenanceScreenOpen()) return outcome;
  if (!ConfirmEditorFields()) return outcome;
  frmXMode::CloseIfOpen();
  if (basComm::DriveConnected != 1) {
    if (prompt::MsgBox(
            "You don't appear to be connected to a drive." + kCr + "Would you like to connect now?",
            Buttons::YesNo, Icon::Critical, QStringLiteral("No Connection Present")) == prompt::Yes)
      frmCommSettings::Display();
    return outcome;
  }
  const bool confirmed =
      prompt::MsgBox("The setup in the Velumo drive is about to be overwritten!" + kCr +
                         "Are you sure you want to continue?",
                     Buttons::YesNo, Icon::Exclamation,
                     QStringLiteral("Confirm Download")) == prompt::Yes;
  if (confirmed) {
    if (resetNeeded())
      prompt::MsgBox("Parameter 1.01 and/or P1.33 has been changed." + kCr +
                         "You will need to reset the Servo for the changes to take effect.",
                     Buttons::OK, Icon::Information, QStringLiteral("Servo Reset Needed"));
    mainWindow::SetBusyPointer();
    Status(1, 100, QStringLiteral("Starting Download Operation"));
    EventLog(QStringLiteral("Began download operation"));
    if (backUpBeforeWriting(outcome)) {
      writePlanned(transfer_plan::DownloadPlan(Catalog, GroupLimit, shownValues()), outcome);
      outcome.ran = true;
      Status(0, 0, QStringLiteral("Download Operation Complete"));
      EventLog(QStringLiteral("Completed download operation"));
      if (!outcome.failed.isEmpty()) reportFailedWrites(outcome);
    } else {
      Status(0, 0, QStringLiteral("Download Operation Stopped"));
      EventLog(QStringLiteral("Download stopped: no backup of the drive"));
    }
  }
  clearResetFlags();
  mainWindow::SetNormalPointer();
  return outcome;
}

}  // namespace basFunctions
