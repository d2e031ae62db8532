#include "pymodbus_peer.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QThread>

namespace interop {

namespace {
constexpr int kStartWaitMs = 60000;  // python start-up on a loaded machine
}

PymodbusPeer::PymodbusPeer(int node, const QString& tcpFramer) {
  const QStringList nodeArgument{"--node", QString::number(node)};
  if (!tcpFramer.isEmpty()) {
    StartSlave(QStringList{"--tcp", tcpFramer} + nodeArgument);
    return;
  }
  const QString link = "pty,raw,echo=0,link=";
  socat_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  socat_.start("socat", {link + devicePath(), link + folder_.path() + "/slave"});
  if (!socat_.waitForStarted(kStartWaitMs) || !WaitForLinks(kStartWaitMs)) {
    failure_ = "socat did not make the pseudo-terminal pair";
    return;
  }
  StartSlave(QStringList{"--port", folder_.path() + "/slave"} + nodeArgument);
}

// Over TCP the slave reports "READY <port>" once it listens.
void PymodbusPeer::StartSlave(const QStringList& arguments) {
  slave_.setProcessChannelMode(QProcess::SeparateChannels);
  slave_.setReadChannel(QProcess::StandardOutput);
  slave_.start("/usr/bin/python3", QStringList{QStringLiteral(PW_PYMODBUS_SLAVE)} + arguments);
  if (!slave_.waitForStarted(kStartWaitMs)) {
    failure_ = "the pymodbus slave did not start";
    return;
  }
  const QString line = NextLine(kStartWaitMs);
  const bool tcp = arguments.first() == "--tcp";
  ready_ = tcp ? line.startsWith("READY ") : line == "READY";
  if (ready_ && tcp)
    endpoint_ =
        (arguments[1] == "socket" ? "mbtcp://127.0.0.1:" : "tcp://127.0.0.1:") + line.mid(6);
  if (!ready_) {
    failure_ = "the pymodbus slave did not report READY: " + line + " " +
               QString::fromLocal8Bit(slave_.readAllStandardError());
  }
}

PymodbusPeer::~PymodbusPeer() {
  Stop(slave_);
  Stop(socat_);
}

void PymodbusPeer::Stop(QProcess& process) {
  if (process.state() == QProcess::NotRunning) return;
  process.terminate();
  if (!process.waitForFinished(10000)) {
    process.kill();
    process.waitForFinished(10000);
  }
}

bool PymodbusPeer::WaitForLinks(int timeoutMs) {
  QDeadlineTimer deadline(timeoutMs);
  while (!deadline.hasExpired()) {
    if (QFileInfo::exists(devicePath()) && QFileInfo::exists(folder_.path() + "/slave")) {
      return true;
    }
    if (socat_.state() == QProcess::NotRunning) return false;
    QThread::msleep(20);
  }
  return false;
}

QString PymodbusPeer::NextLine(int timeoutMs) {
  QDeadlineTimer deadline(timeoutMs);
  for (;;) {
    // An event loop run since the last call may already have buffered the output.
    pending_ += slave_.readAllStandardOutput();
    const int end = pending_.indexOf('\n');
    if (end >= 0) {
      QString line = QString::fromLocal8Bit(pending_.left(end)).trimmed();
      pending_.remove(0, end + 1);
      return line;
    }
    if (deadline.hasExpired() || slave_.state() == QProcess::NotRunning) return {};
    slave_.waitForReadyRead(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1)));
  }
}

QString PymodbusPeer::NextWrite(int timeoutMs) {
  QDeadlineTimer deadline(timeoutMs);
  while (!deadline.hasExpired()) {
    QString line = NextLine(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1)));
    if (line.startsWith("W ")) return line;
    if (line.isEmpty()) break;
  }
  return {};
}

}  // namespace interop
