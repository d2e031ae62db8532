// frmMain: the two views of the working configuration in the Current Config menu: the
// comparison with the defaults (status list) and the configuration report (a text or
// comma-separated file beside the configuration, opened with the desktop's application).
#include <QDesktopServices>
#include <QUrl>

#include "editor/param_editor.h"
#include "params/compare_values.h"
#include "params/config_report.h"
#include "params/drive_identity.h"
#include "params/param_catalog.h"
#include "params/value_table.h"
#include "shell/app_state.h"
#include "shell/frm_main.h"
#include "shell/logs.h"
#include "shell/status.h"

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

// Hands the report to the application the desktop associates with its type.
void openReport(const QString& path) {
  if (reportOpener())
    reportOpener()(path);
  else
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
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
    openReport(path);
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
