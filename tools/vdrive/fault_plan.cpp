#include "fault_plan.h"

namespace vdrive {

void FaultPlan::Add(const ReplyFault& fault, int count) {
  if (count == 0) return;
  planned_.push_back({fault, count});
}

ReplyFault FaultPlan::TakeNext() {
  if (planned_.empty()) return {};
  Planned& front = planned_.front();
  ReplyFault fault = front.fault;
  if (front.remaining > 0 && --front.remaining == 0) planned_.pop_front();
  return fault;
}

std::string FaultPlan::Describe() const {
  if (planned_.empty()) return "none";
  std::string text;
  for (const Planned& p : planned_) {
    if (!text.empty()) text += ", ";
    text += KindName(p.fault.kind);
    text += p.remaining < 0 ? " x always" : " x" + std::to_string(p.remaining);
  }
  return text;
}

const char* KindName(ReplyFault::Kind kind) {
  switch (kind) {
    case ReplyFault::kNoReply:
      return "noreply";
    case ReplyFault::kBadChecksum:
      return "badcrc";
    case ReplyFault::kSlow:
      return "slow";
    case ReplyFault::kException:
      return "exception";
    case ReplyFault::kJunk:
      return "junk";
    case ReplyFault::kSplit:
      return "split";
    case ReplyFault::kReplyLost:
      return "replylost";
    case ReplyFault::kDrop:
      return "drop";
    case ReplyFault::kWrongTransaction:
      return "wrongtid";
    default:
      return "none";
  }
}

}  // namespace vdrive
