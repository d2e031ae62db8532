// The pymodbus slave as a child process: in ASCII on one end of a socat pseudo-terminal pair,
// or on a loopback TCP port in Modbus TCP ("socket") or RTU over TCP ("rtu"). The children are
// ended when the peer is destroyed.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace interop {

class PymodbusPeer {
 public:
  explicit PymodbusPeer(int node, const QString& tcpFramer = {});
  ~PymodbusPeer();
  PymodbusPeer(const PymodbusPeer&) = delete;
  PymodbusPeer& operator=(const PymodbusPeer&) = delete;

  bool ready() const { return ready_; }
  const QString& failure() const { return failure_; }
  // What the master under test opens: the pty end, or mbtcp:// or tcp:// with the port.
  QString devicePath() const {
    return endpoint_.isEmpty() ? folder_.path() + "/master" : endpoint_;
  }
  // Waits for the slave's next "W ..." write report; empty on time-out.
  QString NextWrite(int timeoutMs = 30000);

 private:
  bool WaitForLinks(int timeoutMs);
  void StartSlave(const QStringList& arguments);
  QString NextLine(int timeoutMs);
  static void Stop(QProcess& process);

  QTemporaryDir folder_;
  QProcess socat_;
  QProcess slave_;
  QByteArray pending_;
  QString endpoint_;
  bool ready_ = false;
  QString failure_;
};

}  // namespace interop
