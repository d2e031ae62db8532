// frmMain: the drive history commands of the File menu: the Drive History window, the
// three-way compare and the commissioning report (PDF or CSV).
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include "config/drive_transfer.h"
#include "core/app_state.h"
#include "core/host.h"
#include "core/logs.h"
#include "core/main_window_access.h"
#include "core/prompt.h"
#include "core/status.h"
#include "drive_facts.h"
#include "editor/param_editor.h"
#include "history/drive_sets.h"
#include "history/frm_compare3.h"
#include "history/frm_drive_history.h"
#include "link/bas_comm.h"
#include "link/write_journal.h"
#include "params/commissioning_report.h"
#include "params/drive_identity.h"
#include "params/journal_store.h"
#include "params/param_catalog.h"
#include "params/param_value.h"
#include "params/report_pdf.h"
#include "params/value_table.h"
#include "shell/frm_main.h"

#ifndef VELUMO_VERSION
#error "VELUMO_VERSION must give the program's major.minor.revision"
#endif

namespace {

using basFunctions::Catalog;

const QString kReportTitle = QStringLiteral("Commissioning Report");
constexpr int kFlushMs = 1000;

// What the report is made of: the connected drive read anew (its identity, its set), or,
// without a drive, the working configuration.
struct Gathered {
  journal::DriveId drive;
  QString motorText;
  QString source;
  basFunctions::ValueTable config;
  const basFunctions::ParamCatalog* catalog = &Catalog;
  std::array<int16_t, 5> limits{};
  QList<journal::Entry> visit;
};

bool gatherDrive(Gathered& gathered, QString& problem) {
  gathered.drive = writeJournal::ConnectedDrive();
  const int amp = drive_facts::AmpCodeOfMotor(gathered.drive.motor);
  const int revision = gathered.drive.revision();
  gathered.limits = driveSets::LimitsFor(revision);
  if (Catalog.ampCode() != amp || Catalog.rev() != revision)
    gathered.catalog = &driveSets::CatalogFor(amp, revision);
  if (gathered.catalog->loadedIndexes().isEmpty()) {
    problem = "the program has no parameter set for the drive (" + gathered.drive.text() + ")";
    return false;
  }
  mainWindow::SetBusyPointer();
  const bool read = basFunctions::ReadDriveConfiguration(gathered.config, gathered.limits, problem);
  mainWindow::SetNormalPointer();
  if (!read) return false;
  param_value::ReadAsRegisters(gathered.config, *gathered.catalog);
  gathered.motorText = basFunctions::DriveIdentity.driveMotor;
  gathered.source = "read from the drive at " + basFunctions::GeneralDateTime();
  writeJournal::Flush(kFlushMs);
  journal::Filter filter;
  filter.drive = gathered.drive;
  filter.since = QDateTime(QDate::currentDate(), QTime(0, 0));
  gathered.visit = journal::Store(writeJournal::JournalFile()).entries(filter);
  return true;
}

void gatherWorkingConfig(Gathered& gathered) {
  using basFunctions::WorkingConfig;
  gathered.drive.model = basFunctions::DriveIdentity.configAmp.section(QLatin1Char(' '), 0, 0);
  gathered.drive.firmware = WorkingConfig.P(0, 0);
  gathered.drive.motor = WorkingConfig.P(1, 31);
  gathered.drive.port = QStringLiteral("no drive connected");
  gathered.motorText = basFunctions::DriveIdentity.configMotor;
  gathered.config = WorkingConfig;
  gathered.limits = basFunctions::GroupLimit;
  gathered.source = basMain::CurrentConfigPath.isEmpty()
                        ? QStringLiteral("the working configuration (no drive connected)")
                        : "the working configuration, file " + basMain::CurrentConfigPath +
                              " (no drive connected)";
}

bool writeReport(const Gathered& gathered, const QString& path, QString& problem) {
  const commissioning::Report report = commissioning::Build(
      {gathered.drive, gathered.motorText, gathered.source, gathered.config, *gathered.catalog,
       gathered.limits, gathered.visit, QDateTime(QDate::currentDate(), QTime(0, 0)),
       QDateTime::currentDateTime(), QStringLiteral(VELUMO_VERSION)});
  if (QFileInfo(path).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) != 0)
    return commissioning::WritePdf(report, path, problem);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
      file.write(commissioning::Csv(report)) < 0) {
    problem = file.errorString();
    return false;
  }
  return true;
}

void tellReportFailed(const QString& path, const QString& problem) {
  basFunctions::Status(0, 0, "Commissioning report not written: " + problem);
  prompt::MsgBox("The commissioning report could not be written to " + path + ":\r" + problem,
                 prompt::Buttons::OK, prompt::Icon::Exclamation, kReportTitle);
}

}  // namespace

void frmMain::mnuDriveHistory_Click() {
  basFunctions::guarded("frmMain, mnuDriveHistory_Click", [] { frmDriveHistory::Display(); });
}

void frmMain::mnuCompareThreeWays_Click() {
  basFunctions::guarded("frmMain, mnuCompareThreeWays_Click", [] {
    if (basFunctions::ConfirmEditorFields()) frmCompare3::Display();
  });
}

void frmMain::mnuCommissioningReport_Click() {
  basFunctions::guarded("frmMain, mnuCommissioningReport_Click", [] {
    if (!basFunctions::ConfirmEditorFields()) return;
    QString path =
        prompt::GetSaveFileName(kReportTitle, host::ProgramFolder() + "/Configs",
                                QStringLiteral("PDF report (*.pdf);;CSV report (*.csv)"));
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".pdf");
    Gathered gathered;
    QString problem;
    if (basComm::DriveConnected == 1) {
      if (!gatherDrive(gathered, problem)) return tellReportFailed(path, problem);
    } else if (!Catalog.loadedIndexes().isEmpty()) {
      gatherWorkingConfig(gathered);
    } else {
      return tellReportFailed(path,
                              QStringLiteral("connect to the drive, or open a configuration"));
    }
    if (!writeReport(gathered, path, problem)) return tellReportFailed(path, problem);
    basFunctions::Status(0, 0, "Commissioning report written to " + path);
    basFunctions::EventLog("Commissioning report written to " + path);
  });
}
