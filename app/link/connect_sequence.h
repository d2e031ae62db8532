// Connecting to a drive with the choices of the connect dialog: open the port, prove that the
// drive answers, log on, check the passcode and start status polling.
#pragma once

#include <QString>
#include <array>
#include <functional>

#include "portwright/modbus_atl.h"

namespace commSettings {

// The dialog's last choices, kept while the program runs (entries 1..5 are used): 1 = 1 once
// a connect was attempted; 2, 3, 4 = list positions of port, speed and protocol; 5 = the node
// address typed (its numeric value).
extern std::array<double, 6> LastCommSelection;
// The mode text the last auto-detect found; empty before one.
extern QString LastModeText;
// Offered after a connect when a configuration is loaded and express writes are allowed
// (installed by the upload and download screens).
extern std::function<void()> ShowXMode;

struct Selection {
  int portIndex = -1;  // position in the port list: COM1 is 0; 8 and above are network devices
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

}  // namespace commSettings
