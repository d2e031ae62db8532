// The virtual drive behind a listener on the loopback interface: one or several drives (nodes)
// behind one TCP port, as behind a serial device server (RTU or ASCII frames carried over TCP
// unchanged) or a Modbus gateway (Modbus TCP: MBAP header, unit identifier = node). Requests
// are served one at a time in the order they came, as on the one serial bus behind a gateway:
// each reply leaves whole once the bus is through with it (paced: request and reply at the
// line's baud rate plus the drive's turnaround) and the gateway's forward delay has passed.
// One thread, one poll(2) loop over the listener, its connections and the control channels.
#pragma once

#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "control_channel.h"
#include "control_clients.h"
#include "fault_plan.h"
#include "modbus_slave.h"
#include "pty_server.h"
#include "virtual_drive.h"

namespace vdrive {

struct ListenOptions {
  bool modbusTcp = false;  // false: the serial framing over TCP
  std::string address = "127.0.0.1";
  int port = 0;  // 0: any free port
  std::vector<int> nodes{1};
  int gatewayDelayMs = 0;  // forward delay of each reply
};

// "tcp:127.0.0.1:5020" or "mbtcp:127.0.0.1:0"; only loopback addresses are taken. False with
// a message otherwise.
bool ParseListenText(const std::string& text, ListenOptions& listen, std::string& error);
// "1-3,7" -> 1, 2, 3, 7; false for anything outside 1..247 or malformed.
bool ParseNodeList(const std::string& text, std::vector<int>& nodes);

class NetServer : public ControlTarget {
 public:
  NetServer(const DriveConfig& config, ServerOptions options, ListenOptions listen);
  ~NetServer() override;
  NetServer(const NetServer&) = delete;
  NetServer& operator=(const NetServer&) = delete;

  // Listens and opens the control channels; false with a message on failure.
  bool Open(std::string& error);
  // Serves until Quit, stdin EOF (with control on stdin) or RequestStop.
  void Run();
  // Async-signal-safe: ends Run from a signal handler or another thread.
  void RequestStop();
  // "tcp://127.0.0.1:40123", "mbtcp://127.0.0.1:40123" (the port really listened on).
  std::string Endpoint() const;

  // ControlTarget: the commands act on the node chosen with `node` (the first one at start).
  VirtualDrive& Drive() override { return *nodes_[selected_].drive; }
  FaultPlan& Faults() override { return nodes_[selected_].faults; }
  void PowerCycle(int offMs) override;
  void Quit() override { quit_ = true; }
  void SetHalfDuplex(bool) override {}  // no shared line between the client and the listener
  std::string DevicePath() const override { return Endpoint(); }
  std::string SelectNode(int node) override;

 private:
  using Clock = std::chrono::steady_clock;
  struct Node {
    int address;
    std::unique_ptr<VirtualDrive> drive;
    FaultPlan faults;
    bool poweredOff = false;
    Clock::time_point poweredOffUntil{};
  };
  struct Connection {
    int id;
    int fd;
    Bytes modbusTcp;  // Modbus TCP: bytes of a frame not yet complete
    RequestAssembler assembler;
    Clock::time_point lastByte{};
  };
  struct Outgoing {
    int connection;
    Bytes bytes;
    Clock::time_point due;
    bool close = false;  // the connection ends here instead (fault "drop")
  };

  Node* NodeAt(int address);
  void Accept();
  void ReadFrom(Connection& connection, Clock::time_point now);
  void TakeModbusTcpFrames(Connection& connection, Clock::time_point now);
  void TakeSerialFrames(Connection& connection, Clock::time_point now);
  void Answer(Connection& connection, const Request& request, uint16_t transactionId,
              size_t requestLength, Clock::time_point now);
  // When the bus behind the listener is through with a request and its reply.
  Clock::time_point BusDone(Node& node, size_t requestBytes, size_t replyBytes,
                            Clock::time_point now);
  Bytes Frame(uint8_t node, const Bytes& pdu, uint16_t transactionId) const;
  void Queue(Outgoing outgoing);
  void CloseConnection(int id);
  void SendDue(Clock::time_point now);
  void RunClocks(Clock::time_point now);
  Clock::time_point NextDeadline(Clock::time_point now) const;
  void Log(const char* format, ...) const;

  ServerOptions options_;
  ListenOptions listen_;
  std::vector<Node> nodes_;
  size_t selected_ = 0;
  ControlClients control_;
  int listenFd_ = -1;
  int wake_[2] = {-1, -1};
  int nextConnection_ = 1;
  std::vector<Connection> connections_;
  std::deque<Outgoing> outgoing_;  // in the order due
  Clock::time_point busFree_{};
  Clock::time_point clockStart_;
  long long samplesTaken_ = 0;
  bool quit_ = false;
};

}  // namespace vdrive
