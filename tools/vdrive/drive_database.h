// Power-on values and connection defaults from the drive database (Data/VM.vmd, SQLite):
// tblDriveParameters gives each parameter's default and limits per amplifier and revision,
// tblComSet the default connection choices. Built-in values stand in when the file is absent.
#pragma once

#include <map>
#include <string>

#include "line_settings.h"
#include "modbus_slave.h"
#include "virtual_drive.h"

namespace vdrive {

// Fills config.parameters for config.ampCode / config.revision. False (parameters left as
// they were) when the file cannot be read or holds no row for that pair.
bool LoadParameterDefaults(const std::string& databasePath, DriveConfig& config,
                           std::string& error);
// A small built-in parameter set for when no database is at hand.
std::map<int, ParameterSpec> BuiltInParameters();

struct ConnectionDefaults {
  // The drive's factory setting: RTU, 19200 baud, odd parity, 1 stop bit, node 1.
  Framing framing = Framing::Rtu;
  LineSettings line{19200, 'O', 8, 1};
  int node = 1;
  int comPort = 1;
};
// The preselected port, speed and protocol of tblComSet and the node address of its row 99.
// False (defaults left as they were) when the file cannot be read.
bool LoadConnectionDefaults(const std::string& databasePath, ConnectionDefaults& defaults);
// Protocol list position (0..8) -> framing and line (parity, data and stop bits).
bool ProtocolOfPosition(int position, Framing& framing, LineSettings& line);
// The inverse: the list position of a framing and line, -1 for a framing the drive lacks.
int ProtocolPosition(Framing framing, const LineSettings& line);
// Baud rate -> position in the drive's speed list (P3.01), -1 when not listed.
int BaudPosition(int baud);

}  // namespace vdrive
