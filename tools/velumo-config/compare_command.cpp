// compare: a file against the drive, or against the catalogue defaults.
#include "commands.h"
#include "drive_facts.h"
#include "params/compare_values.h"
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

}  // namespace

int Compare(Session& session) {
  const Options& options = session.options();
  const ConfigFile file = ReadConfigFile(session, QString::fromStdString(options.path));
  std::vector<Difference> differences;
  if (options.defaults) {
    // The file's own parameter set stands in for a drive.
    Target own;
    own.id.motorCode = file.motorCode;
    own.id.firmwareWord = drive_facts::FirmwareWord(file.revision);
    own.model = file.model;
    own.limits = LimitsForRevision(file.revision);
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
