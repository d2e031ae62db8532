#include "modbus_tcp.h"

#include <algorithm>
#include <cstring>

#include "reply_match.h"

namespace portwright {

namespace {

using mbap::kHeaderLength;

uint16_t Word(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

void PutWord(uint8_t* p, uint16_t value) {
  p[0] = static_cast<uint8_t>(value >> 8);
  p[1] = static_cast<uint8_t>(value);
}

enum class FrameState { kIncomplete, kComplete, kMalformed };

// The frame at the front of the stream: its length once complete.
FrameState FrontFrame(const ModbusTcpStream& stream, size_t& length) {
  if (stream.count < kHeaderLength) return FrameState::kIncomplete;
  const uint16_t protocol = Word(stream.bytes + 2);
  const uint16_t following = Word(stream.bytes + 4);  // the unit identifier and the PDU
  if (protocol != 0 || following < 2 || following > mbap::kMaxFrameLength - 6)
    return FrameState::kMalformed;
  length = 6u + following;
  return stream.count >= length ? FrameState::kComplete : FrameState::kIncomplete;
}

void DropFront(ModbusTcpStream& stream, size_t length) {
  std::memmove(stream.bytes, stream.bytes + length, stream.count - length);
  stream.count -= length;
}

// Reads what is waiting into the stream; false when the port fails.
bool TakeWaiting(BytePort& port, ModbusTcpStream& stream, bool& took) {
  took = false;
  size_t waiting = 0;
  if (!port.BytesWaiting(waiting)) return false;
  if (waiting == 0) return true;
  const size_t room = sizeof stream.bytes - stream.count;
  size_t got = 0;
  if (!port.Read(stream.bytes + stream.count, std::min(waiting, room), got)) return false;
  stream.count += got;
  took = got > 0;
  return true;
}

// Everything complete in the stream before a request goes out answers an earlier one.
bool SkipStaleFrames(BytePort& port, ModbusTcpStream& stream) {
  for (bool took = true; took;) {
    if (!TakeWaiting(port, stream, took)) return false;
    size_t length = 0;
    for (FrameState state; (state = FrontFrame(stream, length)) != FrameState::kIncomplete;) {
      if (state == FrameState::kMalformed) {
        stream.broken = true;
        return true;
      }
      DropFront(stream, length);
    }
  }
  return true;
}

class ReplyCollector {
 public:
  ReplyCollector(TransactionRecord& record, uint16_t transactionId, ModbusTcpStream& stream,
                 uint8_t* reply, size_t& replyLength)
      : record_(record),
        shape_(ShapeOf(record)),
        transactionId_(transactionId),
        stream_(stream),
        reply_(reply),
        replyLength_(replyLength) {}

  int16_t Run(BytePort& port, uint64_t timeoutUs) {
    const uint64_t start = port.TickUs();
    for (;;) {
      int16_t result = 0;
      if (TakeReply(result)) return result;
      const uint64_t elapsed = port.TickUs() - start;
      if (elapsed > timeoutUs) return kResultTimeout;
      bool took = false;
      if (!TakeWaiting(port, stream_, took)) return kResultReadFailed;
      if (!took) port.WaitForInput(static_cast<uint32_t>(timeoutUs - elapsed + 1));
    }
  }

 private:
  // Looks at the complete frames held; true when the transaction ends.
  bool TakeReply(int16_t& result) {
    size_t length = 0;
    for (FrameState state; (state = FrontFrame(stream_, length)) != FrameState::kIncomplete;) {
      if (state == FrameState::kMalformed) {
        stream_.broken = true;
        replyLength_ = std::min(stream_.count, mbap::kMaxFrameLength);
        std::memcpy(reply_, stream_.bytes, replyLength_);
        result = kResultChecksum;
        return true;
      }
      const bool ours = Word(stream_.bytes) == transactionId_;
      // The unit identifier takes the node's place: the message is unit, function, body.
      const uint8_t* message = stream_.bytes + 6;
      if (ours && FitsReplyShape(shape_, message, length - 6)) {
        std::memcpy(reply_, stream_.bytes, length);
        replyLength_ = length;
        result = DecodeReplyMessage(record_, RTU, message, length - 6);
        DropFront(stream_, length);
        return true;
      }
      DropFront(stream_, length);  // an earlier request's reply, or not a reply to this one
    }
    return false;
  }

  TransactionRecord& record_;
  ReplyShape shape_;
  uint16_t transactionId_;
  ModbusTcpStream& stream_;
  uint8_t* reply_;
  size_t& replyLength_;
};

uint64_t MicrosOf(int16_t ms) { return ms < 0 ? 0u : static_cast<uint64_t>(ms) * 1000u; }

}  // namespace

size_t BuildModbusTcpRequest(const TransactionRecord& record, uint16_t transactionId,
                             uint8_t* out) {
  uint8_t rtu[frame::kBufferSize];
  const size_t rtuLength = frame::BuildRtuRequest(record, rtu);
  // Unit identifier and PDU: the RTU frame less its CRC, at most what one header can count.
  const size_t following = std::min(rtuLength - 2, mbap::kMaxFrameLength - 6);
  PutWord(out, transactionId);
  PutWord(out + 2, 0);
  PutWord(out + 4, static_cast<uint16_t>(following));
  std::memcpy(out + 6, rtu, following);
  return 6 + following;
}

int16_t RunModbusTcpTransaction(TransactionRecord& record, BytePort& port, int16_t msgTimeOut,
                                int16_t& resultCode, ModbusTcpStream& stream,
                                FrameObserver* observer) {
  uint8_t reply[mbap::kMaxFrameLength];
  size_t replyLength = 0;
  if (!SkipStaleFrames(port, stream)) {
    resultCode = kResultReadFailed;
  } else if (stream.broken) {
    resultCode = kResultChecksum;
  } else {
    uint8_t request[frame::kBufferSize];
    const uint16_t transactionId = stream.nextTransactionId++;
    const size_t length = BuildModbusTcpRequest(record, transactionId, request);
    if (observer) observer->Request(request, length);
    if (!port.Write(request, length)) {
      resultCode = kResultWriteFailed;
    } else {
      ReplyCollector collector(record, transactionId, stream, reply, replyLength);
      resultCode = collector.Run(port, MicrosOf(msgTimeOut));
    }
  }
  if (observer) observer->Reply(reply, replyLength, resultCode);
  return resultCode;
}

}  // namespace portwright
