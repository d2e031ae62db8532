// The two maintenance screens differ only in the drive's digital inputs: how many there are,
// which register puts them under software control and in which bit order, and the text its
// input handler logs. One table row per firmware family; everything else is shared.
#pragma once

#include <QString>

#include "drive_facts.h"

namespace basMaint {

struct MaintVariant {
  const char* windowName;      // "frmMaintenance" (below 2.1) or "frmMaintenance_210"
  int revision;                // 200 or 210: the bit order and widths of drive_facts
  int inputCount;              // 8 or 16 rows of inputs
  const char* maskKey;         // software-control mask: "306" (P3.06) or "308" (P3.08)
  int maskNumber;              // 6 or 8 (P3.0n)
  const char* chkDIErrorText;  // the error-log location of the input check boxes

  drive_facts::BitField inputBits() const { return drive_facts::InputBits(revision); }
};

// Firmware below 2.1 and from 2.1 on.
const MaintVariant& VariantBefore21();
const MaintVariant& Variant21();
// The variant for the connected drive's firmware number (2.0, 2.1, ...).
const MaintVariant& VariantForFirmware(double firmware);

// Inputs whose function (P2.10..P2.17) the drive lets the user assign.
constexpr int kAssignableInputs = drive_facts::kInputsWithFunction;

// Bit-field values: point n (1-based) set to on/off or flipped, in the register's own order.
// Values are taken as unsigned 16-bit words (a 16-input register with DI16 set reads
// negative in DriveImage).
int SetPoint(drive_facts::BitField field, int value, int n, bool on);
int FlipPoint(drive_facts::BitField field, int value, int n);
bool PointOn(drive_facts::BitField field, int value, int n);

}  // namespace basMaint
