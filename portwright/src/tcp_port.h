// A TCP connection to a network endpoint as a byte port: a serial device server's stream for
// RTU or ASCII over TCP, and the stream a Modbus TCP exchange reads its frames from. Connecting
// has a time-out and tells why it failed in words; a connection the other end closed or reset
// is noticed, so that the link can make it again at the next transaction. No Qt, no threads.
#pragma once

#include <functional>
#include <string>

#include "portwright/endpoint.h"
#include "transaction.h"

namespace portwright {

class TcpPort : public BytePort {
 public:
  // Asked about every 10 ms while a connection is being made; false gives up at once.
  using KeepWaiting = std::function<bool()>;

  explicit TcpPort(NetworkEndpoint endpoint) : endpoint_(std::move(endpoint)) {}
  ~TcpPort() override;
  TcpPort(const TcpPort&) = delete;
  TcpPort& operator=(const TcpPort&) = delete;

  // Connects within timeoutMs; false with Problem() telling why (name not known, refused,
  // unreachable, no answer within the time).
  bool Connect(int timeoutMs, const KeepWaiting& keepWaiting = {});
  void Close();
  // Connected, and not closed or reset by the other end as far as this end knows.
  bool Alive();
  // Why the connection failed last; empty while it works.
  const std::string& Problem() const { return problem_; }
  void ClearProblem() { problem_.clear(); }
  // Ends the connection with a reason (a reply stream that cannot be trusted any more).
  void Drop(const std::string& reason);
  const NetworkEndpoint& Endpoint() const { return endpoint_; }

  // BytePort. Purge drops what is waiting (a socket has no queue to flush). BytesWaiting
  // fails once the other end has gone and everything it sent has been read.
  void Purge() override;
  bool BytesWaiting(size_t& count) override;
  bool Write(const uint8_t* data, size_t length) override;
  bool Read(uint8_t* data, size_t wanted, size_t& got) override;
  void WaitForInput(uint32_t timeoutUs) override;
  uint64_t TickUs() override;
  // No serial line here: the gap is the short one of a fast line, whatever the settings say.
  LineTiming Timing() const override { return {0, 10}; }

 private:
  bool Fail(const std::string& problem);
  void NotePeerGone(int error);

  NetworkEndpoint endpoint_;
  int fd_ = -1;
  bool peerGone_ = false;  // end of stream or reset seen; bytes may still be waiting
  std::string problem_;
};

// The words for a failed connect, by the errno of the attempt (0: no answer within timeoutMs).
std::string ConnectProblem(const NetworkEndpoint& endpoint, int error, int timeoutMs);

}  // namespace portwright
