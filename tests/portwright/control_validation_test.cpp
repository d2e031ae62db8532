// The control's properties without a port: defaults, range checks and their error texts.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "control_test_support.h"
#include "portwright/port_map.h"

using namespace portwright;
using pwtest::ErrorText;

namespace {

using Control = std::unique_ptr<IModbusAtl, pwtest::ControlDeleter>;

Control MakeControl() { return Control(pwtest::NewControl()); }

struct SetterCase {
  const char* what;
  std::function<void(IModbusAtl&)> set;
  const char* error;  // "" when the value is accepted
};

TEST(ControlValidation, SettersCheckTheirRangesWithTheirOwnTexts) {
  const SetterCase cases[] = {
      {"ComPort 14", [](IModbusAtl& c) { c.put_ComPort(COM15); }, ""},
      {"ComPort 15", [](IModbusAtl& c) { c.put_ComPort(static_cast<enumComPort>(15)); },
       "Illegal COM Port ID"},
      {"ComPort -1", [](IModbusAtl& c) { c.put_ComPort(static_cast<enumComPort>(-1)); },
       "Illegal COM Port ID"},
      {"Settings lower-case parity", [](IModbusAtl& c) { c.put_Settings("19200,n,8,1"); }, ""},
      {"Settings 1.5 stop bits", [](IModbusAtl& c) { c.put_Settings("19200,N,8,1.5"); }, ""},
      {"Settings 6 data bits", [](IModbusAtl& c) { c.put_Settings("19200,N,6,1"); },
       "Illegal COM Settings"},
      {"Settings empty", [](IModbusAtl& c) { c.put_Settings(""); }, "Illegal COM Settings"},
      {"MsgTimeOut 0", [](IModbusAtl& c) { c.put_MsgTimeOut(0); }, "Illegal Timeout Value"},
      {"MsgTimeOut 30000", [](IModbusAtl& c) { c.put_MsgTimeOut(30000); }, ""},
      {"MsgTimeOut 30001", [](IModbusAtl& c) { c.put_MsgTimeOut(30001); }, "Illegal Timeout Value"},
      {"NodeAddr 0", [](IModbusAtl& c) { c.put_NodeAddr(0); }, "Illegal Node Address"},
      {"NodeAddr 247", [](IModbusAtl& c) { c.put_NodeAddr(247); }, ""},
      {"NodeAddr 248", [](IModbusAtl& c) { c.put_NodeAddr(248); }, "Illegal Node Address"},
      {"DataType 5", [](IModbusAtl& c) { c.put_DataType(static_cast<enumDataType>(5)); },
       "Illegal Data Type"},
      {"DataQty 2000", [](IModbusAtl& c) { c.put_DataQty(2000); }, ""},
      {"DataQty 2001", [](IModbusAtl& c) { c.put_DataQty(2001); }, "Illegal Data Quantity"},
      {"DataQty 0", [](IModbusAtl& c) { c.put_DataQty(0); }, "Illegal Data Quantity"},
      {"DataAddr 4095", [](IModbusAtl& c) { c.put_DataAddr(4095); }, ""},
      {"DataAddr 4096", [](IModbusAtl& c) { c.put_DataAddr(4096); }, "Illegal Data Address"},
      {"DataAddr 0", [](IModbusAtl& c) { c.put_DataAddr(0); }, "Illegal Data Address"},
      {"PLCMode 2", [](IModbusAtl& c) { c.put_PLCMode(static_cast<enumPLCMode>(2)); },
       "Illegal PLC Mode"},
      {"Function 8", [](IModbusAtl& c) { c.put_Function(static_cast<enumPLCFunction>(8)); },
       "Illegal PLC Function"},
      {"Data(255) put", [](IModbusAtl& c) { c.put_Data(255, 7); }, ""},
      {"Data(256) put", [](IModbusAtl& c) { c.put_Data(256, 7); }, "Illegal Data Index"},
      {"Data(-1) put", [](IModbusAtl& c) { c.put_Data(-1, 7); }, "Illegal Data Index"},
      {"Data(255) get", [](IModbusAtl& c) { c.get_Data(255); }, ""},
      {"Data(256) get", [](IModbusAtl& c) { c.get_Data(256); }, "Illegal Data Index"},
      {"Data(-1) get", [](IModbusAtl& c) { c.get_Data(-1); }, "Illegal Data Index"},
      {"PortOpen 1", [](IModbusAtl& c) { c.put_PortOpen(1); }, "Illegal port open value"},
      {"Action, port closed", [](IModbusAtl& c) { c.put_Action(1); },
       "COM Port must be open to execute this method"},
      {"IsBitOn bit 0", [](IModbusAtl& c) { c.IsBitOn(1, 0); }, "Illegal Bit Number"},
      {"IsBitOn bit 17", [](IModbusAtl& c) { c.IsBitOn(1, 17); }, "Illegal Bit Number"},
      {"PollInterval 31999", [](IModbusAtl& c) { c.put_PollInterval(31999); }, ""},
      {"PollInterval 32000", [](IModbusAtl& c) { c.put_PollInterval(32000); },
       "Illegal Poll Interval Value"},
      {"PollInterval -1", [](IModbusAtl& c) { c.put_PollInterval(-1); },
       "Illegal Poll Interval Value"},
  };
  for (const SetterCase& row : cases) {
    Control control = MakeControl();
    const std::string expected = *row.error ? row.error : "(no error)";
    EXPECT_EQ(ErrorText([&] { row.set(*control); }), expected) << row.what;
  }
}

TEST(ControlValidation, NewControlHasItsDefaultsAndAFailedSetterKeepsTheValue) {
  Control control = MakeControl();
  EXPECT_EQ(control->get_ComPort(), COM1);
  EXPECT_EQ(control->get_Settings(), "19200,N,8,1");
  EXPECT_EQ(control->get_MsgTimeOut(), 3000);
  EXPECT_EQ(control->get_NodeAddr(), 1);
  EXPECT_EQ(control->get_DataType(), Integer);
  EXPECT_EQ(control->get_DataQty(), 1);
  EXPECT_EQ(control->get_DataAddr(), 1);
  EXPECT_EQ(control->get_PLCMode(), RTU);
  EXPECT_EQ(control->get_Function(), ReadCoil);
  EXPECT_EQ(control->get_PortOpen(), VARIANT_FALSE);
  EXPECT_EQ(control->IsBusy(), VARIANT_FALSE);
  EXPECT_EQ(control->get_PollInterval(), 0);
  EXPECT_EQ(control->get_IsPolling(), VARIANT_FALSE);
  EXPECT_EQ(control->get_TransactTime(), 0);
  EXPECT_EQ(control->get_SWVersion(), "1.0.0.0002");

  control->put_Settings("9600,E,7,2");
  EXPECT_NE(ErrorText([&] { control->put_Settings("14400,N,8,1"); }), "(no error)");
  EXPECT_EQ(control->get_Settings(), "9600,E,7,2");
  control->put_NodeAddr(17);
  EXPECT_NE(ErrorText([&] { control->put_NodeAddr(300); }), "(no error)");
  EXPECT_EQ(control->get_NodeAddr(), 17);
  control->put_Data(3, -5);
  EXPECT_EQ(control->get_Data(3), -5);
  control->put_Data(255, -32768);  // the last word of the data array
  EXPECT_EQ(control->get_Data(255), -32768);
  EXPECT_EQ(control->get_Data(254), 0);
}

TEST(ControlValidation, IsBitOnReadsTheNumberedBit) {
  Control control = MakeControl();
  EXPECT_EQ(control->IsBitOn(-32768, 16), VARIANT_TRUE);
  EXPECT_EQ(control->IsBitOn(-32768, 15), VARIANT_FALSE);
  EXPECT_EQ(control->IsBitOn(1, 1), VARIANT_TRUE);
  EXPECT_EQ(control->IsBitOn(4, 3), VARIANT_TRUE);
  EXPECT_EQ(control->IsBitOn(4, 2), VARIANT_FALSE);
}

TEST(ControlValidation, AutomationErrorCarriesTheControlIdentity) {
  Control control = MakeControl();
  try {
    control->put_NodeAddr(0);
    FAIL() << "no error raised";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.hresult(), 0x80020009u);
    EXPECT_EQ(error.description(), "Illegal Node Address");
    EXPECT_EQ(error.source(), "Portwright.ModbusAtl.1");
    EXPECT_EQ(error.interfaceName(), "IModbusAtl");
  }
}

