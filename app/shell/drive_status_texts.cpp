#include "shell/drive_status_texts.h"

namespace basMain {

bool IsKnownFaultCode(int code) { return code >= 0 && code <= kLastDriveStatusCode; }

int FaultCodeNumber(int code) { return code < 0 && code >= -32768 ? code + 65536 : code; }

QString UnknownFaultText(int code) {
  return QStringLiteral("Unknown Fault Code %1 ").arg(FaultCodeNumber(code));
}

QString DriveStatusText(int code) {
  static const char* const kTexts[kLastDriveStatusCode + 1] = {
      "Drive Status - No Faults ",
      "Drive Status - Overcurrent ",
      "Drive Status - Overvoltage ",
      "Drive Status - Undervoltage ",
      "Drive Status - Motor Overheated ",
      "Drive Status - Regeneration Error ",
      "Drive Status - Overload ",
      "Drive Status - Overspeed ",
      "Drive Status - Abnormal Pulse Ctrl Cmd ",
      "Drive Status - Excessive Deviation ",
      "Drive Status - Watch Dog Fault ",
      "Drive Status - Position Detector Fault ",
      "Drive Status - Adjustment Error ",
      "Drive Status - Fault Stop ",
      "Drive Status - Reverse Limit Error ",
      "Drive Status - Forward Limit Error ",
      "Drive Status - IGBT Temperature Error ",
      "Drive Status - Memory Error ",
      "Drive Status - DSP Comm Error ",
      "Drive Status - Serial Comm Error ",
      "Drive Status - Serial Comm Timeout ",
      "Drive Status - Command Write-In Error ",
      "Drive Status - Input Power Phase Loss ",
  };
  if (!IsKnownFaultCode(code)) return "Drive Status - " + UnknownFaultText(code);
  return QString::fromLatin1(kTexts[code]);
}

}  // namespace basMain
