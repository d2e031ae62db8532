// The virtual drive behind a loopback listener, as behind a serial device server (RTU over TCP)
// or a Modbus gateway (Modbus TCP), reached through the component's network link and through
// portwright-cli: faults, lost connections made again, and failures told in words.
#include <gtest/gtest.h>
#include <modbus.h>

#include <memory>
#include <string>

#include "drive_facts.h"
#include "link.h"
#include "portwright/endpoint.h"
#include "tcp_port.h"
#include "transaction.h"
#include "vdrive_process.h"

namespace {

namespace df = drive_facts;
using vdtest::VdriveProcess;

// A master on the component's own network link, as its worker thread drives it.
class NetMaster {
 public:
  explicit NetMaster(const std::string& endpoint) {
    link_ = portwright::OpenLink(endpoint, "19200,N,8,1", {}, problem_);
  }
  bool Opened() const { return link_ != nullptr; }
  const std::string& OpenProblem() const { return problem_; }
  std::string Problem() const { return link_->Problem(); }
  int16_t Read(int address, int count, int16_t timeoutMs = 500, uint8_t node = 1) {
    record_ = {};
    record_.node = node;
    record_.function = portwright::ReadHoldingReg;
    record_.address = static_cast<int16_t>(address);
    record_.quantity = static_cast<int16_t>(count);
    return link_->Transact(record_, portwright::RTU, timeoutMs, result_, nullptr);
  }
  int16_t Word(int i) const { return record_.words[i]; }

