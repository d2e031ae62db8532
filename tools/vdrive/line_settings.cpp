#include "line_settings.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include "drive_facts.h"
#include "serial_port.h"

namespace vdrive {

// The text is read the way the component reads its Settings; the drive's own line is then
// narrower: the speeds of its baud-rate list (P3.01), parity N, E or O, one or two stop bits.
bool ParseLineSettings(const std::string& text, LineSettings& settings) {
  portwright::LineSettings line;
  if (!portwright::ParseSettingsText(text, line)) return false;
  bool knownBaud = false;
  for (int baud : drive_facts::kBaudRates)
    knownBaud = knownBaud || baud == static_cast<int>(line.baud);
  const bool parityOk = line.parity == 'N' || line.parity == 'E' || line.parity == 'O';
  const bool stopOk = line.stopBitsTimes2 == 2 || line.stopBitsTimes2 == 4;
  if (!knownBaud || !parityOk || !stopOk) return false;
  settings = LineSettings{static_cast<int>(line.baud), line.parity, line.dataBits,
                          line.stopBitsTimes2 / 2};
  return true;
}

std::string LineSettingsText(const LineSettings& s) {
  return std::to_string(s.baud) + "," + s.parity + "," + std::to_string(s.dataBits) + "," +
         std::to_string(s.stopBits);
}

bool ReadClientLine(int fd, ClientLine& line) {
  struct termios2 tio {};
  if (ioctl(fd, TCGETS2, &tio) != 0) return false;
  line.baud = static_cast<int>(tio.c_ospeed);
  line.stopBits = (tio.c_cflag & CSTOPB) ? 2 : 1;
  line.oddParity = (tio.c_cflag & PARODD) != 0;
  return true;
}

bool ClientMatches(const ClientLine& client, const LineSettings& drive) {
  return client.baud == drive.baud && client.stopBits == drive.stopBits &&
         client.oddParity == (drive.parity == 'O');
}

bool ApplyRawLine(int fd, const LineSettings& settings) {
  struct termios2 tio {};
  if (ioctl(fd, TCGETS2, &tio) != 0) return false;
  tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF);
  tio.c_oflag &= ~OPOST;
  tio.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CBAUD);
  tio.c_cflag |= CS8 | CLOCAL | CREAD | BOTHER;
  if (settings.stopBits == 2) tio.c_cflag |= CSTOPB;
  if (settings.parity == 'O') tio.c_cflag |= PARENB | PARODD;
  if (settings.parity == 'E') tio.c_cflag |= PARENB;
  tio.c_ispeed = tio.c_ospeed = static_cast<speed_t>(settings.baud);
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  return ioctl(fd, TCSETS2, &tio) == 0;
}

std::chrono::nanoseconds CharacterTime(int baud, int dataBits, bool parityBit, int stopBits) {
  if (baud <= 0) return std::chrono::nanoseconds::zero();
  const long long bits = 1 + dataBits + (parityBit ? 1 : 0) + stopBits;
  return std::chrono::nanoseconds(bits * 1000000000LL / baud);
}

std::chrono::nanoseconds CharacterTime(const LineSettings& line) {
  return CharacterTime(line.baud, line.dataBits, line.parity != 'N', line.stopBits);
}

}  // namespace vdrive
