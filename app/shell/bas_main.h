// The program's start (module basMain): single instance, database, settings, main window,
// project navigator, splash.
#pragma once

#include <QString>
#include <QStringList>

namespace basMain {

// --help and --version answered on the terminal before any window (or display) is needed: the
// exit code, or -1 when the program starts as usual (Qt's own options, such as -platform, are
// left to Qt). `args` excludes the program name.
int AnswerOnTerminal(const QStringList& args);
QString UsageText();

// Runs the start-up sequence. False when the program must end at once (another instance runs);
// otherwise the caller runs the event loop.
bool Main();
// Ends what Main started (the instance lock); the program calls it after its event loop.
void EndMain();

// The single-instance lock in a folder: taken, held by another running copy, or not to be had
// at all (no folder, no permission), with the reason in words.
struct InstanceLock {
  enum Outcome { Taken, HeldByAnother, Unavailable } outcome = Unavailable;
  QString reason;
};
// Takes the lock "VelumoPRO.lock" in `folder` (the user's runtime folder) for this process;
// it is released by EndMain or by the next call.
InstanceLock TakeInstanceLock(const QString& folder);

}  // namespace basMain
