// One Modbus TCP transaction over a byte port: the request's MBAP header (transaction
// identifier, protocol 0, length, unit identifier = the record's node) and PDU, and the reply
// found by its transaction identifier in the stream. A reply that carries an earlier
// identifier (one that came after its time-out) is passed over, never credited to the
// request in hand. No Qt and no threads; tests hand it a scripted port.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame.h"
#include "transaction.h"

namespace portwright {

namespace mbap {
constexpr size_t kHeaderLength = 7;  // transaction, protocol, length (2 bytes each), unit
constexpr size_t kMaxFrameLength = kHeaderLength + 253;
}  // namespace mbap

// The request of a record: header and PDU (the RTU request without its node and CRC).
size_t BuildModbusTcpRequest(const TransactionRecord& record, uint16_t transactionId, uint8_t* out);

// What the transactions on one connection remember: the next transaction identifier, the
// bytes of a frame not yet complete, and the last reply (for the trace).
struct ModbusTcpStream {
  uint16_t nextTransactionId = 1;
  uint8_t bytes[frame::kBufferSize] = {};
  size_t count = 0;
  // The stream cannot be read on (a header that no Modbus TCP frame has): the connection
  // must be made afresh.
  bool broken = false;
  void Reset() {
    count = 0;
    broken = false;
  }
};

// Runs one transaction; the result codes are those of the serial line (-1 no reply within
// msgTimeOut, -2 a frame that is not Modbus TCP, -3 reading failed, -5 writing failed).
// resultCode keeps its value unless a decode or a failure replaces it; data in the record
// change only on a good decode of a non-exception reply.
int16_t RunModbusTcpTransaction(TransactionRecord& record, BytePort& port, int16_t msgTimeOut,
                                int16_t& resultCode, ModbusTcpStream& stream,
                                FrameObserver* observer = nullptr);

}  // namespace portwright
