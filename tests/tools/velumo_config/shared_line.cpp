#include "shared_line.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>

namespace vctest {
namespace {

bool MakeRaw(int fd) {
  termios settings{};
  if (tcgetattr(fd, &settings) != 0) return false;
  cfmakeraw(&settings);
  return tcsetattr(fd, TCSANOW, &settings) == 0;
}

void WriteAll(int fd, const char* bytes, ssize_t length) {
  while (length > 0) {
    const ssize_t n = write(fd, bytes, static_cast<size_t>(length));
    if (n <= 0) return;
    bytes += n;
    length -= n;
  }
}

}  // namespace

SharedLine::~SharedLine() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  for (int fd : drives_) close(fd);
  if (keepOpen_ >= 0) close(keepOpen_);
  if (master_ >= 0) close(master_);
}

bool SharedLine::Start(const std::vector<std::string>& driveDevices) {
  for (const std::string& device : driveDevices) {
    const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0 || !MakeRaw(fd)) return false;
    drives_.push_back(fd);
  }
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return false;
  device_ = ptsname(master_);
  keepOpen_ = open(device_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (keepOpen_ < 0 || !MakeRaw(keepOpen_)) return false;
  thread_ = std::thread([this] { Relay(); });
  return true;
}

void SharedLine::Relay() {
  std::vector<pollfd> fds{{master_, POLLIN, 0}};
  for (int fd : drives_) fds.push_back({fd, POLLIN, 0});
  char buffer[512];
  while (!stop_) {
    if (poll(fds.data(), fds.size(), 20) <= 0) continue;
    if (fds[0].revents & POLLIN) {
      const ssize_t n = read(master_, buffer, sizeof buffer);
      if (n > 0)
        for (int fd : drives_) WriteAll(fd, buffer, n);
    }
    for (size_t i = 1; i < fds.size(); ++i) {
      if (!(fds[i].revents & POLLIN)) continue;
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) WriteAll(master_, buffer, n);
    }
  }
}

}  // namespace vctest