TEST(ControlValidation, OpeningAMissingDeviceFailsAndLeavesThePortClosed) {
  Control control = MakeControl();
  MapComPort(14, "/dev/pw-no-such-device");
  control->put_ComPort(COM14);
  EXPECT_EQ(ErrorText([&] { control->put_PortOpen(VARIANT_TRUE); }), "Failed to Open COM Port");
  EXPECT_EQ(control->get_PortOpen(), VARIANT_FALSE);
  EXPECT_EQ(ErrorText([&] { control->put_Action(1); }),
            "COM Port must be open to execute this method");
  control->put_PortOpen(VARIANT_FALSE);  // closing a closed port is harmless
}

class AnsweringSite : public IModbusAtlSite {
 public:
  AnsweringSite(bool answers, bool userMode) : answers_(answers), userMode_(userMode) {}
  bool AmbientUserMode(bool& userMode) override {
    userMode = userMode_;
    return answers_;
  }

 private:
  bool answers_, userMode_;
};

TEST(ControlValidation, UserModeComesFromTheContainer) {
  Control control = MakeControl();
  EXPECT_EQ(control->get_UserMode(), VARIANT_FALSE);  // no container
  AnsweringSite running(true, true), designing(true, false), silent(false, true);
  control->SetClientSite(&running);
  EXPECT_EQ(control->get_UserMode(), VARIANT_TRUE);
  control->SetClientSite(&designing);
  EXPECT_EQ(control->get_UserMode(), VARIANT_FALSE);
  control->SetClientSite(&silent);
  EXPECT_EQ(control->get_UserMode(), VARIANT_FALSE);
  control->SetClientSite(nullptr);
}

}  // namespace
