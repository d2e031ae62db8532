// Modbus RTU and ASCII request frames and the arithmetic of the wire: CRC-16, LRC, BCD and
// the drive's two-register long. Plain byte logic: no Qt, no threads, no allocation.
#pragma once

#include <cstddef>
#include <cstdint>

#include "transaction_record.h"

namespace portwright::frame {

constexpr size_t kBufferSize = 1024;

// Modbus function code of an enumPLCFunction value (ReadCoil -> 1 ... SetMultipleReg -> 16).
uint8_t FunctionCode(enumPLCFunction function);
bool IsReadFunction(enumPLCFunction function);

// CRC-16/MODBUS of a byte run; sent low byte first.
uint16_t Crc16(const uint8_t* data, size_t length);
// Two's complement of the 8-bit sum of the bytes.
uint8_t Lrc(const uint8_t* data, size_t length);
// Decodes one hex pair; only '0'-'9' and upper-case 'A'-'F' are digits.
bool HexByte(char high, char low, uint8_t& value);
// Decodes hex text into bytes; false when a character is not a hex digit.
bool HexToBytes(const char* text, size_t length, uint8_t* out);

// BCD: decimal digits of the value as nibbles (1234 -> 0x1234); decode of a nibble > 9 gives 0.
uint32_t BcdEncode(int32_t value);
int32_t BcdDecode(uint32_t bcd);
// Long: A = value div 10000, B = value mod 10000; negative or above 99,999,999 -> 0, 0.
void LongEncode(int32_t value, uint16_t& registerA, uint16_t& registerB);
// Decodes four reply bytes (A high, A low, B high, B low) through their BCD forms.
int32_t LongDecode(const uint8_t* bytes);

// The quantity field a read request carries: DataQty, or 2 x DataQty registers for Long and
// Float register reads.
uint16_t RequestQuantity(const TransactionRecord& record);

// Builds the request of a record into out (kBufferSize bytes); returns its length. Values beyond
// the record's arrays or beyond the buffer are never read or written: a quantity too large for
// them (far above what one Modbus frame can carry) gives a frame cut short.
size_t BuildRtuRequest(const TransactionRecord& record, uint8_t* out);
size_t BuildAsciiRequest(const TransactionRecord& record, char* out);

}  // namespace portwright::frame
