// The command line of velumo-config: the line options of portwright-cli, a command and its
// arguments. Parsing only.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli_options.h"

namespace vmconfig {

enum class Command {
  Help,
  Upload,
  Download,
  Compare,
  Scan,
  BackupBus,
  RestoreBus,
  History,
  Report
};

// What a download does with the parameters of the drive's set that the file does not list.
enum class Missing {
  Refuse,     // the file is refused (exit 5), naming them
  KeepDrive,  // --missing drive: only the file's lines are written, the drive keeps the rest
  Defaults,   // --missing defaults: they are written with their defaults, as the program does
};

struct Options {
  Command command = Command::Help;
  pwcli::LineOptions line;
  std::string path;   // FILE or DIR
  int firstNode = 1;  // --nodes for scan and backup-bus
  int lastNode = 247;
  bool nodesGiven = false;
  bool force = false;     // download despite another amplifier or firmware revision
  bool withComm = false;  // also write P3.00-P3.02 (node address, baud rate, protocol)
  bool defaults = false;  // compare the file with the catalogue defaults
  Missing missing = Missing::Refuse;
  bool csv = false;
  int paceMs = 400;  // pause after each write, as the program paces its downloads
  std::optional<std::string> backupDir;  // where download keeps the drive's backup
  std::optional<std::string> database;   // the drive database, default Data/VM.vmd beside us
  // The drive history (history, report, and what download and upload record).
  std::optional<std::string>
      journal;                     // the journal file, default Data/Journal.db of the data folder
  std::vector<std::string> files;  // --file: compare's and report's configuration files
  bool drive = false;              // --drive: the drive at --node on --port
  std::optional<std::string> parameter;  // history --parameter P1.05
  std::optional<std::string> since;      // history, report: a date, a time or a .vmc file
  std::optional<std::string> source;     // history --source "express write"
  bool changes = false;                  // history --changes: what changed since, one list
};

// args excludes the program name. Throws pwcli::UsageError.
Options ParseOptions(const std::vector<std::string>& args);

const char* HelpText();

}  // namespace vmconfig
