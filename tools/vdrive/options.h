// Command line of the virtual drive.
#pragma once

#include <string>

#include "drive_database.h"
#include "net_server.h"
#include "pty_server.h"
#include "virtual_drive.h"

namespace vdrive {

struct Options {
  ServerOptions server;
  bool listen = false;  // behind a TCP listener instead of on a pseudo-terminal
  ListenOptions network;
  DriveConfig drive;
  std::string databasePath;
  int comPort = 1;  // 0: the lowest free COM number
  bool mapPort = true;
  bool showHelp = false;
};

extern const char kUsage[];

// Fills options from argv over the defaults (the database's connection defaults when
// readable); false with a message for a bad command line.
bool ParseOptions(int argc, char** argv, Options& options, std::string& error);

}  // namespace vdrive
