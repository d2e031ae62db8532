// The virtual drive over its pseudo-terminal, with real masters: mbpoll and libmodbus in RTU,
// the component's own transaction over its serial port in RTU and ASCII.
#include <gtest/gtest.h>
#include <modbus.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "drive_facts.h"
#include "frame.h"
#include "modbus_slave.h"
#include "poll_soak.h"
#include "portwright/port_map.h"
#include "serial_port.h"
#include "transaction.h"
#include "vdrive_process.h"

namespace {

namespace df = drive_facts;
using vdtest::VdriveProcess;
using namespace std::chrono_literals;

const std::vector<std::string> kNoDatabase{"--database", "/nonexistent/VM.vmd", "--no-map"};

std::vector<std::string> Args(std::vector<std::string> extra) {
  std::vector<std::string> args = kNoDatabase;
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

using vdtest::Shell;

// A master on the component's own transaction and serial port.
class Master {
 public:
  Master(const std::string& device, const std::string& settings, portwright::enumPLCMode mode)
      : mode_(mode) {
    opened_ = port_.Open(device, settings);
  }
  bool Opened() const { return opened_; }
  int16_t Read(int address, int count, int16_t timeoutMs = 500, uint8_t node = 1) {
    record_ = {};
    record_.node = node;
    record_.function = portwright::ReadHoldingReg;
    record_.address = static_cast<int16_t>(address);
    record_.quantity = static_cast<int16_t>(count);
    return portwright::RunTransaction(record_, mode_, port_, timeoutMs, result_, buffer_);
  }
  int16_t Write(int address, std::vector<int16_t> values, int16_t timeoutMs = 500,
                uint8_t node = 1) {
    record_ = {};
    record_.node = node;
    record_.function = portwright::SetMultipleReg;
    record_.address = static_cast<int16_t>(address);
    record_.quantity = static_cast<int16_t>(values.size());
    for (size_t i = 0; i < values.size(); ++i) record_.words[i] = values[i];
    return portwright::RunTransaction(record_, mode_, port_, timeoutMs, result_, buffer_);
  }
  int16_t Word(int i) const { return record_.words[i]; }
  void LogOn() {
    ASSERT_EQ(Write(df::kLogonParameterAddress, {df::kLogonCode}), 0);
    ASSERT_EQ(Write(df::kLogonParameterAddress, {df::kConfirmCode}), 0);
  }

 private:
  portwright::enumPLCMode mode_;
  portwright::SerialPort port_;
  portwright::TransactionRecord record_;
  portwright::ReceiveBuffer buffer_;
  int16_t result_ = 0;
  bool opened_ = false;
};

TEST(DriveOnPty, MbpollReadsAndWritesInRtu) {
  VdriveProcess drive;
  ASSERT_TRUE(drive.Start(Args({"--mode", "rtu", "--settings", "19200,N,8,2", "--node", "1"})));
  const std::string base = "mbpoll -m rtu -b 19200 -P none -t 4 -1 -o 0.5 ";
  std::string out = Shell(base + "-a 1 -s 2 -r 1 -c 3 " + drive.Device());
  EXPECT_NE(out.find("[1]: \t2001"), std::string::npos) << out;
  out = Shell(base + "-a 1 -s 2 -r 291 " + drive.Device() + " 450");
  EXPECT_NE(out.find("Written 1 references"), std::string::npos) << out;
  EXPECT_EQ(drive.Command("get P1.34"), "OK 450");
  // Another node, or other stop bits, get no answer.
  out = Shell(base + "-a 2 -s 2 -r 1 " + drive.Device());
  EXPECT_NE(out.find("timed out"), std::string::npos) << out;
  out = Shell(base + "-a 1 -s 1 -r 1 " + drive.Device());
  EXPECT_NE(out.find("timed out"), std::string::npos) << out;
  out = Shell(base + "-a 1 -s 2 -r 2000 " + drive.Device());
  EXPECT_NE(out.find("Illegal data address"), std::string::npos) << out;
}

TEST(DriveOnPty, LibmodbusReadsAndWritesInRtu) {
  VdriveProcess drive;
  ASSERT_TRUE(drive.Start(Args({"--mode", "rtu", "--settings", "38400,E,8,1", "--node", "5"})));
  std::unique_ptr<modbus_t, void (*)(modbus_t*)> ctx(
      modbus_new_rtu(drive.Device().c_str(), 38400, 'E', 8, 1), modbus_free);
  ASSERT_TRUE(ctx);
  modbus_set_slave(ctx.get(), 5);
  modbus_set_response_timeout(ctx.get(), 0, 500000);
  ASSERT_EQ(modbus_connect(ctx.get()), 0);
  uint16_t words[36] = {};
  ASSERT_EQ(modbus_read_registers(ctx.get(), 0, 9, words), 9);
  EXPECT_EQ(words[0], 2001);
  // Logon, then the three scope selectors in one write, then a block read.
  ASSERT_EQ(modbus_write_register(ctx.get(), df::kLogonParameterAddress - 1, df::kLogonCode), 1);
  ASSERT_EQ(modbus_write_register(ctx.get(), df::kLogonParameterAddress - 1, df::kConfirmCode), 1);
  ASSERT_EQ(modbus_write_register(ctx.get(), 1536, 15), 1);
  std::this_thread::sleep_for(50ms);
  const auto firstRead = std::chrono::steady_clock::now();
  ASSERT_EQ(modbus_read_registers(ctx.get(), 1536, 36, words), 36);
  EXPECT_EQ(words[0], 15);
  EXPECT_GE(words[1], 5);
  EXPECT_LE(words[1], 10);
  EXPECT_EQ(words[2], 310);
  // Reading the count handed the samples over: the next read counts only those taken since.
  ASSERT_EQ(modbus_read_registers(ctx.get(), 1536, 12, words), 12);
  const auto sinceMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now() - firstRead)
                           .count();
  EXPECT_LE(words[1], sinceMs / df::kScopeSamplePeriodMs + 1);
  const uint16_t commands[4] = {1, 2, 3, 4};
  ASSERT_EQ(modbus_write_registers(ctx.get(), 270, 4, commands), 4);  // P1.15..P1.18
  ASSERT_EQ(modbus_read_registers(ctx.get(), 270, 4, words), 4);
  EXPECT_EQ(words[3], 4);
  EXPECT_EQ(modbus_write_register(ctx.get(), df::kJogAddress - 1, 3001), -1);
  EXPECT_EQ(errno, EMBXILVAL);
  EXPECT_EQ(modbus_read_registers(ctx.get(), 7 * 256, 1, words), -1);
  EXPECT_EQ(errno, EMBXILADD);
  modbus_set_slave(ctx.get(), 6);
  EXPECT_EQ(modbus_read_registers(ctx.get(), 0, 1, words), -1);
  EXPECT_EQ(errno, ETIMEDOUT);
  modbus_close(ctx.get());
}

TEST(DriveOnPty, TransactionsInAsciiReadWriteAndJog) {
  VdriveProcess drive;
  ASSERT_TRUE(drive.Start(
      Args({"--mode", "ascii", "--settings", "9600,E,7,1", "--node", "1", "--passcode", "40000"})));
  Master master(drive.Device(), "9600,E,7,1", portwright::ASCII);
  ASSERT_TRUE(master.Opened());
  ASSERT_EQ(master.Read(1, 9), 0);
  EXPECT_EQ(master.Word(0), 2001);
  ASSERT_EQ(master.Read(df::kPasscodeAddress, 1), 0);
  EXPECT_EQ(static_cast<uint16_t>(master.Word(0)), 40000);
  ASSERT_EQ(master.Write(df::ParameterAddress(1, 34), {0}), 0);  // no ramp
  ASSERT_EQ(master.Write(df::kServoOnAddress, {1}), 0);
  ASSERT_EQ(master.Write(df::ParameterAddress(2, 10), {4}), 0);  // input 1 not servo on
  ASSERT_EQ(master.Read(df::kStatusWordAddress, 3), 0);
  EXPECT_EQ(master.Word(0), df::kStatusServoReady | df::kStatusServoOn | df::kStatusZeroSpeed);
  ASSERT_EQ(master.Write(df::kJogAddress, {1200}), 0);
  ASSERT_EQ(master.Write(df::kJogAddress, {df::kJogForward}), 0);
  std::this_thread::sleep_for(100ms);
  ASSERT_EQ(master.Read(df::kStatusWordAddress, 2), 0);
  EXPECT_EQ(master.Word(0), df::kStatusServoReady | df::kStatusServoOn);
  EXPECT_EQ(master.Word(1), 1200);
  ASSERT_EQ(master.Write(df::kJogAddress, {df::kJogStop}), 0);
  // The RTU framing of the same request goes unanswered.
  Master rtu(drive.Device(), "9600,E,7,1", portwright::RTU);
  EXPECT_EQ(rtu.Read(1, 1, 300), -1);
  // An exception in ASCII.
  EXPECT_EQ(master.Write(df::kJogAddress, {3001}), 3);
}

// `junk HEX` of a whole frame from this drive's line: what another node, or a confused one,
// might put on the line just before the reply.
std::string JunkFrame(vdrive::Framing framing, uint8_t node, vdrive::Bytes pdu) {
  std::string command = "junk ";
  char hex[3];
  for (uint8_t byte : vdrive::EncodeFrame(framing, node, pdu))
    std::snprintf(hex, sizeof hex, "%02X", byte), command += hex;
  return command + " 1";
}

// Each injected fault gives the master its result code and costs that one read at most: the
// next read, of another block of the same length and sent at once, is good. Every good reply
// carries its own block's words, never another's (late replies and foreign frames carry other
// words), in both framings.
TEST(DriveOnPty, InjectedFaultsGiveTheMasterTheirResultCodes) {
  for (const auto& [mode, flag] :
       {std::pair{portwright::RTU, "rtu"}, std::pair{portwright::ASCII, "ascii"}}) {
    SCOPED_TRACE(flag);
    const auto framing = mode == portwright::RTU ? vdrive::Framing::Rtu : vdrive::Framing::Ascii;
    VdriveProcess drive;
    ASSERT_TRUE(drive.Start(Args({"--mode", flag, "--settings", "19200,N,8,2"})));
    ASSERT_EQ(drive.Command("set P1.09 1109 1110 1111"), "OK");
    ASSERT_EQ(drive.Command("set P2.09 2109 2110 2111"), "OK");
    Master master(drive.Device(), "19200,N,8,2", mode);
    ASSERT_TRUE(master.Opened());
    auto expectBlock = [&](int first) {
      for (int i = 0; i < 3; ++i) EXPECT_EQ(master.Word(i), first + i);
    };
    const vdrive::Bytes foreignWords = {6, 0xDE, 0xAD, 0xBE, 0xEF, 0xDE, 0xAD};
    auto withFunction = [&](uint8_t function) {
      vdrive::Bytes pdu = {function};
      pdu.insert(pdu.end(), foreignWords.begin(), foreignWords.end());
      return pdu;
    };
    struct Row {
      std::string command;
      int16_t timeoutMs;
      int16_t result;
    };
    const Row rows[] = {
        {"noreply", 300, -1},
        {"replylost", 300, -1},
        {"badcrc", 500, -2},
        {"exception 4", 500, 4},
        {"split 100", 1000, 0},
        {"junk", 500, 0},  // noise before the reply is passed over
        {"junk FF00 1", 500, 0},
        {"slow 130", 100, -1},  // late: drained, never taken for the next read
        {"slow 250", 200, -1},
        {"slow 200", 1000, 0},
        {JunkFrame(framing, 2, withFunction(3)), 500, 0},                 // another node first
        {JunkFrame(framing, 1, withFunction(4)), 500, 0},                 // another function first
        {JunkFrame(framing, 1, {3, 4, 0xDE, 0xAD, 0xBE, 0xEF}), 500, 0},  // another byte count
        {"exception 2", 500, 2},
    };
    for (const Row& row : rows) {
      SCOPED_TRACE(row.command);
      ASSERT_EQ(drive.Command(row.command).substr(0, 2), "OK");
      EXPECT_EQ(master.Read(df::ParameterAddress(1, 9), 3, row.timeoutMs), row.result);
      if (row.result == 0) expectBlock(1109);
      ASSERT_EQ(master.Read(df::ParameterAddress(2, 9), 3), 0);
      expectBlock(2109);
    }
    // A count spoils exactly that many replies.
    ASSERT_EQ(drive.Command("badcrc 2").substr(0, 2), "OK");
    for (int16_t expected : {-2, -2, 0}) EXPECT_EQ(master.Read(1, 3), expected);
  }
}

TEST(DriveOnPty, DriveFaultAndPowerCycleReachTheMaster) {
  VdriveProcess drive;
  ASSERT_TRUE(drive.Start(Args({"--mode", "rtu", "--settings", "19200,N,8,2"})));
  Master master(drive.Device(), "19200,N,8,2", portwright::RTU);
  ASSERT_TRUE(master.Opened());
  EXPECT_EQ(drive.Command("fault 11"), "OK");
  ASSERT_EQ(master.Read(df::kFaultCodeAddress, 1), 0);
  EXPECT_EQ(master.Word(0), 11);
  ASSERT_EQ(master.Read(df::kFaultHistoryAddress, 5), 0);
  EXPECT_EQ(master.Word(0), 11);
  master.LogOn();
  ASSERT_EQ(master.Write(1549, {10}), 0);
  EXPECT_EQ(drive.Command("powercycle 0.8"), "OK");
  EXPECT_EQ(master.Read(1, 1, 300), -1);
  std::this_thread::sleep_for(1500ms);  // generous: a busy machine may wake the drive late
  ASSERT_EQ(master.Read(df::kFaultCodeAddress, 1), 0);
  EXPECT_EQ(master.Word(0), 0);
  EXPECT_EQ(master.Write(1549, {10}), 2);  // the logon went with the power
  master.LogOn();
  EXPECT_EQ(master.Write(1549, {10}), 0);
}

TEST(DriveOnPty, PortMapHoldsTheDeviceWhileTheDriveRuns) {
  for (int signal : {0, SIGTERM, SIGINT}) {
    VdriveProcess drive;
    ASSERT_TRUE(drive.Start({"--database", "/nonexistent/VM.vmd", "--com", "7"}));
    EXPECT_EQ(portwright::ResolveComPort(7), drive.Device());
    EXPECT_EQ(drive.Stop(signal), 0) << signal;
    EXPECT_EQ(portwright::ResolveComPort(7), "/dev/ttyS6") << signal;
  }
}

// The drive maps its pty over what COMn meant and puts that back: at exit while the entry still
// names its device, and after a crash when the next drive starts.
TEST(DriveOnPty, PortMapGetsTheUsersMappingBack) {
  portwright::MapComPort(7, "/dev/ttyUSB9");
  const std::vector<std::string> onCom7{"--database", "/nonexistent/VM.vmd", "--com", "7"};
  {
    VdriveProcess drive;
    ASSERT_TRUE(drive.Start(onCom7));
    EXPECT_EQ(portwright::ResolveComPort(7), drive.Device());
    EXPECT_EQ(drive.Stop(SIGTERM), 0);
    EXPECT_EQ(portwright::ResolveComPort(7), "/dev/ttyUSB9");
  }
  {
    VdriveProcess drive;
    ASSERT_TRUE(drive.Start(onCom7));
    portwright::MapComPort(7, "/dev/ttyACM0");  // the user reassigns COM7 meanwhile
    EXPECT_EQ(drive.Stop(), 0);
    EXPECT_EQ(portwright::ResolveComPort(7), "/dev/ttyACM0");
  }
  portwright::MapComPort(7, "/dev/ttyUSB9");
  {
    VdriveProcess crashed;
    ASSERT_TRUE(crashed.Start(onCom7));
    crashed.Stop(SIGKILL);
    EXPECT_NE(portwright::ResolveComPort(7), "/dev/ttyUSB9");
    VdriveProcess next;  // any drive that starts puts the crashed drive's COM7 back
    ASSERT_TRUE(next.Start({"--database", "/nonexistent/VM.vmd", "--com", "free"}));
    EXPECT_EQ(portwright::ResolveComPort(7), "/dev/ttyUSB9");
    // "free" takes the lowest COM number without a mapping.
    const auto map = portwright::ListPortMap();
    int free = 1;
    while (map.count(free) && map.at(free) != next.Device()) ++free;
    EXPECT_EQ(map.at(free), next.Device());
    EXPECT_EQ(next.Stop(), 0);
    EXPECT_EQ(portwright::ListPortMap().count(free), 0u);
  }
  portwright::UnmapComPort(7);
}

// With pacing, a transaction takes the line time of its bytes plus the drive's turnaround; the
// drive answers only its own parity and stop bits (odd parity shows on a pty, and "no parity"
// goes with two stop bits), so a scan over the framings stops at the right one.
TEST(DriveOnPty, LineIsPacedAndAnsweredOnlyInTheDrivesFraming) {
  VdriveProcess drive;
  ASSERT_TRUE(drive.Start(Args({"--mode", "rtu", "--settings", "9600,O,8,1"})));
  for (const char* wrong : {"9600,E,8,1", "9600,N,8,2", "19200,O,8,1"}) {
    Master master(drive.Device(), wrong, portwright::RTU);
    EXPECT_EQ(master.Read(1, 1, 300), -1) << wrong;
  }
  Master master(drive.Device(), "9600,O,8,1", portwright::RTU);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(master.Read(df::ParameterAddress(1, 0), 36), 0);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  // 8 request and 77 reply characters of 11 bits at 9600 baud, 3.5 characters of turnaround.
  const auto lineTime = std::chrono::microseconds((8 + 77 + 3) * 11 * 1000000LL / 9600);
  EXPECT_GE(elapsed, lineTime);
}

// The bytes that reach a raw port within `ms` after the first one.
vdrive::Bytes Collect(portwright::SerialPort& port, int ms) {
  vdrive::Bytes bytes;
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < until) {
    port.WaitForInput(5000);
    uint8_t chunk[256];
    size_t got = 0;
    if (port.Read(chunk, sizeof chunk, got)) bytes.insert(bytes.end(), chunk, chunk + got);
  }
  return bytes;
}

