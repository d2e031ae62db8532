// Only the kernel's termios2 definitions are used here (for any baud rate and for settings that
// glibc's tcsetattr refuses on pseudo-terminals); <termios.h> would clash with them.
#include "serial_port.h"

#include <asm/termbits.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <cctype>

namespace portwright {

namespace {

constexpr int kWriteStallMs = 5000;  // a line that takes no byte for this long has failed

struct BaudCode {
  unsigned baud;
  unsigned code;
};
constexpr BaudCode kBauds[] = {{110, B110},     {150, B150},     {600, B600},      {1200, B1200},
                               {2400, B2400},   {4800, B4800},   {9600, B9600},    {19200, B19200},
                               {38400, B38400}, {57600, B57600}, {115200, B115200}};

// A decimal integer from the leading characters, as atoi reads it (spaces, sign, digits).
long LeadingInteger(const std::string& field) {
  size_t i = 0;
  while (i < field.size() && std::isspace(static_cast<unsigned char>(field[i]))) ++i;
  bool negative = false;
  if (i < field.size() && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
  long value = 0;
  for (; i < field.size() && std::isdigit(static_cast<unsigned char>(field[i])); ++i) {
    value = value * 10 + (field[i] - '0');
    if (value > 1'000'000'000) return -1;  // far outside every allowed value
  }
  return negative ? -value : value;
}

bool SupportedBaud(long baud) {
  for (const BaudCode& b : kBauds)
    if (static_cast<long>(b.baud) == baud) return true;
  return false;
}

void MakeRaw(struct termios2& tio) {
  tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF);
  tio.c_oflag &= ~OPOST;
  tio.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
}

// False for settings the line cannot take (one and a half stop bits with 7 or 8 data bits).
bool ApplyLine(struct termios2& tio, const LineSettings& line) {
  if (line.stopBitsTimes2 == 3) return false;
  MakeRaw(tio);
  tio.c_cflag &= ~CBAUD;
  for (const BaudCode& b : kBauds)
    if (b.baud == line.baud) tio.c_cflag |= b.code;
  tio.c_ispeed = tio.c_ospeed = line.baud;
  tio.c_cflag |= line.dataBits == 7 ? CS7 : CS8;
  if (line.stopBitsTimes2 == 4) tio.c_cflag |= CSTOPB;
  switch (line.parity) {
    case 'E':
      tio.c_cflag |= PARENB;
      break;
    case 'O':
      tio.c_cflag |= PARENB | PARODD;
      break;
    case 'M':
      tio.c_cflag |= PARENB | CMSPAR | PARODD;
      break;
    case 'S':
      tio.c_cflag |= PARENB | CMSPAR;
      break;
    default:
      break;
  }
  return true;
}

}  // namespace

bool ParseSettingsText(const std::string& text, LineSettings& settings) {
  size_t comma[3];
  size_t from = 0;
  for (size_t& c : comma) {
    c = text.find(',', from);
    if (c == std::string::npos) return false;
    from = c + 1;
  }
  const long baud = LeadingInteger(text.substr(0, comma[0]));
  const std::string parity = text.substr(comma[0] + 1, comma[1] - comma[0] - 1);
  const long dataBits = LeadingInteger(text.substr(comma[1] + 1, comma[2] - comma[1] - 1));
  const std::string stop = text.substr(comma[2] + 1);

  if (!SupportedBaud(baud)) return false;
  if (parity.size() != 1) return false;
  const char p = static_cast<char>(std::toupper(static_cast<unsigned char>(parity[0])));
  if (p != 'N' && p != 'E' && p != 'O' && p != 'M' && p != 'S') return false;
  if (dataBits != 7 && dataBits != 8) return false;
  int stopTimes2 = 0;
  if (stop == "1")
    stopTimes2 = 2;
  else if (stop == "1.5")
    stopTimes2 = 3;
  else if (stop == "2")
    stopTimes2 = 4;
  else
    return false;

  settings = LineSettings{static_cast<unsigned>(baud), p, static_cast<int>(dataBits), stopTimes2};
  return true;
}

bool ValidSettingsText(const std::string& text) {
  LineSettings ignored;
  return ParseSettingsText(text, ignored);
}

SerialPort::~SerialPort() { Close(); }

bool SerialPort::Open(const std::string& device, const std::string& settings) {
  Close();
  LineSettings line;
  if (!ParseSettingsText(settings, line)) return false;
  fd_ = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) return false;
  struct termios2 tio {};
  const bool ok = ioctl(fd_, TIOCEXCL) == 0 && ioctl(fd_, TCGETS2, &tio) == 0 &&
                  ApplyLine(tio, line) && ioctl(fd_, TCSETS2, &tio) == 0;
  if (!ok) {
    Close();
    return false;
  }
  line_ = line;
  Purge();
  return true;
}

void SerialPort::Close() {
  if (fd_ < 0) return;
  ioctl(fd_, TIOCNXCL);  // a pseudo-terminal keeps the flag while its other side stays open
  close(fd_);
  fd_ = -1;
}

void SerialPort::Purge() {
  if (fd_ >= 0) ioctl(fd_, TCFLSH, TCIOFLUSH);
}

bool SerialPort::BytesWaiting(size_t& count) {
  int waiting = 0;
  if (fd_ < 0 || ioctl(fd_, FIONREAD, &waiting) != 0 || waiting < 0) return false;
  count = static_cast<size_t>(waiting);
  return true;
}

bool SerialPort::Write(const uint8_t* data, size_t length) {
  if (fd_ < 0) return false;
  while (length > 0) {
    const ssize_t written = write(fd_, data, length);
    if (written > 0) {
      data += written;
      length -= static_cast<size_t>(written);
      continue;
    }
    if (written < 0 && errno == EINTR) continue;
    if (written < 0 && errno != EAGAIN) return false;
    pollfd p{fd_, POLLOUT, 0};
    if (poll(&p, 1, kWriteStallMs) <= 0) return false;
  }
  return true;
}

bool SerialPort::Read(uint8_t* data, size_t wanted, size_t& got) {
  got = 0;
  if (fd_ < 0) return false;
  for (;;) {
    const ssize_t n = read(fd_, data, wanted);
    if (n >= 0) {
      got = static_cast<size_t>(n);
      return true;
    }
    if (errno == EINTR) continue;
    return errno == EAGAIN;  // nothing there after all: got stays 0
  }
}

void SerialPort::WaitForInput(uint32_t timeoutUs) {
  if (fd_ < 0 || timeoutUs == 0) return;
  pollfd p{fd_, POLLIN, 0};
  const timespec timeout{static_cast<time_t>(timeoutUs / 1'000'000),
                         static_cast<long>(timeoutUs % 1'000'000) * 1000};
  if (ppoll(&p, 1, &timeout, nullptr) > 0 && !(p.revents & POLLIN)) {
    const timespec pause{0, 1'000'000};  // hang-up or error: don't spin on it
    nanosleep(&pause, nullptr);
  }
}

uint64_t SerialPort::TickUs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint64_t>(now.tv_sec) * 1'000'000u +
         static_cast<uint64_t>(now.tv_nsec) / 1000u;
}

// Start bit, data bits, parity bit and stop bits (1.5 stop bits never open).
LineTiming SerialPort::Timing() const {
  const unsigned parity = line_.parity == 'N' ? 0 : 1;
  return {line_.baud,
          static_cast<unsigned>(1 + line_.dataBits + parity + line_.stopBitsTimes2 / 2)};
}

}  // namespace portwright
