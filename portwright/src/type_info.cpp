#include "portwright/type_info.h"

#include <QString>

#include "portwright/server.h"

namespace portwright {

namespace {

using K = MemberKind;

std::vector<EnumValueInfo> ComPortValues() {
  std::vector<EnumValueInfo> values;
  for (int i = 0; i < 15; ++i) {
    const std::string name = "COM" + std::to_string(i + 1);
    values.push_back({name, i, name});
  }
  return values;
}

std::vector<EnumInfo> Enums() {
  return {
      {"enumComPort", ComPortValues()},
      {"enumDataType",
       {{"Integer", 0, "Integer"},
        {"BCD", 1, "BCD"},
        {"Long", 2, "Long"},
        {"Float", 3, "Float"},
        {"String", 4, "String"}}},
      {"enumPLCMode", {{"RTU", 0, "RTU"}, {"ASCII", 1, "ASCII"}}},
      {"enumPLCFunction",
       {{"ReadCoil", 0, "ReadCoil"},
        {"ReadInput", 1, "ReadInput"},
        {"ReadHoldingReg", 2, "ReadHoldingReg"},
        {"ReadInputReg", 3, "ReadInputReg"},
        {"ForceSingleCoil", 4, "ForceSingleCoil"},
        {"SetSingleReg", 5, "SetSingleReg"},
        {"SetMultipleCoils", 6, "SetMultipleCoils"},
        {"SetMultipleReg", 7, "SetMultipleReg"}}},
  };
}

// Members in DISPID order, each property get before its put.
std::vector<MemberInfo> DispatchMembers() {
  return {
      {1, "ComPort", K::PropertyGet, "enumComPort", "ComPort Property", false},
      {1, "ComPort", K::PropertyPut, "enumComPort", "ComPort Property", false},
      {2, "Settings", K::PropertyGet, "BSTR", "ComPort Settings", false},
      {2, "Settings", K::PropertyPut, "BSTR", "ComPort Settings", false},
      {3, "MsgTimeOut", K::PropertyGet, "short", "MsgTimeOut Property", false},
      {3, "MsgTimeOut", K::PropertyPut, "short", "MsgTimeOut Property", false},
      {4, "NodeAddr", K::PropertyGet, "short", "NodeAddr Property", false},
      {4, "NodeAddr", K::PropertyPut, "short", "NodeAddr Property", false},
      {5, "DataType", K::PropertyGet, "enumDataType", "DataType Property", false},
      {5, "DataType", K::PropertyPut, "enumDataType", "DataType Property", false},
      {6, "DataQty", K::PropertyGet, "short", "DataQty Property", false},
      {6, "DataQty", K::PropertyPut, "short", "DataQty Property", false},
      {7, "DataAddr", K::PropertyGet, "short", "DataAddr Property", false},
      {7, "DataAddr", K::PropertyPut, "short", "DataAddr Property", false},
      {8, "PLCMode", K::PropertyGet, "enumPLCMode", "PLCMode Property", false},
      {8, "PLCMode", K::PropertyPut, "enumPLCMode", "PLCMode Property", false},
      {9, "Function", K::PropertyGet, "enumPLCFunction", "Function Property", false},
      {9, "Function", K::PropertyPut, "enumPLCFunction", "Function Property", false},
      {10, "Data", K::PropertyGet, "(short Index) short", "Data Property", false},
      {10, "Data", K::PropertyPut, "(short Index) short", "Data Property", false},
      {11, "Action", K::PropertyPut, "short", "Start Communication Action", false},
      {12, "PortOpen", K::PropertyGet, "VARIANT_BOOL", "Open/Close the COM Port", false},
      {12, "PortOpen", K::PropertyPut, "VARIANT_BOOL", "Open/Close the COM Port", false},
      {13, "UserMode", K::PropertyGet, "VARIANT_BOOL", "property GetUserMode", true},
      {14, "IsBusy", K::Method, "() VARIANT_BOOL bFlag", "Is the control busy", false},
      {15, "SignalDone", K::Method, "(short Result)", "method SignalDone", true},
      {16, "AddPollItem", K::Method,
       "(short PLCAddress, short MemAddr, short MemCount) short ItemNum", "Add a new Poll Item",
       false},
      {17, "DeletePollItem", K::Method, "(short ItemNum)", "Delete a Poll Item", false},
      {18, "PollInterval", K::PropertyGet, "short", "Poll Interval property", false},
      {18, "PollInterval", K::PropertyPut, "short", "Poll Interval property", false},
      {19, "TransactTime", K::PropertyGet, "long", "Transaction time in ms", false},
      {20, "PollComplete", K::Method, "(short Result, long TranTime)", "method PollComplete", true},
      {21, "PollData", K::PropertyGet, "(short Item, short Index) short", "Get Poll Data", false},
      {22, "ChgdBits", K::PropertyGet, "(short Item, short Index) short", "Get Changed Bits",
       false},
      {23, "PollItemCount", K::PropertyGet, "short", "Number of Poll Items", false},
      {24, "PollLength", K::PropertyGet, "(short Item) short", "Data polling quantity", false},
      {25, "SWVersion", K::PropertyGet, "BSTR", "Get control software version", false},
      {26, "PollTransactionTime", K::PropertyGet, "(short Item) long",
       "Get poll transaction time (ms)", false},
      {27, "SetPollStartTime", K::Method, "()", "method SetPollStartTime", true},
      {28, "IsBitOn", K::Method, "(short Val, short BitNum) VARIANT_BOOL Result",
       "Is a bit in a integer On or Off", false},
      {29, "IsPolling", K::PropertyGet, "VARIANT_BOOL", "Is polling Active", false},
  };
}

std::vector<MemberInfo> EventMembers() {
  return {
      {1, "Done", K::Event, "(short Result)", "Done Event", false},
      {2, "OnPoll", K::Event, "(short ItemNum, short Result, VARIANT_BOOL ChgdFlag)",
       "OnPoll Method", false},
  };
}

TypeLibInfo BuildTypeLibrary() {
  TypeLibInfo lib;
  lib.name = "PortwrightLib";
  lib.libid = kLibId;
  lib.version = "1.0";
  lib.help = "Portwright 1.0 Type Library";
  lib.lcid = 0x409;
  lib.coclass = "ModbusAtl";
  lib.clsid = kClsidModbusAtl;
  lib.coclassHelp = "ModbusAtl Class";
  lib.enums = Enums();
  lib.dispatch = {"IModbusAtl", kIidIModbusAtl, "IModbusAtl Interface", DispatchMembers()};
  lib.events = {"_IModbusAtlEvents", kIidIModbusAtlEvents, "_IModbusAtlEvents Interface",
                EventMembers()};
  return lib;
}

bool SameName(const std::string& a, const std::string& b) {
  return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

}  // namespace

const TypeLibInfo& TypeLibrary() {
  static const TypeLibInfo library = BuildTypeLibrary();
  return library;
}

const MemberInfo* FindMember(const InterfaceInfo& itf, const std::string& name) {
  for (const MemberInfo& member : itf.members)
    if (SameName(member.name, name)) return &member;
  return nullptr;
}

const MemberInfo* FindMember(const InterfaceInfo& itf, int dispid) {
  for (const MemberInfo& member : itf.members)
    if (member.dispid == dispid) return &member;
  return nullptr;
}

bool FindEnumValue(const std::string& enumName, const std::string& valueName, int& value) {
  for (const EnumInfo& info : TypeLibrary().enums) {
    if (!SameName(info.name, enumName)) continue;
    for (const EnumValueInfo& entry : info.values) {
      if (SameName(entry.name, valueName)) {
        value = entry.value;
        return true;
      }
    }
  }
  return false;
}

}  // namespace portwright
