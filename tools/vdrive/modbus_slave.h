// The slave side of Modbus RTU and ASCII: finding request frames in the bytes received,
// checking them, answering the request with the register map, and framing the reply.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "virtual_drive.h"

namespace vdrive {

enum class Framing { Rtu, Ascii };

using Bytes = std::vector<uint8_t>;

// What the front of a receive buffer holds.
struct FrameScan {
  enum Status {
    kIncomplete,  // wait for more bytes (or for the line to fall silent)
    kFrame,       // a frame of `length` bytes with a good checksum
    kDiscard,     // `length` bytes that cannot start a good frame
  };
  Status status = kIncomplete;
  size_t length = 0;
};

// RTU: the length follows from the function code; an unknown function code is complete only
// when the line falls silent (lineSilent), and then only if its checksum is good.
FrameScan ScanRtu(const uint8_t* data, size_t length, bool lineSilent);
// ASCII: ':' up to LF; bytes before ':' are discarded.
FrameScan ScanAscii(const uint8_t* data, size_t length);

// A checked request: node address and protocol data unit (function code and data).
struct Request {
  uint8_t node = 0;
  Bytes pdu;
};
// Frame -> request; false when the checksum or the hex text is bad.
bool DecodeRtu(const uint8_t* frame, size_t length, Request& request);
bool DecodeAscii(const uint8_t* frame, size_t length, Request& request);

// Answers one request PDU from the register space: the reply PDU (function code and data,
// or function | 0x80 and the exception code).
Bytes HandlePdu(const Bytes& pdu, RegisterSpace& registers);
Bytes ExceptionPdu(uint8_t function, uint8_t code);

// node + PDU + CRC, or ':' hex LRC CR LF.
Bytes EncodeFrame(Framing framing, uint8_t node, const Bytes& pdu);
// Spoils the checksum of a framed reply (the CRC's last byte, or one LRC character).
void CorruptChecksum(Framing framing, Bytes& frame);

// Collects received bytes and hands out the checked requests one at a time.
class RequestAssembler {
 public:
  explicit RequestAssembler(Framing framing) : framing_(framing) {}
  void Feed(const uint8_t* data, size_t length);
  // Next checked request, if one is complete. lineSilent: no byte arrived for a frame gap, so
  // a partial frame is finished (RTU) or dropped.
  bool Next(Request& request, bool lineSilent);
  void Clear() { buffer_.clear(); }
  size_t Pending() const { return buffer_.size(); }

 private:
  static constexpr size_t kMaxBuffer = 1024;
  Framing framing_;
  Bytes buffer_;
};

}  // namespace vdrive
