// Serial line settings of the virtual drive and what a client has set on the pseudo-terminal.
// A pseudo-terminal keeps the baud rate, the stop bits and the odd-parity flag the client chose
// (readable from the master side) but drops the parity enable and forces 8 data bits. Since
// the drive's framings pair "no parity" with two stop bits and even or odd parity with one,
// the three framings can still be told apart; the data bits cannot.
#pragma once

#include <chrono>
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

// What the client set on the terminal behind fd (either side of a pty).
struct ClientLine {
  int baud = 0;
  int stopBits = 1;
  bool oddParity = false;
};
bool ReadClientLine(int fd, ClientLine& line);
// The client's line can be the drive's: baud rate, stop bits and odd parity agree.
bool ClientMatches(const ClientLine& client, const LineSettings& drive);
// Raw mode with the given baud rate, parity flag and stop bits (termios2, any baud rate).
bool ApplyRawLine(int fd, const LineSettings& settings);

// Time one character takes on the line: start bit, data bits, parity bit, stop bits.
std::chrono::nanoseconds CharacterTime(int baud, int dataBits, bool parityBit, int stopBits);
std::chrono::nanoseconds CharacterTime(const LineSettings& line);

}  // namespace vdrive
