// The parameter model: value tables, keys, identity texts, modes and the binary conversions.
#include <QComboBox>

#include "core/logs.h"
#include "link/bas_comm.h"
#include "link_test_env.h"
#include "params/conversions.h"
#include "params/drive_identity.h"
#include "params/extra_data.h"
#include "params/number_text.h"
#include "params/value_table.h"

namespace linktest {
namespace {

using namespace basFunctions;

class ParamsTest : public LinkTest {};

TEST_F(ParamsTest, ValueTableRefusesEveryIndexOutsideItsRowsAndGroups) {
  WorkingConfig.P(6, 99) = -5;
  EXPECT_EQ(WorkingConfig.byIndex(699), -5);
  for (auto [group, number] : {std::pair{7, 0}, {-1, 0}, {0, 100}, {0, -1}}) {
    try {
      WorkingConfig.P(group, number) = 1;
      ADD_FAILURE() << "no error for " << group << "." << number;
    } catch (const ProgramError& e) {
      EXPECT_EQ(e.number(), 9);
    }
  }
  EXPECT_THROW(WorkingConfig.byIndex(700), ProgramError);
  EXPECT_THROW(CheckCatalogIndex(424), ProgramError);
  EXPECT_NO_THROW(CheckCatalogIndex(423));
}

TEST_F(ParamsTest, ParameterKeysAndLabels) {
  struct Row {
    int index;
    const char* key;
    const char* label;
  };
  for (const Row& row : {Row{5, "005", "P0.05"}, Row{101, "101", "P1.01"}, Row{265, "265", "P2.65"},
                         Row{637, "637", "P6.37"}}) {
    EXPECT_EQ(ParamKeyText(row.index), row.key);
    EXPECT_EQ(ParamLabel(row.key), row.label);
    EXPECT_EQ(ParamIndexOfKey(row.key), row.index);
  }
  EXPECT_TRUE(HasFixedLabel(410));
  EXPECT_TRUE(HasFixedLabel(421));
  EXPECT_FALSE(HasFixedLabel(422));
}

TEST_F(ParamsTest, BinaryConversions) {
  struct BinRow {
    int16_t value;
    int16_t bits;
    const char* text;
    int16_t remainder;
  };
  for (const BinRow& row :
       {BinRow{5, 4, "0101", 0}, BinRow{21, 4, "1111", 6}, BinRow{255, 8, "11111111", 0},
        BinRow{-3, 4, "0000", -3}, BinRow{32767, 16, "0111111111111111", 0}}) {
    int16_t value = row.value;
    EXPECT_EQ(ConvertToBin(value, row.bits), row.text) << row.value;
    EXPECT_EQ(value, row.remainder) << row.value;
  }
  struct DecRow {
    const char* text;
    int64_t value;
  };
  for (const DecRow& row : {DecRow{"101", 5}, DecRow{"1x1", 5}, DecRow{" 101 ", 5}, DecRow{"", 0},
                            DecRow{"1111111111111111", 65535}})
    EXPECT_EQ(ConvertToDec(row.text), row.value) << row.text;
  struct WideRow {
    int32_t value;
    const char* text;
  };
  for (const WideRow& row : {WideRow{0, "0000000000000000"}, WideRow{5, "0000000000000101"},
                             WideRow{-1, "1111111111111111"}, WideRow{-32768, "1000000000000000"},
                             WideRow{65536, "10000000000000000"}})
    EXPECT_EQ(DecimalToBinary(row.value), row.text) << row.value;
}

TEST_F(ParamsTest, TextsReadAsNumbers) {
  EXPECT_EQ(number_text::LeadingNumber("12abc"), 12);
  EXPECT_EQ(number_text::LeadingNumber("  -3.5"), -3.5);
  EXPECT_EQ(number_text::LeadingNumber("abc"), 0);
  EXPECT_TRUE(number_text::IsNumber(" 12 "));
  EXPECT_TRUE(number_text::IsNumber("1e3"));
  EXPECT_FALSE(number_text::IsNumber("12a"));
  EXPECT_FALSE(number_text::IsNumber(""));
  EXPECT_FALSE(number_text::IsNumber("-"));
}

TEST_F(ParamsTest, GroupLimitsFollowTheConfigurationRevision) {
  GroupLimit = {};
  ConfigIdentity.revision = "210";
  SetParamMax();
  EXPECT_EQ(GroupLimit, (std::array<int16_t, 5>{8, 56, 65, 8, 23}));
  for (const char* other : {"205", "2.0", "abc", ""}) {
    ConfigIdentity.revision = other;
    SetParamMax();
    EXPECT_EQ(GroupLimit, (std::array<int16_t, 5>{8, 56, 65, 8, 23})) << other;
  }
  ConfigIdentity.revision = "200";
  SetParamMax();
  EXPECT_EQ(GroupLimit, (std::array<int16_t, 5>{8, 55, 63, 7, 23}));
}

TEST_F(ParamsTest, DriveTypeTextsComeFromMotorCodesAndFirmwareWord) {
  DriveImage.P(1, 31) = 21;
  DriveImage.P(0, 0) = 2001;
  WorkingConfig.P(1, 31) = 31;
  GetDriveType();
  EXPECT_EQ(DriveIdentity.driveMotor, "1KW, Low Inertia");
  EXPECT_EQ(DriveIdentity.driveAmp, "KDA-1K (1KW) amp");
  EXPECT_EQ(DriveIdentity.firmware, "2.00");
  EXPECT_EQ(DriveIdentity.firmwareLong, "2.001");
  EXPECT_EQ(DriveIdentity.configMotor, "23KW, Medium Inertia");
  EXPECT_EQ(DriveIdentity.configAmp, "KDA-3K (3KW) amp");

  // Not a motor: nothing is known about the drive, and it says so rather than keeping the
  // texts of the drive before.
  DriveImage.P(1, 31) = 13;
  DriveImage.P(0, 0) = 2101;
  GetDriveType();
  EXPECT_EQ(DriveIdentity.driveMotor, "");
  EXPECT_EQ(DriveIdentity.driveAmp, "");
  EXPECT_EQ(DriveIdentity.configAmp, "KDA-3K (3KW) amp");
  EXPECT_EQ(DriveIdentity.firmware, "2.10");
}

TEST_F(ParamsTest, AmplifierCodesOfDriveCodes) {
  for (auto [code, amp] : {std::pair{10, 20},
                           {12, 20},
                           {21, 21},
                           {22, 21},
                           {30, 23},
                           {31, 23},
                           {13, 0},
                           {0, 0},
                           {32, 0}})
    EXPECT_EQ(basComm::GetAmpCode(static_cast<int16_t>(code)), amp) << code;
}

TEST_F(ParamsTest, ControlModeFromSettingAndDualModeInputs) {
  struct Row {
    int32_t p101;
    int inputFunction;  // put on input 3 (P2.12), 0 for none
    int32_t inputState;
    const char* mode;
  };
  for (const Row& row :
       {Row{0, 0, 0, "Pt"}, Row{101, 0, 0, "Pr"}, Row{5, 0, 0, "Tz"}, Row{106, 0, 1, "V"},
        Row{106, 18, 1, "Pt"}, Row{106, 18, 0, "V"}, Row{7, 20, 1, "Pt"}, Row{7, 0, 1, "T"},
        Row{108, 18, 1, "Pr"}, Row{9, 20, 0, "T"}, Row{110, 19, 1, "T"}, Row{110, 19, 0, "V"}}) {
    DriveImage.clear();
    DriveImage.P(1, 1) = row.p101;
    DriveImage.P(2, 12) = row.inputFunction;
    DriveImage.P(4, 7) = row.inputState;
    EXPECT_EQ(getMode(), row.mode) << row.p101 << " " << row.inputFunction;
    EXPECT_EQ(ModeString, row.mode);
  }
  DriveImage.P(1, 1) = 111;  // no such mode: the last one stays
  EXPECT_EQ(getMode(), "V");
}

TEST_F(ParamsTest, SettingsListsOfOneParameterInRecordOrder) {
  QComboBox list;
  getExtraData("tblExtraData", 21, 200, "101", &list);
  ASSERT_EQ(list.count(), 2);
  EXPECT_EQ(list.itemText(0), "00 Position");
  EXPECT_EQ(list.itemText(1), "01 Speed");
  getExtraData("tblExtraData", 21, 200, "101", nullptr);
  EXPECT_EQ(ErrorsAt("basFunctions, getExtraData()").size(), 1);
}

}  // namespace
}  // namespace linktest
