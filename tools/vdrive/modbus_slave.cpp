#include "modbus_slave.h"

#include <algorithm>

#include "frame.h"

namespace vdrive {

namespace {

constexpr size_t kMaxAsciiFrame = 513;  // ':' + 2 x 255 hex characters + CR LF
constexpr int kMaxReadCount = 125;
constexpr int kMaxWriteCount = 123;

// Request length of an RTU function code, 0 when it is not known yet, -1 for an unknown
// function code (only the line falling silent ends such a frame).
long RtuRequestLength(const uint8_t* data, size_t length) {
  switch (data[1]) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 8:
      return 8;
    case 7:
    case 11:
    case 12:
    case 17:
      return 4;
    case 15:
    case 16:
      return length < 7 ? 0 : 9 + data[6];
    case 20:
    case 21:
      return length < 3 ? 0 : 5 + data[2];
    case 22:
      return 10;
    case 23:
      return length < 11 ? 0 : 13 + data[10];
    case 24:
      return 6;
    default:
      return -1;
  }
}

bool GoodCrc(const uint8_t* frame, size_t length) {
  if (length < 4) return false;
  const uint16_t crc = portwright::frame::Crc16(frame, length - 2);
  return frame[length - 2] == (crc & 0xFF) && frame[length - 1] == (crc >> 8);
}

int HexValue(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

uint16_t Word(const Bytes& pdu, size_t at) {
  return static_cast<uint16_t>(pdu[at] << 8 | pdu[at + 1]);
}
void PutWord(Bytes& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value & 0xFF));
}

Bytes ReadHolding(const Bytes& pdu, RegisterSpace& registers) {
  const uint8_t function = pdu[0];
  if (pdu.size() != 5) return ExceptionPdu(function, kIllegalDataValue);
  const uint16_t address = Word(pdu, 1), count = Word(pdu, 3);
  if (count < 1 || count > kMaxReadCount) return ExceptionPdu(function, kIllegalDataValue);
  uint16_t values[kMaxReadCount];
  if (uint8_t code = registers.ReadRegisters(address, count, values))
    return ExceptionPdu(function, code);
  Bytes reply{function, static_cast<uint8_t>(count * 2)};
  for (int i = 0; i < count; ++i) PutWord(reply, values[i]);
  return reply;
}

Bytes WriteSingle(const Bytes& pdu, RegisterSpace& registers) {
  if (pdu.size() != 5) return ExceptionPdu(pdu[0], kIllegalDataValue);
  const uint16_t value = Word(pdu, 3);
  if (uint8_t code = registers.WriteRegisters(Word(pdu, 1), &value, 1))
    return ExceptionPdu(pdu[0], code);
  return pdu;  // the echo
}

Bytes WriteMultiple(const Bytes& pdu, RegisterSpace& registers) {
  const uint8_t function = pdu[0];
  if (pdu.size() < 6) return ExceptionPdu(function, kIllegalDataValue);
  const uint16_t address = Word(pdu, 1), count = Word(pdu, 3);
  const size_t byteCount = pdu[5];
  if (count < 1 || count > kMaxWriteCount || byteCount != 2u * count || pdu.size() != 6 + byteCount)
    return ExceptionPdu(function, kIllegalDataValue);
  uint16_t values[kMaxWriteCount];
  for (int i = 0; i < count; ++i) values[i] = Word(pdu, 6 + 2 * i);
  if (uint8_t code = registers.WriteRegisters(address, values, count))
    return ExceptionPdu(function, code);
  Bytes reply{function};
  PutWord(reply, address);
  PutWord(reply, count);
  return reply;
}

}  // namespace

FrameScan ScanRtu(const uint8_t* data, size_t length, bool lineSilent) {
  if (length == 0) return {};
  // On a silent line whatever is held is all the frame will ever get.
  const FrameScan dropOne{FrameScan::kDiscard, 1};
  if (length < 2) return lineSilent ? dropOne : FrameScan{};
  const long expected = RtuRequestLength(data, length);
  if (expected < 0) {
    if (!lineSilent) return length >= 256 ? dropOne : FrameScan{};
    return GoodCrc(data, length) ? FrameScan{FrameScan::kFrame, length} : dropOne;
  }
  if (expected == 0 || length < static_cast<size_t>(expected))
    return lineSilent ? dropOne : FrameScan{};
  return GoodCrc(data, expected) ? FrameScan{FrameScan::kFrame, static_cast<size_t>(expected)}
                                 : dropOne;
}

