// What the transactions of one open port go over: the serial line of a device, the serial
// framing carried over TCP to a device server, or Modbus TCP to a gateway. The CommThread
// runs every transaction through its link; a network link that lost its connection makes it
// again at the next transaction. No Qt, no threads.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "transaction.h"

namespace portwright {

class Link {
 public:
  virtual ~Link() = default;
  // One transaction (the result codes of RunTransaction); mode is the framing on a serial
  // line and over RTU over TCP, and does not apply to Modbus TCP.
  virtual int16_t Transact(TransactionRecord& record, enumPLCMode mode, int16_t msgTimeOut,
                           int16_t& resultCode, FrameObserver* observer) = 0;
  virtual void Close() = 0;
  // Why the network failed in the last transaction (or at opening); empty on a serial line
  // and while the connection works.
  virtual std::string Problem() const { return {}; }
};

// How long opening a network port waits for the connection.
constexpr int kConnectTimeOutMs = 3000;
// A connection lost between transactions is made again within the transaction's time-out,
// within these bounds.
constexpr int kReconnectLeastMs = 100;
constexpr int kReconnectMostMs = 3000;

// Opens what a port map entry names: a network endpoint (tcp://, mbtcp://), connected within
// kConnectTimeOutMs while keepWaiting is asked about every 10 ms (false gives up), or else a
// serial device with the settings text. Null on failure, with the reason in `problem` for a
// network endpoint (a serial device's reason is found by looking at the device).
std::unique_ptr<Link> OpenLink(const std::string& target, const std::string& settings,
                               const std::function<bool()>& keepWaiting, std::string& problem);

}  // namespace portwright
