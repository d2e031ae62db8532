// The control and portwright-cli against a pymodbus TCP slave on a loopback port, framed as
// Modbus TCP (its socket framer) and as RTU over TCP (its RTU framer).
#include <gtest/gtest.h>

#include "hosted_control.h"
#include "pymodbus_peer.h"

namespace interop {
namespace {

using namespace portwright;
using Words = std::vector<uint16_t>;

constexpr int kNode = 3;

class TcpAgainstPymodbus : public ::testing::TestWithParam<const char*> {};

INSTANTIATE_TEST_SUITE_P(Framers, TcpAgainstPymodbus, ::testing::Values("socket", "rtu"),
                         [](const auto& info) { return std::string(info.param); });

TEST_P(TcpAgainstPymodbus, ControlAndCliReadAndWrite) {
  PymodbusPeer peer(kNode, GetParam());
  ASSERT_TRUE(peer.ready()) << peer.failure().toStdString();
  RegisterComponent();
  {
    HostedControl control;
    control.Open(peer.devicePath().toStdString(), RTU);
    control.Load(kNode, ReadHoldingReg, Integer, 1, 3);
    ASSERT_EQ(control.Transact(), 0);
    EXPECT_EQ(control.Words(3), (Words{100, 0xFFFF, 0x1234}));
    control.Load(kNode, SetMultipleReg, Integer, 31, 3, {1, 0x8000, 3});
    ASSERT_EQ(control.Transact(), 0);
    EXPECT_EQ(peer.NextWrite(), "W 16 30 1 32768 3");
    control.Load(kNode, ReadHoldingReg, Integer, 2001, 1);
    EXPECT_EQ(control.Transact(), 2);
  }
  const QStringList port{"--port", peer.devicePath(), "--node", QString::number(kNode)};
  CliRun run = RunCli(port + QStringList{"ReadHoldingReg", "4", "1", "--type", "Long"});
  EXPECT_EQ(run.outLines(), QStringList{"12345678"}) << run.err.toStdString();
  ASSERT_EQ(RunCli(port + QStringList{"SetSingleReg", "62", "1", "0xFFFF"}).exitCode, 0);
  EXPECT_EQ(peer.NextWrite(), "W 6 61 65535");
}

}  // namespace
}  // namespace interop
