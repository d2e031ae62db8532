#include "frame.h"

#include <array>
#include <bit>
#include <cstring>

namespace portwright::frame {

namespace {

// The usual pair of 256-entry tables, one for each CRC byte (reflected polynomial 0xA001).
struct CrcTables {
  std::array<uint8_t, 256> high{};
  std::array<uint8_t, 256> low{};
  constexpr CrcTables() {
    for (int i = 0; i < 256; ++i) {
      uint16_t crc = static_cast<uint16_t>(i);
      for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
      low[i] = static_cast<uint8_t>(crc & 0xFF);
      high[i] = static_cast<uint8_t>(crc >> 8);
    }
  }
};
constexpr CrcTables kCrc;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr int kMaxWords = sizeof(TransactionRecord::words) / sizeof(int16_t);
constexpr int kMaxValues = sizeof(TransactionRecord::longs) / sizeof(int32_t);

int Clamp(int value, int low, int high) { return value < low ? low : value > high ? high : value; }

// Writes the fields of one request in RTU bytes or ASCII hex text, never past the buffer. A
// field that does not fit (with room kept for the checksum trailer) ends the frame there.
class RequestWriter {
 public:
  RequestWriter(enumPLCMode mode, uint8_t* out)
      : ascii_(mode == ASCII), out_(out), trailer_(ascii_ ? 5 : 2) {
    if (ascii_) out_[length_++] = ':';
  }

  void Byte(uint8_t value) { Field(value, 2); }
  void Word(uint16_t value) { Field(value, 4); }
  // RTU carries the low 8 bits; ASCII writes "%02X" of the whole value.
  void ByteCount(uint32_t value) { Field(ascii_ ? value : value & 0xFF, 2); }
  bool Full() const { return full_; }

  size_t Finish() {
    if (!ascii_) {
      const uint16_t crc = Crc16(out_, length_);
      out_[length_++] = static_cast<uint8_t>(crc & 0xFF);
      out_[length_++] = static_cast<uint8_t>(crc >> 8);
      return length_;
    }
    AppendHex(AsciiLrc(), 2);
    out_[length_++] = '\r';
    out_[length_++] = '\n';
    out_[length_] = '\0';
    return length_;
  }

 private:
  // RTU: digits / 2 bytes, big-endian. ASCII: upper-case hex, at least digits characters.
  void Field(uint32_t value, int digits) {
    if (full_) return;
    if (!ascii_) {
      const size_t bytes = static_cast<size_t>(digits / 2);
      if (length_ + bytes + trailer_ > kBufferSize) {
        full_ = true;
        return;
      }
      for (size_t i = bytes; i-- > 0;) out_[length_++] = static_cast<uint8_t>(value >> (8 * i));
      return;
    }
    int needed = digits;
    while (needed < 8 && (value >> (4 * needed)) != 0) ++needed;
    if (length_ + static_cast<size_t>(needed) + trailer_ > kBufferSize) {
      full_ = true;
      return;
    }
    AppendHex(value, needed);
  }

  void AppendHex(uint32_t value, int digits) {
    for (int i = digits; i-- > 0;) out_[length_++] = kHexDigits[(value >> (4 * i)) & 0xF];
  }

  // LRC of the bytes the hex text after ':' decodes to (pairs; a lone last digit is ignored).
  uint8_t AsciiLrc() const {
    uint8_t sum = 0, byte = 0;
    for (size_t i = 1; i + 1 < length_; i += 2)
      if (HexByte(static_cast<char>(out_[i]), static_cast<char>(out_[i + 1]), byte))
        sum = static_cast<uint8_t>(sum + byte);
    return static_cast<uint8_t>(-sum);
  }