// A half-duplex line: a request sent while the drive is still sending never reaches it, and
// the master reads the reply mixed with its own request. A request lost on the line
// (noreply) is not carried out; a lost reply (replylost) is.
TEST(DriveOnPty, RequestsThatMeetAReplyOrAreLostAreNotCarriedOut) {
  VdriveProcess drive;
  ASSERT_TRUE(drive.Start(Args({"--mode", "rtu", "--settings", "19200,N,8,2"})));
  const vdrive::Bytes read = vdrive::EncodeFrame(vdrive::Framing::Rtu, 1, {0x03, 1, 0, 0, 36});
  auto writeP134 = [](uint8_t value) {
    return vdrive::EncodeFrame(vdrive::Framing::Rtu, 1, {0x06, 0x01, 0x22, 0x00, value});
  };
  for (const char* duplex : {"half", "full"}) {
    SCOPED_TRACE(duplex);
    ASSERT_EQ(drive.Command(std::string("duplex ") + duplex), "OK");
    ASSERT_EQ(drive.Command("set P1.34 0"), "OK");
    portwright::SerialPort port;
    ASSERT_TRUE(port.Open(drive.Device(), "19200,N,8,2"));
    ASSERT_TRUE(port.Write(read.data(), read.size()));
    port.WaitForInput(500000);  // the reply (77 characters, 44 ms) has begun
    const vdrive::Bytes write = writeP134(77);
    ASSERT_TRUE(port.Write(write.data(), write.size()));
    const vdrive::Bytes line = Collect(port, 200);
    const bool full = std::string(duplex) == "full";
    EXPECT_EQ(drive.Command("get P1.34"), full ? "OK 77" : "OK 0");
    ASSERT_GE(line.size(), 77u);
    EXPECT_EQ(portwright::frame::Crc16(line.data(), 77) == 0, full);
    EXPECT_EQ(line.size(), full ? 77u + 8u : 77u);
  }
  Master master(drive.Device(), "19200,N,8,2", portwright::RTU);
  ASSERT_EQ(drive.Command("noreply"), "OK planned noreply x1");
  EXPECT_EQ(master.Write(df::ParameterAddress(1, 34), {5}, 200), -1);
  EXPECT_EQ(drive.Command("get P1.34"), "OK 77");
  ASSERT_EQ(drive.Command("replylost"), "OK planned replylost x1");
  EXPECT_EQ(master.Write(df::ParameterAddress(1, 34), {6}, 200), -1);
  EXPECT_EQ(drive.Command("get P1.34"), "OK 6");
}