FrameScan ScanAscii(const uint8_t* data, size_t length) {
  if (length == 0) return {};
  if (data[0] != ':') {
    const uint8_t* colon = std::find(data, data + length, ':');
    return {FrameScan::kDiscard, static_cast<size_t>(colon - data)};
  }
  for (size_t i = 1; i < length; ++i) {
    if (data[i] == ':') return {FrameScan::kDiscard, i};  // a new frame starts over
    if (data[i] == '\n') {
      Request ignored;
      return DecodeAscii(data, i + 1, ignored) ? FrameScan{FrameScan::kFrame, i + 1}
                                               : FrameScan{FrameScan::kDiscard, i + 1};
    }
  }
  return length >= kMaxAsciiFrame ? FrameScan{FrameScan::kDiscard, 1} : FrameScan{};
}

bool DecodeRtu(const uint8_t* frame, size_t length, Request& request) {
  if (!GoodCrc(frame, length)) return false;
  request.node = frame[0];
  request.pdu.assign(frame + 1, frame + length - 2);
  return true;
}

bool DecodeAscii(const uint8_t* frame, size_t length, Request& request) {
  if (length < 9 || frame[0] != ':' || frame[length - 2] != '\r' || frame[length - 1] != '\n')
    return false;
  const size_t hexLength = length - 3;
  if (hexLength % 2 != 0) return false;
  Bytes bytes;
  bytes.reserve(hexLength / 2);
  for (size_t i = 1; i + 1 < length - 2; i += 2) {
    const int high = HexValue(frame[i]), low = HexValue(frame[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes.push_back(static_cast<uint8_t>(high << 4 | low));
  }
  const uint8_t lrc = bytes.back();
  bytes.pop_back();
  if (portwright::frame::Lrc(bytes.data(), bytes.size()) != lrc) return false;
  request.node = bytes[0];
  request.pdu.assign(bytes.begin() + 1, bytes.end());
  return true;
}

Bytes ExceptionPdu(uint8_t function, uint8_t code) {
  return {static_cast<uint8_t>(function | 0x80), code};
}

Bytes HandlePdu(const Bytes& pdu, RegisterSpace& registers) {
  if (pdu.empty()) return {};
  switch (pdu[0]) {
    case 3:
    case 4:
      return ReadHolding(pdu, registers);
    case 6:
      return WriteSingle(pdu, registers);
    case 16:
      return WriteMultiple(pdu, registers);
    default:
      return ExceptionPdu(pdu[0], kIllegalFunction);
  }
}

Bytes EncodeFrame(Framing framing, uint8_t node, const Bytes& pdu) {
  Bytes message{node};
  message.insert(message.end(), pdu.begin(), pdu.end());
  if (framing == Framing::Rtu) {
    const uint16_t crc = portwright::frame::Crc16(message.data(), message.size());
    message.push_back(static_cast<uint8_t>(crc & 0xFF));
    message.push_back(static_cast<uint8_t>(crc >> 8));
    return message;
  }
  static const char kHex[] = "0123456789ABCDEF";
  message.push_back(portwright::frame::Lrc(message.data(), message.size()));
  Bytes text{':'};
  for (uint8_t byte : message) {
    text.push_back(static_cast<uint8_t>(kHex[byte >> 4]));
    text.push_back(static_cast<uint8_t>(kHex[byte & 0xF]));
  }
  text.push_back('\r');
  text.push_back('\n');
  return text;
}

void CorruptChecksum(Framing framing, Bytes& frame) {
  if (framing == Framing::Rtu) {
    if (!frame.empty()) frame.back() ^= 0xFF;
    return;
  }
  if (frame.size() < 4) return;
  uint8_t& digit = frame[frame.size() - 3];  // last LRC character; stays a hex digit
  digit = digit == '0' ? '1' : '0';
}

void RequestAssembler::Feed(const uint8_t* data, size_t length) {
  buffer_.insert(buffer_.end(), data, data + length);
  if (buffer_.size() > kMaxBuffer)
    buffer_.erase(buffer_.begin(), buffer_.end() - static_cast<long>(kMaxBuffer));
}

bool RequestAssembler::Next(Request& request, bool lineSilent) {
  while (!buffer_.empty()) {
    const FrameScan scan = framing_ == Framing::Rtu
                               ? ScanRtu(buffer_.data(), buffer_.size(), lineSilent)
                               : ScanAscii(buffer_.data(), buffer_.size());
    if (scan.status == FrameScan::kIncomplete) {
      if (framing_ == Framing::Ascii && lineSilent && buffer_.size() >= kMaxAsciiFrame)
        buffer_.clear();
      return false;
    }
    const bool good =
        scan.status == FrameScan::kFrame &&
        (framing_ == Framing::Rtu ? DecodeRtu(buffer_.data(), scan.length, request)
                                  : DecodeAscii(buffer_.data(), scan.length, request));
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<long>(scan.length));
    if (good) return true;
  }
  return false;
}

}  // namespace vdrive
