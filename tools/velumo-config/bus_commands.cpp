// scan, backup-bus and restore-bus: every drive on one line.
#include <QDateTime>
#include <QDir>
#include <QRegularExpression>
#include <map>

#include "commands.h"
#include "tool_error.h"

namespace vmconfig {
namespace {

// A reply time-out for the scan's one-word reads: twice the line time of request and reply at
// the baud rate (11 bits a character; ASCII about doubles the characters), plus 20 ms for the
// drive's turnaround. A drive with a long response delay (P3.07) needs --timeout. Behind a
// gateway the bus's baud rate is the gateway's, not --settings: allow for 9600 baud and the
// gateway's forwarding.
int ScanTimeOutMs(const pwcli::LineOptions& line) {
  if (line.timeoutMs) return *line.timeoutMs;
  if (DriveLink::OverNetwork(line)) return 2 * 15 * 11 * 1000 / 9600 + 100;
  const int baud = std::max(1200, std::atoi(line.settings.value_or("19200").c_str()));
  const int characters = line.mode == portwright::ASCII ? 34 : 15;
  return 2 * characters * 11 * 1000 / baud + 20;
}

// The drives that answer in the range, in node order, each listed as it is found.
std::vector<Target> FindDrives(Session& session) {
  const Options& options = session.options();
  DriveLink& link = session.link(ScanTimeOutMs(options.line));
  link.SetTimeout(ScanTimeOutMs(options.line));
  Output& out = session.out();
  out.Row({"node", "model", "firmware", "motor", "motor description"});
  std::vector<Target> found;
  for (int node = options.firstNode; node <= options.lastNode; ++node) {
    out.Progress("scanning node " + std::to_string(node) + " of " +
                 std::to_string(options.firstNode) + "-" + std::to_string(options.lastNode) + ", " +
                 std::to_string(found.size()) + " found");
    try {
      const std::optional<DriveId> id = link.Identify(node);
      if (!id) continue;
      const Target target = TargetOf(session, *id);
      out.Line("node " + std::to_string(node) + ": " +
               Describe(target.model, target.id.revision(), target.id.motorCode) + " (" +
               target.motor.toStdString() + ")");
      out.Row({std::to_string(node), target.model.toStdString(),
               FirmwareText(target.id.firmwareWord), std::to_string(target.id.motorCode),
               target.motor.toStdString()});
      found.push_back(target);
    } catch (const ToolError& e) {
      out.Error(e.what());  // something answers there, but not as a drive we know
    }
  }
  out.EndProgress();
  link.SetTimeout(options.line.timeoutMs.value_or(Session::kReplyTimeOutMs));
  return found;
}

// "Node 005 KDA-1K 2026-12-07 14-03-52.vmc".
QString BusFileName(const Target& target, const QDateTime& when) {
  return QStringLiteral("Node %1 %2 %3.vmc")
      .arg(target.id.node, 3, 10, QChar('0'))
      .arg(target.model, when.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss")));
}

const QRegularExpression& BusFilePattern() {
  static const QRegularExpression pattern(
      QStringLiteral("^Node (\\d{3}) .* (\\d{4}-\\d{2}-\\d{2} \\d{2}-\\d{2}-\\d{2})\\.vmc$"));
  return pattern;
}

// The newest file of each node in the folder.
std::map<int, QString> NewestFiles(const QDir& folder) {
  std::map<int, std::pair<QString, QString>> newest;  // node -> (date, path)
  for (const QString& name : folder.entryList({QStringLiteral("Node *.vmc")}, QDir::Files)) {
    const QRegularExpressionMatch match = BusFilePattern().match(name);
    if (!match.hasMatch()) continue;
    const int node = match.captured(1).toInt();
    if (node < 1 || node > 247) continue;
    auto& entry = newest[node];
    if (match.captured(2) >= entry.first) entry = {match.captured(2), folder.filePath(name)};
  }
  std::map<int, QString> files;
  for (const auto& [node, entry] : newest) files[node] = entry.second;
  return files;
}

}  // namespace

int Scan(Session& session) {
  const std::vector<Target> found = FindDrives(session);
  session.out().Line(std::to_string(found.size()) + " drive(s) found");
  return found.empty() ? kExitNoAnswer : kExitOk;
}

int BackupBus(Session& session) {
  const QDir folder(QString::fromStdString(session.options().path));
  if (!QDir().mkpath(folder.path()))
    throw ToolError(kExitLocal, "cannot create " + folder.path().toStdString());
  const std::vector<Target> found = FindDrives(session);
  if (found.empty()) throw ToolError(kExitNoAnswer, "no drive answers in the node range");
  const QDateTime now = QDateTime::currentDateTime();
  for (const Target& target : found) {
    const QString path = folder.filePath(BusFileName(target, now));
    SaveDrive(session, target, path);
    session.out().Line("node " + std::to_string(target.id.node) + ": saved to " +
                       path.toStdString());
  }
  session.out().Line(std::to_string(found.size()) + " drive(s) saved in " +
                     folder.path().toStdString());
  return kExitOk;
}

int RestoreBus(Session& session) {
  const QDir folder(QString::fromStdString(session.options().path));
  const std::map<int, QString> files = NewestFiles(folder);
  if (files.empty())
    throw ToolError(kExitFile,
                    "no \"Node NNN <model> <date>.vmc\" files in " + folder.path().toStdString());
  int exitCode = kExitOk;
  int restored = 0;
  for (const auto& [node, path] : files) {
    try {
      const int code = DownloadTo(session, node, path);
      if (code == kExitOk) ++restored;
      if (exitCode == kExitOk) exitCode = code;
    } catch (const ToolError& e) {
      session.out().Error("node " + std::to_string(node) + ": " + e.what());
      if (exitCode == kExitOk) exitCode = e.code();
    }
  }
  session.out().Line(std::to_string(restored) + " of " + std::to_string(files.size()) +
                     " drive(s) restored and verified");
  return exitCode;
}

}  // namespace vmconfig
