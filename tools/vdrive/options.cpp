#include "options.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>

namespace vdrive {

const char kUsage[] =
    "usage: vdrive [options]\n"
    "A drive on a pseudo-terminal: a Modbus slave with the drive's register map.\n"
    "Prints the device path on stdout, maps it to COMn in the port map while it runs\n"
    "(putting back what COMn meant before), and reads control commands from stdin (one per\n"
    "line; 'help' lists them).\n"
    "  --mode rtu|ascii        framing (default: the database's default protocol)\n"
    "  --settings B,P,D,S      line, e.g. 19200,N,8,2 (default: the database's choices); one of\n"
    "                          the drive's framings: RTU N,8,2 E,8,1 O,8,1, ASCII also 7 bits\n"
    "  --baud N                baud rate only: 4800, 9600, 19200, 38400, 57600, 115200\n"
    "  --node N                node address 1..247 (default: the database's, else 1)\n"
    "  --com N|free            COM number to map, or the lowest unmapped one (default: the\n"
    "                          database's port, else 1)\n"
    "  --no-map                do not touch the port map\n"
    "  --amp 20|21|23          amplifier (default 21)\n"
    "  --motor CODE            motor code P1.31 (default: the database's default motor)\n"
    "  --firmware 200|210      firmware revision (P0.00 = 2001 or 2101; default 200)\n"
    "  --passcode N            drive passcode 10..65535 (default: none)\n"
    "  --database PATH         drive database (default: <program folder>/Data/VM.vmd)\n"
    "  --no-stdin              ignore stdin (for running in the background)\n"
    "  --control-socket PATH   also take control commands on this Unix socket\n"
    "  --no-line-check         answer whatever baud rate, parity and stop bits the client uses\n"
    "  --no-pacing             bytes as fast as the pseudo-terminal moves them, no turnaround\n"
    "  --full-duplex           a request sent while the drive is still sending is received\n"
    "                          (default: half duplex, the two collide)\n"
    "  --no-range-check        accept any parameter value the database limits would refuse\n"
    "  --listen tcp:127.0.0.1:PORT | mbtcp:127.0.0.1:PORT\n"
    "                          behind a listener on the loopback interface instead of a\n"
    "                          pseudo-terminal: RTU or ASCII frames over TCP (a serial device\n"
    "                          server), or Modbus TCP (a gateway); PORT 0 takes a free one.\n"
    "                          Prints the endpoint (tcp://127.0.0.1:PORT) and maps it to COMn\n"
    "  --nodes LIST            with --listen: the drives behind it, e.g. 1-3,7 (default --node)\n"
    "  --gateway-delay MS      with --listen: each reply leaves MS ms later (the forward delay)\n"
    "  --verbose               log requests and faults on stderr\n";

namespace {

std::string ProgramFolder() {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  path[n] = '\0';
  std::string text(path);
  return text.substr(0, text.rfind('/'));
}

bool ToInt(const char* text, long low, long high, int& value) {
  char* end = nullptr;
  const long parsed = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || parsed < low || parsed > high) return false;
  value = static_cast<int>(parsed);
  return true;
}

}  // namespace

