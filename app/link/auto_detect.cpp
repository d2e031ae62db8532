#include "link/auto_detect.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cmath>

#include "core/host.h"
#include "core/led_bar.h"
#include "core/logs.h"
#include "core/main_window_access.h"
#include "core/prompt.h"
#include "core/status.h"
#include "link/bas_comm.h"
#include "link/connect_sequence.h"
#include "link/poll_groups.h"
#include "link/serial_ports.h"

namespace autoDetect {

int16_t AutoDetectCancel = 0;
ScanTiming TestTiming;

namespace {

bool g_scanning = false;

using basFunctions::Status;
using basFunctions::WaitaWhile;
using portwright::IModbusAtl;

constexpr const char* kLocation = "frmAutoDetect, cmdTryComPort_Click";
const QString kCancelled = QStringLiteral("Autodetect cancelled");

// Pauses of one attempt: before it (the drive may still be busy with the last one) and after
// the read (time for the answer).
constexpr double kPauseBefore = 1.5;
constexpr double kPauseAfter = 2.0;

QStringList asciiList() {
  QStringList list;
  for (const char* speed : {"4800", "9600", "19200", "38400", "57600", "115200"})
    for (const char* framing : {"N,7,2", "E,7,1", "O,7,1", "N,8,2", "E,8,1", "O,8,1"})
      list << QString::fromLatin1(speed) + "," + QString::fromLatin1(framing);
  return list;
}

QString modeText(portwright::enumPLCMode mode) {
  return mode == portwright::RTU ? QStringLiteral("RTU Mode") : QStringLiteral("ASCII Mode");
}

// "RTU Mode - 19200,O,8,1"; behind a gateway "Modbus TCP" or "RTU Mode over TCP".
QString attemptText(const Attempt& attempt, serialPorts::Reach reach) {
  if (reach == serialPorts::Reach::ModbusTcp) return QStringLiteral("Modbus TCP");
  if (reach == serialPorts::Reach::RtuOverTcp) return modeText(attempt.mode) + " over TCP";
  return modeText(attempt.mode) + " - " + attempt.settings;
}

void show(const std::function<void(const QString&)>& part, const QString& text) {
  if (part) part(text);
}

// The test-only timing, in force while a scan runs.
class ScanTimingInForce {
 public:
  ScanTimingInForce()
      : pauseScale_(basFunctions::PauseScale), timeOut_(host::Mod1().get_MsgTimeOut()) {
    basFunctions::PauseScale *= TestTiming.pauseScale;
  }
  ~ScanTimingInForce() {
    basFunctions::PauseScale = pauseScale_;
    if (host::HasMod1()) basFunctions::guarded(kLocation, [&] { restoreReplyTimeOut(); });
  }
  void beforeAttempt(IModbusAtl& mod1, const Attempt& attempt) const {
    const int wait = TestTiming.replyTimeOutMs ? TestTiming.replyTimeOutMs(attempt) : 0;
    if (wait > 0) mod1.put_MsgTimeOut(static_cast<int16_t>(std::min(wait, 30000)));
  }
  void restoreReplyTimeOut() const {
    IModbusAtl& mod1 = host::Mod1();
    if (mod1.get_MsgTimeOut() != timeOut_) mod1.put_MsgTimeOut(timeOut_);
  }

 private:
  double pauseScale_;
  int16_t timeOut_;
};

// Waits until the control has the answer or has given up on it (its own time-out ends it).
void waitForAnswer(IModbusAtl& mod1) { basComm::WaitUntilIdle(mod1); }

// The scan goes on until it is cancelled or the main window (and with it the control) is gone.
bool stopRequested() { return AutoDetectCancel == 1 || !host::HasMod1(); }

// The time left, from the attempts timed so far (the nominal pauses before the first).
class RemainingTime {
 public:
  explicit RemainingTime(int total) : total_(total) { clock_.start(); }
  QString afterAttempts(int done) const {
    const double perAttempt = done > 0 ? clock_.elapsed() / 1000.0 / done
                                       : (kPauseBefore + kPauseAfter) * basFunctions::PauseScale;
    return RemainingTimeText(perAttempt * (total_ - done));
  }

