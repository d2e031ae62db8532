#include "line_settings.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include "serial_port.h"

namespace vdrive {

// The text is read the way the component reads its Settings; the drive's own line is then
// narrower: the usual speeds from 1200 baud up, parity N, E or O, one or two stop bits.
bool ParseLineSettings(const std::string& text, LineSettings& settings) {
  constexpr unsigned kBauds[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
  portwright::LineSettings line;
  if (!portwright::ParseSettingsText(text, line)) return false;
  bool knownBaud = false;
  for (unsigned baud : kBauds) knownBaud = knownBaud || baud == line.baud;
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

bool ReadLine(int fd, int& baud, int& stopBits) {
  struct termios2 tio {};
  if (ioctl(fd, TCGETS2, &tio) != 0) return false;
  baud = static_cast<int>(tio.c_ospeed);
  stopBits = (tio.c_cflag & CSTOPB) ? 2 : 1;
  return true;
}

bool ApplyRawLine(int fd, const LineSettings& settings) {
  struct termios2 tio {};
  if (ioctl(fd, TCGETS2, &tio) != 0) return false;
  tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF);
  tio.c_oflag &= ~OPOST;
  tio.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CBAUD);
  tio.c_cflag |= CS8 | CLOCAL | CREAD | BOTHER;
  if (settings.stopBits == 2) tio.c_cflag |= CSTOPB;
  tio.c_ispeed = tio.c_ospeed = static_cast<speed_t>(settings.baud);
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  return ioctl(fd, TCSETS2, &tio) == 0;
}

}  // namespace vdrive
