// vdrive: a drive on a pseudo-terminal. See README.md for the options and control commands.
#include <csignal>
#include <cstdio>
#include <exception>

#include "options.h"
#include "port_claim.h"

namespace {

vdrive::PtyServer* g_server = nullptr;

void OnSignal(int) {
  if (g_server) g_server->RequestStop();
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
  if (options.mapPort) {
    vdrive::PortClaim::RecoverAbandoned();
    const int com = options.comPort != 0 ? options.comPort : vdrive::PortClaim::FreeComNumber();
    if (com == 0 || !port.Claim(com, device, error))
      std::fprintf(stderr, "vdrive: %s; COM port not mapped\n",
                   com == 0 ? "no free COM number" : error.c_str());
  }
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