TEST(DriveOnPty, CommunicationSettingsTakeEffectAtThePowerCycle) {
  VdriveProcess drive;
  ASSERT_TRUE(drive.Start(Args({"--mode", "rtu", "--settings", "19200,N,8,2", "--no-pacing"})));
  Master old(drive.Device(), "19200,N,8,2", portwright::RTU);
  ASSERT_EQ(old.Read(df::kNodeAddressAddress, 3), 0);
  // Node 1, 19200 baud (speed list position 2), RTU N,8,2 (protocol list position 6) ...
  EXPECT_EQ(old.Word(0), 1);
  EXPECT_EQ(old.Word(1), 2);
  EXPECT_EQ(old.Word(2), 6);
  // ... become node 5, 38400 baud, RTU E,8,1.
  ASSERT_EQ(old.Write(df::kNodeAddressAddress, {5, 3, 7}), 0);
  ASSERT_EQ(old.Read(1, 1), 0);  // still the old line until the power cycle
  EXPECT_EQ(drive.Command("powercycle 0.2"), "OK");
  std::this_thread::sleep_for(800ms);
  EXPECT_EQ(old.Read(1, 1, 300), -1);
  EXPECT_EQ(old.Read(1, 1, 300, 5), -1);
  Master moved(drive.Device(), "38400,E,8,1", portwright::RTU);
  ASSERT_EQ(moved.Read(1, 1, 500, 5), 0);
  EXPECT_EQ(moved.Word(0), 2001);
}

