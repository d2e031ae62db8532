// Fuzzes the settings-text check: it must never fault, must agree with the parse, and what it
// accepts must name a line the port can describe and read back the same way.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "serial_port.h"

using namespace portwright;

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

bool AllowedBaud(unsigned baud) {
  for (unsigned b : {110u, 150u, 600u, 1200u, 2400u, 4800u, 9600u, 19200u, 38400u, 57600u, 115200u})
    if (b == baud) return true;
  return false;
}

const char* StopText(int stopBitsTimes2) {
  return stopBitsTimes2 == 2 ? "1" : stopBitsTimes2 == 3 ? "1.5" : "2";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  LineSettings line;
  const bool valid = ValidSettingsText(text);
  Check(valid == ParseSettingsText(text, line));
  if (!valid) return 0;
  Check(AllowedBaud(line.baud));
  Check(std::string("NEOMS").find(line.parity) != std::string::npos && line.parity != '\0');
  Check(line.dataBits == 7 || line.dataBits == 8);
  Check(line.stopBitsTimes2 >= 2 && line.stopBitsTimes2 <= 4);
  // The canonical form of what was accepted is accepted and means the same line.
  const std::string canonical = std::to_string(line.baud) + "," + line.parity + "," +
                                std::to_string(line.dataBits) + "," + StopText(line.stopBitsTimes2);
  LineSettings again;
  Check(ParseSettingsText(canonical, again));
  Check(again.baud == line.baud && again.parity == line.parity && again.dataBits == line.dataBits &&
        again.stopBitsTimes2 == line.stopBitsTimes2);
  return 0;
}
