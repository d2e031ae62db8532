#include "reply_match.h"

#include <cstring>

namespace portwright {

namespace {

constexpr size_t kExceptionLength = 3;  // node, function | 0x80, code
constexpr size_t kEchoLength = 6;       // node, function, address, value or quantity
constexpr size_t kRtuCrcLength = 2;
constexpr size_t kAsciiOverhead = 5;  // ':', the LRC pair, CR, LF

}  // namespace

ReplyShape ShapeOf(const TransactionRecord& record) {
  ReplyShape shape;
  shape.node = record.node;
  shape.function = frame::FunctionCode(record.function);
  shape.read = frame::IsReadFunction(record.function);
  const unsigned quantity = frame::RequestQuantity(record);
  if (record.function == ReadCoil || record.function == ReadInput)
    shape.byteCount = (quantity + 7) / 8;
  else if (shape.read)
    shape.byteCount = 2 * quantity;
  if (!shape.read) {
    // The echo repeats the request's address and, for the multiple writes, its quantity field.
    uint8_t request[frame::kBufferSize];
    frame::BuildRtuRequest(record, request);
    const bool multiple = record.function == SetMultipleCoils || record.function == SetMultipleReg;
    shape.echoLength = multiple ? 4 : 2;
    std::memcpy(shape.echo, request + 2, shape.echoLength);
  }
  return shape;
}

bool FitsReplyShape(const ReplyShape& shape, const uint8_t* message, size_t length) {
  if (length < 2 || message[0] != shape.node) return false;
  if (message[1] == (shape.function | 0x80)) return length == kExceptionLength;
  if (message[1] != shape.function) return false;
  if (shape.read) return length == 3 + shape.byteCount && message[2] == shape.byteCount;
  return length == kEchoLength && std::memcmp(message + 2, shape.echo, shape.echoLength) == 0;
}

bool ReplyMatcher::Find(const uint8_t* bytes, size_t count, size_t& start, size_t& length) {
  replyBegun_ = false;
  return mode_ == RTU ? FindRtu(bytes, count, start, length)
                      : FindAscii(bytes, count, start, length);
}

// RTU: the frame's length follows from its first three bytes once they fit the shape.
ReplyMatcher::Verdict ReplyMatcher::RtuFrameAt(const uint8_t* bytes, size_t count, size_t start,
                                               size_t& length) const {
  const uint8_t* p = bytes + start;
  const size_t held = count - start;
  if (p[0] != shape_.node) return Verdict::kNotHere;
  if (held < 2) return Verdict::kUndecided;
  if (p[1] == (shape_.function | 0x80)) {
    length = kExceptionLength;
  } else if (p[1] != shape_.function) {
    return Verdict::kNotHere;
  } else if (shape_.read) {
    if (held < 3) return Verdict::kUndecided;
    if (p[2] != shape_.byteCount) return Verdict::kNotHere;
    length = 3 + shape_.byteCount;
  } else {
    length = kEchoLength;
  }
  length += kRtuCrcLength;
  if (held < length) return Verdict::kBegun;
  const uint16_t received = static_cast<uint16_t>(p[length - 1] << 8 | p[length - 2]);
  if (frame::Crc16(p, length - kRtuCrcLength) != received) return Verdict::kBadChecksum;
  return FitsReplyShape(shape_, p, length - kRtuCrcLength) ? Verdict::kReply : Verdict::kNotHere;
}

bool ReplyMatcher::FindRtu(const uint8_t* bytes, size_t count, size_t& start, size_t& length) {
  for (size_t s = 0; s < count && s < ruledOut_.size(); ++s) {
    if (ruledOut_[s]) continue;
    size_t frameLength = 0;
    switch (RtuFrameAt(bytes, count, s, frameLength)) {
      case Verdict::kReply:
        start = s;
        length = frameLength;
        return true;
      case Verdict::kBegun:
        replyBegun_ = true;
        break;
      case Verdict::kBadChecksum:
        sawBadFrame_ = true;
        ruledOut_[s] = true;
        break;
      case Verdict::kNotHere:
        ruledOut_[s] = true;
        break;
      case Verdict::kUndecided:
        break;
    }
  }
  return false;
}

// ASCII text from ':' to LF: the header decides whether it is this reply (or a spoilt copy of
// it), the hex, the LRC and the shape whether it is a good one.
ReplyMatcher::Verdict ReplyMatcher::AsciiFrame(const char* text, size_t length) const {
  uint8_t node = 0, function = 0;
  if (length < kAsciiOverhead + 4 || !frame::HexByte(text[1], text[2], node) ||
      !frame::HexByte(text[3], text[4], function) || node != shape_.node ||
      (function != shape_.function && function != (shape_.function | 0x80)))
    return Verdict::kNotHere;
  const size_t hexLength = length - kAsciiOverhead;
  uint8_t message[frame::kBufferSize / 2];
  uint8_t lrc = 0;
  if (hexLength % 2 != 0 || !frame::HexToBytes(text + 1, hexLength, message) ||
      !frame::HexByte(text[length - 4], text[length - 3], lrc) ||
      frame::Lrc(message, hexLength / 2) != lrc)
    return Verdict::kBadChecksum;
  return FitsReplyShape(shape_, message, hexLength / 2) ? Verdict::kReply : Verdict::kNotHere;
}

bool ReplyMatcher::FindAscii(const uint8_t* bytes, size_t count, size_t& start, size_t& length) {
  const char* text = reinterpret_cast<const char*>(bytes);
  for (size_t lf = asciiFrom_; lf < count; ++lf) {
    if (text[lf] != '\n') continue;
    size_t colon = lf;
    while (colon > asciiFrom_ && text[colon] != ':') --colon;
    asciiFrom_ = lf + 1;
    if (text[colon] != ':') continue;  // noise that ends in a line feed
    switch (AsciiFrame(text + colon, lf + 1 - colon)) {
      case Verdict::kReply:
        start = colon;
        length = lf + 1 - colon;
        return true;
      case Verdict::kBadChecksum:
        sawBadFrame_ = true;
        break;
      default:
        break;
    }
  }
  // The reply has begun when the text after the last line feed opens with its header.
  size_t colon = count;
  while (colon > asciiFrom_ && text[colon - 1] != ':') --colon;
  uint8_t node = 0, function = 0;
  replyBegun_ = colon > asciiFrom_ && count - colon >= 4 &&
                frame::HexByte(text[colon], text[colon + 1], node) &&
                frame::HexByte(text[colon + 2], text[colon + 3], function) && node == shape_.node &&
                (function & 0x7F) == shape_.function;
  return false;
}

}  // namespace portwright