  bool ascii_;
  uint8_t* out_;
  size_t trailer_;
  size_t length_ = 0;
  bool full_ = false;
};

uint8_t LowByte(int16_t word) { return static_cast<uint8_t>(word & 0xFF); }
uint8_t HighByte(int16_t word) { return static_cast<uint8_t>((word >> 8) & 0xFF); }

// Coil status byte k: the low byte of word k/2 for even k, its high byte for odd k.
uint8_t CoilStatusByte(const TransactionRecord& record, int k) {
  const int16_t word = record.words[k / 2];
  return (k % 2 == 0) ? LowByte(word) : HighByte(word);
}

size_t TextLength(const TransactionRecord& record) {
  return strnlen(record.text, sizeof record.text - 1);
}

// The string's length on the wire: padded with zero bytes to an even length, at least one zero.
size_t PaddedTextLength(const TransactionRecord& record) {
  const size_t n = TextLength(record);
  return (n % 2 == 1) ? n + 1 : n + 2;
}

void WriteMultipleCoils(const TransactionRecord& record, RequestWriter& w) {
  const int quantity = record.quantity;
  const int statusBytes = Clamp((quantity - 1) / 8 + 1, 0, 2 * kMaxWords);
  w.Word(static_cast<uint16_t>(quantity));
  w.Byte(static_cast<uint8_t>(statusBytes));
  for (int k = 0; k < statusBytes && !w.Full(); ++k) w.Byte(CoilStatusByte(record, k));
}

void WriteFloat(float value, RequestWriter& w) {
  const uint32_t bits = std::bit_cast<uint32_t>(value);
  w.Word(static_cast<uint16_t>(bits & 0xFFFF));  // b1 b0
  w.Word(static_cast<uint16_t>(bits >> 16));     // b3 b2
}

void WriteString(const TransactionRecord& record, RequestWriter& w) {
  const size_t n = TextLength(record), padded = PaddedTextLength(record);
  w.Word(static_cast<uint16_t>(padded / 2));
  w.ByteCount(static_cast<uint32_t>(padded));
  auto at = [&](size_t i) { return i < n ? static_cast<uint8_t>(record.text[i]) : uint8_t{0}; };
  // Second character first: a register holds the first character in its low byte.
  for (size_t i = 0; i < padded && !w.Full(); i += 2) {
    w.Byte(at(i + 1));
    w.Byte(at(i));
  }
}

void WriteMultipleRegisters(const TransactionRecord& record, RequestWriter& w) {
  const int quantity = record.quantity;
  const int words = Clamp(quantity, 0, kMaxWords), values = Clamp(quantity, 0, kMaxValues);
  switch (record.dataType) {
    case Integer:
    case BCD:
      w.Word(static_cast<uint16_t>(quantity));
      w.ByteCount(static_cast<uint16_t>(2 * quantity));
      for (int i = 0; i < words && !w.Full(); ++i) {
        const int16_t word = record.words[i];
        w.Word(static_cast<uint16_t>(record.dataType == BCD ? BcdEncode(word) : word));
      }
      break;
    case Long:
      w.Word(static_cast<uint16_t>(2 * quantity));
      w.ByteCount(static_cast<uint16_t>(4 * quantity));
      for (int i = 0; i < values && !w.Full(); ++i) {
        uint16_t a = 0, b = 0;
        LongEncode(record.longs[i], a, b);
        w.Word(a);
        w.Word(b);
      }
      break;
    case Float:
      w.Word(static_cast<uint16_t>(2 * quantity));
      w.ByteCount(static_cast<uint16_t>(4 * quantity));
      for (int i = 0; i < values && !w.Full(); ++i) WriteFloat(record.floats[i], w);
      break;
    case String:
      WriteString(record, w);
      break;
  }
}

size_t BuildRequest(const TransactionRecord& record, enumPLCMode mode, uint8_t* out) {
  RequestWriter w(mode, out);
  w.Byte(record.node);
  w.Byte(FunctionCode(record.function));
  w.Word(static_cast<uint16_t>(record.address - 1));
  switch (record.function) {
    case ReadCoil:
    case ReadInput:
    case ReadHoldingReg:
    case ReadInputReg:
      w.Word(RequestQuantity(record));
      break;
    case ForceSingleCoil:
      w.Word(record.words[0] != 0 ? 0xFF00 : 0x0000);
      break;
    case SetSingleReg:
      w.Word(static_cast<uint16_t>(record.words[0]));
      break;
    case SetMultipleCoils:
      WriteMultipleCoils(record, w);
      break;
    case SetMultipleReg:
      WriteMultipleRegisters(record, w);
      break;
  }
  return w.Finish();
}

}  // namespace

uint8_t FunctionCode(enumPLCFunction function) {
  static constexpr uint8_t kCodes[] = {1, 2, 3, 4, 5, 6, 15, 16};
  const int index = static_cast<int>(function);
  return (index >= 0 && index < 8) ? kCodes[index] : 0;
}

bool IsReadFunction(enumPLCFunction function) {
  return function >= ReadCoil && function <= ReadInputReg;
}

uint16_t RequestQuantity(const TransactionRecord& record) {
  const bool pairs = record.dataType == Long || record.dataType == Float;
  const bool registers = record.function == ReadHoldingReg || record.function == ReadInputReg ||
                         record.function == SetMultipleReg;
  return static_cast<uint16_t>(pairs && registers ? 2 * record.quantity : record.quantity);
}

uint32_t BcdEncode(int32_t value) {
  if (value < 0) return 0;  // no digits for a sign: negative values go as zero
  uint32_t bcd = 0;
  for (int shift = 0; value != 0 && shift < 32; shift += 4, value /= 10)
    bcd |= static_cast<uint32_t>(value % 10) << shift;
  return bcd;
}

int32_t BcdDecode(uint32_t bcd) {
  int32_t value = 0;
  for (int shift = 28; shift >= 0; shift -= 4) {
    const uint32_t digit = (bcd >> shift) & 0xF;
    if (digit > 9) return 0;
    value = value * 10 + static_cast<int32_t>(digit);
  }
  return value;
}

void LongEncode(int32_t value, uint16_t& registerA, uint16_t& registerB) {
  if (value < 0 || value > 99'999'999) {
    registerA = registerB = 0;
    return;
  }
  registerA = static_cast<uint16_t>(value / 10000);
  registerB = static_cast<uint16_t>(value % 10000);
}

int32_t LongDecode(const uint8_t* bytes) {
  const uint16_t a = static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
  const uint16_t b = static_cast<uint16_t>(bytes[2] << 8 | bytes[3]);
  return BcdDecode((BcdEncode(a) & 0xFFFF) << 16 | (BcdEncode(b) & 0xFFFF));
}

size_t BuildRtuRequest(const TransactionRecord& record, uint8_t* out) {
  return BuildRequest(record, RTU, out);
}

size_t BuildAsciiRequest(const TransactionRecord& record, char* out) {
  return BuildRequest(record, ASCII, reinterpret_cast<uint8_t*>(out));
}

uint16_t Crc16(const uint8_t* data, size_t length) {
  uint8_t low = 0xFF, high = 0xFF;
  for (size_t i = 0; i < length; ++i) {
    const uint8_t index = low ^ data[i];
    low = high ^ kCrc.low[index];
    high = kCrc.high[index];
  }
  return static_cast<uint16_t>(high << 8 | low);
}

uint8_t Lrc(const uint8_t* data, size_t length) {
  uint8_t sum = 0;
  for (size_t i = 0; i < length; ++i) sum = static_cast<uint8_t>(sum + data[i]);
  return static_cast<uint8_t>(-sum);
}

bool HexByte(char high, char low, uint8_t& value) {
  const int h = HexDigit(high), l = HexDigit(low);
  if (h < 0 || l < 0) return false;
  value = static_cast<uint8_t>(h << 4 | l);
  return true;
}

bool HexToBytes(const char* text, size_t length, uint8_t* out) {
  for (size_t i = 0; i + 1 < length; i += 2)
    if (!HexByte(text[i], text[i + 1], out[i / 2])) return false;
  return true;
}

}  // namespace portwright::frame
