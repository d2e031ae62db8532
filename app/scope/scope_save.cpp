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

QString chosenBase(const QString& suggested) {
  const QString path = prompt::GetSaveFileName(QStringLiteral("Save Scope Data"), suggested,
                                               QStringLiteral("scope log files (*.scl)"));
  if (path.isEmpty()) throw basFunctions::ProgramError(32755, "Cancel was selected.");
  // A name typed without its extension keeps every character it has.
  return path.endsWith(QStringLiteral(".scl"), Qt::CaseInsensitive) ? path.chopped(4) : path;
}

// Why nothing could be written under `base`, in the technician's words.
QString whyNotWritten(const QString& base) {
  const QFileInfo folder(QFileInfo(base).absolutePath());
  const QString name = QDir::toNativeSeparators(folder.filePath());
  if (!folder.exists())
    return QStringLiteral("the folder ") + name + QStringLiteral(" does not exist");
  if (!folder.isDir()) return name + QStringLiteral(" is a file, not a folder");
  if (!folder.isWritable())
    return QStringLiteral("the folder ") + name + QStringLiteral(" cannot be written");
  return QStringLiteral("the files could not be written in ") + name;
}

// The three files, or none: what one attempt wrote is removed again when a later file fails.
void writeCapture(const ScopePlot& plot, const ScopeLogTable& log, const QString& base) {
  QStringList written;
  try {
    plot.SaveData(base + kExtensions[0]);
    written << kExtensions[0];
    plot.SaveProperties(base + kExtensions[1]);
    written << kExtensions[1];
    WriteScopeCsv(log, base + kExtensions[2]);
  } catch (...) {
    for (const QString& ext : written) QFile::remove(base + ext);
    throw;
  }
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

// A save that fails is told in words; the capture stays, and another folder may be chosen.
void SaveCapture(const ScopePlot& plot, const ScopeLogTable& log) {
  QString base = ConfigurationLogBase();
  bool underConfiguration = !base.isEmpty();
  if (!underConfiguration)
    base = chosenBase(ScopeLogFolder() + QChar('/') + fileNameOnly(basMain::CurrentConfigTitle));
  for (;;) {
    const QString csv = base + QStringLiteral(".csv");
    basFunctions::Status(0, 0, QStringLiteral("Scope Log Data Save Operation Started"));
    basFunctions::Status(0, 0, QStringLiteral("Saving file ") + csv);
    try {
      if (underConfiguration) {
        QDir().mkpath(ScopeLogFolder());
        MoveEarlierCaptureAside(base);
      }
      writeCapture(plot, log, base);
      prompt::MsgBox(csv + QStringLiteral(" has been saved."), prompt::Buttons::OK,
                     prompt::Icon::Information, QStringLiteral("File Saved"));
      return;
    } catch (const basFunctions::ProgramError& error) {
      if (error.number() != 75) throw;
    }
    const QString why = whyNotWritten(base);
    basFunctions::Status(0, 0, QStringLiteral("Scope log not saved: ") + why);
    if (prompt::MsgBox(csv + QStringLiteral(" could not be saved: ") + why +
                           QStringLiteral(".\rThe capture is kept. Do you want to save it in "
                                          "another folder?"),
                       prompt::Buttons::YesNo, prompt::Icon::Exclamation,
                       QStringLiteral("File Not Saved")) != prompt::Yes)
      return;
    base = chosenBase(QDir::homePath() + QChar('/') + QFileInfo(base).fileName());
    underConfiguration = false;
  }
}

}  // namespace basScope
