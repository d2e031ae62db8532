#include "child_program.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcessEnvironment>

namespace apptest {

ChildProgram::~ChildProgram() { kill(); }

bool ChildProgram::startWithMaintenanceScreen(ProgramFolder& folder, int comNumber) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  // A runtime folder of its own: the program that runs the test holds the single-instance lock.
  const QString runtime = folder.path() + QStringLiteral("/child-runtime");
  QDir().mkpath(runtime);
  QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
  process_.setProcessEnvironment(environment);
  // Copied into the folder, so that the folder is its program folder.
  const QString program = folder.path() + QStringLiteral("/VelumoPRO");
  QFile::remove(program);
  if (!QFile::copy(QStringLiteral(VELUMO_MAINTENANCE_PROGRAM), program)) {
    error_ = QStringLiteral("cannot copy the test program into ") + folder.path();
    return false;
  }
  process_.setProgram(program);
  process_.setArguments({QStringLiteral("--maintenance"), QString::number(comNumber)});
  process_.start();
  if (!process_.waitForStarted(10000)) {
    error_ = "the program did not start: " + process_.errorString();
    return false;
  }
  QDeadlineTimer deadline(60000);
  while (!deadline.hasExpired() && process_.state() != QProcess::NotRunning) {
    if (!process_.canReadLine() && !process_.waitForReadyRead(200)) continue;
    const QString line = QString::fromUtf8(process_.readLine()).trimmed();
    if (!line.startsWith(QLatin1String("VELUMO_TEST "))) continue;
    if (line == QLatin1String("VELUMO_TEST maintenance open")) return true;
    error_ = line;
    return false;
  }
  error_ = "no report from the program: " + QString::fromUtf8(process_.readAllStandardError());
  return false;
}

void ChildProgram::kill() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.kill();
  process_.waitForFinished(5000);
}

}  // namespace apptest
