// The control channels of a running drive: stdin (unless switched off) and a Unix stream socket
// with its clients; one command per line, one reply line each. Shared by the pseudo-terminal
// server and the network listener: each adds the channels to its own poll(2) set.
#pragma once

#include <poll.h>

#include <chrono>
#include <cstdarg>
#include <string>
#include <vector>

#include "control_channel.h"

namespace vdrive {

// Writes one "vdrive: " line to stderr.
void VLogLine(const char* format, va_list args);
// Waits on the poll set for at most wait (none when it is negative); false when interrupted.
bool PollFor(std::vector<pollfd>& fds, std::chrono::steady_clock::duration wait);

class ControlClients {
 public:
  ControlClients(bool onStdin, std::string socketPath)
      : stdinOpen_(onStdin), socketPath_(std::move(socketPath)) {}
  ~ControlClients();
  ControlClients(const ControlClients&) = delete;
  ControlClients& operator=(const ControlClients&) = delete;

  // Makes stdin non-blocking and creates the socket; false with a message on failure.
  bool Open(std::string& error);
  // Appends the descriptors to wait on to the poll set.
  void AddTo(std::vector<pollfd>& fds);
  // Serves the commands that came on the descriptors AddTo appended; false once stdin has
  // ended (which ends the drive).
  bool Serve(const std::vector<pollfd>& fds, ControlTarget& target);

 private:
  struct Client {
    int fd;
    std::string pending;
  };
  // Reads what came and answers every whole line; closed when the other end has gone.
  void ServeOne(int fd, std::string& pending, bool& closed, ControlTarget& target);

  bool stdinOpen_;
  std::string socketPath_;
  int listen_ = -1;
  std::string stdinPending_;
  std::vector<Client> clients_;
  size_t first_ = 0;  // where AddTo put the channels in the poll set
};

// Writes everything, retrying interrupted writes; bytes nobody takes are lost, as on a line.
void WriteAll(int fd, const void* data, size_t length);

}  // namespace vdrive
