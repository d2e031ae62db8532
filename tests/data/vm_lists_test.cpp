// Settings lists, scope sources, motor lists and input/output functions of the drive
// database, checked against the drive's fixed facts and against the catalogue.
#include "vm_fixture.h"

namespace {

// Parameters the editor shows as lists.
const std::set<std::string> kListKeys = {"001", "002", "004", "005", "006", "007", "008", "131",
                                         "133", "232", "244", "250", "251", "264", "301", "302",
                                         "303", "304", "305", "400", "401", "402", "403", "404"};

std::vector<std::string> settingTexts(const QueryResult& result) {
  std::vector<std::string> texts;
  for (size_t i = 0; i < result.rows.size(); ++i) texts.push_back(result.text(i, "Setting"));
  return texts;
}

TEST_F(VmDatabase, EveryListParameterHasItsListAndPositionIsTheValue) {
  for (const auto& m : kModels) {
    const auto rows = catalogue(m);
    for (size_t i = 0; i < rows.rows.size(); ++i) {
      const auto key = rows.text(i, "Parameter");
      SCOPED_TRACE(describe(m) + " P" + key);
      const bool isList = rows.integer(i, "Extra") == 1;
      EXPECT_EQ(isList, kListKeys.count(key) == 1);
      const auto list = settings("qryExtraData", m, key);
      if (!isList) {
        EXPECT_TRUE(list.rows.empty());
        continue;
      }
      ASSERT_FALSE(list.rows.empty());
      for (size_t p = 0; p < list.rows.size(); ++p)
        EXPECT_EQ(list.integer(p, "Position"), static_cast<int>(p));  // record order
      if (key == "131") continue;  // motor codes, checked with the motors
      for (size_t p = 0; p < list.rows.size(); ++p)
        EXPECT_EQ(std::stoi(list.text(p, "Setting").substr(0, 2)), static_cast<int>(p));
      EXPECT_EQ(rows.number(i, "min"), 0);
      EXPECT_EQ(rows.number(i, "max"), static_cast<double>(list.rows.size() - 1));
    }
  }
}

TEST_F(VmDatabase, MotorListsMatchTheMotorTableOfTheAmplifier) {
  for (const auto& m : kModels) {
    SCOPED_TRACE(describe(m));
    const auto motors = db().query("Select * From tblMotors" + modelFilter(m));
    ASSERT_FALSE(motors.rows.empty());
    for (size_t i = 0; i < motors.rows.size(); ++i) {
      const auto description = motors.text(i, "Description");
      EXPECT_EQ(std::stoi(description.substr(0, 2)), motors.integer(i, "MotorCode"));
      EXPECT_EQ(ampOfMotor(motors.integer(i, "MotorCode")), m.amp);
    }
    // The editor's P1.31 list selects the same position as the new-configuration motor list.
    std::vector<std::string> descriptions;
    for (size_t i = 0; i < motors.rows.size(); ++i)
      descriptions.push_back(motors.text(i, "Description"));
    EXPECT_EQ(settingTexts(settings("qryExtraData", m, "131")), descriptions);
  }
  const auto all = db().query("Select Distinct MotorCode From tblMotors Order By MotorCode");
  std::vector<std::string> codes;
  for (const auto& row : all.rows) codes.push_back(*row[0]);
  EXPECT_EQ(codes, (std::vector<std::string>{"10", "11", "12", "20", "21", "22", "30", "31"}));
}

TEST_F(VmDatabase, ScopeSourcesAreSeventeenWithTheUnitsOfTheScope) {
  // Unit of each source index, as the scope labels its axis ("" = no unit).
  const std::vector<std::string> units = {
      "Pulses", "Rotations", "Pulses", "Rotations", "Pulses", "kHz", "RPM",    "Volts",    "RPM",
      "Volts",  "N-m",       "%",      "%",         "Volts",  "",    "Pulses", "Rotations"};
  for (const auto& m : kModels) {
    const auto sources = settingTexts(settings("qryExtraData", m, "002"));
    ASSERT_EQ(sources.size(), 17u) << describe(m);
    for (size_t i = 0; i < sources.size(); ++i) {
      const bool hasUnit = sources[i].back() == ')';
      EXPECT_EQ(hasUnit, !units[i].empty()) << sources[i];
      if (hasUnit) {
        const auto open = sources[i].rfind('(');
        EXPECT_EQ(sources[i].substr(open + 1, sources[i].size() - open - 2), units[i]);
      }
    }
  }
}

TEST_F(VmDatabase, FixedListsFollowTheDriveTables) {
  const Model m{21, 210};
  const auto faults = settingTexts(settings("qryExtraData", m, "001"));
  ASSERT_EQ(faults.size(), 23u);
  EXPECT_EQ(faults[13].substr(5), "Emergency Stop");
  EXPECT_EQ(faults[22].substr(5), "Input Power Phase Loss");
  for (const char* key : {"400", "401", "402", "403", "404"})
    EXPECT_EQ(settingTexts(settings("qryExtraData", m, key)), faults);

  const auto positionModes = settingTexts(settings("qryExtraData", m, "133"));
  ASSERT_EQ(positionModes.size(), 7u);
  EXPECT_EQ(positionModes[1], "01 - Incremental Position Mode");
  EXPECT_EQ(positionModes[4], "04 - Short-Pass Search Feed Step");

  const auto tuning = settingTexts(settings("qryExtraData", m, "232"));
  ASSERT_EQ(tuning.size(), 6u);
  EXPECT_NE(tuning[0].find("Manual"), std::string::npos);
  EXPECT_NE(tuning[1].find("Easy"), std::string::npos);
  for (int mode : {2, 3}) EXPECT_NE(tuning[mode].find("PI Auto"), std::string::npos);
  for (int mode : {4, 5}) EXPECT_NE(tuning[mode].find("PDFF Auto"), std::string::npos);

  const auto bauds = settingTexts(settings("qryExtraData", m, "301"));
  const std::vector<std::string> speeds = {"4800", "9600", "19200", "38400", "57600", "115200"};
  ASSERT_EQ(bauds.size(), speeds.size());
  for (size_t i = 0; i < speeds.size(); ++i)
    EXPECT_EQ(bauds[i].substr(5, speeds[i].size()), speeds[i]);

  // Protocol list in the order of the connect dialog's framing table.
  const auto protocols = settingTexts(settings("qryExtraData", m, "302"));
  ASSERT_EQ(protocols.size(), 9u);
  for (size_t i = 0; i < protocols.size(); ++i)
    EXPECT_EQ(protocols[i].substr(5, i < 6 ? 5 : 3), i < 6 ? "ASCII" : "RTU");
  EXPECT_NE(protocols[0].find("7 Data Bits, No Parity, 2 Stop"), std::string::npos);
  EXPECT_NE(protocols[8].find("8 Data Bits, Odd Parity, 1 Stop"), std::string::npos);
  EXPECT_EQ(settingTexts(settings("qryExtraData", m, "251"))[1], "01 - Servo On");
}

TEST_F(VmDatabase, InputAndOutputFunctionsAreNumberedWithoutGaps) {
  for (const char* table : {"tbl7A", "tbl7B"}) {
    const auto functions = db().query(std::string("Select * From ") + table);
    ASSERT_FALSE(functions.rows.empty());
    for (size_t i = 0; i < functions.rows.size(); ++i) {
      const auto setting = functions.text(i, "Setting");
      EXPECT_EQ(std::stoi(setting.substr(0, 2)), static_cast<int>(i)) << setting;
      EXPECT_EQ(setting.substr(2, 2), ": ") << setting;
    }
  }
  EXPECT_EQ(db().query("Select Setting From tbl7A").text(1, "Setting"), "01: Servo On (SON)");

  for (const auto& m : kModels) {
    SCOPED_TRACE(describe(m));
    const auto inputs = db().query("Select * From qry7A" + modelFilter(m));
    const auto outputs = db().query("Select * From qry7B" + modelFilter(m));
    for (const auto* list : {&inputs, &outputs})
      for (size_t i = 0; i < list->rows.size(); ++i)
        EXPECT_EQ(list->text(i, "SettingNum"), std::to_string(i));  // list position = code
    // Function parameters range over contact digit 1 and the last function code.
    const auto rows = catalogue(m);
    for (size_t i = 0; i < rows.rows.size(); ++i) {
      const int k = std::stoi(rows.text(i, "Parameter"));
      if (k < 210 || k > 222) continue;
      const auto& list = k <= 217 ? inputs : outputs;
      EXPECT_EQ(rows.number(i, "max"), 100.0 + list.rows.size() - 1) << k;
      EXPECT_LT(rows.integer(i, "default") % 100, static_cast<int>(list.rows.size())) << k;
    }
    // The single-function lookup of the editor's input labels.
    const auto eight = db().query("Select * From qry7A" + modelFilter(m) + " AND SettingNum = '8'");
    ASSERT_EQ(eight.rows.size(), 1u);
    EXPECT_EQ(eight.text(0, "Setting").substr(4), "Command Trigger (CTRG)");
  }
  // Codes the program relies on: position selects 11-13, mode switches 18-20.
  const auto inputs = db().query("Select Setting From tbl7A");
  for (int code : {11, 12, 13})
    EXPECT_NE(inputs.text(code, "Setting").find("(POS" + std::to_string(code - 11) + ")"),
              std::string::npos);
  EXPECT_NE(inputs.text(18, "Setting").find("Position / Velocity"), std::string::npos);
  EXPECT_NE(inputs.text(19, "Setting").find("Velocity / Torque"), std::string::npos);
  EXPECT_NE(inputs.text(20, "Setting").find("Position / Torque"), std::string::npos);
}

TEST_F(VmDatabase, CommunicationDefaultsOfferPortsSpeedsAndProtocols) {
  const auto rows = db().query("Select * from tblcomset order By Code");
  std::vector<std::string> ports, speeds, protocols;
  int portDefaults = 0, baudDefaults = 0, protocolDefaults = 0;
  for (size_t i = 0; i < rows.rows.size(); ++i) {
    if (!rows.text(i, "Port").empty()) ports.push_back(rows.text(i, "Port"));
    if (!rows.text(i, "Baud").empty()) speeds.push_back(rows.text(i, "Baud"));
    if (!rows.text(i, "Description").empty())
      protocols.push_back(rows.text(i, "Bits") + "," + rows.text(i, "Parity") + "," +
                          rows.text(i, "StopBit") + " " + rows.text(i, "Description"));
    portDefaults += rows.text(i, "PortDefault") == "1" && !rows.text(i, "Port").empty();
    baudDefaults += rows.text(i, "BaudDefault") == "1" && !rows.text(i, "Baud").empty();
    protocolDefaults += rows.text(i, "ProtocolDefault") == "1" && !rows.text(i, "Bits").empty();
  }
  EXPECT_EQ(ports, (std::vector<std::string>{"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7",
                                             "COM8"}));
  EXPECT_EQ(speeds,
            (std::vector<std::string>{"4800", "9600", "19200", "38400", "57600", "115200"}));
  EXPECT_EQ(protocols, (std::vector<std::string>{
                           "7,N,2 Modbus ASCII", "7,E,1 Modbus ASCII", "7,O,1 Modbus ASCII",
                           "8,N,2 Modbus ASCII", "8,E,1 Modbus ASCII", "8,O,1 Modbus ASCII",
                           "8,N,2 Modbus RTU", "8,E,1 Modbus RTU", "8,O,1 Modbus RTU"}));
  EXPECT_EQ(portDefaults, 1);
  EXPECT_EQ(baudDefaults, 1);
  EXPECT_EQ(protocolDefaults, 1);

  const auto node = db().query("Select * from tblComSet WHERE Code = 99 order by Code");
  ASSERT_EQ(node.rows.size(), 1u);
  EXPECT_GE(node.integer(0, "Address"), 1);
  EXPECT_LE(node.integer(0, "Address"), 247);
}

TEST_F(VmDatabase, SettingsRecordOneHoldsYesNoValuesAndAFileCount) {
  const auto record = db().query("select * from tblCustInfo where RecNum = 1 ");
  ASSERT_EQ(record.rows.size(), 1u);
  for (const char* column : {"QuickScreen", "ReportFormat", "ExpressWrites", "ConfirmExpress",
                             "ConfirmTuning", "TextTip"}) {
    const int value = record.integer(0, column);
    EXPECT_TRUE(value == 0 || value == 1) << column;
  }
  const int files = record.integer(0, "PreviousFiles");
  EXPECT_GE(files, 0);
  EXPECT_LE(files, 3);
}

}  // namespace
