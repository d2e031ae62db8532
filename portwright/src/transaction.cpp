#include "transaction.h"

#include <cstring>

namespace portwright {

namespace {

using frame::kBufferSize;

constexpr size_t kExceptionReplyLength = 5;
constexpr size_t kWriteReplyLength = 8;
constexpr int kUndetermined = -1;

bool IsException(uint8_t functionByte) { return (functionByte & 0x80) != 0; }

// Expected RTU reply length from the first three bytes held, or kUndetermined: a byte count of
// 0, or one above twice the count the request carried, waits for more bytes.
int ExpectedRtuLength(const TransactionRecord& record, const uint8_t* reply) {
  if (IsException(reply[1])) return kExceptionReplyLength;
  if (!frame::IsReadFunction(record.function)) return kWriteReplyLength;
  const unsigned byteCount = reply[2];
  if (byteCount == 0 || byteCount > 2u * frame::RequestQuantity(record)) return kUndetermined;
  return static_cast<int>(byteCount) + 5;
}

void StoreStatusBytes(TransactionRecord& record, const uint8_t* data, size_t count) {
  auto put = [&](size_t k, uint8_t byte) {
    const uint16_t word = static_cast<uint16_t>(record.words[k / 2]);
    const uint16_t merged = (k % 2 == 0) ? static_cast<uint16_t>((word & 0xFF00) | byte)
                                         : static_cast<uint16_t>((word & 0x00FF) | byte << 8);
    record.words[k / 2] = static_cast<int16_t>(merged);
  };
  for (size_t k = 0; k < count; ++k) put(k, data[k]);
  put(count, 0);  // the byte after the last status byte
}

void StoreRegisters(TransactionRecord& record, const uint8_t* data, size_t count) {
  for (size_t i = 0; i < count / 2; ++i)
    record.words[i] = static_cast<int16_t>(data[2 * i] << 8 | data[2 * i + 1]);
}

void StoreLongs(TransactionRecord& record, const uint8_t* data, size_t count) {
  for (size_t i = 0; i < count / 4; ++i) record.longs[i] = frame::LongDecode(data + 4 * i);
}

// The first register of each pair is the low half of the IEEE-754 pattern.
void StoreFloats(TransactionRecord& record, const uint8_t* data, size_t count) {
  for (size_t i = 0; i < count / 4; ++i) {
    const uint8_t* p = data + 4 * i;
    const uint32_t bits = static_cast<uint32_t>(p[2] << 24 | p[3] << 16 | p[0] << 8 | p[1]);
    std::memcpy(&record.floats[i], &bits, sizeof bits);
  }
}

// Un-swaps the character pairs (second byte first) up to the first pair holding a zero byte.
void StoreText(TransactionRecord& record, const uint8_t* data, size_t count) {
  size_t length = 0;
  for (size_t i = 0; i < count; i += 2) {
    const bool whole = i + 1 < count;
    const char first = static_cast<char>(whole ? data[i + 1] : data[i]);
    const char second = whole ? static_cast<char>(data[i]) : '\0';
    if (first == '\0') break;
    record.text[length++] = first;
    if (second == '\0') break;
    record.text[length++] = second;
  }
  record.text[length] = '\0';
}

// Decodes a message (node, function, then the body) whose checksum was good. Returns the new
// result code; -2 when the message is too short for what it claims to hold.
int16_t DecodeMessage(TransactionRecord& record, enumPLCMode mode, const uint8_t* message,
                      size_t length) {
  if (length < 2) return kResultChecksum;
  if (IsException(message[1])) {
    if (length < 3) return kResultChecksum;
    // RTU takes the code as a signed byte, ASCII as an unsigned one.
    return mode == RTU ? static_cast<int16_t>(static_cast<int8_t>(message[2]))
                       : static_cast<int16_t>(message[2]);
  }
  if (!frame::IsReadFunction(record.function)) return kResultGood;
  if (length < 3) return kResultChecksum;
  const size_t byteCount = message[2];
  if (byteCount > length - 3) return kResultChecksum;
  const uint8_t* data = message + 3;
  if (record.function == ReadCoil || record.function == ReadInput) {
    StoreStatusBytes(record, data, byteCount);
    return kResultGood;
  }
  switch (record.dataType) {
    case Integer:
    case BCD:  // delivered raw, as the drive holds them
      StoreRegisters(record, data, byteCount);
      break;
    case Long:
      StoreLongs(record, data, byteCount);
      break;
    case Float:
      StoreFloats(record, data, byteCount);
      break;
    case String:
      StoreText(record, data, byteCount);
      break;
  }
  return kResultGood;
}

// RTU: CRC over the bytes held, the last two being the received CRC (low byte first).
int16_t FinishRtu(TransactionRecord& record, const ReceiveBuffer& buffer) {
  const size_t held = buffer.count;
  const uint16_t received =
      static_cast<uint16_t>(buffer.bytes[held - 1] << 8 | buffer.bytes[held - 2]);
  if (frame::Crc16(buffer.bytes, held - 2) != received) return kResultChecksum;
  return DecodeMessage(record, RTU, buffer.bytes, held - 2);
}

// ASCII: with T characters held ending CR LF, the LRC is at T-4, T-3 and covers the hex pairs
// from position 1 to T-5. Anything that is not an even run of upper-case hex pairs fails.
int16_t FinishAscii(TransactionRecord& record, const ReceiveBuffer& buffer) {
  const size_t held = buffer.count;
  if (held < 5) return kResultChecksum;
  const size_t hexLength = held - 5;
  if (hexLength % 2 != 0) return kResultChecksum;
  uint8_t message[kBufferSize / 2];
  const char* text = reinterpret_cast<const char*>(buffer.bytes);
  if (!frame::HexToBytes(text + 1, hexLength, message)) return kResultChecksum;
  uint8_t receivedLrc = 0;
  if (!frame::HexByte(text[held - 4], text[held - 3], receivedLrc)) return kResultChecksum;
  const size_t length = hexLength / 2;
  if (frame::Lrc(message, length) != receivedLrc) return kResultChecksum;
  return DecodeMessage(record, ASCII, message, length);
}

// Collects the reply into buffer; returns the result code.
class ReplyCollector {
 public:
  ReplyCollector(TransactionRecord& record, enumPLCMode mode, BytePort& port, int16_t timeoutMs,
                 ReceiveBuffer& buffer)
      : record_(record),
        mode_(mode),
        port_(port),
        buffer_(buffer),
        timeoutMs_(timeoutMs < 0 ? 0u : static_cast<uint32_t>(timeoutMs)) {}

