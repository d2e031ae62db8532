#include "scope/scope_save.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/app_state.h"
#include "core/host.h"
#include "core/logs.h"
#include "core/prompt.h"
#include "core/status.h"
#include "scope/scope_log.h"
#include "scope/scope_plot.h"

namespace basScope {
namespace {

const QStringList kExtensions{QStringLiteral(".scl"), QStringLiteral(".scp"),
                              QStringLiteral(".csv")};

// The file name of a title that may hold a full path, in either kind of separator.
QString fileNameOnly(const QString& title) {
  QString name = title.trimmed();
  name = name.mid(std::max(name.lastIndexOf(QChar('/')), name.lastIndexOf(QChar('\\'))) + 1);
  return name;
}

// A base name not yet taken by any of the three files.
QString freeBase(const QString& wanted) {
  QString base = wanted;
  for (int n = 2;; ++n) {
    bool taken = false;
    for (const QString& ext : kExtensions) taken = taken || QFileInfo::exists(base + ext);
    if (!taken) return base;
    base = wanted + QStringLiteral(" (%1)").arg(n);
  }
}

QString chosenBase() {
  const QString path = prompt::GetSaveFileName(
      QStringLiteral("Save Scope Data"),
      ScopeLogFolder() + QChar('/') + fileNameOnly(basMain::CurrentConfigTitle),
      QStringLiteral("scope log files (*.scl)"));
  if (path.isEmpty()) throw basFunctions::ProgramError(32755, "Cancel was selected.");
  // A name typed without its extension keeps every character it has.
  return path.endsWith(QStringLiteral(".scl"), Qt::CaseInsensitive) ? path.chopped(4) : path;
}

}  // namespace

QString ScopeLogFolder() { return host::ProgramFolder() + QStringLiteral("/ScopeLogs"); }

QString ConfigurationLogBase() {
  if (basMain::CurrentConfigPath.isEmpty()) return QString();
  const QString name = fileNameOnly(basMain::CurrentConfigTitle);
  return ScopeLogFolder() + QChar('/') + name.left(std::max<int>(0, name.size() - 4));
}

void MoveEarlierCaptureAside(const QString& base) {
  QDateTime written;
  for (const QString& ext : kExtensions) {
    const QFileInfo file(base + ext);
    if (file.exists() && (!written.isValid() || file.lastModified() > written))
      written = file.lastModified();
  }
  if (!written.isValid()) return;
  const QString aside =
      freeBase(base + QChar(' ') + written.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss")));
  for (const QString& ext : kExtensions)
    if (QFileInfo::exists(base + ext) && !QFile::rename(base + ext, aside + ext))
      throw basFunctions::ProgramError(75, "Path/File access error");
}

void SaveCapture(const ScopePlot& plot, const ScopeLogTable& log) {
  QString base = ConfigurationLogBase();
  if (base.isEmpty()) {
    base = chosenBase();
  } else {
    QDir().mkpath(ScopeLogFolder());
    MoveEarlierCaptureAside(base);
  }
  const QString csv = base + QStringLiteral(".csv");
  basFunctions::Status(0, 0, QStringLiteral("Scope Log Data Save Operation Started"));
  basFunctions::Status(0, 0, QStringLiteral("Saving file ") + csv);
  plot.SaveData(base + QStringLiteral(".scl"));
  plot.SaveProperties(base + QStringLiteral(".scp"));
  WriteScopeCsv(log, csv);
  prompt::MsgBox(csv + QStringLiteral(" has been saved."), prompt::Buttons::OK,
                 prompt::Icon::Information, QStringLiteral("File Saved"));
}

}  // namespace basScope
