// Figures of the configurations: reading and writing a configuration file in the file module
// (no catalogue load, no specified pauses; target below 5 ms each), and a full download against
// the line-paced virtual drive at 19200 baud (total time and the share of the 0.4 s pacing).
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app_harness.h"
#include "config/config_io.h"
#include "config/drive_transfer.h"
#include "core/status.h"
#include "link/bas_comm.h"
#include "link/connect_sequence.h"
#include "link/poll_groups.h"
#include "params/config_check.h"
#include "params/config_file.h"
#include "params/drive_identity.h"
#include "params/param_catalog.h"
#include "params/transfer_plan.h"
#include "params/value_table.h"

namespace {

constexpr std::array<int16_t, 5> kLimits210{8, 56, 65, 8, 23};

struct Figures {
  double median, max;
};

template <class Body>
Figures timeRuns(int runs, Body&& body) {
  std::vector<double> ms;
  for (int run = 0; run < runs; ++run) {
    QElapsedTimer clock;
    clock.start();
    body();
    ms.push_back(clock.nsecsElapsed() / 1e6);
  }
  std::sort(ms.begin(), ms.end());
  return {ms[ms.size() / 2], ms.back()};
}

void benchFile() {
  apptest::ProgramFolder folder;
  basFunctions::ValueTable config;
  // The set the file is checked against, as an open loads it (the load is not timed here).
  basFunctions::ParamCatalog set;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "bench");
    db.setDatabaseName(folder.dataFile("VM.vmd"));
    db.open();
    set.load(db, QStringLiteral("qryTabParams"), 21, 210, config, config);
  }
  QSqlDatabase::removeDatabase("bench");
  // Every parameter at a value it takes, so that every line is checked.
  for (int k : set.loadedIndexes())
    if (set[k].defaultValue)
      config.byIndex(k) = basFunctions::RawFromDisplay(*set[k].defaultValue, set[k].resolution);
  const QString path = folder.path() + "/Configs/bench.vmc";
  QByteArray bytes;
  const Figures encode = timeRuns(2000, [&] {
    bytes = config_file::Write(config, kLimits210, path, QStringLiteral("12/7/26 1:00 PM"));
  });
  const Figures decode = timeRuns(2000, [&] {
    basFunctions::ValueTable into;
    config_file::Apply(config_file::Read(bytes), into, 0);
  });
  const Figures plain = timeRuns(500, [&] {
    QFile file(path + ".plain");
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(bytes);
  });
  const Figures write = timeRuns(500, [&] {
    QString reason;
    basFunctions::WriteConfigFile(path, config, kLimits210, reason);
  });
  const Figures read = timeRuns(500, [&] {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const config_file::Contents contents = config_file::Read(file.readAll());
    basFunctions::ValueTable into;
    if (!config_check::RefusedValue(contents, set, kLimits210) &&
        config_check::Missing(contents, set, kLimits210).isEmpty())
      config_check::Apply(contents, set, into, 0);
  });
  std::printf("file module: write %.3f ms, read and apply %.3f ms (medians, in memory)\n",
              encode.median, decode.median);
  std::printf(
      "file write as SaveFile does it (temporary file, flush, sync to disk, rename): "
      "median %.3f ms, max %.3f ms (target < 5 ms); the same bytes written in place "
      "without the sync: median %.3f ms\n",
      write.median, write.max, plain.median);
  std::printf(
      "file read (file, each value checked against its parameter, missing ones listed, apply): "
      "median %.3f ms, max %.3f ms (target < 5 ms)\n",
      read.median, read.max);
}

bool connect(apptest::VirtualDrive& drive) {
  if (!drive.start(1, {})) {
    std::printf("download: %s\n", qPrintable(drive.error()));
    return false;
  }
  commSettings::Selection selection;
  selection.portIndex = 0;
  selection.speedIndex = 2;
  selection.protocolIndex = 8;  // RTU 19200,O,8,1, the drive's factory setting
  selection.speedText = "19200";
  selection.addressText = "1";
  commSettings::Connect(selection);
  return basComm::DriveConnected == 1 &&
         apptest::WaitFor([] { return basFunctions::InitComplete; }, 30000);
}

void benchDownload() {
  apptest::ProgramFolder folder;
  apptest::VirtualDrive drive;
  apptest::Program program;
  if (!program.start({})) return;
  if (!connect(drive)) {
    std::printf("download: could not connect to the virtual drive\n");
    return;
  }
  prompt::ScriptReplies({prompt::Reply{prompt::Yes, {}}});
  basFunctions::Upload();
  const auto plan = transfer_plan::DownloadPlan(
      basFunctions::Catalog, basFunctions::GroupLimit,
      transfer_plan::DisplayValues(basFunctions::WorkingConfig, basFunctions::Catalog));
  int writes = 0, pauses = 0;
  for (const auto& step : plan) {
    writes += step.step == transfer_plan::Step::Write;
    pauses += step.pauses();
  }
  for (double scale : {1.0, 0.0}) {
    basFunctions::PauseScale = scale;
    prompt::ScriptReplies({prompt::Reply{prompt::Yes, {}}});
    QElapsedTimer clock;
    clock.start();
    const basFunctions::DownloadOutcome outcome = basFunctions::Download();
    const double seconds = clock.nsecsElapsed() / 1e9;
    if (scale == 1.0) {
      const double pacing = pauses * 0.4;
      std::printf(
          "download at 19200 baud, line-paced drive: %.1f s for %d writes (%d failed), "
          "of which %.1f s (%.0f %%) is the specified 0.4 s pacing\n",
          seconds, outcome.written, static_cast<int>(outcome.failed.size()), pacing,
          100.0 * pacing / seconds);
    } else {
      std::printf(
          "the same download without the pacing: %.2f s (%.1f ms per write, backup "
          "read and file included)\n",
          seconds, 1000.0 * seconds / std::max(writes, 1));
    }
  }
  basFunctions::PauseScale = 1;
  program.stop();
}

}  // namespace

int main(int argc, char** argv) {
  apptest::PrepareProcessEnvironment();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("VelumoPRO"));
  QApplication::setQuitOnLastWindowClosed(false);
  benchFile();
  if (argc < 2 || QByteArray(argv[1]) != "--file-only") benchDownload();
  return 0;
}
