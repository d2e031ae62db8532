// The pymodbus ASCII slave as a child process on one end of a socat pseudo-terminal pair.
// Both children are ended when the peer is destroyed.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace interop {

class PymodbusPeer {
 public:
  explicit PymodbusPeer(int node);
  ~PymodbusPeer();
  PymodbusPeer(const PymodbusPeer&) = delete;
  PymodbusPeer& operator=(const PymodbusPeer&) = delete;

  bool ready() const { return ready_; }
  const QString& failure() const { return failure_; }
  // The end the master under test opens.
  QString devicePath() const { return folder_.path() + "/master"; }
  // Waits for the slave's next "W ..." write report; empty on time-out.
  QString NextWrite(int timeoutMs = 30000);

 private:
  bool WaitForLinks(int timeoutMs);
  QString NextLine(int timeoutMs);
  static void Stop(QProcess& process);

  QTemporaryDir folder_;
  QProcess socat_;
  QProcess slave_;
  QByteArray pending_;
  bool ready_ = false;
  QString failure_;
};

}  // namespace interop
