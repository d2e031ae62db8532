// Hands the frames a transaction sees to the host's trace sink. The sink is swapped on the
// control's thread and called on the worker; the lock keeps a sink from being replaced (and
// perhaps destroyed by its host) in the middle of a call.
#pragma once

#include <mutex>

#include "portwright/modbus_atl.h"
#include "transaction.h"

namespace portwright {

class TraceForwarder : public FrameObserver {
 public:
  void SetSink(IModbusAtlTrace* sink) {
    std::lock_guard lock(mutex_);
    sink_ = sink;
  }
  void Request(const uint8_t* bytes, size_t length) override {
    std::lock_guard lock(mutex_);
    if (sink_) sink_->Request(bytes, length);
  }
  void Reply(const uint8_t* bytes, size_t length, int16_t result) override {
    std::lock_guard lock(mutex_);
    if (sink_) sink_->Reply(bytes, length, result);
  }

 private:
  std::mutex mutex_;
  IModbusAtlTrace* sink_ = nullptr;
};

}  // namespace portwright
