// frmMain: the two views of the working configuration in the Current Config menu: the
// comparison with the defaults (status list) and the configuration report (a text or
// comma-separated file beside the configuration, opened with the desktop's application).
#include <QDesktopServices>
#include <QUrl>

#include "core/app_state.h"
#include "core/logs.h"
#include "core/prompt.h"
#include "core/status.h"
#include "editor/param_editor.h"
#include "params/compare_values.h"
#include "params/config_report.h"
#include "params/drive_identity.h"
#include "params/param_catalog.h"
#include "params/value_table.h"
#include "shell/frm_main.h"

#ifndef VELUMO_VERSION
#error "VELUMO_VERSION must give the program's major.minor.revision"
#endif

namespace basFunctions {
namespace {

constexpr int kPathError = 75;

std::function<bool(const QString&)>& reportOpener() {
  static std::function<bool(const QString&)> installed;
  return installed;
}

// Hands the report to the application the desktop associates with its type; false when
// nothing could be started (no launcher such as xdg-open).
bool openReport(const QString& path) {
  if (reportOpener()) return reportOpener()(path);
  return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

// The report is on the disk whether or not the desktop shows it: say where, and how to open
// it when nothing opened it.
void tellWhereTheReportIs(const QString& path, bool opened) {
  Status(0, 0, "Configuration report written to " + path);
  if (opened) return;
  prompt::MsgBox("The configuration report was written to:\r" + path + "\r\r" +
                     "No program could be started to show it. Open it with a text editor (a "
                     ".csv report with a spreadsheet), or install xdg-utils so that the desktop "
                     "opens reports.",
                 prompt::Buttons::OK, prompt::Icon::Information,
                 QStringLiteral("Print Current Config"));
}

void CompareValues() {
  guarded("basFunctions, CompareValues()", [&] {
    Status(0, 0, QStringLiteral("Comparing Configuration With Defaults"));
    for (const QString& line : compareValues::Differences(WorkingConfig, Catalog, GroupLimit))
      Status(0, 0, line);
    Status(0, 0, QStringLiteral("Compare Complete"));
  });
}

void ConfigReport() {
  guarded("basFunctions, ConfigReport()", [&] {
    using configReport::ReportKind;
    const ReportKind kind = basMain::ReportFormat ? ReportKind::CommaSeparated : ReportKind::Text;
    const QString path = configReport::ReportPath(basMain::CurrentConfigPath, kind);
    if (path.isEmpty()) throw ProgramError(kPathError, "Path/File access error");
    const configReport::ReportSource source{WorkingConfig,     Catalog,
                                            GroupLimit,        basMain::CurrentConfigTitle,
                                            GeneralDateTime(), QStringLiteral(VELUMO_VERSION)};
    if (!configReport::WriteReport(path, configReport::ReportBytes(ReportLines(source, kind))))
      throw ProgramError(kPathError, "Path/File access error: " + path.toStdString());
    tellWhereTheReportIs(path, openReport(path));
  });
}

}  // namespace
}  // namespace basFunctions

void frmMain::mnuCompare_Click() {
  basFunctions::guarded("frmMain, mnuCompare_Click", [&] {
    if (basFunctions::ConfirmEditorFields()) basFunctions::CompareValues();
  });
}

void frmMain::mnuPrintConfig_Click() {
  basFunctions::guarded("frmMain, mnuPrintConfig_Click", [&] {
    if (basFunctions::ConfirmEditorFields()) basFunctions::ConfigReport();
  });
}

void frmMain::SetReportOpener(std::function<bool(const QString& path)> opener) {
  basFunctions::reportOpener() = std::move(opener);
}
