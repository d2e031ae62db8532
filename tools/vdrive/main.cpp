// vdrive: a drive on a pseudo-terminal. See README.md for the options and control commands.
#include <csignal>
#include <cstdio>
#include <exception>

#include "options.h"
#include "port_claim.h"

namespace {

vdrive::PtyServer* g_server = nullptr;
vdrive::NetServer* g_listener = nullptr;

void OnSignal(int) {
  if (g_server) g_server->RequestStop();
  if (g_listener) g_listener->RequestStop();
}

void InstallSignalHandlers() {
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
}

// The power-on motor code P1.31 when none was asked for: the database's default when it suits
// the amplifier, else the amplifier's largest motor.
int DefaultMotor(const vdrive::DriveConfig& config) {
  const auto it = config.parameters.find(131);
  if (it != config.parameters.end() &&
      drive_facts::AmpCodeOfMotor(it->second.powerOn) == config.ampCode)
    return it->second.powerOn;
  return config.ampCode == 20 ? 12 : config.ampCode == 21 ? 21 : 31;
}

// The device (or endpoint) goes into the port map as the chosen COM number while the drive runs.
void ClaimPort(const vdrive::Options& options, const std::string& device, vdrive::PortClaim& port) {
  if (!options.mapPort) return;
  std::string error;
  vdrive::PortClaim::RecoverAbandoned();
  const int com = options.comPort != 0 ? options.comPort : vdrive::PortClaim::FreeComNumber();
  if (com == 0 || !port.Claim(com, device, error))
    std::fprintf(stderr, "vdrive: %s; COM port not mapped\n",
                 com == 0 ? "no free COM number" : error.c_str());
}

std::string NodeListText(const std::vector<int>& nodes) {
  std::string text;
  for (int node : nodes) text += (text.empty() ? "" : ",") + std::to_string(node);
  return text;
}

int RunListener(const vdrive::Options& options) {
  std::string error;
  vdrive::NetServer server(options.drive, options.server, options.network);
  if (!server.Open(error)) {
    std::fprintf(stderr, "vdrive: %s\n", error.c_str());
    return 1;
  }
  g_listener = &server;
  InstallSignalHandlers();
  const std::string endpoint = server.Endpoint();
  vdrive::PortClaim port;
  ClaimPort(options, endpoint, port);
  std::printf("%s\n", endpoint.c_str());
  std::fflush(stdout);
  const std::string com = port.Com() ? "COM" + std::to_string(port.Com()) + " = " : "";
  const std::string framing =
      options.network.modbusTcp
          ? std::string("Modbus TCP")
          : std::string(options.server.framing == vdrive::Framing::Rtu ? "RTU" : "ASCII") +
                " over TCP";
  std::fprintf(stderr,
               "vdrive: %s%s, %s, nodes %s behind it on a %s bus%s, forward delay %d ms, "
               "amplifier %d, motor %d, firmware %d\n",
               com.c_str(), endpoint.c_str(), framing.c_str(),
               NodeListText(options.network.nodes).c_str(),
               vdrive::LineSettingsText(options.server.line).c_str(),
               options.server.pacing ? " (paced)" : "", options.network.gatewayDelayMs,
               options.drive.ampCode, options.drive.motorCode, options.drive.revision);
  server.Run();
  g_listener = nullptr;
  port.Release();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  vdrive::Options options;
  std::string error;
  if (!vdrive::ParseOptions(argc, argv, options, error)) {
    std::fprintf(stderr, "vdrive: %s\n%s", error.c_str(), vdrive::kUsage);
    return 2;
  }
  if (options.showHelp) {
    std::fputs(vdrive::kUsage, stdout);
    return 0;
  }
  if (!vdrive::LoadParameterDefaults(options.databasePath, options.drive, error)) {
    std::fprintf(stderr, "vdrive: %s; using built-in power-on values\n", error.c_str());
    options.drive.parameters = vdrive::BuiltInParameters();
  }
  if (options.drive.motorCode == 0) options.drive.motorCode = DefaultMotor(options.drive);
  if (options.listen) return RunListener(options);
  vdrive::VirtualDrive drive(options.drive);
  vdrive::PtyServer server(drive, options.server);
  if (!server.Open(error)) {
    std::fprintf(stderr, "vdrive: %s\n", error.c_str());
    return 1;
  }
  g_server = &server;
  InstallSignalHandlers();
  const std::string device = server.DevicePath();
  vdrive::PortClaim port;
  ClaimPort(options, device, port);
  std::printf("%s\n", device.c_str());
  std::fflush(stdout);
  const std::string com = port.Com() ? "COM" + std::to_string(port.Com()) + " = " : "";
  std::fprintf(stderr, "vdrive: %s%s, %s %s, node %d, amplifier %d, motor %d, firmware %d%s\n",
               com.c_str(), device.c_str(),
               options.server.framing == vdrive::Framing::Rtu ? "RTU" : "ASCII",
               vdrive::LineSettingsText(options.server.line).c_str(), options.server.node,
               options.drive.ampCode, options.drive.motorCode, options.drive.revision,
               options.server.pacing ? ", paced" : "");
  server.Run();
  g_server = nullptr;
  port.Release();
  return 0;
}
