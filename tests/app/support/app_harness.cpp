#include "app_harness.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QThread>
#include <QWheelEvent>
#include <cstdlib>

#include "core/host.h"
#include "shell/bas_main.h"
#include "shell/frm_main.h"

#ifndef VELUMO_PROGRAM_DIR
#error "VELUMO_PROGRAM_DIR must name the build's program folder"
#endif

namespace apptest {
namespace {

// The temporary folders live as long as the test process.
QTemporaryDir& processTempDir() {
  static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/velumo-test-XXXXXX"));
  return dir;
}

}  // namespace

void PrepareProcessEnvironment() {
  const QString root = processTempDir().path();
  QDir().mkpath(root + "/config");
  QDir().mkpath(root + "/runtime");
  QFile::setPermissions(root + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  setenv("XDG_CONFIG_HOME", qPrintable(root + "/config"), 1);
  setenv("XDG_RUNTIME_DIR", qPrintable(root + "/runtime"), 1);
  // Offscreen, unless a test run asks for a real display (VELUMO_TEST_QPA=xcb under xvfb-run).
  const char* platform = getenv("VELUMO_TEST_QPA");
  setenv("QT_QPA_PLATFORM", platform && *platform ? platform : "offscreen", 1);
}

QString BuiltProgramFolder() { return QStringLiteral(VELUMO_PROGRAM_DIR); }

QString ExecutablePath(const QString& name) { return BuiltProgramFolder() + "/" + name; }

ProgramFolder::ProgramFolder() : dir_(QDir::tempPath() + QStringLiteral("/velumo-prog-XXXXXX")) {
  QDir folder(dir_.path());
  for (const char* sub : {"Data", "Configs", "ScopeLogs"}) folder.mkpath(sub);
  QFile::copy(BuiltProgramFolder() + "/Data/VM.vmd", dataFile("VM.vmd"));
  QFile::setPermissions(dataFile("VM.vmd"), QFile::ReadOwner | QFile::WriteOwner);
  QFile::link(BuiltProgramFolder() + "/libPortwright.so", dir_.path() + "/libPortwright.so");
  host::SetProgramFolderForTests(dir_.path());
}

ProgramFolder::~ProgramFolder() { host::SetProgramFolderForTests(QString()); }

QString ProgramFolder::dataFile(const QString& name) const { return dir_.path() + "/Data/" + name; }

QString ProgramFolder::copyExecutable() {
  const QString target = dir_.path() + "/VelumoPRO";
  QFile::copy(ExecutablePath("VelumoPRO"), target);
  return target;
}

void ProgramFolder::setSetting(const QString& column, const QVariant& value) {
  const QString name = QStringLiteral("apptest-settings");
  {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
    db.setDatabaseName(dataFile("VM.vmd"));
    db.open();
    QSqlQuery update(db);
    update.prepare("update tblCustInfo set " + column + " = ? where RecNum = 1");
    update.addBindValue(value);
    update.exec();
    db.close();
  }
  QSqlDatabase::removeDatabase(name);
}

QStringList ProgramFolder::logLines(const QString& name) const {
  QFile file(dataFile(name));
  if (!file.open(QIODevice::ReadOnly)) return {};
  QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines;
}

void ProgramFolder::writeLog(const QString& name, const QStringList& lines) const {
  QFile file(dataFile(name));
  file.open(QIODevice::WriteOnly | QIODevice::Truncate);
  for (const QString& line : lines) file.write((line + "\r\n").toUtf8());
}

VirtualDrive::~VirtualDrive() { stop(); }

bool VirtualDrive::start(int comNumber, const QStringList& extraArguments) {
  process_.setProgram(ExecutablePath("vdrive"));
  process_.setArguments(QStringList{"--com", QString::number(comNumber)} + extraArguments);
  process_.setProcessChannelMode(QProcess::SeparateChannels);
  process_.start();
  if (!process_.waitForStarted(10000)) {
    error_ = "vdrive did not start: " + process_.errorString();
    return false;
  }
  // The drive announces its device on its first line of output.
  QDeadlineTimer deadline(15000);
  while (!deadline.hasExpired()) {
    if (process_.canReadLine() || process_.waitForReadyRead(200)) {
      const QString line = QString::fromUtf8(process_.readLine()).trimmed();
      int slash = line.indexOf("/dev/");
      if (slash < 0) slash = line.indexOf(QRegularExpression("(mb)?tcp://"));  // --listen
      if (slash >= 0) {
        device_ = line.mid(slash).section(' ', 0, 0);
        return true;
      }
    }
    if (process_.state() == QProcess::NotRunning) break;
  }
  error_ = "vdrive announced no device: " + QString::fromUtf8(process_.readAllStandardError());
  return false;
}

void VirtualDrive::stop() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.write("quit\n");
  if (!process_.waitForFinished(3000)) {
    process_.terminate();
    if (!process_.waitForFinished(3000)) process_.kill();
  }
}

QString VirtualDrive::command(const QString& line) {
  process_.write((line + "\n").toUtf8());
  QDeadlineTimer deadline(10000);
  while (!deadline.hasExpired()) {
    if (process_.canReadLine() || process_.waitForReadyRead(100)) {
      const QString reply = QString::fromUtf8(process_.readLine()).trimmed();
      if (reply.startsWith("OK") || reply.startsWith("ERR")) return reply;
    }
    QCoreApplication::processEvents();
  }
  return QStringLiteral("ERR no reply");
}

Program::~Program() { stop(); }

frmMain* Program::start(const QList<prompt::Reply>& replies) {
  prompt::ClearShownPrompts();
  prompt::ScriptReplies(replies);
  started_ = basMain::Main();
  return started_ ? frmMain::instance() : nullptr;
}

void Program::stop() {
  if (!started_) return;
  started_ = false;
  basMain::EndMain();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void WheelNotch(QWidget* over, int notches) {
  QWheelEvent wheel(QPointF(5, 5), over->mapToGlobal(QPointF(5, 5)), QPoint(),
                    QPoint(0, -120 * notches), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                    false);
  // sendEvent would take the spontaneous flag off.
  QSpontaneKeyEvent::setSpontaneous(&wheel);
  qApp->notify(over, &wheel);
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
  QDeadlineTimer deadline(timeoutMs);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  return true;
}

prompt::Reply Answer(prompt::Answer answer) { return prompt::Reply{answer, QString()}; }

prompt::Reply Text(const QString& text) { return prompt::Reply{prompt::Ok, text}; }

QStringList ShownSummary() {
  QStringList lines;
  for (const prompt::Shown& shown : prompt::ShownPrompts())
    lines << shown.kind + ": " + shown.title + " | " + shown.text;
  return lines;
}

}  // namespace apptest
