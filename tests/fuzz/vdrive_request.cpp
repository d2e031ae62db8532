// Fuzz target: bytes on the virtual drive's line, RTU or ASCII, through the request assembler
// into the register map, with the sample clock ticking between requests. Every reply must
// frame back into a well-formed message of the same node and function.
//
// Input: byte 0 selects the set-up (bit 0 ASCII, bit 1 logged on, bit 2 firmware 2.10),
// byte 1 the chunk size the rest arrives in; the rest is the line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "drive_database.h"
#include "drive_facts.h"
#include "modbus_slave.h"
#include "virtual_drive.h"

namespace {

void CheckReply(vdrive::Framing framing, const vdrive::Request& request, const vdrive::Bytes& pdu) {
  if (pdu.empty()) std::abort();
  if ((pdu[0] & 0x7F) != (request.pdu[0] & 0x7F)) std::abort();
  const vdrive::Bytes frame = vdrive::EncodeFrame(framing, request.node, pdu);
  vdrive::Request decoded;
  const bool good = framing == vdrive::Framing::Rtu
                        ? vdrive::DecodeRtu(frame.data(), frame.size(), decoded)
                        : vdrive::DecodeAscii(frame.data(), frame.size(), decoded);
  if (!good || decoded.node != request.node || decoded.pdu != pdu) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const vdrive::Framing framing = (data[0] & 1) ? vdrive::Framing::Ascii : vdrive::Framing::Rtu;
  vdrive::DriveConfig config;
  config.revision = (data[0] & 4) ? 210 : 200;
  config.parameters = vdrive::BuiltInParameters();
  config.parameters[101] = {0, true, 0, 10};
  vdrive::VirtualDrive drive(config);
  if (data[0] & 2) {
    const uint16_t logon[2] = {drive_facts::kLogonCode, drive_facts::kConfirmCode};
    drive.WriteRegisters(drive_facts::kLogonParameterAddress - 1, &logon[0], 1);
    drive.WriteRegisters(drive_facts::kLogonParameterAddress - 1, &logon[1], 1);
  }
  const size_t chunk = data[1] % 16 + 1;
  vdrive::RequestAssembler assembler(framing);
  vdrive::Request request;
  for (size_t at = 2; at < size; at += chunk) {
    const size_t length = at + chunk <= size ? chunk : size - at;
    assembler.Feed(data + at, length);
    while (assembler.Next(request, false)) {
      CheckReply(framing, request, vdrive::HandlePdu(request.pdu, drive));
      drive.SampleTick();
    }
  }
  while (assembler.Next(request, true))
    CheckReply(framing, request, vdrive::HandlePdu(request.pdu, drive));
  return 0;
}
