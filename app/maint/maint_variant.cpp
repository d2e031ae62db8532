#include "maint/maint_variant.h"

namespace basMaint {
namespace {

constexpr int kWord = 0xFFFF;

const MaintVariant kBefore21{"frmMaintenance",
                             200,
                             drive_facts::InputCount(200),
                             "306",
                             drive_facts::InputMaskNumber(200),
                             "Error at frmMaintenance, chkDI_Click "};
const MaintVariant k21{"frmMaintenance_210",
                       210,
                       drive_facts::InputCount(210),
                       "308",
                       drive_facts::InputMaskNumber(210),
                       "Error on Maint 210 "};

}  // namespace

const MaintVariant& VariantBefore21() { return kBefore21; }
const MaintVariant& Variant21() { return k21; }

const MaintVariant& VariantForFirmware(double firmware) {
  // 2.1 read from a text may come out as 2.0999...: compare in hundredths.
  return firmware * 100.0 + 0.5 >= 210 ? k21 : kBefore21;
}

int SetPoint(drive_facts::BitField field, int value, int n, bool on) {
  const int bit = drive_facts::BitOfPoint(field, n);
  return on ? (value & kWord) | bit : (value & kWord) & ~bit;
}

int FlipPoint(drive_facts::BitField field, int value, int n) {
  return SetPoint(field, value, n, !PointOn(field, value, n));
}

bool PointOn(drive_facts::BitField field, int value, int n) {
  return drive_facts::PointIsOn(field, value & kWord, n);
}

}  // namespace basMaint