// P3.03 = 1, P3.04 = 1 s, as the maintenance screen sets them (10 s there): requests keep the
// watchdog quiet; when they stop, the drive trips with fault 20 and the jog stops.
TEST(DriveOnPty, WatchdogStopsAJogWhenTheMasterFallsSilent) {
  VdriveProcess drive;
  ASSERT_TRUE(drive.Start(Args({"--mode", "rtu", "--settings", "19200,N,8,2"})));
  Master master(drive.Device(), "19200,N,8,2", portwright::RTU);
  ASSERT_EQ(drive.Command("di 1 1"), "OK");  // servo on
  ASSERT_EQ(master.Write(df::kCommFaultActionAddress, {1, 1}), 0);
  ASSERT_EQ(master.Write(df::kJogAddress, {df::kJogForward}), 0);
  for (int i = 0; i < 6; ++i) {
    std::this_thread::sleep_for(250ms);
    ASSERT_EQ(master.Read(df::kStatusWordAddress, 1), 0);
  }
  EXPECT_NE(drive.Command("status").find("fault=0 "), std::string::npos);
  EXPECT_NE(drive.Command("status").find("jog=1 "), std::string::npos);
  std::this_thread::sleep_for(1500ms);
  const std::string status = drive.Command("status");
  EXPECT_NE(status.find("fault=20 "), std::string::npos) << status;
  EXPECT_NE(status.find("jog=0 "), std::string::npos) << status;
}

