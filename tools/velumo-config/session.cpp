#include "session.h"

#include <QFile>

#include "drive_facts.h"
#include "params/config_check.h"
#include "params/number_text.h"
#include "tool_error.h"

namespace vmconfig {
namespace {

constexpr int kFirstCommParam = 300;  // P3.00 node address
constexpr int kLastCommParam = 302;   // P3.02 protocol

int32_t JogSpeedDefault(const basFunctions::ParamCatalog& catalog) {
  const basFunctions::ParamInfo& jog = catalog[config_file::kJogSpeedIndex];
  return jog.defaultValue ? basFunctions::RawFromDisplay(*jog.defaultValue, jog.resolution) : 0;
}

}  // namespace

std::array<int16_t, 5> LimitsForRevision(int revision) {
  drive_facts::GroupLimits limits{};
  std::array<int16_t, 5> result{};
  if (!drive_facts::GroupLimitsFor(revision, limits)) return result;
  for (size_t g = 0; g < result.size(); ++g) result[g] = static_cast<int16_t>(limits.last[g]);
  return result;
}

Target TargetOfFile(const ConfigFile& file) {
  Target own;
  own.id.motorCode = file.motorCode;
  own.id.firmwareWord = drive_facts::FirmwareWord(file.revision);
  own.model = file.model;
  own.limits = LimitsForRevision(file.revision);
  return own;
}

Session::Session(const Options& options) : options_(options), out_(options.csv) {}

Database& Session::database() {
  if (!database_) {
    const QString path =
        options_.database ? QString::fromStdString(*options_.database) : DefaultDatabasePath();
    database_ = std::make_unique<Database>(path);
  }
  return *database_;
}

DriveLink& Session::link(int timeoutMs) {
  if (!link_) link_ = std::make_unique<DriveLink>(options_.line, timeoutMs);
  return *link_;
}

ConfigFile ReadConfigFile(Session& session, const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw ToolError(kExitFile,
                    "cannot read " + path.toStdString() + ": " + file.errorString().toStdString());
  ConfigFile result;
  result.path = path;
  result.contents = config_file::Read(file.readAll());
  if (!result.contents.ok()) {
    const config_file::Refusal& refused = *result.contents.refused;
    throw ToolError(kExitFile, path.toStdString() + ": line " + std::to_string(refused.lineNumber) +
                                   " cannot be used (" + refused.reason.toStdString() +
                                   "): " + refused.text.toStdString());
  }
  const config_file::Header& header = result.contents.header;
  result.motorCode = static_cast<int>(number_text::LeadingNumber(header.motorCode));
  result.ampCode = drive_facts::AmpCodeOfMotor(result.motorCode);
  result.revision = static_cast<int>(number_text::LeadingNumber(header.revision));
  if (number_text::IsNumber(header.revision))
    result.model = session.database().ModelName(result.ampCode, result.revision);
  if (result.model.isEmpty())
    throw ToolError(kExitFile, path.toStdString() +
                                   " is configured for a drive model that is not supported "
                                   "(motor code " +
                                   header.motorCode.toStdString() + ", revision " +
                                   header.revision.toStdString() + ")");
  return result;
}

Target IdentifyTarget(Session& session, int node) {
  const std::optional<DriveId> id = session.link().Identify(node);
  if (!id)
    throw ToolError(kExitNoAnswer, "no drive answers at node " + std::to_string(node) +
                                       " (check the cable, --port, --settings, --mode, --node)");
  return TargetOf(session, *id);
}

Target TargetOf(Session& session, const DriveId& id) {
  Target target;
  target.id = id;
  target.model = session.database().ModelName(id.ampCode(), id.revision());
  target.motor = session.database().MotorName(id.ampCode(), id.revision(), id.motorCode);
  target.limits = LimitsForRevision(id.revision());
  if (target.model.isEmpty() || target.limits == std::array<int16_t, 5>{})
    throw ToolError(kExitFile, "the drive at node " + std::to_string(id.node) +
                                   " is a model the drive database does not know (motor code " +
                                   std::to_string(id.motorCode) + ", firmware " +
                                   std::to_string(id.firmwareWord) + ")");
  return target;
}

std::string Describe(const QString& model, int revision, int motorCode) {
  return model.toStdString() + " firmware " + FirmwareText(revision * 10 + 1) + " motor " +
         std::to_string(motorCode);
}

void CheckFileFitsDrive(const ConfigFile& file, const Target& target, bool force) {
  if (force) return;
  if (file.ampCode == target.id.ampCode() && file.revision == target.id.revision()) return;
  throw ToolError(kExitFile, file.path.toStdString() + " is for " +
                                 Describe(file.model, file.revision, file.motorCode) +
                                 "; the drive at node " + std::to_string(target.id.node) + " is " +
                                 Describe(target.model, target.id.revision(), target.id.motorCode) +
                                 " (--force loads it anyway)");
}

std::unique_ptr<Prepared> PrepareDownload(Session& session, const ConfigFile& file,
                                          const Target& target, bool missingMatters) {
  auto prepared = std::make_unique<Prepared>();
  // The file's own motor code decides the motor-specific defaults, as when the program opens it.
  basFunctions::ValueTable asFiled;
  config_file::Apply(file.contents, asFiled, 0);
  session.database().LoadCatalog(target.id.ampCode(), target.id.revision(), asFiled,
                                 prepared->catalog);
  const std::string path = file.path.toStdString();
  if (const auto refused =
          config_check::RefusedValue(file.contents, prepared->catalog, target.limits))
    throw ToolError(kExitFile, path + ": line " + std::to_string(refused->lineNumber) +
                                   " cannot be used (" + refused->reason.toStdString() +
                                   "): " + refused->text.toStdString());
  prepared->missing = config_check::Missing(file.contents, prepared->catalog, target.limits);
  if (missingMatters && !prepared->missing.isEmpty() &&
      session.options().missing == Missing::Refuse)
    throw ToolError(kExitFile,
                    path + " leaves out " + std::to_string(prepared->missing.size()) +
                        " parameter(s) of the drive's set: " + LabelsOf(prepared->missing, 20) +
                        " (--missing drive keeps the drive's own values for them, "
                        "--missing defaults writes their defaults)");
  FillDefaults(prepared->catalog, prepared->config);
  config_check::Apply(file.contents, prepared->catalog, prepared->config,
                      JogSpeedDefault(prepared->catalog));
  prepared->plan = transfer_plan::DownloadPlan(
      prepared->catalog, target.limits,
      transfer_plan::DisplayValues(prepared->config, prepared->catalog));
  return prepared;
}

bool KeepsOwnComm(int index, bool withComm) {
  return !withComm && index >= kFirstCommParam && index <= kLastCommParam;
}

QList<int> WrittenIndexes(const Prepared& prepared, const Options& options) {
  const bool keepMissing = options.missing == Missing::KeepDrive;
  QList<int> indexes;
  for (const transfer_plan::Planned& step : prepared.plan)
    if (step.step == transfer_plan::Step::Write && !KeepsOwnComm(step.index, options.withComm) &&
        !(keepMissing && prepared.missing.contains(step.index)))
      indexes << step.index;
  return indexes;
}

std::string LabelsOf(const QList<int>& indexes, qsizetype shown) {
  std::string text = transfer_plan::Labels(indexes.mid(0, shown)).toStdString();
  if (indexes.size() > shown) text += " and " + std::to_string(indexes.size() - shown) + " more";
  return text;
}

std::string DisplayOf(const basFunctions::ParamCatalog& catalog, int index, int32_t raw) {
  return basFunctions::DisplayText(raw, catalog[index].resolution).toStdString();
}

std::string LabelOf(int index) {
  return basFunctions::ParamLabel(basFunctions::ParamKeyText(index)).toStdString();
}

bool SameRegister(int32_t a, int32_t b) {
  return static_cast<uint16_t>(a) == static_cast<uint16_t>(b);
}

}  // namespace vmconfig
