// The auto-detect scan: on one serial port, for each node address, try the drive's speed and
// framing combinations (RTU first, then ASCII) with one register read each until a drive
// answers; then complete the connection as the connect dialog does (logon, status polling,
// passcode). Behind a gateway (a COM entry naming a network endpoint) the line settings are the
// gateway's: only the nodes are tried, once each over Modbus TCP, in RTU and then ASCII over
// TCP. No widgets: the window hands in what it shows the scan's progress on.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

#include "link/serial_ports.h"
#include "portwright/modbus_atl.h"

namespace autoDetect {

// 1 asks the running scan to stop before its next attempt (Cancel, Close); 0 when a scan
// starts and after it stopped.
extern int16_t AutoDetectCancel;

constexpr int kFirstNode = 1;
constexpr int kLastNode = 247;
constexpr int kProgressPerAttempt = 14;

// The Settings texts tried at every node, in order: the RTU list (18), then the ASCII list (36).
const QStringList& RtuSettings();
const QStringList& AsciiSettings();
int AttemptsPerNode(serialPorts::Reach reach = serialPorts::Reach::Serial);

struct Attempt {
  int number = 0;  // 1-based position in the scan
  int node = 0;
  portwright::enumPLCMode mode = portwright::RTU;
  QString settings;
};
// The attempt at 1-based position `number` of a scan that starts at `firstNode`, on a port that
// reaches a serial line or a network endpoint.
Attempt AttemptAt(int firstNode, int number, serialPorts::Reach reach = serialPorts::Reach::Serial);
// Attempts of a scan over firstNode..lastNode.
int AttemptCount(int firstNode, int lastNode,
                 serialPorts::Reach reach = serialPorts::Reach::Serial);

// "Estimated time remaining: 2 h 05 min" and the like.
QString RemainingTimeText(double seconds);

// Where the scan shows its progress (each may be empty).
struct ScanView {
  std::function<void(const QString&)> addStatusLine;  // the window's status list
  std::function<void(const QString&)> setState;       // the window's state line
  std::function<void(const QString&)> setRemaining;   // the estimate of the time left
};

enum class Outcome { Found, Cancelled, NotFound, PasscodeRefused, PortFailed, Failed };

// Scans nodes firstNode..lastNode on the port (0 is COM1). Control errors are told ("Com
// Error") or logged with the window's location text; the main window's timer runs again and
// the pointer is normal whenever the scan ends (a found drive's start-up restores the pointer
// once initialised).
Outcome Scan(int portIndex, int firstNode, int lastNode, const ScanView& view);
// True while a scan runs. A second scan is not started meanwhile (its window's pauses would
// otherwise let one start inside the other).
bool Scanning();

// Test-only: shortens a scan so that a test takes seconds. While a scan runs, every pause
// (its own and those of the connection it completes) lasts its time x pauseScale, and an
// attempt waits replyTimeOutMs(attempt) milliseconds for an answer instead of the control's
// MsgTimeOut (no function, or 0, keeps it): a test gives the silent attempts a short wait and
// the one its drive answers a patient one, so that a slow machine cannot make it miss the
// drive. The control's time-out is back before the connection is completed and the pause
// scale when the scan ends.
struct ScanTiming {
  double pauseScale = 1.0;
  std::function<int(const Attempt&)> replyTimeOutMs;
};
extern ScanTiming TestTiming;

}  // namespace autoDetect
