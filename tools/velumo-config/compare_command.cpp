// compare: a file against the drive, or against the catalogue defaults.
#include <QFileInfo>
#include <optional>

#include "commands.h"
#include "params/compare_values.h"
#include "params/param_value.h"
#include "params/three_way_compare.h"
#include "tool_error.h"

namespace vmconfig {
namespace {

using basFunctions::ParamInfo;
using basFunctions::ValueTable;

struct Difference {
  int index = 0;
  std::string file;
  std::string other;
};

void Report(Session& session, const std::vector<Difference>& differences, const char* otherName) {
  Output& out = session.out();
  out.Row({"parameter", "file", otherName});
  for (const Difference& d : differences) {
    out.Line(LabelOf(d.index) + ": file " + d.file + ", " + otherName + " " + d.other);
    out.Row({LabelOf(d.index), d.file, d.other});
  }
}

// The program's comparison with the defaults, both values in display units.
std::vector<Difference> AgainstDefaults(const Prepared& prepared,
                                        const std::array<int16_t, 5>& limits) {
  std::vector<Difference> differences;
  for (int index : compareValues::DifferingIndexes(prepared.config, prepared.catalog, limits)) {
    const ParamInfo& info = prepared.catalog[index];
    differences.push_back(
        {index, DisplayOf(prepared.catalog, index, prepared.config.P(index / 100, index % 100)),
         QString::number(*info.defaultValue, 'g', 15).toStdString()});
  }
  return differences;
}

std::vector<Difference> AgainstDrive(Session& session, const Prepared& prepared,
                                     const Target& target) {
  ValueTable drive;
  session.link().ReadConfiguration(target.id.node, target.limits, drive);
  std::vector<Difference> differences;
  for (int index : WrittenIndexes(prepared, session.options())) {
    const int32_t wanted = prepared.config.P(index / 100, index % 100);
    const int32_t held = drive.P(index / 100, index % 100);
    if (!SameRegister(wanted, held))
      differences.push_back({index, DisplayOf(prepared.catalog, index, wanted),
                             DisplayOf(prepared.catalog, index, held)});
  }
  return differences;
}

// One side of a comparison of two or three: a file, the drive or the defaults.
struct Side {
  std::string name;
  ValueTable values;
};

// compare --file A [--file B] [--drive] [--defaults]: the rows of the program's compare window.
int CompareSides(Session& session) {
  const Options& options = session.options();
  std::vector<ConfigFile> files;
  for (const std::string& path : options.files)
    files.push_back(ReadConfigFile(session, QString::fromStdString(path)));
  std::optional<Target> drive;
  if (options.drive) drive = IdentifyTarget(session, options.line.node);
  const Target own = files.empty() ? *drive : TargetOfFile(files[0]);
  std::vector<Side> sides;
  basFunctions::ParamCatalog catalog;
  for (const ConfigFile& file : files) {
    if (file.ampCode != own.id.ampCode() || file.revision != own.id.revision())
      throw ToolError(kExitFile, file.path.toStdString() + " is for another drive model than " +
                                     options.files[0]);
    const std::unique_ptr<Prepared> prepared = PrepareDownload(session, file, own, false);
    catalog = prepared->catalog;
    sides.push_back({QFileInfo(file.path).fileName().toStdString(), prepared->config});
  }
  if (drive) {
    if (!files.empty()) CheckFileFitsDrive(files[0], *drive, false);
    Side side{"drive", {}};
    session.link().ReadConfiguration(drive->id.node, own.limits, side.values);
    if (files.empty())
      session.database().LoadCatalog(own.id.ampCode(), own.id.revision(), side.values, catalog);
    param_value::ReadAsRegisters(side.values, catalog);
    sides.push_back(side);
  }
  if (options.defaults) sides.push_back({"defaults", threeWay::Defaults(catalog)});
  std::vector<const ValueTable*> tables;
  for (const Side& side : sides) tables.push_back(&side.values);
  const QList<threeWay::Row> rows = threeWay::Compare(catalog, own.limits, tables, true);
  Output& out = session.out();
  std::vector<std::string> header{"parameter", "units"};
  for (const Side& side : sides) header.push_back(side.name);
  out.Row(header);
  for (const threeWay::Row& row : rows) {
    std::string line = row.label.toStdString() + ":";
    std::vector<std::string> fields{row.label.toStdString(), row.units.toStdString()};
    for (size_t i = 0; i < sides.size(); ++i) {
      const std::string value = row.shown[i].toStdString() + (row.marked[i] ? " *" : "");
      line += (i ? ", " : " ") + sides[i].name + " " + value;
      fields.push_back(value);
    }
    out.Line(line + (row.units.isEmpty() ? "" : " (" + row.units.toStdString() + ")"));
    out.Row(fields);
  }
  out.Line(std::to_string(rows.size()) + " parameter(s) differ (* marks the value that differs)");
  return rows.isEmpty() ? kExitOk : kExitDifferent;
}

}  // namespace

int Compare(Session& session) {
  const Options& options = session.options();
  if (!options.files.empty()) return CompareSides(session);
  const ConfigFile file = ReadConfigFile(session, QString::fromStdString(options.path));
  std::vector<Difference> differences;
  if (options.defaults) {
    const Target own = TargetOfFile(file);
    const std::unique_ptr<Prepared> prepared = PrepareDownload(session, file, own, false);
    differences = AgainstDefaults(*prepared, own.limits);
    Report(session, differences, "default");
  } else {
    const Target target = IdentifyTarget(session, options.line.node);
    CheckFileFitsDrive(file, target, options.force);
    const std::unique_ptr<Prepared> prepared = PrepareDownload(session, file, target);
    differences = AgainstDrive(session, *prepared, target);
    Report(session, differences, "drive");
  }
  session.out().Line(std::to_string(differences.size()) + " parameter(s) differ");
  return differences.empty() ? kExitOk : kExitDifferent;
}

}  // namespace vmconfig