 private:
  int total_;
  QElapsedTimer clock_;
};

void closePort(IModbusAtl& mod1) {
  if (mod1.get_PortOpen() != portwright::VARIANT_FALSE)
    mod1.put_PortOpen(portwright::VARIANT_FALSE);
}

Outcome cancelled(const ScanView& view) {
  if (!host::HasMod1()) return Outcome::Cancelled;  // the program is closing
  closePort(host::Mod1());
  basComm::ConnectTesting = 0;
  Status(0, 0, kCancelled);
  show(view.addStatusLine, kCancelled);
  show(view.setState, kCancelled);
  show(view.setRemaining, QString());
  AutoDetectCancel = 0;
  // The scan stopped the main window's timer; a cancelled scan must not leave it stopped.
  mainWindow::EnableMainTimer(true);
  return Outcome::Cancelled;
}

Outcome notFound(int firstNode, int lastNode, const ScanView& view) {
  const QString text =
      QStringLiteral("No drive answered on nodes %1 to %2").arg(firstNode).arg(lastNode);
  show(view.addStatusLine, text);
  show(view.setState, " " + text + ".");
  show(view.setRemaining, QString());
  mainWindow::SetNormalPointer();
  mainWindow::EnableMainTimer(true);
  return Outcome::NotFound;
}

// The drive answered: log on, start status polling, check the passcode. What was found is the
// connect dialog's selection from now on, so that a reconnect after a lost drive uses it.
Outcome found(IModbusAtl& mod1, int portIndex, int node, int progress, const ScanView& view) {
  commSettings::RememberFound(portIndex + 1, QString::fromStdString(mod1.get_Settings()),
                              mod1.get_PLCMode(), node);
  Status(1, std::min(progress + 50, LedBar::kMaximum),
         QStringLiteral("Initializing, please be patient......"));
  mod1.put_PollInterval(0);
  basFunctions::PollGroup = 1;
  basComm::SendLogonCommand(1);
  basFunctions::SetPollGroups(1000);
  WaitaWhile(1);
  show(view.setRemaining, QString());
  if (!commSettings::PasscodeAccepted(static_cast<int16_t>(node))) {
    mainWindow::EnableMainTimer(true);
    return Outcome::PasscodeRefused;
  }
  const QString settings = QString::fromStdString(mod1.get_Settings());
  const QString& mode = commSettings::LastModeText;
  const QString connected =
      "Connected " + mode + " to Node " + QString::number(node) + ", " + settings + ".";
  Status(0, 0, connected);
  show(view.addStatusLine, connected);
  show(view.setState,
       " Connected " + mode + "  to Node " + QString::number(node) + ", " + settings + ".");
  basFunctions::EventLog(QStringLiteral("Connection to drive established via AutoDetect"));
  mainWindow::EnableMainTimer(true);
  return Outcome::Found;
}

Outcome scanSteps(int portIndex, int firstNode, int lastNode, const ScanView& view) {
  const ScanTimingInForce timing;
  basComm::CloseConnection();
  Status(1, 0, QStringLiteral("Auto-Detect Started"));
  IModbusAtl& start = host::Mod1();
  start.put_ComPort(static_cast<portwright::enumComPort>(portIndex));
  start.put_DataType(portwright::Integer);
  start.put_DataQty(1);
  start.put_DataAddr(1);
  start.put_Function(portwright::ReadHoldingReg);
  basComm::ConnectTesting = 1;

  const serialPorts::Reach reach = serialPorts::ReachOf(portIndex);
  const int total = AttemptCount(firstNode, lastNode, reach);
  const RemainingTime remaining(total);
  show(view.setRemaining, remaining.afterAttempts(0));
  int progress = 0;
  for (int number = 1; number <= total; ++number) {
    if (stopRequested()) return cancelled(view);
    WaitaWhile(kPauseBefore);
    // A Cancel taken during the pause stops the scan before this attempt goes out.
    if (stopRequested()) return cancelled(view);
    IModbusAtl& mod1 = host::Mod1();
    const Attempt attempt = AttemptAt(firstNode, number, reach);
    basComm::DriveNodeAddress = static_cast<int16_t>(attempt.node);
    mod1.put_NodeAddr(static_cast<int16_t>(attempt.node));
    mod1.put_PLCMode(attempt.mode);
    commSettings::LastModeText = modeText(attempt.mode);
    mod1.put_Settings(attempt.settings.toStdString());
    mod1.put_PortOpen(portwright::VARIANT_TRUE);
    progress += kProgressPerAttempt;
    const QString trying = "Trying Node Address " + QString::number(attempt.node) + " - " +
                           attemptText(attempt, reach);
    Status(1, std::min(progress, LedBar::kMaximum), trying);
    show(view.addStatusLine, trying);
    show(view.setState, " " + trying);
    waitForAnswer(mod1);
    timing.beforeAttempt(mod1, attempt);
    basComm::ReadData(0, 1, portwright::Integer, static_cast<int16_t>(attempt.node), 1,
                      portwright::ReadHoldingReg);
    WaitaWhile(kPauseAfter);
    if (!host::HasMod1()) return cancelled(view);
    // An answer still on its way (a slow line, a shortened pause) is waited for.
    waitForAnswer(mod1);
    timing.restoreReplyTimeOut();
    show(view.setRemaining, remaining.afterAttempts(number));
    if (basComm::DriveConnected != 0) return found(mod1, portIndex, attempt.node, progress, view);
    mod1.put_PortOpen(portwright::VARIANT_FALSE);
  }
  return notFound(firstNode, lastNode, view);
}

bool portOpenFailure(const std::exception& e) {
  if (!dynamic_cast<const portwright::AutomationError*>(&e)) return false;
  const std::string text = e.what();
  return text == "Failed to Open COM Port" || text == "Failed to Start COM Thread";
}

}  // namespace

const QStringList& RtuSettings() {
  static const QStringList list = {
      "19200,O,8,1", "19200,N,8,2", "19200,E,8,1", "38400,O,8,1",  "38400,N,8,2",  "38400,E,8,1",
      "57600,O,8,1", "57600,N,8,2", "57600,E,8,1", "115200,O,8,1", "115200,N,8,2", "115200,E,8,1",
      "4800,O,8,1",  "4800,N,8,2",  "4800,E,8,1",  "9600,O,8,1",   "9600,N,8,2",   "9600,E,8,1"};
  return list;
}

const QStringList& AsciiSettings() {
  static const QStringList list = asciiList();
  return list;
}

int AttemptsPerNode(serialPorts::Reach reach) {
  switch (reach) {
    case serialPorts::Reach::ModbusTcp:
      return 1;
    case serialPorts::Reach::RtuOverTcp:
      return 2;
    default:
      return static_cast<int>(RtuSettings().size() + AsciiSettings().size());
  }
}

Attempt AttemptAt(int firstNode, int number, serialPorts::Reach reach) {
  const int index = (number - 1) % AttemptsPerNode(reach);
  // Behind a gateway the settings are not used: the first RTU entry stands for them.
  const int rtuCount =
      reach == serialPorts::Reach::Serial ? static_cast<int>(RtuSettings().size()) : 1;
  Attempt attempt;
  attempt.number = number;
  attempt.node = firstNode + (number - 1) / AttemptsPerNode(reach);
  attempt.mode = index < rtuCount ? portwright::RTU : portwright::ASCII;
  attempt.settings = reach != serialPorts::Reach::Serial ? RtuSettings()[0]
                     : index < rtuCount                  ? RtuSettings()[index]
                                                         : AsciiSettings()[index - rtuCount];
  return attempt;
}

int AttemptCount(int firstNode, int lastNode, serialPorts::Reach reach) {
  return lastNode < firstNode ? 0 : (lastNode - firstNode + 1) * AttemptsPerNode(reach);
}

QString RemainingTimeText(double seconds) {
  const qint64 total = std::max<qint64>(0, std::llround(seconds));
  const qint64 hours = total / 3600;
  const qint64 minutes = total % 3600 / 60;
  QString text;
  if (hours > 0)
    text = QStringLiteral("%1 h %2 min").arg(hours).arg(minutes, 2, 10, QLatin1Char('0'));
  else if (minutes > 0)
    text = QStringLiteral("%1 min %2 s").arg(minutes).arg(total % 60, 2, 10, QLatin1Char('0'));
  else
    text = QStringLiteral("%1 s").arg(total);
  return "Estimated time remaining: " + text;
}

bool Scanning() { return g_scanning; }

Outcome Scan(int portIndex, int firstNode, int lastNode, const ScanView& view) {
  if (g_scanning) return Outcome::Failed;
  g_scanning = true;
  const struct ScanEnds {
    ~ScanEnds() { g_scanning = false; }
  } scanEnds;
  AutoDetectCancel = 0;
  try {
    return scanSteps(portIndex, firstNode, lastNode, view);
  } catch (const std::exception& e) {
    mainWindow::SetNormalPointer();
    basFunctions::guarded(kLocation, [] { closePort(host::Mod1()); });
    show(view.setRemaining, QString());
    if (portOpenFailure(e)) {
      const auto& controlError = dynamic_cast<const portwright::AutomationError&>(e);
      prompt::MsgBox(
          serialPorts::ComErrorText(portIndex, QString::fromStdString(controlError.reason())),
          prompt::Buttons::OK, prompt::Icon::Critical, QStringLiteral("Com Error"));
      mainWindow::EnableMainTimer(true);
      return Outcome::PortFailed;
    }
    basFunctions::ErrHandler(basFunctions::errorNumber(e), QString::fromUtf8(e.what()),
                             QString::fromLatin1(kLocation), false);
    return Outcome::Failed;
  }
}

}  // namespace autoDetect
