// Figures of the drive history: what recording a write costs the path from a command to the
// line (WriteData's Sent and the Done handler's Answered: the in-memory entry and its queueing,
// no file I/O), and what the writer's thread then spends on the file for an express write of
// one parameter and for a download of 150, with the entries queued as the program queues them.
#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app_harness.h"
#include "link/write_journal.h"
#include "params/journal_store.h"

namespace {

struct Figures {
  double median, max;
};

Figures of(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return {values[values.size() / 2], values.back()};
}

journal::Entry Download(int params) {
  journal::Entry entry;
  entry.at = QDateTime::currentDateTimeUtc();
  entry.source = journal::Source::Download;
  entry.detail = QStringLiteral("/home/tech/Configs/pump.vmc");
  entry.user = QStringLiteral("tech");
  entry.drive = {QStringLiteral("KDA-1K"), 2101, 21, 1, QStringLiteral("COM1 (/dev/ttyUSB0)")};
  for (int i = 0; i < params; ++i) entry.params << journal::ParamChange{100 + i, i, i + 1, 0};
  return entry;
}

}  // namespace

int main(int argc, char** argv) {
  apptest::PrepareProcessEnvironment();
  QApplication app(argc, argv);
  apptest::ProgramFolder folder;
  const int writes = argc > 1 ? std::max(10, atoi(argv[1])) : 2000;

  // The path to the line: one express write recorded and answered, the writer on its thread.
  std::vector<double> onPath;
  QElapsedTimer total;
  total.start();
  for (int i = 0; i < writes; ++i) {
    writeJournal::SourceScope source(journal::Source::ExpressWrite);
    QElapsedTimer clock;
    clock.start();
    writeJournal::Sent(1, 37, 1);
    writeJournal::Answered(0);
    onPath.push_back(clock.nsecsElapsed() / 1e3);
  }
  const double queued = total.nsecsElapsed() / 1e6;
  total.restart();
  const bool flushed = writeJournal::Flush(120000);
  const double drained = total.nsecsElapsed() / 1e6 + queued;
  const Figures path = of(onPath);
  std::printf(
      "journal cost on the path to the line (Sent + Answered, %d writes): median %.1f us, "
      "max %.1f us\n",
      writes, path.median, path.max);
  std::printf(
      "writer thread: %d one-parameter entries in the file after %.0f ms (%.2f ms each)%s\n",
      writes, drained, drained / writes, flushed ? "" : " (NOT all written)");

  // The file alone, one transaction per entry.
  journal::Store store(folder.path() + QStringLiteral("/Data/BenchJournal.db"));
  for (int params : {1, 150}) {
    const journal::Entry entry = Download(params);
    std::vector<double> ms;
    for (int run = 0; run < 200; ++run) {
      QElapsedTimer clock;
      clock.start();
      store.append(entry);
      ms.push_back(clock.nsecsElapsed() / 1e6);
    }
    const Figures file = of(ms);
    std::printf("journal file append, entry of %d parameter(s): median %.2f ms, max %.2f ms\n",
                params, file.median, file.max);
  }
  QElapsedTimer read;
  read.start();
  const qsizetype entries = store.entries().size();
  std::printf("history read: %lld entries in %.1f ms\n", static_cast<long long>(entries),
              read.nsecsElapsed() / 1e6);
  return flushed ? 0 : 1;
}