 private:
  std::unique_ptr<portwright::Link> link_;
  std::string problem_;
  portwright::TransactionRecord record_;
  int16_t result_ = 0;
};

std::vector<std::string> ListenArgs(const std::string& kind, std::vector<std::string> extra) {
  std::vector<std::string> args{"--database", "/nonexistent/VM.vmd", "--no-map", "--listen",
                                kind + ":127.0.0.1:0"};
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

// Every fault gives its result code once, and the read after it is good and holds its own
// block: a late or stray reply is never credited to the next request, a dropped or spoilt
// connection is made again at the next transaction.
TEST(DriveBehindListener, FaultsGiveTheirResultCodesAndTheNextReadIsItsOwn) {
  struct Row {
    const char* command;
    int16_t timeoutMs;
    int16_t modbusTcp;  // the result over each kind of endpoint
    int16_t rtuOverTcp;
  };
  const Row rows[] = {
      {"noreply", 300, -1, -1},   {"badcrc", 500, -2, -2},   {"exception 4", 500, 4, 4},
      {"split 100", 1000, 0, 0},  {"slow 150", 100, -1, -1}, {"slow 250", 200, -1, -1},
      {"wrongtid", 300, -1, 0},   {"drop", 500, -3, -3},     {"junk FF00 1", 500, -2, 0},
      {"exception 2", 500, 2, 2},
  };
  for (const char* kind : {"mbtcp", "tcp"}) {
    SCOPED_TRACE(kind);
    const bool modbusTcp = std::string(kind) == "mbtcp";
    VdriveProcess drive;
    ASSERT_TRUE(drive.Start(ListenArgs(kind, {"--nodes", "1-2"})));
    ASSERT_EQ(drive.Command("node 2"), "OK node 2");
    ASSERT_EQ(drive.Command("set P1.09 1109 1110 1111"), "OK");
    ASSERT_EQ(drive.Command("set P2.09 2109 2110 2111"), "OK");
    NetMaster master(drive.Device());
    ASSERT_TRUE(master.Opened()) << master.OpenProblem();
    auto readBlock = [&](int group, int16_t expected, int16_t timeoutMs) {
      EXPECT_EQ(master.Read(df::ParameterAddress(group, 9), 3, timeoutMs, 2), expected);
      if (expected != 0) return;
      for (int i = 0; i < 3; ++i) EXPECT_EQ(master.Word(i), group * 1000 + 109 + i);
    };
    for (const Row& row : rows) {
      SCOPED_TRACE(row.command);
      ASSERT_EQ(drive.Command(row.command).substr(0, 2), "OK");
      readBlock(1, modbusTcp ? row.modbusTcp : row.rtuOverTcp, row.timeoutMs);
      readBlock(2, 0, 500);
      EXPECT_EQ(master.Problem(), "");
    }
    // Node 1 behind the same listener is another drive; nobody answers at node 9.
    EXPECT_EQ(master.Read(df::ParameterAddress(1, 9), 3, 500, 1), 0);
    EXPECT_NE(master.Word(0), 1109);
    EXPECT_EQ(master.Read(1, 3, 200, 9), -1);
  }
}

// A drop tells why in words; while the listener is gone each transaction fails at once with
// the reason, and the first one after it is back connects again.
TEST(DriveBehindListener, LostConnectionIsToldAndMadeAgain) {
  VdriveProcess drive;
  ASSERT_TRUE(drive.Start(ListenArgs("mbtcp", {})));
  const std::string endpoint = drive.Device();
  NetMaster master(endpoint);
  ASSERT_TRUE(master.Opened());
  ASSERT_EQ(drive.Command("drop"), "OK planned drop x1");
  EXPECT_EQ(master.Read(1, 3), -3);
  EXPECT_NE(master.Problem().find("closed by the other end"), std::string::npos)
      << master.Problem();
  const std::string port = endpoint.substr(endpoint.rfind(':') + 1);
  drive.Stop();
  EXPECT_EQ(master.Read(1, 3), -5);
  EXPECT_NE(master.Problem().find("refused"), std::string::npos) << master.Problem();
  VdriveProcess again;
  ASSERT_TRUE(again.Start(
      {"--database", "/nonexistent/VM.vmd", "--no-map", "--listen", "mbtcp:127.0.0.1:" + port}));
  EXPECT_EQ(master.Read(1, 3), 0);
  EXPECT_EQ(master.Word(0), 2001);
  EXPECT_EQ(master.Problem(), "");
}

TEST(DriveBehindListener, ConnectFailuresAreToldInWords) {
  const portwright::NetworkEndpoint at{portwright::NetworkEndpoint::Kind::ModbusTcp, "10.1.2.3",
                                       502};
  struct Row {
    std::string target;
    std::string words;
  };
  const Row rows[] = {
      {"mbtcp://127.0.0.1:1", "127.0.0.1:1 refused the connection"},
      {"tcp://nosuch.invalid:4001", "the name nosuch.invalid is not known"},
      {"mbtcp://127.0.0.1", "is not a network endpoint"},
      {"tcp://127.0.0.1:70000", "is not a network endpoint"},
  };
  for (const Row& row : rows) {
    NetMaster master(row.target);
    EXPECT_FALSE(master.Opened()) << row.target;
    EXPECT_NE(master.OpenProblem().find(row.words), std::string::npos) << master.OpenProblem();
  }
  EXPECT_NE(
      portwright::ConnectProblem(at, 0, 3000).find("10.1.2.3:502 did not answer within 3000 ms"),
      std::string::npos)
      << portwright::ConnectProblem(at, 0, 3000);
  EXPECT_NE(portwright::ConnectProblem(at, ENETUNREACH, 3000).find("unreachable"),
            std::string::npos);
}

// Independent masters at the gateway: mbpoll and libmodbus, each on its own connection, at two
// nodes behind the one listener.
TEST(DriveBehindListener, MbpollAndLibmodbusReadAndWriteOverModbusTcp) {
  VdriveProcess drive;
  ASSERT_TRUE(drive.Start(ListenArgs("mbtcp", {"--nodes", "1,4", "--no-pacing"})));
  const std::string endpoint = drive.Device();
  const std::string host = "127.0.0.1";
  const int port = std::stoi(endpoint.substr(endpoint.rfind(':') + 1));
  const std::string mbpoll = "mbpoll -m tcp -p " + std::to_string(port) + " -0 -1 -o 1 -a 4 -t 4 ";
  std::string out = vdtest::Shell(mbpoll + "-r 0 -c 3 " + host);
  EXPECT_NE(out.find("[0]: \t2001"), std::string::npos) << out;
  out = vdtest::Shell(mbpoll + "-r 290 " + host + " 450");
  EXPECT_NE(out.find("Written 1 references"), std::string::npos) << out;
  ASSERT_EQ(drive.Command("node 4"), "OK node 4");
  EXPECT_EQ(drive.Command("get P1.34"), "OK 450");

  std::unique_ptr<modbus_t, void (*)(modbus_t*)> ctx(modbus_new_tcp(host.c_str(), port),
                                                     modbus_free);
  ASSERT_TRUE(ctx);
  modbus_set_response_timeout(ctx.get(), 0, 500000);
  ASSERT_EQ(modbus_connect(ctx.get()), 0);
  modbus_set_slave(ctx.get(), 4);
  uint16_t words[3] = {};
  const uint16_t values[2] = {451, 452};
  ASSERT_EQ(modbus_write_registers(ctx.get(), 290, 2, values), 2);
  ASSERT_EQ(modbus_read_registers(ctx.get(), 290, 3, words), 3);
  EXPECT_EQ(words[1], 452);
  EXPECT_EQ(modbus_read_registers(ctx.get(), 7 * 256, 1, words), -1);
  EXPECT_EQ(errno, EMBXILADD);
  modbus_set_slave(ctx.get(), 1);
  ASSERT_EQ(modbus_read_registers(ctx.get(), 290, 1, words), 1);
  EXPECT_NE(words[0], 451);  // another drive
  modbus_set_slave(ctx.get(), 9);
  EXPECT_EQ(modbus_read_registers(ctx.get(), 0, 1, words), -1);
  EXPECT_EQ(errno, ETIMEDOUT);
  modbus_close(ctx.get());
}

#ifdef PORTWRIGHT_CLI
// The tool reaches a gateway through the port map as through a COM port, lists the entry as a
// network one, and tells a lost connection and a refused one in words.
TEST(DriveBehindListener, PortwrightCliThroughTheMapAndDirectly) {
  VdriveProcess drive;
  ASSERT_TRUE(drive.Start(ListenArgs("mbtcp", {"--nodes", "1,5"})));
  const std::string cli = std::string(PORTWRIGHT_CLI) + " ";
  EXPECT_EQ(vdtest::Shell(cli + "map COM6 " + drive.Device()), "");
  EXPECT_NE(vdtest::Shell(cli + "ports")
                .find("COM6\t" + drive.Device() + "\t(Modbus TCP; line settings are not used)"),
            std::string::npos);
  const std::string com6 = cli + "--port COM6 --node 5 --timeout 500 ";
  EXPECT_EQ(vdtest::Shell(com6 + "SetMultipleReg 291 2 450 460"), "");
  ASSERT_EQ(drive.Command("node 5"), "OK node 5");
  EXPECT_EQ(drive.Command("get P1.34 2"), "OK 450 460");
  EXPECT_EQ(vdtest::Shell(cli + "--port " + drive.Device() + " --node 5 ReadHoldingReg 292 1"),
            "460\n");
  EXPECT_EQ(drive.Command("drop"), "OK planned drop x1");
  EXPECT_NE(vdtest::Shell(com6 + "ReadHoldingReg 1 1")
                .find("result -3 (reading from the port "
                      "failed): the connection to 127.0.0.1"),
            std::string::npos);
  EXPECT_NE(vdtest::Shell(cli + "map COM7 tcp://nohost").find("is not a network endpoint"),
            std::string::npos);
  drive.Stop();
  EXPECT_NE(vdtest::Shell(com6 + "ReadHoldingReg 1 1")
                .find("Failed to Open COM Port: 127.0.0.1:" +
                      drive.Device().substr(drive.Device().rfind(':') + 1) + " refused"),
            std::string::npos);
}
#endif

}  // namespace
