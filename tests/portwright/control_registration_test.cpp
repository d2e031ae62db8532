// The component store, the port map, the type library table and the class registration.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <set>

#include "control_test_support.h"
#include "portwright/activation.h"
#include "portwright/port_map.h"
#include "portwright/store.h"
#include "portwright/type_info.h"

using namespace portwright;

namespace {

const std::string kClassKey = std::string("CLSID/") + kClsidModbusAtl;

std::string Canonical(const std::string& path) {
  return QFileInfo(QString::fromStdString(path)).canonicalFilePath().toStdString();
}

TEST(ControlStore, LivesInThePrivateConfigFolder) {
  EXPECT_EQ(StorePath(), std::string(getenv("XDG_CONFIG_HOME")) + "/Portwright/Portwright.ini");
  SetStoreValue("Test/Key", "value");
  EXPECT_EQ(StoreValue("Test/Key"), "value");
  RemoveStoreKey("Test");
  EXPECT_EQ(StoreValue("Test/Key", "gone"), "gone");
}

TEST(ControlPortMap, MappedPortsNameTheirDeviceAndOthersTheSerialPort) {
  EXPECT_EQ(ResolveComPort(1), "/dev/ttyS0");
  EXPECT_EQ(ResolveComPort(15), "/dev/ttyS14");
  MapComPort(3, "/dev/ttyUSB0");
  MapComPort(12, "/dev/serial/by-id/usb-drive");
  EXPECT_EQ(ResolveComPort(3), "/dev/ttyUSB0");
  EXPECT_EQ((ListPortMap()),
            (std::map<int, std::string>{{3, "/dev/ttyUSB0"}, {12, "/dev/serial/by-id/usb-drive"}}));
  UnmapComPort(3);
  EXPECT_EQ(ResolveComPort(3), "/dev/ttyS2");
  EXPECT_EQ(ListPortMap().size(), 1u);
}

TEST(ControlTypeInfo, MembersAreFoundByNameAndDispid) {
  const TypeLibInfo& lib = TypeLibrary();
  EXPECT_EQ(lib.name, "PortwrightLib");
  EXPECT_EQ(lib.help, "Portwright 1.0 Type Library");
  EXPECT_EQ(lib.libid, "{01FCEE63-16BA-447F-B5BD-432A3CDA8973}");
  EXPECT_EQ(lib.clsid, "{E04B341B-984F-4FC1-83AA-688213A37E5D}");
  EXPECT_EQ(lib.lcid, 0x409);
  EXPECT_EQ(lib.dispatch.iid, "{5695DA4D-71D6-4CBC-85FF-CF2ECDC367BC}");
  EXPECT_EQ(lib.events.iid, "{3307669F-FE67-40A5-B9DB-139CC71FB15E}");

  std::set<int> dispids;
  for (const MemberInfo& member : lib.dispatch.members) dispids.insert(member.dispid);
  EXPECT_EQ(dispids.size(), 29u);
  EXPECT_EQ(*dispids.begin(), 1);
  EXPECT_EQ(*dispids.rbegin(), 29);

  const MemberInfo* pollData = FindMember(lib.dispatch, "polldata");
  ASSERT_NE(pollData, nullptr);
  EXPECT_EQ(pollData->dispid, 21);
  EXPECT_EQ(pollData->help, "Get Poll Data");
  const MemberInfo* userMode = FindMember(lib.dispatch, 13);
  ASSERT_NE(userMode, nullptr);
  EXPECT_EQ(userMode->name, "UserMode");
  EXPECT_TRUE(userMode->hidden);
  EXPECT_EQ(FindMember(lib.dispatch, 11)->help, "Start Communication Action");
  EXPECT_EQ(FindMember(lib.dispatch, 28)->help, "Is a bit in a integer On or Off");
  EXPECT_EQ(FindMember(lib.dispatch, 12)->kind, MemberKind::PropertyGet);
  EXPECT_EQ(FindMember(lib.dispatch, "NoSuchMember"), nullptr);
  EXPECT_EQ(FindMember(lib.dispatch, 30), nullptr);
  EXPECT_EQ(FindMember(lib.events, 2)->name, "OnPoll");
  EXPECT_EQ(FindMember(lib.events, "Done")->help, "Done Event");

  int value = -1;
  EXPECT_TRUE(FindEnumValue("enumPLCFunction", "SetMultipleReg", value));
  EXPECT_EQ(value, 7);
  EXPECT_TRUE(FindEnumValue("enumComPort", "COM15", value));
  EXPECT_EQ(value, 14);
  EXPECT_TRUE(FindEnumValue("enumDataType", "String", value));
  EXPECT_EQ(value, 4);
  EXPECT_FALSE(FindEnumValue("enumPLCMode", "TCP", value));
}

TEST(ControlRegistration, RegisteredClassIsFoundCreatedAndRemovedAgain) {
  const std::string library = PW_COMPONENT_LIBRARY;
  EXPECT_EQ(RegisteredLibrary(), "");
  MapComPort(4, "/dev/ttyUSB3");

  std::string error;
  ASSERT_EQ(RegisterLibrary(library, &error), S_OK) << error;
  EXPECT_EQ(Canonical(RegisteredLibrary()), Canonical(library));
  EXPECT_EQ(StoreValue(kClassKey), "ModbusAtl Class");
  EXPECT_EQ(StoreValue(kClassKey + "/ProgID"), "Portwright.ModbusAtl.1");
  EXPECT_EQ(StoreValue(kClassKey + "/VersionIndependentProgID"), "Portwright.ModbusAtl");
  EXPECT_EQ(StoreValue(kClassKey + "/InprocServer32/ThreadingModel"), "Apartment");
  EXPECT_EQ(StoreValue(kClassKey + "/TypeLib"), kLibId);
  EXPECT_EQ(StoreValue(kClassKey + "/Version"), "1.0");
  EXPECT_EQ(StoreValue(kClassKey + "/AppID"), kAppId);
  EXPECT_EQ(StoreValue("Portwright.ModbusAtl/CurVer"), "Portwright.ModbusAtl.1");
  EXPECT_EQ(StoreValue("Portwright.ModbusAtl.1/CLSID"), kClsidModbusAtl);
  EXPECT_EQ(StoreValue(std::string("AppID/") + kAppId), "Portwright");

  IModbusAtl* control = CreateControl(&error);
  ASSERT_NE(control, nullptr) << error;
  EXPECT_EQ(control->get_SWVersion(), "1.0.0.0002");
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
  control->Release();
  EXPECT_EQ(DllCanUnloadNow(), S_OK);

  void* factory = nullptr;
  ASSERT_EQ(DllGetClassObject(kClsidModbusAtl, kIidIClassFactory, &factory), S_OK);
  static_cast<IClassFactory*>(factory)->LockServer(true);
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
  static_cast<IClassFactory*>(factory)->LockServer(false);
  EXPECT_EQ(DllCanUnloadNow(), S_OK);

  ASSERT_EQ(UnregisterLibrary(library, &error), S_OK) << error;
  EXPECT_EQ(RegisteredLibrary(), "");
  EXPECT_EQ(StoreValue("Portwright.ModbusAtl/CurVer"), "");
  EXPECT_EQ(ResolveComPort(4), "/dev/ttyUSB3");  // the port map is not the class's
  EXPECT_EQ(CreateControl(&error), nullptr);
  EXPECT_FALSE(error.empty());
}

TEST(ControlRegistration, ClassObjectOnlyForTheClassAndTheFactoryInterface) {
  void* factory = reinterpret_cast<void*>(1);
  EXPECT_EQ(
      DllGetClassObject("{00000000-0000-0000-0000-000000000000}", kIidIClassFactory, &factory),
      CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(factory, nullptr);
  EXPECT_EQ(DllGetClassObject(kClsidModbusAtl, kIidIModbusAtl, &factory), E_NOINTERFACE);
  EXPECT_EQ(DllGetClassObject(kClsidModbusAtl, kIidIClassFactory, nullptr), E_POINTER);
  // GUID texts compare without regard to case.
  EXPECT_EQ(
      DllGetClassObject("{e04b341b-984f-4fc1-83aa-688213a37e5d}", kIidIClassFactory, &factory),
      S_OK);
}

TEST(ControlRegistration, ProgramRegistersTheLibraryBesideItWhenTheClassIsMissing) {
  std::string error;
  IModbusAtl* control =
      CreateControlWithRegistration(kClsidModbusAtl, PW_COMPONENT_LIBRARY, &error);
  ASSERT_NE(control, nullptr) << error;
  control->Release();
  EXPECT_EQ(Canonical(RegisteredLibrary()), Canonical(PW_COMPONENT_LIBRARY));
  UnregisterLibrary(PW_COMPONENT_LIBRARY);
}

TEST(ControlRegistration, RegistrationFollowsTheLibraryBesideTheRunningProgram) {
  // An earlier registration of another copy (a build tree, an older install) gives way.
  QTemporaryDir elsewhere;
  const std::string older = elsewhere.filePath("libPortwright.so").toStdString();
  ASSERT_TRUE(QFile::copy(PW_COMPONENT_LIBRARY, QString::fromStdString(older)));
  ASSERT_EQ(RegisterLibrary(older), S_OK);
  ASSERT_EQ(EnsureRegistered(PW_COMPONENT_LIBRARY), S_OK);
  EXPECT_EQ(Canonical(RegisteredLibrary()), Canonical(PW_COMPONENT_LIBRARY));
  // A tool with no library beside it keeps the registration it finds.
  ASSERT_EQ(EnsureRegistered("/tmp/pw-no-such-folder/libPortwright.so"), S_OK);
  EXPECT_EQ(Canonical(RegisteredLibrary()), Canonical(PW_COMPONENT_LIBRARY));
  UnregisterLibrary(PW_COMPONENT_LIBRARY);
}

TEST(ControlRegistration, RegsvrCommandRegistersAndUnregisters) {
  QProcess tool;
  tool.start(PW_REGSVR_TOOL, {"/s", PW_COMPONENT_LIBRARY});
  ASSERT_TRUE(tool.waitForFinished(60000));
  EXPECT_EQ(tool.exitCode(), 0);
  EXPECT_EQ(tool.readAllStandardOutput(), "");
  EXPECT_EQ(Canonical(RegisteredLibrary()), Canonical(PW_COMPONENT_LIBRARY));

  tool.start(PW_REGSVR_TOOL, {"/u", PW_COMPONENT_LIBRARY});
  ASSERT_TRUE(tool.waitForFinished(60000));
  EXPECT_EQ(tool.exitCode(), 0);
  EXPECT_TRUE(tool.readAllStandardOutput().startsWith("DllUnregisterServer in "));
  EXPECT_EQ(RegisteredLibrary(), "");

  tool.start(PW_REGSVR_TOOL, {"/s", "/tmp/pw-no-such-library.so"});
  ASSERT_TRUE(tool.waitForFinished(60000));
  EXPECT_EQ(tool.exitCode(), 1);
}

}  // namespace
