// Recognising the reply to one request among the bytes received. A reply belongs to the
// request when it comes from the request's node, carries its function code (or the exception
// form of it), holds the byte count a read asked for or, for a write, echoes the address (and
// the quantity) written, and its checksum is good. Anything else on the line, noise before a
// reply included, is passed over. Plain byte logic: no Qt, no threads, no allocation.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>

#include "frame.h"
#include "transaction_record.h"

namespace portwright {

// What the reply to a request looks like.
struct ReplyShape {
  uint8_t node = 1;
  uint8_t function = 0;  // the request's function code
  bool read = false;
  unsigned byteCount = 0;  // reads: the data bytes asked for (above 255: no reply can match)
  uint8_t echo[4] = {};    // writes: the address, then (15, 16) the quantity, as sent
  size_t echoLength = 0;
};
ReplyShape ShapeOf(const TransactionRecord& record);
// The message (node, function, body; no checksum) is the reply of that shape.
bool FitsReplyShape(const ReplyShape& shape, const uint8_t* message, size_t length);

// Looks for the reply in a receive buffer that only grows; each start offset is looked at
// until it is ruled out, so noise before the reply costs nothing but its bytes.
class ReplyMatcher {
 public:
  ReplyMatcher(const ReplyShape& shape, enumPLCMode mode) : shape_(shape), mode_(mode) {}

  // True when the bytes held contain the reply: `start` and `length` give the frame (RTU from
  // the node address to the CRC, ASCII from ':' to LF).
  bool Find(const uint8_t* bytes, size_t count, size_t& start, size_t& length);
  // A frame from this node with this function but a bad checksum has been seen.
  bool SawBadFrame() const { return sawBadFrame_; }
  // A frame of the reply's shape has begun and is not complete: more of it may still come.
  bool ReplyBegun() const { return replyBegun_; }

 private:
  enum class Verdict { kNotHere, kUndecided, kBegun, kBadChecksum, kReply };
  bool FindRtu(const uint8_t* bytes, size_t count, size_t& start, size_t& length);
  bool FindAscii(const uint8_t* bytes, size_t count, size_t& start, size_t& length);
  Verdict RtuFrameAt(const uint8_t* bytes, size_t count, size_t start, size_t& length) const;
  Verdict AsciiFrame(const char* text, size_t length) const;

  ReplyShape shape_;
  enumPLCMode mode_;
  std::bitset<frame::kBufferSize> ruledOut_;  // RTU start offsets that hold no reply
  size_t asciiFrom_ = 0;                      // ASCII: where the text after the last LF begins
  bool sawBadFrame_ = false;
  bool replyBegun_ = false;
};

}  // namespace portwright