bool ParseOptions(int argc, char** argv, Options& options, std::string& error) {
  std::map<std::string, std::string> values;
  static const char* kFlags[] = {"--no-map",         "--no-stdin",  "--no-line-check",
                                 "--no-range-check", "--no-pacing", "--full-duplex",
                                 "--verbose",        "--help",      "-h"};
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    bool flag = false;
    for (const char* f : kFlags) flag = flag || name == f;
    if (flag) {
      values[name] = "1";
    } else if (name.rfind("--", 0) == 0 && i + 1 < argc) {
      values[name] = argv[++i];
    } else {
      error = "unknown or incomplete option " + name;
      return false;
    }
  }
  if (values.count("--help") || values.count("-h")) {
    options.showHelp = true;
    return true;
  }
  const auto take = [&values](const char* name, std::string& out) {
    const auto it = values.find(name);
    if (it == values.end()) return false;
    out = it->second;
    values.erase(it);
    return true;
  };

  std::string text;
  options.databasePath = ProgramFolder() + "/Data/VM.vmd";
  take("--database", options.databasePath);
  ConnectionDefaults connection;
  LoadConnectionDefaults(options.databasePath, connection);
  options.server.framing = connection.framing;
  options.server.line = connection.line;
  options.server.node = connection.node;
  options.comPort = connection.comPort;

  if (take("--mode", text)) {
    if (text != "rtu" && text != "ascii") return error = "--mode is rtu or ascii", false;
    options.server.framing = text == "rtu" ? Framing::Rtu : Framing::Ascii;
  }
  if (take("--settings", text) && !ParseLineSettings(text, options.server.line))
    return error = "bad --settings " + text, false;
  if (take("--baud", text)) {
    LineSettings probe;
    if (!ParseLineSettings(text + ",N,8,1", probe)) return error = "bad --baud " + text, false;
    options.server.line.baud = probe.baud;
  }
  if (take("--node", text) && !ToInt(text.c_str(), 1, 247, options.server.node))
    return error = "--node is 1..247", false;
  if (take("--com", text)) {
    if (text == "free")
      options.comPort = 0;
    else if (!ToInt(text.c_str(), 1, 256, options.comPort))
      return error = "--com is 1..256 or free", false;
  }
  if (take("--amp", text) &&
      (!ToInt(text.c_str(), 20, 23, options.drive.ampCode) || options.drive.ampCode == 22))
    return error = "--amp is 20, 21 or 23", false;
  options.drive.motorCode = 0;  // the database's default for the amplifier
  if (take("--motor", text) &&
      (!ToInt(text.c_str(), 10, 31, options.drive.motorCode) ||
       drive_facts::AmpCodeOfMotor(options.drive.motorCode) != options.drive.ampCode))
    return error = "--motor must be a motor code of the amplifier", false;
  if (take("--firmware", text)) {
    if (text != "200" && text != "210") return error = "--firmware is 200 or 210", false;
    options.drive.revision = std::stoi(text);
  }
  if (take("--passcode", text) && !ToInt(text.c_str(), drive_facts::kNoPasscodeThreshold + 1,
                                         drive_facts::kPasscodeMax, options.drive.passcode))
    return error = "--passcode is 10..65535", false;
  if (take("--listen", text)) {
    if (!ParseListenText(text, options.network, error)) return false;
    options.listen = true;
  }
  options.network.nodes = {options.server.node};
  if (take("--nodes", text)) {
    if (!options.listen) return error = "--nodes needs --listen", false;
    if (!ParseNodeList(text, options.network.nodes))
      return error = "--nodes is a list of nodes 1..247 such as 1-3,7", false;
  }
  if (take("--gateway-delay", text)) {
    if (!options.listen) return error = "--gateway-delay needs --listen", false;
    if (!ToInt(text.c_str(), 0, 10000, options.network.gatewayDelayMs))
      return error = "--gateway-delay is 0..10000 ms", false;
  }
  take("--control-socket", options.server.controlSocket);
  options.mapPort = !take("--no-map", text);
  options.server.controlOnStdin = !take("--no-stdin", text);
  options.server.checkLine = !take("--no-line-check", text);
  options.server.pacing = !take("--no-pacing", text);
  options.server.halfDuplex = !take("--full-duplex", text);
  options.drive.rangeCheck = !take("--no-range-check", text);
  options.server.verbose = take("--verbose", text);
  if (!values.empty()) return error = "unknown option " + values.begin()->first, false;
  // P3.02 holds the framing: the drive runs only the framings of its protocol list.
  if (ProtocolPosition(options.server.framing, options.server.line) < 0)
    return error = "the drive has no framing " +
                   std::string(options.server.framing == Framing::Rtu ? "RTU " : "ASCII ") +
                   LineSettingsText(options.server.line),
           false;
  return true;
}

}  // namespace vdrive
