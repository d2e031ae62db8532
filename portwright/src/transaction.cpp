#include "transaction.h"

#include <algorithm>
#include <cstring>

#include "reply_match.h"

namespace portwright {

namespace {

using frame::kBufferSize;

constexpr uint32_t kFastLineGapUs = 1750;
constexpr uint32_t kLongestGuardUs = 250'000;

bool IsException(uint8_t functionByte) { return (functionByte & 0x80) != 0; }

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

}  // namespace

int16_t DecodeReplyMessage(TransactionRecord& record, enumPLCMode mode, const uint8_t* message,
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

namespace {

// ASCII: the message is the hex text between ':' and the LRC (its checksum already checked).
int16_t DecodeAscii(TransactionRecord& record, const ReceiveBuffer& buffer) {
  uint8_t message[kBufferSize / 2];
  const size_t hexLength = buffer.count - 5;
  if (!frame::HexToBytes(reinterpret_cast<const char*>(buffer.bytes) + 1, hexLength, message))
    return kResultChecksum;
  return DecodeReplyMessage(record, ASCII, message, hexLength / 2);
}

uint64_t MicrosOf(int16_t ms) { return ms < 0 ? 0u : static_cast<uint64_t>(ms) * 1000u; }

// Reads whatever is waiting and drops it; false when the port fails.
bool Discard(BytePort& port, ReceiveBuffer& buffer, bool& took) {
  took = false;
  size_t waiting = 0;
  if (!port.BytesWaiting(waiting)) return false;
  while (waiting > 0) {
    uint8_t chunk[256];
    size_t got = 0;
    if (!port.Read(chunk, std::min(waiting, sizeof chunk), got)) return false;
    if (got == 0) break;
    took = true;
    buffer.lastByteUs = port.TickUs();
    waiting -= std::min(waiting, got);
  }
  return true;
}

// Reads and discards until the line has been silent for the gap since its last byte and any
// failure guard has passed: 0, or -1 when bytes keep coming for longer than limitUs, or -3
// when the port cannot be read.
int16_t WaitForQuietLine(BytePort& port, ReceiveBuffer& buffer, uint32_t gapUs, uint64_t limitUs) {
  const uint64_t start = port.TickUs();
  for (;;) {
    bool took = false;
    if (!Discard(port, buffer, took)) return kResultReadFailed;
    if (took) continue;
    const uint64_t now = port.TickUs();
    const uint64_t quietAt = std::max(buffer.lastByteUs + gapUs, buffer.settledAtUs);
    if (now >= quietAt) return kResultGood;
    uint64_t wait = quietAt - now;
    if (now < buffer.lastByteUs + gapUs) {  // bytes are still coming
      const uint64_t spent = now - start;
      if (spent > limitUs) return kResultTimeout;
      wait = std::min(wait, limitUs + 1 - spent);
    }
    port.WaitForInput(static_cast<uint32_t>(wait));
  }
}

// Collects the reply into buffer; returns the result code.
class ReplyCollector {
 public:
  ReplyCollector(TransactionRecord& record, enumPLCMode mode, BytePort& port, uint64_t timeoutUs,
                 uint32_t gapUs, ReceiveBuffer& buffer)
      : record_(record),
        mode_(mode),
        port_(port),
        buffer_(buffer),
        matcher_(ShapeOf(record), mode),
        timeoutUs_(timeoutUs),
        gapUs_(gapUs) {}

  int16_t Run() {
    buffer_.count = 0;
    const uint64_t start = port_.TickUs();
    for (;;) {
      const uint64_t now = port_.TickUs();
      const uint64_t elapsed = now - start;
      if (elapsed > timeoutUs_) return matcher_.SawBadFrame() ? kResultChecksum : kResultTimeout;
      size_t waiting = 0;
      if (!port_.BytesWaiting(waiting)) return kResultReadFailed;
      if (waiting > 0) {
        int16_t result = 0;
        if (TakeWaiting(waiting, result)) return result;
        continue;
      }
      uint64_t wait = timeoutUs_ - elapsed + 1;
      // A spoilt reply is over once the line falls silent: no good one follows it.
      if (buffer_.count > 0 && matcher_.SawBadFrame() && !matcher_.ReplyBegun()) {
        const uint64_t silent = now - buffer_.lastByteUs;
        if (silent >= gapUs_) {
          spoiltReplyEnded_ = true;
          return kResultChecksum;
        }
        wait = std::min<uint64_t>(wait, gapUs_ - silent);
      }
      port_.WaitForInput(static_cast<uint32_t>(wait));
    }
  }

  // Nothing more can come for this request: the reply was taken whole and decoded (a good read,
  // an echo or an exception), or a spoilt reply ended in silence. Only a request left unanswered
  // may still be answered late, so only that one needs the failure guard.
  bool Settled() const { return complete_ || spoiltReplyEnded_; }

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
    buffer_.lastByteUs = port_.TickUs();
    if (buffer_.count + got >= kBufferSize) {
      if (mode_ == RTU) {
        result = kResultOverflow;
        return true;
      }
      return false;  // ASCII drops an append that would overflow
    }
    std::memcpy(buffer_.bytes + buffer_.count, chunk, got);
    buffer_.count = static_cast<uint16_t>(buffer_.count + got);
    size_t start = 0, length = 0;
    if (!matcher_.Find(buffer_.bytes, buffer_.count, start, length)) return false;
    // The buffer keeps the reply alone; what came before it was noise on the line.
    std::memmove(buffer_.bytes, buffer_.bytes + start, length);
    buffer_.count = static_cast<uint16_t>(length);
    result = mode_ == RTU ? DecodeReplyMessage(record_, RTU, buffer_.bytes, length - 2)
                          : DecodeAscii(record_, buffer_);
    complete_ = true;
    return true;
  }

  TransactionRecord& record_;
  enumPLCMode mode_;
  BytePort& port_;
  ReceiveBuffer& buffer_;
  ReplyMatcher matcher_;
  uint64_t timeoutUs_;
  uint32_t gapUs_;
  bool complete_ = false;
  bool spoiltReplyEnded_ = false;
};

}  // namespace

uint32_t InterFrameGapUs(const LineTiming& timing) {
  if (timing.baud > 19200 || timing.baud == 0) return kFastLineGapUs;
  return static_cast<uint32_t>((7ull * timing.bitsPerCharacter * 1'000'000 + 2 * timing.baud - 1) /
                               (2ull * timing.baud));
}

uint32_t FailureGuardUs(int16_t msgTimeOut, uint32_t gapUs) {
  return static_cast<uint32_t>(std::clamp<uint64_t>(MicrosOf(msgTimeOut), gapUs, kLongestGuardUs));
}

int16_t RunTransaction(TransactionRecord& record, enumPLCMode mode, BytePort& port,
                       int16_t msgTimeOut, int16_t& resultCode, ReceiveBuffer& buffer,
                       FrameObserver* observer) {
  uint8_t request[kBufferSize];
  const size_t length = mode == ASCII
                            ? frame::BuildAsciiRequest(record, reinterpret_cast<char*>(request))
                            : frame::BuildRtuRequest(record, request);
  const uint32_t gapUs = InterFrameGapUs(port.Timing());
  bool complete = false;
  // A line that never falls silent is not written into: the request would only collide.
  if (const int16_t quiet = WaitForQuietLine(port, buffer, gapUs, MicrosOf(msgTimeOut))) {
    resultCode = quiet;
    buffer.count = 0;
  } else {
    port.Purge();
    size_t ignored = 0;
    port.BytesWaiting(ignored);  // clears the line-error state
    if (observer) observer->Request(request, length);
    if (!port.Write(request, length)) {
      resultCode = kResultWriteFailed;
      buffer.count = 0;
      complete = true;  // nothing went out, so nothing can come back late
    } else {
      ReplyCollector collector(record, mode, port, MicrosOf(msgTimeOut), gapUs, buffer);
      resultCode = collector.Run();
      complete = collector.Settled();
    }
  }
  buffer.settledAtUs = complete ? 0 : port.TickUs() + FailureGuardUs(msgTimeOut, gapUs);
  if (observer) observer->Reply(buffer.bytes, buffer.count, resultCode);
  return resultCode;
}

}  // namespace portwright
