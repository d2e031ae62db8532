// The parameter catalogue of the drive database: coverage per revision, addresses, limits,
// defaults, and the schema the program reads.
#include <cmath>

#include "drive_facts.h"
#include "vm_fixture.h"

namespace {

TEST_F(VmDatabase, EveryTableAndViewHasTheColumnsTheProgramReads) {
  const std::map<std::string, std::vector<std::string>> expected = {
      {"tblDriveModels", {"AmpCode", "Rev", "ModelCode", "Power", "RevDate"}},
      {"tblMotors", {"AmpCode", "Rev", "Description"}},
      {"tblDBVER", {"Version"}},
      {"tblDriveParameters",
       {"AmpCode", "Rev", "Parameter", "min", "max", "default", "resolution", "ReadOnly", "Extra",
        "Compare", "Parts", "Function", "EU", "ToolTipText", "ParamName", "Address"}},
      {"qryExtraData", {"AmpCode", "Rev", "Parameter", "Setting"}},
      {"qryParts", {"AmpCode", "Rev", "Parameter", "Part", "Setting"}},
      {"qry7A", {"AmpCode", "Rev", "SettingNum", "Setting"}},
      {"qry7B", {"AmpCode", "Rev", "SettingNum", "Setting"}},
      {"tbl7A", {"Setting"}},
      {"tbl7B", {"Setting"}},
      {"tblComSet",
       {"Code", "Address", "Port", "PortDefault", "Baud", "BaudDefault", "Bits", "Parity",
        "StopBit", "Description", "ProtocolDefault"}},
      {"tblCustInfo",
       {"RecNum", "QuickScreen", "ReportFormat", "ExpressWrites", "ConfirmExpress", "ConfirmTuning",
        "TextTip", "PreviousFiles"}},
  };
  for (const auto& [table, columns] : expected) {
    const auto result = db().query("Select * From " + table + " LIMIT 1");
    for (const auto& column : columns) EXPECT_NO_THROW(result.column(column)) << table;
  }
  // qryTabParams offers the same columns as the table, in the same order.
  EXPECT_EQ(db().query("Select * From qryTabParams LIMIT 1").columns,
            db().query("Select * From tblDriveParameters LIMIT 1").columns);
  // Column types the program converts from.
  const std::map<std::string, std::string> types = {
      {"AmpCode", "INTEGER"},  {"Rev", "INTEGER"},   {"Parameter", "TEXT"},
      {"min", "REAL"},         {"default", "REAL"},  {"resolution", "REAL"},
      {"ReadOnly", "INTEGER"}, {"Parts", "INTEGER"}, {"Address", "INTEGER"}};
  for (const auto& [column, type] : types)
    EXPECT_EQ(db().declaredType("tblDriveParameters", column), type) << column;
  EXPECT_EQ(db().declaredType("tblDriveModels", "ModelCode"), "TEXT");
  EXPECT_EQ(db().declaredType("tblMotors", "Description"), "TEXT");
}

TEST_F(VmDatabase, ModelsCarryTheirAmplifierCodeInTheModelCode) {
  const auto models = db().query("Select * from tblDriveModels order by ModelCode, Power, Rev");
  ASSERT_EQ(models.rows.size(), kModels.size());
  std::set<std::pair<int, int>> seen;
  for (size_t i = 0; i < models.rows.size(); ++i) {
    const int amp = models.integer(i, "AmpCode");
    seen.insert({amp, models.integer(i, "Rev")});
    EXPECT_EQ(std::stoi(models.text(i, "ModelCode").substr(4, 2)), amp);
    EXPECT_FALSE(models.text(i, "Power").empty());
    EXPECT_FALSE(models.text(i, "RevDate").empty());
  }
  for (const auto& m : kModels) EXPECT_TRUE(seen.count({m.amp, m.rev})) << describe(m);
  const auto distinct =
      db().query("Select Distinct ModelCode, Power from tblDriveModels order by ModelCode, Power ");
  EXPECT_EQ(distinct.rows.size(), 3u);

  const auto versions = db().query("Select * from tblDBVER ORDER BY Version");
  ASSERT_FALSE(versions.rows.empty());
  ASSERT_GE(versions.columns.size(), 2u);
  EXPECT_TRUE(versions.rows.back()[0] && versions.rows.back()[1]);
}

TEST_F(VmDatabase, CatalogueHoldsExactlyTheParametersWithinTheGroupLimits) {
  for (const auto& m : kModels) {
    const auto rows = catalogue(m);
    std::set<std::string> keys;
    std::array<int, 5> lastNumber{-1, -1, -1, -1, -1};
    for (size_t i = 0; i < rows.rows.size(); ++i) {
      const auto key = rows.text(i, "Parameter");
      ASSERT_EQ(key.size(), 3u) << key;
      keys.insert(key);
      const int group = key[0] - '0';
      ASSERT_GE(group, 0);
      ASSERT_LE(group, 4);
      lastNumber[group] = std::max(lastNumber[group], std::stoi(key.substr(1)));
    }
    EXPECT_EQ(lastNumber, kGroupLimits.at(m.rev)) << describe(m);
    std::set<std::string> expected;
    for (int g = 0; g < 5; ++g)
      for (int n = 0; n <= kGroupLimits.at(m.rev)[g]; ++n) expected.insert(keyText(g, n));
    EXPECT_EQ(keys, expected) << describe(m);
  }
}

// A saved configuration writes one line per parameter of groups 0-4 up to the group limits,
// the reserved P4.10-P4.21 included; the limits come from the last number of each group.
TEST_F(VmDatabase, Revision200SavesOneHundredSixtyOneParameterLines) {
  for (const auto& m : kModels) {
    if (m.rev != 200) continue;
    const auto last = db().query(
        "Select substr(Parameter, 1, 1) AS G, max(CAST(substr(Parameter, 2) AS INTEGER)) AS N "
        "From tblDriveParameters" +
        modelFilter(m) + " Group By G Order By G");
    int lines = 0;
    for (size_t i = 0; i < last.rows.size(); ++i) lines += last.integer(i, "N") + 1;
    EXPECT_EQ(lines, 161) << describe(m);
  }
}

TEST_F(VmDatabase, RegisterAddressIsGroupTimes256PlusNumberPlusOne) {
  const auto rows = db().query("Select Parameter, Address From tblDriveParameters");
  for (size_t i = 0; i < rows.rows.size(); ++i) {
    const auto key = rows.text(i, "Parameter");
    const int expected = (key[0] - '0') * 256 + std::stoi(key.substr(1)) + 1;
    EXPECT_EQ(rows.integer(i, "Address"), expected) << key;
  }
  // The address lookup of a write does not name the amplifier: the first row must do.
  const auto p101 = db().query("Select Address from tblDriveParameters WHERE Parameter = '101'");
  ASSERT_FALSE(p101.rows.empty());
  EXPECT_EQ(p101.integer(0, "Address"), 258);
  EXPECT_EQ(db().query("Select Address from tblDriveParameters WHERE Parameter = '208'")
                .integer(0, "Address"),
            521);
}

TEST_F(VmDatabase, DefaultsLieWithinLimitsAndFitARegister) {
  for (const auto& m : kModels) {
    const auto rows = catalogue(m);
    for (size_t i = 0; i < rows.rows.size(); ++i) {
      const auto key = rows.text(i, "Parameter");
      SCOPED_TRACE(describe(m) + " P" + key);
      const double resolution = rows.number(i, "resolution");
      EXPECT_GT(resolution, 0);
      EXPECT_FALSE(rows.text(i, "Function").empty());
      EXPECT_FALSE(rows.text(i, "ParamName").empty());
      const int parts = rows.integer(i, "Parts");
      EXPECT_GE(parts, 1);
      EXPECT_LE(parts, 5);
      if (isReservedKey(key)) {
        EXPECT_EQ(rows.integer(i, "ReadOnly"), 1);
        continue;
      }
      EXPECT_FALSE(rows.text(i, "ToolTipText").empty());
      ASSERT_FALSE(rows.isNull(i, "default") || rows.isNull(i, "min") || rows.isNull(i, "max"));
      const double def = rows.number(i, "default");
      const double min = rows.number(i, "min");
      const double max = rows.number(i, "max");
      EXPECT_LE(min, def);
      EXPECT_LE(def, max);
      // Raw values are whole numbers that a 16-bit register holds.
      for (double value : {min, def, max}) {
        const double raw = value * resolution;
        EXPECT_NEAR(raw, std::round(raw), 1e-6);
        EXPECT_GE(raw, -32768);
        EXPECT_LE(raw, 65535);
      }
    }
  }
}

TEST_F(VmDatabase, IdentityParametersFollowTheFirmwareAndMotorTables) {
  for (const auto& m : kModels) {
    SCOPED_TRACE(describe(m));
    const auto firmware = db().query("Select RawDefault From qryRegisterDefaults" + modelFilter(m) +
                                     " AND Parameter = '000'");
    // The firmware word is the revision followed by one build digit: 2001, 2101.
    EXPECT_EQ(firmware.integer(0, "RawDefault"), m.rev * 10 + 1);
    const auto motor = settings("tblDriveParameters", m, "131");
    EXPECT_EQ(ampOfMotor(motor.integer(0, "default")), m.amp);
    EXPECT_EQ(ampOfMotor(motor.integer(0, "min")), m.amp);
    EXPECT_EQ(ampOfMotor(motor.integer(0, "max")), m.amp);
    const auto jog = settings("tblDriveParameters", m, "405");
    EXPECT_EQ(jog.number(0, "min"), 0);
    EXPECT_EQ(jog.number(0, "max"), 3000);
    const auto mode = settings("tblDriveParameters", m, "101");
    EXPECT_EQ(mode.number(0, "max"), 110);
  }
}

// The bit-coded I/O registers: each tool tip states the bit order the drive facts give the
// register for that revision, and the limits cover its width.
TEST_F(VmDatabase, BitFieldsStateTheDrivesBitOrder) {
  namespace df = drive_facts;
  const auto order = [](df::BitField field, const char* point) {
    const auto bit = [field](int n) {
      return static_cast<int>(std::log2(df::BitOfPoint(field, n)));
    };
    return "bit " + std::to_string(bit(1)) + " = " + point + "1 ... bit " +
           std::to_string(bit(field.width)) + " = " + point + std::to_string(field.width);
  };
  for (const auto& m : kModels) {
    SCOPED_TRACE(describe(m));
    const df::BitField inputs = df::InputBits(m.rev);
    const std::vector<std::pair<std::string, df::BitField>> registers = {
        {"306", df::InputBits(200)},
        {"407", inputs},
        {"408", inputs},
        {"406", df::kOutputBits},
        {"409", df::kOutputBits}};
    for (const auto& [key, field] : registers) {
      const auto row = settings("tblDriveParameters", m, key);
      ASSERT_EQ(row.rows.size(), 1u) << key;
      EXPECT_NE(
          row.text(0, "ToolTipText").find(order(field, key == "406" || key == "409" ? "DO" : "DI")),
          std::string::npos)
          << key << ": " << row.text(0, "ToolTipText");
      EXPECT_EQ(row.number(0, "max"), (1 << field.width) - 1) << key;
    }
    if (m.rev >= 210) {
      const auto mask = settings("tblDriveParameters", m, "308");
      EXPECT_NE(mask.text(0, "ToolTipText").find(order(inputs, "DI")), std::string::npos);
    }
  }
}

}  // namespace
