// history: the drive history from the journal file, newest first, or what changed since.
#include <QFileInfo>
#include <QMap>
#include <QPair>
#include <algorithm>
#include <map>
#include <memory>

#include "commands.h"
#include "drive_facts.h"
#include "journal_use.h"
#include "params/journal_store.h"
#include "params/three_way_compare.h"
#include "tool_error.h"

namespace vmconfig {
namespace {

using basFunctions::ParamCatalog;

// The labels and units of every drive model the history names, loaded once each.
class Catalogues {
 public:
  explicit Catalogues(Session& session) : session_(session) {}
  const ParamCatalog& of(const journal::DriveId& drive) {
    const QPair<int, int> key{drive_facts::AmpCodeOfMotor(drive.motor), drive.revision()};
    std::unique_ptr<ParamCatalog>& catalog = loaded_[key];
    if (!catalog) {
      catalog = std::make_unique<ParamCatalog>();
      // A drive the database does not know keeps bare parameter numbers.
      if (!session_.database().ModelName(key.first, key.second).isEmpty())
        session_.database().LoadCatalog(key.first, key.second, basFunctions::ValueTable(),
                                        *catalog);
    }
    return *catalog;
  }

 private:
  Session& session_;
  std::map<QPair<int, int>, std::unique_ptr<ParamCatalog>> loaded_;
};

std::string shown(const ParamCatalog& catalog, int index, const std::optional<int32_t>& raw) {
  return raw ? threeWay::ShownOf(catalog, index, *raw).toStdString() : std::string("unknown");
}

std::string units(const ParamCatalog& catalog, int index) {
  return index < ParamCatalog::kSize && catalog[index].loaded ? catalog[index].EU.toStdString()
                                                              : std::string();
}

QDateTime SinceOf(const std::string& text, const journal::Store& store,
                  const std::optional<journal::DriveId>& drive) {
  const QString when = QString::fromStdString(text).trimmed();
  for (const char* format : {"yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd HH:mm", "yyyy-MM-dd",
                             "yyyy-MM-ddTHH:mm:ss", "yyyy-MM-ddTHH:mm"}) {
    QDateTime at = QDateTime::fromString(when, QString::fromLatin1(format));
    if (at.isValid()) return at;
  }
  if (QFileInfo(when).isFile()) {
    if (drive) return journal::TimeOfFile(store, *drive, when);
    for (const journal::DriveId& known : store.drives()) {
      const QDateTime at = journal::TimeOfFile(store, known, when);
      if (at.isValid()) return at;
    }
  }
  throw ToolError(kExitUsage,
                  "--since takes a date (2026-05-17), a time (2026-05-17 14:03) or "
                  "a .vmc file; got \"" +
                      text + "\"");
}

journal::Filter FilterOf(Session& session, const journal::Store& store) {
  const Options& options = session.options();
  journal::Filter filter;
  if (options.drive)
    filter.drive = JournalDriveOf(session, IdentifyTarget(session, options.line.node));
  if (options.parameter) {
    filter.parameter = journal::ParameterOfText(QString::fromStdString(*options.parameter));
    if (!filter.parameter)
      throw ToolError(kExitUsage, "--parameter takes a parameter such as P1.05; got \"" +
                                      *options.parameter + "\"");
  }
  if (options.source) {
    filter.source = journal::SourceOfText(QString::fromStdString(*options.source));
    if (!filter.source) {
      std::string known;
      for (journal::Source source : journal::AllSources())
        known += (known.empty() ? "" : ", ") + journal::SourceText(source).toLower().toStdString();
      throw ToolError(kExitUsage,
                      "--source is one of " + known + "; got \"" + *options.source + "\"");
    }
  }
  if (options.since) filter.since = SinceOf(*options.since, store, filter.drive);
  if (options.changes && !options.since)
    throw ToolError(kExitUsage, "--changes needs --since (a date, a time or a file)");
  return filter;
}

void PrintEntries(Session& session, const QList<journal::Entry>& entries) {
  Output& out = session.out();
  Catalogues catalogues(session);
  out.Row({"time", "source", "detail", "user", "drive", "parameter", "before", "written", "units",
           "answer"});
  for (const journal::Entry& entry : entries) {
    const ParamCatalog& catalog = catalogues.of(entry.drive);
    out.Line(TimeText(entry.at) + "  " + journal::SourceText(entry.source).toStdString() +
             (entry.detail.isEmpty() ? "" : " " + entry.detail.toStdString()) + "  by " +
             entry.user.toStdString() + "  " + entry.drive.text().toStdString());
    for (const journal::ParamChange& change : entry.params) {
      const std::string label = threeWay::LabelOf(catalog, change.index).toStdString();
      const std::string unit = units(catalog, change.index);
      const std::string answer = journal::AnswerText(change.answer).toStdString();
      const std::string before = shown(catalog, change.index, change.before);
      const std::string written =
          change.written ? shown(catalog, change.index, change.written) : std::string();
      out.Line("  " + label + ": " + before + (change.written ? " -> " + written : "") +
               (unit.empty() ? "" : " " + unit) + " (" + answer + ")");
      out.Row({TimeText(entry.at), journal::SourceText(entry.source).toStdString(),
               entry.detail.toStdString(), entry.user.toStdString(),
               entry.drive.text().toStdString(), label, before, written, unit, answer});
    }
  }
  out.Line(std::to_string(entries.size()) + " entries");
}

// One list per drive: the same parameter of two drives is two changes.
void PrintChanges(Session& session, const QList<journal::Entry>& entries) {
  Output& out = session.out();
  Catalogues catalogues(session);
  QList<QList<journal::Entry>> byDrive;
  for (const journal::Entry& entry : entries) {
    auto same = std::find_if(byDrive.begin(), byDrive.end(), [&](const QList<journal::Entry>& d) {
      return d.first().drive.sameDrive(entry.drive);
    });
    if (same == byDrive.end())
      byDrive.append(QList<journal::Entry>{entry});
    else
      same->append(entry);
  }
  out.Row({"drive", "parameter", "before", "now", "units", "writes", "last", "source", "user"});
  qsizetype count = 0;
  for (const QList<journal::Entry>& drive : byDrive) {
    const journal::DriveId& id = drive.first().drive;
    const ParamCatalog& catalog = catalogues.of(id);
    const QList<journal::Change> changes = journal::ChangesOf(drive);
    if (!changes.isEmpty()) out.Line(id.text().toStdString() + ":");
    for (const journal::Change& change : changes) {
      const std::string label = threeWay::LabelOf(catalog, change.index).toStdString();
      const std::string before = shown(catalog, change.index, change.before);
      const std::string now = threeWay::ShownOf(catalog, change.index, change.now).toStdString();
      const std::string unit = units(catalog, change.index);
      out.Line("  " + label + ": " + before + " -> " + now + (unit.empty() ? "" : " " + unit) +
               " (" + std::to_string(change.writes) + " write(s), last " + TimeText(change.last) +
               ", " + journal::SourceText(change.source).toStdString() + ", by " +
               change.user.toStdString() + ")");
      out.Row({id.text().toStdString(), label, before, now, unit, std::to_string(change.writes),
               TimeText(change.last), journal::SourceText(change.source).toStdString(),
               change.user.toStdString()});
    }
    count += changes.size();
  }
  out.Line(std::to_string(count) + " parameter(s) changed");
}

}  // namespace

int History(Session& session) {
  const QString path = JournalPathOf(session.options());
  if (!QFileInfo(path).isFile()) {
    session.out().Line("no drive history yet (" + path.toStdString() + ")");
    return kExitOk;
  }
  const journal::Store store(path);
  if (!store.isOpen())
    throw ToolError(kExitLocal, "cannot read the drive history " + path.toStdString() + ": " +
                                    store.problem().toStdString());
  const journal::Filter filter = FilterOf(session, store);
  const QList<journal::Entry> entries = store.entries(filter);
  if (session.options().changes)
    PrintChanges(session, entries);
  else
    PrintEntries(session, entries);
  return kExitOk;
}

}  // namespace vmconfig
