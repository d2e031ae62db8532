// One Modbus request/response transaction over a byte port: build, write, collect, check,
// decode. No Qt and no threads: the worker thread calls it, tests hand it a scripted port.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame.h"
#include "transaction_record.h"

namespace portwright {

// The serial operations a transaction needs.
class BytePort {
 public:
  virtual ~BytePort() = default;
  virtual void Purge() = 0;
  // Bytes waiting in the receive queue; also clears any line-error state. False on failure.
  virtual bool BytesWaiting(size_t& count) = 0;
  virtual bool Write(const uint8_t* data, size_t length) = 0;
  // Reads up to wanted bytes without blocking; false on failure.
  virtual bool Read(uint8_t* data, size_t wanted, size_t& got) = 0;
  // Waits until input may be waiting or timeoutMs passes (poll(2) on a device).
  virtual void WaitReadable(int timeoutMs) = 0;
  // Monotonic millisecond tick.
  virtual uint32_t TickMs() = 0;
};

struct ReceiveBuffer {
  uint8_t bytes[frame::kBufferSize] = {};
  uint16_t count = 0;
};

// Optional observer of the frames (the control's trace).
class FrameObserver {
 public:
  virtual ~FrameObserver() = default;
  virtual void Request(const uint8_t* bytes, size_t length) = 0;
  virtual void Reply(const uint8_t* bytes, size_t length, int16_t result) = 0;
};

// Runs one transaction on record. resultCode keeps its previous value unless a decode or a
// failure replaces it; the new value is also returned. Data in the record change only on a
// good decode of a non-exception reply.
int16_t RunTransaction(TransactionRecord& record, enumPLCMode mode, BytePort& port,
                       int16_t msgTimeOut, int16_t& resultCode, ReceiveBuffer& buffer,
                       FrameObserver* observer = nullptr);

}  // namespace portwright
