// Serial line settings of the virtual drive and what a client has set on the pseudo-terminal.
// A pseudo-terminal keeps the baud rate and stop bits the client chose (readable from the
// master side) but not the parity enable or the data bits, so only those two are compared.
#pragma once

#include <string>

namespace vdrive {

struct LineSettings {
  int baud = 19200;
  char parity = 'N';
  int dataBits = 8;
  int stopBits = 2;
};

// "19200,N,8,2" -> settings; false when malformed or not a line a drive runs.
bool ParseLineSettings(const std::string& text, LineSettings& settings);
std::string LineSettingsText(const LineSettings& settings);

// Baud rate and stop bits currently set on the terminal behind fd (either side of a pty).
bool ReadLine(int fd, int& baud, int& stopBits);
// Raw mode with the given baud rate and stop bits (termios2, any baud rate).
bool ApplyRawLine(int fd, const LineSettings& settings);

}  // namespace vdrive
