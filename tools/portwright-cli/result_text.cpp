#include "result_text.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace pwcli {
namespace {

const char* ExceptionName(int code) {
  switch (code) {
    case 1:
      return "illegal function";
    case 2:
      return "illegal data address";
    case 3:
      return "illegal data value";
    case 4:
      return "slave device failure";
    case 5:
      return "acknowledge";
    case 6:
      return "slave device busy";
    case 8:
      return "memory parity error";
    case 10:
      return "gateway path unavailable";
    case 11:
      return "gateway target failed to respond";
    default:
      return "unknown code";
  }
}

const char* LocalFailure(int16_t result) {
  switch (result) {
    case 0:
      return "good reply";
    case -1:
      return "no complete reply within the time-out";
    case -2:
      return "reply checksum (CRC/LRC) wrong";
    case -3:
      return "reading from the port failed";
    case -4:
      return "reply larger than the receive buffer";
    case -5:
      return "writing the request to the port failed";
    default:
      return nullptr;
  }
}

}  // namespace

std::string DescribeResult(int16_t result) {
  std::string meaning;
  if (const char* local = LocalFailure(result)) {
    meaning = local;
  } else {
    // Exception codes from 128 up arrive negative in RTU (signed byte).
    meaning = std::string("exception: ") + ExceptionName(result);
  }
  return std::to_string(result) + " (" + meaning + ")";
}

std::string FormatFrame(const uint8_t* bytes, size_t length, portwright::enumPLCMode mode) {
  std::string text;
  char piece[8];
  for (size_t i = 0; i < length; ++i) {
    uint8_t b = bytes[i];
    if (mode == portwright::RTU) {
      std::snprintf(piece, sizeof piece, i == 0 ? "%02X" : " %02X", b);
    } else if (b == '\r' || b == '\n') {
      std::snprintf(piece, sizeof piece, "%s", b == '\r' ? "\\r" : "\\n");
    } else if (b < 0x20 || b > 0x7E) {
      std::snprintf(piece, sizeof piece, "\\x%02X", b);
    } else {
      piece[0] = static_cast<char>(b);
      piece[1] = '\0';
    }
    text += piece;
  }
  return text;
}

std::string TimeStamp() {
  auto now = std::chrono::system_clock::now();
  std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                static_cast<int>(ms.count()));
  return text;
}

}  // namespace pwcli
