#include "link.h"

#include <algorithm>

#include "modbus_tcp.h"
#include "portwright/endpoint.h"
#include "serial_port.h"
#include "tcp_port.h"

namespace portwright {

namespace {

class SerialLink : public Link {
 public:
  bool Open(const std::string& device, const std::string& settings) {
    return port_.Open(device, settings);
  }
  int16_t Transact(TransactionRecord& record, enumPLCMode mode, int16_t msgTimeOut,
                   int16_t& resultCode, FrameObserver* observer) override {
    return RunTransaction(record, mode, port_, msgTimeOut, resultCode, buffer_, observer);
  }
  void Close() override { port_.Close(); }

 private:
  SerialPort port_;
  ReceiveBuffer buffer_;
};

// Both kinds of network endpoint: the connection, made again when it was lost, and the
// exchange of the endpoint's kind over it.
class NetworkLink : public Link {
 public:
  explicit NetworkLink(const NetworkEndpoint& endpoint) : port_(endpoint) {}

  bool Open(const std::function<bool()>& keepWaiting) {
    return port_.Connect(kConnectTimeOutMs, keepWaiting);
  }

  int16_t Transact(TransactionRecord& record, enumPLCMode mode, int16_t msgTimeOut,
                   int16_t& resultCode, FrameObserver* observer) override {
    if (!port_.Alive() && !Reconnect(msgTimeOut)) {
      resultCode = kResultWriteFailed;  // nothing could be sent
      if (observer) observer->Reply(nullptr, 0, resultCode);
      return resultCode;
    }
    port_.ClearProblem();  // the connection works: an earlier failure is over
    if (port_.Endpoint().kind == NetworkEndpoint::Kind::RtuOverTcp)
      return RunTransaction(record, mode, port_, msgTimeOut, resultCode, buffer_, observer);
    RunModbusTcpTransaction(record, port_, msgTimeOut, resultCode, stream_, observer);
    if (stream_.broken)
      port_.Drop("the reply from " + EndpointAddress(port_.Endpoint()) +
                 " was not a Modbus TCP frame: the connection is made afresh");
    return resultCode;
  }

  void Close() override { port_.Close(); }
  std::string Problem() const override { return port_.Problem(); }

 private:
  bool Reconnect(int16_t msgTimeOut) {
    const std::string lost = port_.Problem();
    const int limit = std::clamp<int>(msgTimeOut, kReconnectLeastMs, kReconnectMostMs);
    stream_.Reset();  // a new connection starts a new stream; the line's memory stays
    if (port_.Connect(limit)) return true;
    if (!lost.empty()) port_.Drop(lost + "; connecting again: " + port_.Problem());
    return false;
  }

  TcpPort port_;
  ReceiveBuffer buffer_;
  ModbusTcpStream stream_;
};

}  // namespace

std::unique_ptr<Link> OpenLink(const std::string& target, const std::string& settings,
                               const std::function<bool()>& keepWaiting, std::string& problem) {
  problem.clear();
  if (IsNetworkTarget(target)) {
    const auto endpoint = ParseEndpoint(target);
    if (!endpoint) {
      problem = target + " is not a network endpoint: write tcp://HOST:PORT or mbtcp://HOST:PORT";
      return nullptr;
    }
    auto link = std::make_unique<NetworkLink>(*endpoint);
    if (link->Open(keepWaiting)) return link;
    problem = link->Problem();
    return nullptr;
  }
  auto link = std::make_unique<SerialLink>();
  if (!link->Open(target, settings)) return nullptr;
  return link;
}

}  // namespace portwright