TEST(DriveOnPty, ControlSocketServesADriveWithoutStdin) {
  const std::string path = std::string(std::getenv("XDG_CONFIG_HOME")) + "/vdrive.sock";
  VdriveProcess drive;
  ASSERT_TRUE(drive.Start(Args({"--control-socket", path}), false));
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
  ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  const std::string command = "get P0.00\n";
  ASSERT_EQ(write(fd, command.data(), command.size()), static_cast<ssize_t>(command.size()));
  char reply[64] = {};
  ssize_t got = 0;
  for (int i = 0; i < 100 && got == 0; ++i) {
    got = read(fd, reply, sizeof reply - 1);
    if (got <= 0) std::this_thread::sleep_for(10ms), got = 0;
  }
  EXPECT_STREQ(reply, "OK 2001\n");
  close(fd);
  EXPECT_EQ(drive.Stop(SIGTERM), 0);
}

#ifdef PORTWRIGHT_CLI
TEST(DriveOnPty, PortwrightCliReadsAndWritesInAsciiThroughThePortMap) {
  VdriveProcess drive;
  ASSERT_TRUE(drive.Start({"--database", "/nonexistent/VM.vmd", "--com", "4", "--mode", "ascii",
                           "--settings", "9600,E,7,1"}));
  const std::string cli = std::string(PORTWRIGHT_CLI) +
                          " --port COM4 --settings 9600,E,7,1 --mode ascii --timeout 500 ";
  EXPECT_EQ(Shell(cli + "ReadHoldingReg 1 3"), "2001\n0\n0\n");
  EXPECT_EQ(Shell(cli + "SetMultipleReg 291 2 450 460"), "");
  EXPECT_EQ(drive.Command("get P1.34 2"), "OK 450 460");
  EXPECT_NE(Shell(cli + "SetMultipleReg 1030 1 3001").find("result 3"), std::string::npos);
  EXPECT_EQ(drive.Command("noreply"), "OK planned noreply x1");
  EXPECT_NE(Shell(cli + "ReadHoldingReg 1 1").find("result -1"), std::string::npos);
}

