// A serial device through POSIX termios: open exclusive and raw, apply a settings text
// ("19200,N,8,1"), and the byte operations a transaction needs. No Qt, no threads.
#pragma once

#include <string>

#include "transaction.h"

namespace portwright {

// The line settings a settings text names.
struct LineSettings {
  unsigned baud = 19200;
  char parity = 'N';       // N, E, O, M (mark) or S (space)
  int dataBits = 8;        // 7 or 8
  int stopBitsTimes2 = 2;  // 2 (one), 3 (one and a half) or 4 (two)
};

// Checks a settings text the way the control's Settings property does: baud,parity,data,stop
// (the baud and data bits read from their leading digits, parity in either case, stop bits
// exactly 1, 1.5 or 2).
bool ValidSettingsText(const std::string& text);
// Parses a settings text; false when it is not valid.
bool ParseSettingsText(const std::string& text, LineSettings& settings);

class SerialPort : public BytePort {
 public:
  SerialPort() = default;
  ~SerialPort() override;
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Opens the device and applies the settings; false (port left closed) on any failure,
  // including settings the line cannot take.
  bool Open(const std::string& device, const std::string& settings);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }

  void Purge() override;
  bool BytesWaiting(size_t& count) override;
  bool Write(const uint8_t* data, size_t length) override;
  bool Read(uint8_t* data, size_t wanted, size_t& got) override;
  void WaitForInput(uint32_t timeoutUs) override;
  uint64_t TickUs() override;
  LineTiming Timing() const override;

 private:
  int fd_ = -1;
  LineSettings line_;
};

}  // namespace portwright
