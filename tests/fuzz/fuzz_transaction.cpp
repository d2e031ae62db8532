// Fuzzes reply collection and decoding: any bytes, split into any chunks with any pauses,
// against every mode, function and data type.
//
// Input: [mode/function/type] [quantity high] [quantity low] [faults] then segments of
// [control][bytes...]: control bits 0-5 give the segment length (63: the rest of the input),
// bits 6-7 the pause before it (none, 1 ms, 60 ms, or beyond the time-out).
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "scripted_port.h"
#include "transaction.h"

using namespace portwright;

namespace {

constexpr int16_t kTimeoutMs = 100;
constexpr uint32_t kPauses[4] = {0, 1, 60, kTimeoutMs + 1};

void Check(bool condition) {
  if (!condition) std::abort();
}

TransactionRecord MakeRecord(const uint8_t* head) {
  TransactionRecord r;
  r.function = static_cast<enumPLCFunction>((head[0] >> 1) & 7);
  r.dataType = static_cast<enumDataType>(((head[0] >> 4) & 7) % 5);
  r.quantity = static_cast<int16_t>(1 + (head[1] << 8 | head[2]) % 2000);
  r.address = static_cast<int16_t>(1 + (head[1] ^ head[2]) * 16 % 4095);
  r.node = static_cast<uint8_t>(1 + head[2] % 247);
  for (int i = 0; i < 256; ++i) r.words[i] = static_cast<int16_t>(0x5A5A ^ (i * 37));
  for (int i = 0; i < 128; ++i) r.longs[i] = i * 1'234'567, r.floats[i] = 0.5f * i;
  std::memset(r.text, 'T', 40);
  return r;
}

bool SameData(const TransactionRecord& a, const TransactionRecord& b) {
  return std::memcmp(a.words, b.words, sizeof a.words) == 0 &&
         std::memcmp(a.longs, b.longs, sizeof a.longs) == 0 &&
         std::memcmp(a.floats, b.floats, sizeof a.floats) == 0 &&
         std::memcmp(a.text, b.text, sizeof a.text) == 0;
}

bool AllowedResult(int16_t result, enumPLCMode mode) {
  // RTU reads the exception code as a signed byte, ASCII as an unsigned one; both cover -1..-5.
  return mode == RTU ? (result >= -128 && result <= 127) : (result >= -5 && result <= 255);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const enumPLCMode mode = (data[0] & 1) ? ASCII : RTU;
  TransactionRecord record = MakeRecord(data);
  const TransactionRecord before = record;

  pwtest::ScriptedPort port;
  port.failWrite = data[3] == 0xF1;
  port.failRead = data[3] == 0xF2;
  port.emptyRead = data[3] == 0xF3;
  uint32_t at = 0;
  for (size_t i = 4; i < size;) {
    const uint8_t control = data[i++];
    size_t length = control & 0x3F;
    if (length == 0x3F || length > size - i) length = size - i;
    at += kPauses[control >> 6];
    port.ArriveAt(at, std::vector<uint8_t>(data + i, data + i + length));
    i += length;
  }

  int16_t result = 77;
  ReceiveBuffer buffer;
  const int16_t returned = RunTransaction(record, mode, port, kTimeoutMs, result, buffer);

  Check(returned == result);
  Check(AllowedResult(result, mode));
  Check(buffer.count < frame::kBufferSize);
  if (result != 0 || !frame::IsReadFunction(record.function)) Check(SameData(record, before));
  // A good result comes only from a whole reply of this node and function.
  if (result == 0 && mode == RTU) {
    Check(frame::Crc16(buffer.bytes, buffer.count) == 0);
    Check(buffer.bytes[0] == record.node &&
          buffer.bytes[1] == frame::FunctionCode(record.function));
  }
  if (result == 0 && mode == ASCII)
    Check(buffer.bytes[0] == ':' && buffer.bytes[buffer.count - 1] == '\n');
  if (record.dataType == String) Check(memchr(record.text, 0, sizeof record.text) != nullptr);
  return 0;
}
