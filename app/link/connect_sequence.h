// Connecting to a drive with the choices of the connect dialog: open the port, prove that the
// drive answers, log on, check the passcode and start status polling.
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <functional>

#include "portwright/modbus_atl.h"

namespace commSettings {

// The dialog's last choices, kept while the program runs (entries 1..5 are used): 1 = 1 once
// a connect was attempted; 2, 3, 4 = list positions of port, speed and protocol; 5 = the node
// address typed (its numeric value).
extern std::array<double, 6> LastCommSelection;
// What LastCommSelection's positions stood for, so that the dialog finds them again in its
// lists: the COM number of the port (0 for a network entry) and the speed text.
extern int LastComNumber;
extern QString LastSpeedText;
// The mode text the last auto-detect found; empty before one.
extern QString LastModeText;
// Offered after a connect when a configuration is loaded and express writes are allowed
// (installed by the upload and download screens).
extern std::function<void()> ShowXMode;

struct Selection {
  int portIndex = -1;  // position in the port list: COM1 is 0; 8 and above are network devices
  // The COM number of the entry chosen (0 for a network device); -1: from portIndex, whose
  // positions 0..7 are COM1..COM8.
  int comNumber = -1;
  int speedIndex = -1;
  int protocolIndex = -1;
  QString speedText;    // "19200"
  QString addressText;  // as typed
};

// Framing and line settings of a protocol list position (0..8).
struct ProtocolChoice {
  portwright::enumPLCMode mode;
  const char* settingsSuffix;  // appended to the speed text: ",N,8,2"
  const char* modeText;        // "RTU MODE"
};
// Null for a position outside the list.
const ProtocolChoice* ProtocolAt(int position);

// Reads the drive's passcode word and asks for the passcode when the drive has one. A wrong
// entry logs off, closes the connection and tells the user (box, status list, event log), and
// gives false. Shared by Connect and the auto-detect scan.
bool PasscodeAccepted(int16_t node);

// The Connect command (errors are reported with the dialog's location text).
void Connect(const Selection& selection);

// The connect dialog's lists as tblComSet gives them, in Code order, with their defaults
// (-1 when none is marked) and the default node address.
struct ComSetLists {
  QStringList ports, speeds, protocols;
  int portDefault = -1, speedDefault = -1, protocolDefault = -1;
  QString address;
};
// Empty lists when the database cannot be opened (ConnectDB reports that); throws
// basFunctions::ProgramError when the table cannot be read.
ComSetLists ReadComSet();

// A drive found by auto-detect on COM `comNumber` with `settings` ("9600,O,7,1") in `mode` at
// `node` becomes the last selection, so that the dialog shows it and its reconnect uses it.
void RememberFound(int comNumber, const QString& settings, portwright::enumPLCMode mode, int node);

}  // namespace commSettings
