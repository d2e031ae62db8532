#include "control_clients.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vdrive {

void VLogLine(const char* format, va_list args) {
  std::fputs("vdrive: ", stderr);
  std::vfprintf(stderr, format, args);
  std::fputc('\n', stderr);
}

bool PollFor(std::vector<pollfd>& fds, std::chrono::steady_clock::duration wait) {
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                      std::max(wait, std::chrono::steady_clock::duration::zero()))
                      .count();
  const timespec timeout{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
  return ppoll(fds.data(), fds.size(), &timeout, nullptr) >= 0;
}

void WriteAll(int fd, const void* data, size_t length) {
  const char* bytes = static_cast<const char*>(data);
  while (length > 0) {
    const ssize_t n = write(fd, bytes, length);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // nobody reads (a full buffer): the bytes are lost
    bytes += n;
    length -= static_cast<size_t>(n);
  }
}

ControlClients::~ControlClients() {
  for (const Client& client : clients_) close(client.fd);
  if (listen_ >= 0) {
    close(listen_);
    unlink(socketPath_.c_str());
  }
}

bool ControlClients::Open(std::string& error) {
  if (!socketPath_.empty()) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath_.size() >= sizeof address.sun_path) {
      error = "control socket path too long";
      return false;
    }
    std::strcpy(address.sun_path, socketPath_.c_str());
    unlink(address.sun_path);
    listen_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listen_ < 0 || bind(listen_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listen_, 4) != 0) {
      error = "cannot listen on " + socketPath_ + ": " + std::strerror(errno);
      return false;
    }
  }
  if (stdinOpen_) fcntl(STDIN_FILENO, F_SETFL, fcntl(STDIN_FILENO, F_GETFL) | O_NONBLOCK);
  return true;
}

void ControlClients::AddTo(std::vector<pollfd>& fds) {
  first_ = fds.size();
  if (stdinOpen_) fds.push_back({STDIN_FILENO, POLLIN, 0});
  if (listen_ >= 0) fds.push_back({listen_, POLLIN, 0});
  for (const Client& client : clients_) fds.push_back({client.fd, POLLIN, 0});
}

bool ControlClients::Serve(const std::vector<pollfd>& fds, ControlTarget& target) {
  constexpr short kReadable = POLLIN | POLLHUP | POLLERR;
  size_t next = first_;
  bool stdinEnded = false;
  if (stdinOpen_) {
    if (fds[next].revents & kReadable) {
      ServeOne(STDIN_FILENO, stdinPending_, stdinEnded, target);
      if (stdinEnded) stdinOpen_ = false;
    }
    ++next;
  }
  bool accept = false;
  if (listen_ >= 0) accept = fds[next++].revents & POLLIN;
  for (size_t c = 0; c < clients_.size() && next < fds.size(); ++c, ++next) {
    if (!(fds[next].revents & kReadable)) continue;
    bool closed = false;
    ServeOne(clients_[c].fd, clients_[c].pending, closed, target);
    if (closed) {
      close(clients_[c].fd);
      clients_[c].fd = -1;
    }
  }
  std::erase_if(clients_, [](const Client& client) { return client.fd < 0; });
  if (accept) {
    const int fd = accept4(listen_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd >= 0) clients_.push_back({fd, {}});
  }
  return !stdinEnded;
}

void ControlClients::ServeOne(int fd, std::string& pending, bool& closed, ControlTarget& target) {
  char buffer[1024];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
      closed = true;
      break;
    }
    if (n < 0) break;
    pending.append(buffer, static_cast<size_t>(n));
  }
  const int replyFd = fd == STDIN_FILENO ? STDOUT_FILENO : fd;
  for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
    std::string line = pending.substr(0, end);
    pending.erase(0, end + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    const std::string reply = RunControlCommand(line, target) + "\n";
    WriteAll(replyFd, reply.data(), reply.size());
  }
}

}  // namespace vdrive
