#include "maint/jog_control.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "config/drive_transfer.h"
#include "core/host.h"
#include "core/logs.h"
#include "core/prompt.h"
#include "core/status.h"
#include "drive_facts.h"
#include "link/bas_comm.h"
#include "maint/maint_drive.h"
#include "params/value_table.h"

namespace basMaint {

bool JogCommandActive = false;
bool JogStopFailureTold = false;

namespace {

using basFunctions::WorkingConfig;

const QString kJogKey = QStringLiteral("405");

int32_t& jogValue() { return WorkingConfig.P(4, 5); }

// One write of a command word to P4.05; the jog speed stays in WorkingConfig.
template <class Write>
auto withCommandWord(int code, Write write) {
  const int32_t speed = jogValue();
  jogValue() = code;
  struct Restore {
    int32_t speed;
    ~Restore() { jogValue() = speed; }
  } restore{speed};
  return write();
}

// The control's result for a request the drive did not answer within its time-out.
constexpr int16_t kNoReplyResult = -1;

// How a stop write failed, as the technician reads it: silence is "no answer", whether the
// control gave up on the reply or no Done came at all.
QString stopFailureText(const basFunctions::WriteResult& write) {
  if (write.answered && write.result == kNoReplyResult) return QStringLiteral("no answer");
  return basFunctions::FailureText(write);
}

// Spaced retries: a burst of noise on the line that spoils one stop does not spoil the next.
// Three unanswered writes with the control's 1 s reply time-out end within about 3.5 s, well
// inside the drive's watchdog time. Real time, not one of the program's pauses.
constexpr int kStopRetryDelayMs[kStopAttempts] = {0, 100, 300};

void pauseMs(int ms) {
  if (ms <= 0) return;
  QEventLoop loop;
  QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
  loop.exec();
}

void reportUnansweredStop(const QString& failure, int attempt) {
  const QString text = "The drive did not confirm the jog stop (" + failure + ")" +
                       (attempt < kStopAttempts ? QStringLiteral("; sending it again")
                                                : QStringLiteral("; closing the connection"));
  basFunctions::Status(0, 0, text);
  basFunctions::ErrorLog(QStringLiteral("frmJog, cmdJog_MouseUp()"),
                         QStringLiteral("Communication"), 0, text);
}

}  // namespace

void SendJogCommand(int code) {
  if (code != drive_facts::kJogStop) {
    JogCommandActive = true;
    JogStopFailureTold = false;
  }
  withCommandWord(code, [] { return basComm::WriteData(kJogKey, 1); });
}

void WaitWhileControlBusy() {
  portwright::IModbusAtl& mod1 = host::Mod1();
  QElapsedTimer waited;
  waited.start();
  const qint64 limit = mod1.get_MsgTimeOut() + 1000;
  while (mod1.IsBusy() != portwright::VARIANT_FALSE && waited.elapsed() < limit)
    basFunctions::WaitaWhile(0.05);
}

JogStopOutcome StopJog() {
  JogStopOutcome outcome;
  while (basComm::DriveConnected == 1) {
    pauseMs(kStopRetryDelayMs[outcome.attempts]);
    if (basComm::DriveConnected != 1) break;
    ++outcome.attempts;
    const basFunctions::WriteResult write = withCommandWord(
        drive_facts::kJogStop, [] { return basFunctions::WriteConfirmed(kJogKey, 0); });
    if (write.reached()) {
      JogCommandActive = false;
      outcome.confirmed = true;
      if (outcome.attempts > 1) basFunctions::Status(0, 0, QStringLiteral("Jog stop confirmed"));
      return outcome;
    }
    outcome.failure = stopFailureText(write);
    reportUnansweredStop(outcome.failure, outcome.attempts);
    if (outcome.attempts >= kStopAttempts) {
      if (basComm::DriveConnected == 1) {
        host::Mod1().put_PollInterval(0);
        basComm::DeclareDriveLost();
      }
      break;
    }
  }
  return outcome;
}

bool LastWordsNeeded() { return JogCommandActive || basFunctions::DriveImage.P(4, 6) > 0; }

void SendLastWords() {
  const QString closing = QStringLiteral(" before the connection closed");
  if (JogCommandActive) {
    const basFunctions::WriteResult write = withCommandWord(
        drive_facts::kJogStop, [] { return basFunctions::WriteConfirmed(kJogKey, 0); });
    if (write.reached()) {
      JogCommandActive = false;
      basFunctions::Status(0, 0, "The drive answered the jog stop" + closing);
    } else {
      const QString text =
          "The drive did not answer the jog stop (" + stopFailureText(write) + ")" + closing;
      basFunctions::Status(0, 0, text);
      basFunctions::ErrorLog(QStringLiteral("basMaint, SendLastWords()"),
                             QStringLiteral("Communication"), 0, text);
      JogCommandActive = false;
      JogStopFailureTold = true;
      QTimer::singleShot(0, qApp, [] {
        prompt::MsgBox(JogStopFailedText(kWatchdogSeconds), prompt::Buttons::OK,
                       prompt::Icon::Critical, kJogStopFailedTitle);
      });
    }
  }
  if (basFunctions::DriveImage.P(4, 6) > 0) {
    int32_t& forces = WorkingConfig.P(4, 6);
    forces = 0;
    const basFunctions::WriteResult write = basFunctions::WriteConfirmed(QStringLiteral("406"), 0);
    if (write.reached()) basFunctions::DriveImage.P(4, 6) = 0;
    basFunctions::Status(0, 0,
                         write.reached()
                             ? "The drive cleared the forced outputs" + closing
                             : "The drive did not answer the clearing of the forced outputs (" +
                                   stopFailureText(write) + ")" + closing);
  }
}

QString JogStopFailedText(int watchdogSeconds) {
  QString text =
      QStringLiteral("The drive did not confirm the jog stop: THE MOTOR MAY STILL BE RUNNING.");
  if (watchdogSeconds > 0)
    text += "\r" + QStringLiteral(
                       "The connection has been closed; the drive's communication "
                       "watchdog stops the motor within %1 seconds.")
                       .arg(watchdogSeconds);
  return text + "\r" + QStringLiteral("If the motor does not stop, stop it at the drive.");
}

}  // namespace basMaint
