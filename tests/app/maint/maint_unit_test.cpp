// The maintenance screens' tables without a drive: the variants, the bit of each input and
// output in its register, and the position commands the select inputs can reach.
#include <gtest/gtest.h>

#include "maint/frm_pos_command.h"
#include "maint/maint_variant.h"

namespace mainttest {
namespace {

using namespace basMaint;

TEST(MaintVariantTest, FirmwareChoosesTheScreenItsInputsAndItsMaskRegister) {
  struct Row {
    double firmware;
    const char* window;
    int inputs;
    const char* maskKey;
  };
  for (const Row& row :
       {Row{2.0, "frmMaintenance", 8, "306"}, Row{2.01, "frmMaintenance", 8, "306"},
        Row{2.1, "frmMaintenance_210", 16, "308"},
        Row{2.0999999999, "frmMaintenance_210", 16, "308"},
        Row{2.5, "frmMaintenance_210", 16, "308"}}) {
    const MaintVariant& variant = VariantForFirmware(row.firmware);
    EXPECT_STREQ(variant.windowName, row.window) << row.firmware;
    EXPECT_EQ(variant.inputCount, row.inputs) << row.firmware;
    EXPECT_STREQ(variant.maskKey, row.maskKey) << row.firmware;
  }
  EXPECT_STREQ(VariantBefore21().chkDIErrorText, "Error at frmMaintenance, chkDI_Click ");
  EXPECT_STREQ(Variant21().chkDIErrorText, "Error on Maint 210 ");
}

TEST(MaintVariantTest, EachPointTakesItsRegistersBit) {
  const auto before21 = VariantBefore21().inputBits();
  const auto from21 = Variant21().inputBits();
  EXPECT_EQ(SetPoint(before21, 0, 3, true), 32);  // 00100000: input 1 is the top bit
  EXPECT_EQ(SetPoint(before21, 0xFF, 8, false), 0xFE);
  EXPECT_EQ(SetPoint(from21, 0, 3, true), 4);  // input 1 is bit 0
  EXPECT_EQ(SetPoint(from21, 0, 16, true), 0x8000);
  EXPECT_EQ(FlipPoint(from21, -32768, 16), 0);  // DriveImage reads DI16 as a negative word
  EXPECT_TRUE(PointOn(from21, -32767, 1));
  EXPECT_EQ(FlipPoint(drive_facts::kOutputBits, 1, 5), 0);  // DO5 is the lowest bit
  EXPECT_EQ(SetPoint(drive_facts::kOutputBits, 0, 1, true), 16);
}

TEST(PosCommandRuleTest, TheSelectInputsDecideWhichCommandsCanBeEdited) {
  const QList<QList<int>> editable = {{1},    {1, 2},       {1, 3},       {1, 2, 3, 4},
                                      {1, 5}, {1, 2, 5, 6}, {1, 3, 5, 7}, {1, 2, 3, 4, 5, 6, 7, 8}};
  for (int mask = 0; mask < 8; ++mask)
    for (int k = 1; k <= 8; ++k)
      EXPECT_EQ(CommandSelectable(k, mask), editable[mask].contains(k)) << mask << "/" << k;
}

}  // namespace
}  // namespace mainttest
