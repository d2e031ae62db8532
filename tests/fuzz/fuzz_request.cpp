// Fuzzes request building from any record content (quantities far beyond one frame, text
// without a terminator): the frame stays inside its buffer, carries a good checksum, and the
// RTU and ASCII forms carry the same bytes whenever the byte count fits one byte.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "frame.h"

using namespace portwright;

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TransactionRecord r;
  if (size < 8) return 0;
  r.function = static_cast<enumPLCFunction>(data[0] & 7);
  r.dataType = static_cast<enumDataType>((data[0] >> 3) % 5);
  r.node = data[1];
  r.quantity = static_cast<int16_t>(data[2] << 8 | data[3]);
  r.address = static_cast<int16_t>(data[4] << 8 | data[5]);
  const size_t rest = size - 6;
  std::memcpy(r.words, data + 6, rest < sizeof r.words ? rest : sizeof r.words);
  std::memcpy(r.longs, data + 6, rest < sizeof r.longs ? rest : sizeof r.longs);
  std::memcpy(r.floats, data + 6, rest < sizeof r.floats ? rest : sizeof r.floats);
  std::memcpy(r.text, data + 6, rest < sizeof r.text ? rest : sizeof r.text);

  uint8_t rtu[frame::kBufferSize + 1];
  rtu[frame::kBufferSize] = 0xEE;
  const size_t rtuLength = frame::BuildRtuRequest(r, rtu);
  Check(rtuLength >= 6 && rtuLength <= frame::kBufferSize && rtu[frame::kBufferSize] == 0xEE);
  Check(frame::Crc16(rtu, rtuLength) == 0);

  char ascii[frame::kBufferSize + 1];
  ascii[frame::kBufferSize] = 0x7F;
  const size_t asciiLength = frame::BuildAsciiRequest(r, ascii);
  Check(asciiLength >= 11 && asciiLength <= frame::kBufferSize &&
        ascii[frame::kBufferSize] == 0x7F);
  Check(ascii[0] == ':' && ascii[asciiLength - 2] == '\r' && ascii[asciiLength - 1] == '\n');

  // Small frames: the ASCII text is the hex of the RTU bytes, with the LRC instead of the CRC.
  const bool smallWrite = r.quantity >= 1 && r.quantity <= 60 && std::memchr(r.text, 0, 200);
  if (!smallWrite) return 0;
  const size_t messageLength = rtuLength - 2;
  Check(asciiLength == 1 + 2 * messageLength + 4);
  uint8_t decoded[frame::kBufferSize];
  Check(frame::HexToBytes(ascii + 1, 2 * messageLength + 2, decoded));
  Check(std::memcmp(decoded, rtu, messageLength) == 0);
  Check(decoded[messageLength] == frame::Lrc(rtu, messageLength));
  return 0;
}