// Polling two blocks of the same length on a paced line while late and noise-led replies come:
// no good poll shows another block's words, and no fault costs more than one poll.
TEST(DriveOnPty, PollingThroughLateAndNoisyRepliesCreditsEveryValueToItsBlock) {
  vdtest::SoakPlan plan;
  plan.cli = PORTWRIGHT_CLI;
  plan.seconds = 4;
  plan.faultPeriodMs = 400;
  const vdtest::SoakFigures soak = vdtest::RunPollSoak(plan);
  ASSERT_TRUE(soak.ran);
  EXPECT_GE(soak.lateInjected, 8);
  EXPECT_EQ(soak.wrongValues, 0) << soak.firstWrong;
  EXPECT_LE(soak.failedPolls, soak.lateInjected + soak.noiseInjected);
  EXPECT_GT(soak.goodPolls, 100);
}
#endif

void Exec(sqlite3* db, const char* sql) {
  char* error = nullptr;
  ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, &error), SQLITE_OK) << error;
}

TEST(DriveOnPty, DatabaseGivesPowerOnValuesAndConnectionDefaults) {
  const std::string path = std::string(std::getenv("XDG_CONFIG_HOME")) + "/VM.vmd";
  std::remove(path.c_str());
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  Exec(db,
       "CREATE TABLE tblDriveParameters (AmpCode INTEGER, Rev INTEGER, Parameter TEXT, "
       "min REAL, max REAL, \"default\" REAL, resolution REAL, ReadOnly INTEGER, Address INTEGER);"
       "INSERT INTO tblDriveParameters VALUES (23, 210, '134', 0, 20000, 150, 1, 0, 291),"
       " (23, 210, '137', 0, 100, 2.5, 10, 0, 294), (23, 210, '136', 0, 100, 7, 1, 1, 293),"
       " (21, 200, '134', 0, 1, 1, 1, 0, 291);"
       "CREATE TABLE tblComSet (Code INTEGER, Address INTEGER, Port TEXT, PortDefault INTEGER,"
       " Baud TEXT, BaudDefault INTEGER, Bits TEXT, Parity TEXT, StopBit TEXT,"
       " Description TEXT, ProtocolDefault INTEGER);"
       "INSERT INTO tblComSet VALUES (1, NULL, 'COM1', 0, '9600', 0, '7', 'N', '2', 'ASCII', 0),"
       " (2, NULL, 'COM2', 1, '38400', 1, '7', 'E', '1', 'ASCII', 1),"
       " (99, 3, '', 0, '', 0, '', '', '', '', 0);");
  sqlite3_close(db);
  VdriveProcess drive;
  ASSERT_TRUE(drive.Start({"--database", path, "--no-map", "--amp", "23", "--firmware", "210"}));
  Master master(drive.Device(), "38400,E,7,1", portwright::ASCII);
  ASSERT_TRUE(master.Opened());
  ASSERT_EQ(master.Read(df::ParameterAddress(1, 31), 7, 500, 3), 0);
  EXPECT_EQ(master.Word(0), 31);   // no motor default in this database: the largest
  EXPECT_EQ(master.Word(3), 150);  // P1.34
  EXPECT_EQ(master.Word(6), 25);   // P1.37 = 2.5 at resolution 10
  EXPECT_EQ(master.Write(df::ParameterAddress(1, 34), {20001}, 500, 3), 3);   // above max
  EXPECT_EQ(master.Write(df::ParameterAddress(1, 36), {7}, 500, 3), 2);       // read-only
  EXPECT_EQ(master.Write(df::ParameterAddress(1, 34), {20000}, 300, 1), -1);  // not node 1
  EXPECT_EQ(drive.Command("get P1.34"), "OK 150");
}

}  // namespace

int main(int argc, char** argv) {
  // A private component store: the port map of these tests never touches the user's.
  char folder[] = "/tmp/vdrive-test-XXXXXX";
  if (!mkdtemp(folder)) return 1;
  setenv("XDG_CONFIG_HOME", folder, 1);
  testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  Shell(std::string("rm -rf ") + folder);
  return result;
}
