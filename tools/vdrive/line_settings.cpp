#include "line_settings.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cstdio>

namespace vdrive {

namespace {
constexpr int kBauds[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
}

bool ParseLineSettings(const std::string& text, LineSettings& settings) {
  LineSettings parsed;
  char tail;
  if (std::sscanf(text.c_str(), "%d,%c,%d,%d%c", &parsed.baud, &parsed.parity, &parsed.dataBits,
                  &parsed.stopBits, &tail) != 4)
    return false;
  bool knownBaud = false;
  for (int baud : kBauds) knownBaud = knownBaud || baud == parsed.baud;
  if (parsed.parity >= 'a') parsed.parity = static_cast<char>(parsed.parity - 'a' + 'A');
  const bool parityOk = parsed.parity == 'N' || parsed.parity == 'E' || parsed.parity == 'O';
  const bool bitsOk = (parsed.dataBits == 7 || parsed.dataBits == 8) &&
                      (parsed.stopBits == 1 || parsed.stopBits == 2);
  if (!knownBaud || !parityOk || !bitsOk) return false;
  settings = parsed;
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
