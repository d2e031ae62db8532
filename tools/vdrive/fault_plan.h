// Faults injected into the replies: each planned fault spoils the replies to the next `count`
// requests for this node (count < 0: until cleared), in the order they were planned.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace vdrive {

struct ReplyFault {
  enum Kind {
    kNone,
    kNoReply,           // the request is lost on the line: not acted on, not answered
    kBadChecksum,       // the reply's CRC or LRC is wrong
    kSlow,              // the reply starts after `milliseconds`
    kException,         // the request is not acted on; exception `code` is the reply
    kJunk,              // `junk` bytes go out before the reply
    kSplit,             // the reply goes out in two halves, `milliseconds` apart
    kReplyLost,         // the request is acted on, its reply is lost on the line
    kDrop,              // behind a listener: the connection is closed instead of an answer
    kWrongTransaction,  // Modbus TCP: the reply carries another transaction identifier
  };
  Kind kind = kNone;
  int milliseconds = 0;
  int code = 0;
  std::vector<uint8_t> junk;
};

class FaultPlan {
 public:
  void Add(const ReplyFault& fault, int count);
  // The fault for the next reply (kind kNone when nothing is planned).
  ReplyFault TakeNext();
  void Clear() { planned_.clear(); }
  bool Empty() const { return planned_.empty(); }
  std::string Describe() const;

 private:
  struct Planned {
    ReplyFault fault;
    int remaining;  // < 0: forever
  };
  std::deque<Planned> planned_;
};

const char* KindName(ReplyFault::Kind kind);

}  // namespace vdrive
