// LogFileMaint: keeps the event and error logs short. It runs once when the program closes.
#include <QFile>
#include <QStringList>

#include "core/host.h"
#include "core/logs.h"

namespace basFunctions {
namespace {

constexpr int kTrimAbove = 1500;  // line count (as counted below) that triggers trimming
constexpr int kKeepWindow = 1000;

QString dataFile(const QString& name) {
  return host::ProgramFolder() + QStringLiteral("/Data/") + name;
}

QByteArray readAll(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) throw ProgramError(75, "Path/File access error");
  return file.readAll();
}

// The lines of a log, without their line ends; *finalBreak tells whether the last line ends
// with one.
QList<QByteArray> splitLines(const QByteArray& bytes, bool* finalBreak) {
  QList<QByteArray> lines = bytes.split('\n');
  *finalBreak = bytes.endsWith('\n');
  if (*finalBreak) lines.removeLast();
  for (QByteArray& line : lines)
    if (line.endsWith('\r')) line.chop(1);
  return lines;
}

// The text stream's line number after reading to the end: lines + 1 when the last line ends
// with a line break, 0 for a file of one line.
int countLines(const QList<QByteArray>& lines, bool finalBreak) {
  if (lines.size() == 1 && !finalBreak) return 0;
  return finalBreak ? lines.size() + 1 : lines.size();
}

// Writes the trimmed copy: of lines 1..c-1, those numbered above c - 1000 (the last 999).
// An empty log cannot be read at all: the error ends the maintenance.
void trimToCopy(const QString& logName, const QString& copyName) {
  const QString log = dataFile(logName);
  if (!QFile::exists(log)) return;
  bool finalBreak = false;
  const QByteArray bytes = readAll(log);
  if (bytes.isEmpty()) throw ProgramError(62, "Input past end of file");
  const QList<QByteArray> lines = splitLines(bytes, &finalBreak);
  const int c = countLines(lines, finalBreak);
  if (c <= kTrimAbove) return;
  QFile copy(dataFile(copyName));
  if (!copy.open(QIODevice::WriteOnly | QIODevice::Truncate))
    throw ProgramError(75, "Path/File access error");
  for (int i = 1; i <= c - 1 && i <= lines.size(); ++i)
    if (i > c - kKeepWindow) copy.write(lines[i - 1] + "\r\n");
}

void putCopyInPlace(const QString& copyName, const QString& logName) {
  const QString copy = dataFile(copyName);
  if (!QFile::exists(copy)) return;
  const QString log = dataFile(logName);
  if (QFile::exists(log) && !QFile::remove(log)) throw ProgramError(70, "Permission denied");
  if (!QFile::copy(copy, log)) throw ProgramError(75, "Path/File access error");
  QFile::remove(copy);
}

}  // namespace

void LogFileMaint() {
  guarded("basFunctions, LogFileMaint()", [] {
    trimToCopy(QStringLiteral("Event.Log"), QStringLiteral("Event1.log"));
    trimToCopy(QStringLiteral("Error.Log"), QStringLiteral("Error1.log"));
    putCopyInPlace(QStringLiteral("Error1.log"), QStringLiteral("Error.Log"));
    putCopyInPlace(QStringLiteral("Event1.log"), QStringLiteral("Event.Log"));
  });
}

}  // namespace basFunctions
