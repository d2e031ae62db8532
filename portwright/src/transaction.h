// One Modbus request/response transaction over a byte port: wait for a quiet line, build,
// write, collect, check, decode. No Qt and no threads: the worker thread calls it, tests hand
// it a scripted port.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame.h"
#include "transaction_record.h"

namespace portwright {

// How long a character takes on the line: the baud rate and the bits of one character (start,
// data, parity and stop bits).
struct LineTiming {
  unsigned baud = 19200;
  unsigned bitsPerCharacter = 10;
};

// The silence that ends a frame: 3.5 characters, and 1.75 ms above 19,200 baud.
uint32_t InterFrameGapUs(const LineTiming& timing);

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
  // Waits until input may be waiting or timeoutUs microseconds pass (poll(2) on a device).
  virtual void WaitForInput(uint32_t timeoutUs) = 0;
  // Monotonic microsecond tick.
  virtual uint64_t TickUs() = 0;
  virtual LineTiming Timing() const = 0;
};

// The bytes of the last reply, and what the transactions on one port remember of the line
// from one to the next (in the port's ticks).
struct ReceiveBuffer {
  uint8_t bytes[frame::kBufferSize] = {};
  uint16_t count = 0;
  uint64_t lastByteUs = 0;   // when a byte was last read from the line
  uint64_t settledAtUs = 0;  // after a failed transaction: the line is read and discarded
                             // until then, so that a late reply cannot meet the next request
};

// Optional observer of the frames (the control's trace).
class FrameObserver {
 public:
  virtual ~FrameObserver() = default;
  virtual void Request(const uint8_t* bytes, size_t length) = 0;
  virtual void Reply(const uint8_t* bytes, size_t length, int16_t result) = 0;
};

// Runs one transaction on record. Before the request goes out the line must have been silent
// for the inter-frame gap and, after a transaction left unanswered (no whole reply, not even a
// spoilt one that ended in silence), until the guard of that failure has passed; a line that does not fall quiet within msgTimeOut ends the
// transaction with -1 without writing. Only a reply that fits the request (node, function or
// its exception, byte count, echo) is taken; noise before it is passed over. resultCode keeps
// its previous value unless a decode or a failure replaces it; the new value is also
// returned. Data in the record change only on a good decode of a non-exception reply.
int16_t RunTransaction(TransactionRecord& record, enumPLCMode mode, BytePort& port,
                       int16_t msgTimeOut, int16_t& resultCode, ReceiveBuffer& buffer,
                       FrameObserver* observer = nullptr);

// Decodes a reply message (node, function, then the body) whose checksum was good into the
// record; returns the new result code (the exception code of an exception reply), -2 when
// the message is too short for what it claims to hold.
int16_t DecodeReplyMessage(TransactionRecord& record, enumPLCMode mode, const uint8_t* message,
                           size_t length);

// After a failed transaction the line is watched this long before the next request: as long
// as the time-out again (a drive that misses the time-out is taken to answer within the same
// time once more), at least the gap and at most 250 ms.
uint32_t FailureGuardUs(int16_t msgTimeOut, uint32_t gapUs);

}  // namespace portwright
