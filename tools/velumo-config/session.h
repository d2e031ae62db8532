// What the commands of velumo-config share: the options, the output, the drive database, the
// line (opened on first use), a configuration file read and checked, and the drive it is for.
#pragma once

#include <QList>
#include <QString>
#include <array>
#include <memory>

#include "catalogue.h"
#include "drive_link.h"
#include "options.h"
#include "output.h"
#include "params/config_file.h"
#include "params/param_catalog.h"
#include "params/transfer_plan.h"
#include "params/value_table.h"

namespace vmconfig {

class Session {
 public:
  explicit Session(const Options& options);
  const Options& options() const { return options_; }
  Output& out() { return out_; }
  Database& database();
  // The line, opened with `timeoutMs` the first time it is needed.
  DriveLink& link(int timeoutMs);
  DriveLink& link() { return link(options_.line.timeoutMs.value_or(kReplyTimeOutMs)); }

  static constexpr int kReplyTimeOutMs = 1000;  // the program's reply time-out

 private:
  Options options_;
  Output out_;
  std::unique_ptr<Database> database_;
  std::unique_ptr<DriveLink> link_;
};

// A configuration file read as a whole and checked against the drive database.
struct ConfigFile {
  QString path;
  config_file::Contents contents;
  int ampCode = 0;
  int revision = 0;
  int motorCode = 0;
  QString model;  // the amplifier's name
};
// ToolError(kExitFile) for a missing, unreadable, damaged or unsupported file.
ConfigFile ReadConfigFile(Session& session, const QString& path);

// A drive that answered, with what the database says about it.
struct Target {
  DriveId id;
  QString model;
  QString motor;
  std::array<int16_t, 5> limits{};
};
// ToolError(kExitNoAnswer) when nothing answers at the node, kExitFile when the database has
// no parameter set for the drive.
Target IdentifyTarget(Session& session, int node);
// The same for a drive already heard from.
Target TargetOf(Session& session, const DriveId& id);
// The drive a file was saved from, as far as the file tells: its parameter set stands in for
// a drive where there is none to read.
Target TargetOfFile(const ConfigFile& file);
// The group limits of a firmware revision (all 0 for one the drive family does not have).
std::array<int16_t, 5> LimitsForRevision(int revision);
// "KDA-1K firmware 2.00 motor 21".
std::string Describe(const QString& model, int revision, int motorCode);

// Refuses (kExitFile) a file for another amplifier or firmware revision unless forced.
void CheckFileFitsDrive(const ConfigFile& file, const Target& target, bool force);

// The configuration a download writes: the drive's catalogue, every parameter at its default,
// then the file's lines (a P4.05 above 3000 taking its default, as the program opens files).
// ToolError(kExitFile) for a line whose value its parameter cannot take, and, when
// `missingMatters`, for parameters of the set the file leaves out unless --missing says what
// to do with them.
struct Prepared {
  basFunctions::ParamCatalog catalog;
  basFunctions::ValueTable config;
  QList<transfer_plan::Planned> plan;
  QList<int> missing;  // parameters of the set the file does not list
};
std::unique_ptr<Prepared> PrepareDownload(Session& session, const ConfigFile& file,
                                          const Target& target, bool missingMatters = true);

// P3.00-P3.02 (node address, baud rate, protocol): each drive keeps its own unless asked.
bool KeepsOwnComm(int index, bool withComm);
// The parameters a download writes and a comparison checks: the plan's writes, less the
// drive's own line settings and, with --missing drive, the parameters the file left out.
QList<int> WrittenIndexes(const Prepared& prepared, const Options& options);

// The display text of a raw value of parameter index ("12.5").
std::string DisplayOf(const basFunctions::ParamCatalog& catalog, int index, int32_t raw);
// "P1.05".
std::string LabelOf(int index);
// The value as one register carries it: values above 32767 as their two's complement.
bool SameRegister(int32_t a, int32_t b);
// "P1.05, P2.10" with at most `shown` names and the count of the rest.
std::string LabelsOf(const QList<int>& indexes, qsizetype shown);

}  // namespace vmconfig
