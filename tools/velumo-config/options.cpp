#include "options.h"

#include <map>

namespace vmconfig {
namespace {

using pwcli::UsageError;

int NeedInt(const std::string& text, long long low, long long high, const std::string& what) {
  auto value = pwcli::ParseInteger(text, low, high);
  if (!value) {
    throw UsageError(what + " must be a whole number from " + std::to_string(low) + " to " +
                     std::to_string(high) + ", got \"" + text + "\"");
  }
  return static_cast<int>(*value);
}

// "5" or "1-247".
void ParseNodes(Options& options, const std::string& text) {
  const size_t dash = text.find('-');
  options.firstNode = NeedInt(text.substr(0, dash), 1, 247, "--nodes");
  options.lastNode = dash == std::string::npos ? options.firstNode
                                               : NeedInt(text.substr(dash + 1), 1, 247, "--nodes");
  if (options.lastNode < options.firstNode)
    throw UsageError("--nodes is FIRST-LAST, FIRST <= LAST");
  options.nodesGiven = true;
}

// Options that take a value; the rest are flags.
const pwcli::OptionTable& KnownOptions() {
  static const pwcli::OptionTable options = {
      {"--port", true},      {"--settings", true}, {"--mode", true},     {"--node", true},
      {"--timeout", true},   {"--nodes", true},    {"--pace", true},     {"--backup-dir", true},
      {"--database", true},  {"--missing", true},  {"--force", false},   {"--with-comm", false},
      {"--defaults", false}, {"--csv", false},     {"--trace", false},   {"--help", false},
      {"--journal", true},   {"--file", true},     {"--drive", false},   {"--parameter", true},
      {"--since", true},     {"--source", true},   {"--changes", false},
  };
  return options;
}

void ApplyOption(Options& options, const std::string& name, const std::string& value) {
  pwcli::LineOptions& line = options.line;
  if (name == "--port") {
    line.port = value;
  } else if (name == "--settings") {
    line.settings = value;
  } else if (name == "--mode") {
    if (value != "rtu" && value != "ascii" && value != "RTU" && value != "ASCII")
      throw UsageError("--mode is rtu or ascii");
    line.mode = (value == "rtu" || value == "RTU") ? portwright::RTU : portwright::ASCII;
  } else if (name == "--node") {
    line.node = NeedInt(value, 1, 247, "--node");
  } else if (name == "--timeout") {
    line.timeoutMs = NeedInt(value, 1, 30000, "--timeout");
  } else if (name == "--nodes") {
    ParseNodes(options, value);
  } else if (name == "--pace") {
    options.paceMs = NeedInt(value, 0, 10000, "--pace");
  } else if (name == "--backup-dir") {
    options.backupDir = value;
  } else if (name == "--missing") {
    if (value == "drive")
      options.missing = Missing::KeepDrive;
    else if (value == "defaults")
      options.missing = Missing::Defaults;
    else
      throw UsageError("--missing is drive or defaults, got \"" + value + "\"");
  } else if (name == "--database") {
    options.database = value;
  } else if (name == "--force") {
    options.force = true;
  } else if (name == "--with-comm") {
    options.withComm = true;
  } else if (name == "--defaults") {
    options.defaults = true;
  } else if (name == "--csv") {
    options.csv = true;
  } else if (name == "--trace") {
    line.trace = true;
  } else if (name == "--journal") {
    options.journal = value;
  } else if (name == "--file") {
    if (options.files.size() == 2) throw UsageError("--file is given at most twice");
    options.files.push_back(value);
  } else if (name == "--drive") {
    options.drive = true;
  } else if (name == "--parameter") {
    options.parameter = value;
  } else if (name == "--since") {
    options.since = value;
  } else if (name == "--source") {
    options.source = value;
  } else if (name == "--changes") {
    options.changes = true;
  }
}

struct CommandShape {
  Command command;
  bool takesPath;
  const char* pathName;
};

const std::map<std::string, CommandShape>& Commands() {
  static const std::map<std::string, CommandShape> commands = {
      {"upload", {Command::Upload, true, "FILE"}},
      {"download", {Command::Download, true, "FILE"}},
      {"compare", {Command::Compare, true, "FILE"}},
      {"scan", {Command::Scan, false, ""}},
      {"backup-bus", {Command::BackupBus, true, "DIR"}},
      {"restore-bus", {Command::RestoreBus, true, "DIR"}},
      {"history", {Command::History, false, ""}},
      {"report", {Command::Report, true, "OUT.pdf or OUT.csv"}},
  };
  return commands;
}

}  // namespace

Options ParseOptions(const std::vector<std::string>& args) {
  Options options;
  bool help = false;
  const std::vector<std::string> words = pwcli::SplitOptions(
      args, KnownOptions(), [&](const std::string& name, const std::string& value) {
        if (name == "--help") help = true;
        ApplyOption(options, name, value);
      });
  // The drive's factory line, as the program's connect dialog offers it.
  if (!options.line.settings) options.line.settings = "19200,O,8,1";
  if (help || words.empty()) return options;
  auto shape = Commands().find(words[0]);
  if (shape == Commands().end()) throw UsageError("unknown command \"" + words[0] + "\"");
  options.command = shape->second.command;
  // compare --file A [--file B] [--drive] [--defaults] names its sides without FILE.
  const bool sidesNamed = options.command == Command::Compare && !options.files.empty();
  const size_t expected = shape->second.takesPath && !sidesNamed ? 2 : 1;
  if (words.size() < expected) throw UsageError(words[0] + " needs " + shape->second.pathName);
  if (words.size() > expected) throw UsageError("unexpected \"" + words[expected] + "\"");
  if (shape->second.takesPath && !sidesNamed) options.path = words[1];
  if (options.command == Command::BackupBus && !options.nodesGiven)
    throw UsageError("backup-bus needs --nodes RANGE");
  const size_t sides = options.files.size() + (options.drive ? 1 : 0) + (options.defaults ? 1 : 0);
  if (sidesNamed && sides < 2)
    throw UsageError(
        "compare needs two or three sides: --file A with --file B, --drive or "
        "--defaults");
  if (sidesNamed && sides > 3) throw UsageError("compare takes at most three sides");
  return options;
}

const char* HelpText() {
  return R"(velumo-config: back up, restore, compare and verify drives from the command line.

Usage:
  velumo-config [options] upload FILE        the drive's whole configuration into FILE (.vmc)
  velumo-config [options] download FILE      FILE into the drive, then read back and check
  velumo-config [options] compare FILE       FILE against the drive (--defaults: the defaults)
  velumo-config [options] scan [--nodes 1-247]      the drives that answer on this line
  velumo-config [options] backup-bus --nodes RANGE DIR   every drive found, one file each
  velumo-config [options] restore-bus DIR    each node's newest file of DIR into its node
  velumo-config [options] compare --file A [--file B] [--drive] [--defaults]
                                             two or three of them side by side
  velumo-config [options] history [--drive]  the drive history (--drive: of that drive only)
  velumo-config [options] report OUT.pdf|OUT.csv [--file A]
                                             commissioning report of the drive (or of file A)

Line options (as portwright-cli):
  --port COMn|DEVICE   port (COM1; COMn goes through the port map)
  --settings TEXT      baud rate, parity, data bits, stop bits (19200,O,8,1)
  --mode rtu|ascii     framing (rtu)
  --node N             the drive's node address (1)
  --timeout MS         reply time-out (1000; scan: a short one from the baud rate)
  --trace              every frame on stderr

Download options:
  --force              load a file made for another amplifier or firmware revision
  --with-comm          also write P3.00-P3.02 (node address, baud rate, protocol); without
                       it every drive keeps its own
  --missing drive      a file that leaves out parameters of the drive's set is refused
  --missing defaults   (exit 5, naming them) unless told what to do with them: "drive"
                       writes only the file's lines and the drive keeps its own values for
                       the rest (a short hand-written file); "defaults" writes their default
                       values, as the program does when it opens such a file
  --pace MS            pause after each write (400, the program's pacing; 0 for drives
                       that take it)
  --backup-dir DIR     where the drive's settings are saved before the first write
                       (installed: ~/.local/share/VelumoPRO/Configs/Backups, the program's
                       data folder, or $XDG_DATA_HOME/VelumoPRO; run from a build:
                       Configs/Backups beside the program)
Other options:
  --nodes A-B          node range of scan and backup-bus
  --defaults           compare FILE with the catalogue defaults, no drive needed
  --csv                results as comma-separated lines on stdout
  --database PATH      the drive database (Data/VM.vmd beside the program)

Drive history (every download and upload is recorded; history and report read it):
  --journal FILE       the history file (Data/Journal.db of the program's data folder)
  --parameter P1.05    history: only the entries that wrote this parameter
  --since WHEN         history: from a date ("2026-05-17"), a time ("2026-05-17 14:03") or
                       a .vmc file (since the drive last took it); report: the visit's start
                       (the start of today)
  --source NAME        history: one source ("express write", "download", "jog", ...)
  --changes            history: what changed since --since, one line per parameter

Exit codes: 0 good; 1 differences found, or the drive does not hold everything written;
2 bad command line; 3 the port cannot be opened; 4 no answer from the drive; 5 file refused
(missing, damaged or cut short, a value that is not a number or that its parameter cannot
take, parameters left out without --missing, unsupported, or for another drive); 6 database
or file trouble here.
)";
}

}  // namespace vmconfig
