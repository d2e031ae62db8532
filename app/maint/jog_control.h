// The jog commands of P4.05 (module basMaint, no widgets). A press writes the direction; the
// stop is confirmed: 5000 is written again until the drive answers it, or the connection is
// declared lost after kStopAttempts writes the drive did not answer, so that a motor can
// never be left running because one stop went astray.
#pragma once

#include <QString>

namespace basMaint {

constexpr int kStopAttempts = 3;

// Writes a jog command word (jog forward, jog reverse or stop) to P4.05 without waiting for
// the answer. WorkingConfig keeps the jog speed: a command word is not a configuration value.
void SendJogCommand(int code);

// Waits (events keep running) while the control is busy with a transaction: a press may
// still be on the line. Gives up after the control's reply time-out and a margin.
void WaitWhileControlBusy();

struct JogStopOutcome {
  bool confirmed = false;  // the drive answered a stop write
  int attempts = 0;        // stop writes sent
  QString failure;         // how the last unanswered write failed ("no answer", "result 6")
};
// Sends the stop until the drive confirms it, the writes spaced 0, 100 and 300 ms after the
// previous failure. Writes it did not answer are told in the
// status list and the error log; after kStopAttempts of them the connection is declared lost
// (closing the port lets the drive's communication watchdog stop the motor).
JogStopOutcome StopJog();

// A jog command was written and no stop has been answered since.
extern bool JogCommandActive;
// The technician has been told that the last stop did not reach the drive (cleared by the
// next jog command).
extern bool JogStopFailureTold;

// The last words before a lost connection closes (basComm::LastWords): a running jog's stop
// and the clearing of forced outputs (DriveImage P4.06 > 0), each sent once and waited for,
// whatever the failures before. The status list says whether the drive answered; an
// unanswered stop is told in a message once the connection has closed.
bool LastWordsNeeded();
void SendLastWords();

// The message for a stop that did not reach the drive: the jog may still be running.
QString JogStopFailedText(int watchdogSeconds);
inline const QString kJogStopFailedTitle = QStringLiteral("Jog Stop Not Confirmed");

}  // namespace basMaint
