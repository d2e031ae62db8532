// The type library's content at run time: enums, members with DISPIDs and help strings, and
// the identifiers, so a host or tool can look members up by name or DISPID.
#pragma once

#include <string>
#include <vector>

#include "portwright/modbus_atl.h"

namespace portwright {

struct EnumValueInfo {
  std::string name;
  int value;
  std::string help;
};
struct EnumInfo {
  std::string name;
  std::vector<EnumValueInfo> values;
};
enum class MemberKind { PropertyGet, PropertyPut, Method, Event };
struct MemberInfo {
  int dispid;
  std::string name;
  MemberKind kind;
  std::string signature;  // argument and value types as text
  std::string help;
  bool hidden;
};
struct InterfaceInfo {
  std::string name;
  std::string iid;
  std::string help;
  std::vector<MemberInfo> members;
};
struct TypeLibInfo {
  std::string name;  // "PortwrightLib"
  std::string libid;
  std::string version;  // "1.0"
  std::string help;     // "Portwright 1.0 Type Library"
  int lcid;             // 0x409
  std::string coclass;  // "ModbusAtl"
  std::string clsid;
  std::string coclassHelp;  // "ModbusAtl Class"
  std::vector<EnumInfo> enums;
  InterfaceInfo dispatch;  // IModbusAtl
  InterfaceInfo events;    // _IModbusAtlEvents
};

PORTWRIGHT_API const TypeLibInfo& TypeLibrary();
// Looks up a member of an interface by name (case-insensitive) or DISPID; null when absent.
PORTWRIGHT_API const MemberInfo* FindMember(const InterfaceInfo& itf, const std::string& name);
PORTWRIGHT_API const MemberInfo* FindMember(const InterfaceInfo& itf, int dispid);
// Looks up an enum value by its name (case-insensitive); returns false when absent.
PORTWRIGHT_API bool FindEnumValue(const std::string& enumName, const std::string& valueName, int& value);

}  // namespace portwright
