// Figures of velumo-config against the line-paced virtual drive (8,O,1: 11 bits a character):
// a full upload at 115200 and 19200 baud against the line's own limit (every request and reply
// byte at the baud rate plus the drive's turnaround before each reply), a full download at
// 19200 with the program's pacing and unpaced, and a scan of nodes 1-247 with one drive.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "drive_link.h"
#include "params/value_table.h"
#include "session.h"
#include "vdrive_process.h"

namespace {

constexpr double kBitsPerCharacter = 11;
constexpr double kTurnaroundMs = 3;
// Words of the reads of an upload at revision 2.00: P0.00, P1.31, then groups 0-4.
const std::vector<int> kUploadReads{1, 1, 9, 56, 64, 8, 24};

double CharacterMs(int baud) { return kBitsPerCharacter * 1000.0 / baud; }

// One RTU read: 8 request bytes, the turnaround (never below 3.5 characters), 5 + 2n reply bytes.
double ReadLimitMs(int baud, int words) {
  const double character = CharacterMs(baud);
  return 8 * character + std::max(kTurnaroundMs, 3.5 * character) + (5 + 2 * words) * character;
}

// Runs the tool and returns its wall time in ms; -1 when it failed.
double RunMs(const QString& device, int baud, const QStringList& args) {
  QProcess process;
  QElapsedTimer clock;
  clock.start();
  process.start(
      VELUMO_CONFIG,
      QStringList{"--port", device, "--settings", QString::number(baud) + ",O,8,1"} + args);
  if (!process.waitForFinished(600000) || process.exitCode() != 0) {
    std::fprintf(stderr, "velumo-config %s failed: %s\n", args.join(' ').toUtf8().constData(),
                 process.readAllStandardError().constData());
    return -1;
  }
  return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

// The line part of an upload in this process, through the tool's own session: who answers,
// then the five block reads. Median of `runs`.
double LinePartMs(const std::string& device, int baud, int runs) {
  vmconfig::Options options;
  options.line.port = device;
  options.line.settings = std::to_string(baud) + ",O,8,1";
  vmconfig::Session session(options);
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer clock;
    clock.start();
    const vmconfig::Target target = vmconfig::IdentifyTarget(session, 1);
    basFunctions::ValueTable drive;
    session.link().ReadConfiguration(1, target.limits, drive);
    times.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

void Upload(const QTemporaryDir& folder, int baud) {
  vdtest::VdriveProcess drive;
  if (!drive.Start({"--no-map", "--baud", std::to_string(baud)})) return;
  const QString device = QString::fromStdString(drive.Device());
  double limit = 0;
  for (int words : kUploadReads) limit += ReadLimitMs(baud, words);
  const double wholeMs = RunMs(device, baud, {"upload", folder.filePath("bench.vmc")});
  const double lineMs = LinePartMs(drive.Device(), baud, 9);
  std::printf(
      "upload at %6d baud: line part %6.1f ms (median of 9), line limit %6.1f ms, ratio "
      "%.2f; whole run of the tool %6.1f ms\n",
      baud, lineMs, limit, lineMs / limit, wholeMs);
}

void Download(const QTemporaryDir& folder, int pace) {
  vdtest::VdriveProcess drive;
  if (!drive.Start({"--no-map", "--baud", "19200"})) return;
  const QString device = QString::fromStdString(drive.Device());
  const double ms = RunMs(device, 19200,
                          {"--pace", QString::number(pace), "--backup-dir",
                           folder.filePath("backups"), "download", folder.filePath("bench.vmc")});
  std::printf("download at 19200 baud, --pace %d: %.1f s (backup, writes, read-back)\n", pace,
              ms / 1000);
}

void Scan() {
  vdtest::VdriveProcess drive;
  if (!drive.Start({"--no-map", "--baud", "19200", "--node", "200"})) return;
  const double ms =
      RunMs(QString::fromStdString(drive.Device()), 19200, {"scan", "--nodes", "1-247"});
  std::printf("scan of nodes 1-247 at 19200 baud, one drive at node 200: %.1f s\n", ms / 1000);
}

}  // namespace

int main(int argc, char** argv) {
  QTemporaryDir store;
  qputenv("XDG_CONFIG_HOME", store.path().toLocal8Bit());
  QCoreApplication app(argc, argv);
  QTemporaryDir folder;
  Upload(folder, 115200);
  Upload(folder, 19200);
  Download(folder, 0);
  Download(folder, 400);
  Scan();
  std::printf("the program's download: one parameter per 0.4 s plus the write\n");
  return 0;
}