  int16_t Run() {
    buffer_.count = 0;
    const uint32_t start = port_.TickMs();
    for (;;) {
      const uint32_t elapsed = port_.TickMs() - start;
      if (elapsed > timeoutMs_) return kResultTimeout;
      size_t waiting = 0;
      if (!port_.BytesWaiting(waiting)) return kResultReadFailed;
      if (waiting > 0) {
        int16_t result = 0;
        if (TakeWaiting(waiting, result)) return result;
        continue;
      }
      if (mode_ == RTU && expected_ != kUndetermined &&
          buffer_.count >= static_cast<size_t>(expected_))
        return FinishRtu(record_, buffer_);
      port_.WaitReadable(static_cast<int>(timeoutMs_ - elapsed + 1));
    }
  }

 private:
  // Reads the waiting bytes; true when the transaction ends (result set).
  bool TakeWaiting(size_t waiting, int16_t& result) {
    uint8_t chunk[kBufferSize];
    size_t got = 0;
    const size_t wanted = waiting < sizeof chunk ? waiting : sizeof chunk;
    if (!port_.Read(chunk, wanted, got) || got == 0 || got > wanted) {
      result = kResultReadFailed;
      return true;
    }
    const bool fits = buffer_.count + got < kBufferSize;
    if (mode_ == RTU) {
      if (!fits) {
        result = kResultOverflow;
        return true;
      }
      Append(chunk, got);
      if (expected_ == kUndetermined && buffer_.count >= 3)
        expected_ = ExpectedRtuLength(record_, buffer_.bytes);
      return false;
    }
    if (fits) Append(chunk, got);  // ASCII drops an append that would overflow
    if (buffer_.count > 0 && buffer_.bytes[buffer_.count - 1] == '\n') {
      result = FinishAscii(record_, buffer_);
      return true;
    }
    return false;
  }

  void Append(const uint8_t* bytes, size_t count) {
    std::memcpy(buffer_.bytes + buffer_.count, bytes, count);
    buffer_.count = static_cast<uint16_t>(buffer_.count + count);
  }

  TransactionRecord& record_;
  enumPLCMode mode_;
  BytePort& port_;
  ReceiveBuffer& buffer_;
  uint32_t timeoutMs_;
  int expected_ = kUndetermined;
};

}  // namespace

int16_t RunTransaction(TransactionRecord& record, enumPLCMode mode, BytePort& port,
                       int16_t msgTimeOut, int16_t& resultCode, ReceiveBuffer& buffer,
                       FrameObserver* observer) {
  uint8_t request[kBufferSize];
  port.Purge();
  const size_t length = mode == ASCII
                            ? frame::BuildAsciiRequest(record, reinterpret_cast<char*>(request))
                            : frame::BuildRtuRequest(record, request);
  port.Purge();
  size_t ignored = 0;
  port.BytesWaiting(ignored);  // clears the line-error state
  if (observer) observer->Request(request, length);

  if (!port.Write(request, length)) {
    resultCode = kResultWriteFailed;
    buffer.count = 0;
  } else {
    resultCode = ReplyCollector(record, mode, port, msgTimeOut, buffer).Run();
  }
  if (observer) observer->Reply(buffer.bytes, buffer.count, resultCode);
  return resultCode;
}

}  // namespace portwright
