#include "tcp_port.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace portwright {

namespace {

constexpr int kWriteStallMs = 5000;  // a connection that takes no byte for this long has failed
constexpr int kWaitSliceMs = 10;

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

std::string LookupProblem(const NetworkEndpoint& endpoint, int error) {
  switch (error) {
    case EAI_NONAME:
#ifdef EAI_NODATA
    case EAI_NODATA:
#endif
    case EAI_FAIL:
      return "the name " + endpoint.host + " is not known: no such host";
    case EAI_AGAIN:
      return "the name " + endpoint.host + " could not be looked up: no name server answered";
    default:
      return "the name " + endpoint.host + " could not be looked up: " + gai_strerror(error);
  }
}

// A non-blocking connect to one address; -1 with errno on an immediate failure.
int StartConnect(const addrinfo& address) {
  const int fd = socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                        address.ai_protocol);
  if (fd < 0) return -1;
  if (connect(fd, address.ai_addr, address.ai_addrlen) == 0 || errno == EINPROGRESS) return fd;
  const int error = errno;
  close(fd);
  errno = error;
  return -1;
}

// Waits for a connect in progress: 0 connected, an errno value, or -1 when the time ran out
// or the wait was given up.
int FinishConnect(int fd, Clock::time_point deadline, const TcpPort::KeepWaiting& keepWaiting) {
  for (;;) {
    const int left = RemainingMs(deadline);
    pollfd p{fd, POLLOUT, 0};
    const int ready = poll(&p, 1, keepWaiting ? std::min(left, kWaitSliceMs) : left);
    if (ready > 0) {
      int error = 0;
      socklen_t length = sizeof error;
      if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return errno;
      return error;
    }
    if (ready < 0 && errno != EINTR) return errno;
    if (left == 0) return -1;
    if (keepWaiting && !keepWaiting()) return -1;
  }
}

}  // namespace

std::string ConnectProblem(const NetworkEndpoint& endpoint, int error, int timeoutMs) {
  const std::string where = EndpointAddress(endpoint);
  switch (error) {
    case 0:
      return where + " did not answer within " + std::to_string(timeoutMs) +
             " ms: the gateway is switched off, or its address is wrong";
    case ECONNREFUSED:
      return where + " refused the connection: nothing listens on port " +
             std::to_string(endpoint.port) + " there";
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ENETDOWN:
    case EHOSTDOWN:
      return where + " is unreachable: this computer has no route to it";
    case ETIMEDOUT:
      return where + " did not answer: the gateway is switched off, or its address is wrong";
    default:
      return "cannot connect to " + where + ": " + std::strerror(error);
  }
}

TcpPort::~TcpPort() { Close(); }

bool TcpPort::Fail(const std::string& problem) {
  problem_ = problem;
  Close();
  return false;
}

bool TcpPort::Connect(int timeoutMs, const KeepWaiting& keepWaiting) {
  Close();
  problem_.clear();
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(endpoint_.port);
  if (const int error = getaddrinfo(endpoint_.host.c_str(), service.c_str(), &hints, &found))
    return Fail(LookupProblem(endpoint_, error));
  int lastError = 0;
  for (addrinfo* address = found; address && fd_ < 0; address = address->ai_next) {
    const int fd = StartConnect(*address);
    if (fd < 0) {
      lastError = errno;
      continue;
    }
    lastError = FinishConnect(fd, deadline, keepWaiting);
    if (lastError == 0)
      fd_ = fd;
    else
      close(fd);
    if (lastError == -1) break;  // out of time, or given up
  }
  freeaddrinfo(found);
  if (fd_ < 0) return Fail(ConnectProblem(endpoint_, lastError == -1 ? 0 : lastError, timeoutMs));
  const int on = 1;
  setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);  // a request is one small write
  peerGone_ = false;
  return true;
}

void TcpPort::Close() {
  if (fd_ < 0) return;
  close(fd_);
  fd_ = -1;
  peerGone_ = false;
}

void TcpPort::Drop(const std::string& reason) {
  problem_ = reason;
  Close();
}

void TcpPort::NotePeerGone(int error) {
  peerGone_ = true;
  const std::string where = EndpointAddress(endpoint_);
  problem_ = error == ECONNRESET || error == EPIPE
                 ? "the connection to " + where + " was reset by the other end"
             : error != 0 ? "the connection to " + where + " failed: " + std::strerror(error)
                          : "the connection to " + where + " was closed by the other end";
}

bool TcpPort::Alive() {
  if (fd_ < 0) return false;
  if (!peerGone_) {
    pollfd p{fd_, POLLRDHUP, 0};
    if (poll(&p, 1, 0) > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR))) {
      int error = 0;
      socklen_t length = sizeof error;
      getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length);
      NotePeerGone(error);
    }
  }
  return !peerGone_;
}

void TcpPort::Purge() {
  uint8_t discard[512];
  size_t waiting = 0, got = 0;
  while (BytesWaiting(waiting) && waiting > 0 && Read(discard, sizeof discard, got) && got > 0) {
  }
}

bool TcpPort::BytesWaiting(size_t& count) {
  count = 0;
  int waiting = 0;
  if (fd_ < 0 || ioctl(fd_, FIONREAD, &waiting) != 0 || waiting < 0) return false;
  count = static_cast<size_t>(waiting);
  return count > 0 || !peerGone_;
}

bool TcpPort::Write(const uint8_t* data, size_t length) {
  if (fd_ < 0) return false;
  while (length > 0) {
    const ssize_t sent = send(fd_, data, length, MSG_NOSIGNAL);
    if (sent > 0) {
      data += sent;
      length -= static_cast<size_t>(sent);
      continue;
    }
    if (sent < 0 && errno == EINTR) continue;
    if (sent < 0 && errno != EAGAIN) {
      NotePeerGone(errno);
      return false;
    }
    pollfd p{fd_, POLLOUT, 0};
    if (poll(&p, 1, kWriteStallMs) <= 0) {
      problem_ = "sending to " + EndpointAddress(endpoint_) + " stalled for " +
                 std::to_string(kWriteStallMs / 1000) + " s";
      return false;
    }
  }
  return true;
}

bool TcpPort::Read(uint8_t* data, size_t wanted, size_t& got) {
  got = 0;
  if (fd_ < 0) return false;
  for (;;) {
    const ssize_t n = recv(fd_, data, wanted, 0);
    if (n > 0) {
      got = static_cast<size_t>(n);
      return true;
    }
    if (n == 0) {
      NotePeerGone(0);
      return false;
    }
    if (errno == EINTR) continue;
    if (errno == EAGAIN) return true;  // nothing there after all
    NotePeerGone(errno);
    return false;
  }
}

// A hang-up is noted here, so that the next BytesWaiting reports it instead of the reply
// collector waiting out its time-out on a connection that is gone.
void TcpPort::WaitForInput(uint32_t timeoutUs) {
  if (fd_ < 0 || timeoutUs == 0 || peerGone_) return;
  pollfd p{fd_, POLLIN | POLLRDHUP, 0};
  const timespec timeout{static_cast<time_t>(timeoutUs / 1'000'000),
                         static_cast<long>(timeoutUs % 1'000'000) * 1000};
  if (ppoll(&p, 1, &timeout, nullptr) > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR))) {
    int error = 0;
    socklen_t length = sizeof error;
    getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length);
    NotePeerGone(error);
  }
}

uint64_t TcpPort::TickUs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint64_t>(now.tv_sec) * 1'000'000u +
         static_cast<uint64_t>(now.tv_nsec) / 1000u;
}

}  // namespace portwright
