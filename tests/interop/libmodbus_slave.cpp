#include "libmodbus_slave.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <stdexcept>

namespace interop {
namespace {

void MakeRaw(int fd) {
  termios tio{};
  if (tcgetattr(fd, &tio) == 0) {
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);
  }
}

}  // namespace

PtyPair::PtyPair() {
  master_ = posix_openpt(O_RDWR | O_NOCTTY);
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
    throw std::runtime_error("cannot create a pseudo-terminal");
  }
  char name[128];
  if (ptsname_r(master_, name, sizeof name) != 0) throw std::runtime_error("no pty name");
  path_ = name;
  slave_ = open(name, O_RDWR | O_NOCTTY);
  if (slave_ < 0) throw std::runtime_error("cannot open " + path_);
  MakeRaw(slave_);
  MakeRaw(master_);
}

PtyPair::~PtyPair() {
  if (slave_ >= 0) close(slave_);
  if (master_ >= 0) close(master_);
}

LibmodbusSlave::LibmodbusSlave(int node, Transport transport) {
  if (transport == Transport::ModbusTcp) {
    context_ = modbus_new_tcp("127.0.0.1", 0);
    mapping_ = modbus_mapping_new(kMapSize, kMapSize, kMapSize, kMapSize);
    if (!context_ || !mapping_ || pipe(stopPipe_) != 0 ||
        (listen_ = modbus_tcp_listen(context_, 1)) < 0)
      throw std::runtime_error("cannot set up the libmodbus TCP slave");
    sockaddr_in address{};
    socklen_t length = sizeof address;
    getsockname(listen_, reinterpret_cast<sockaddr*>(&address), &length);
    endpoint_ = "mbtcp://127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    modbus_set_slave(context_, node);
    thread_ = std::thread([this] { ServeTcp(); });
    return;
  }
  context_ = modbus_new_rtu(pty_.devicePath().c_str(), 19200, 'N', 8, 1);
  mapping_ = modbus_mapping_new(kMapSize, kMapSize, kMapSize, kMapSize);
  if (!context_ || !mapping_ || pipe(stopPipe_) != 0) {
    throw std::runtime_error("cannot set up the libmodbus slave");
  }
  modbus_set_slave(context_, node);
  // After a request for another node, libmodbus swallows the next frame as that node's
  // reply. No other node sits on this line: give up that wait quickly (see Serve).
  modbus_set_response_timeout(context_, 0, 50000);
  // Serve on the pty's master side directly: no relay process between the two ends.
  modbus_set_socket(context_, pty_.masterFd());
  thread_ = std::thread([this] { Serve(); });
}

LibmodbusSlave::~LibmodbusSlave() {
  if (write(stopPipe_[1], "x", 1) != 1) std::abort();
  thread_.join();
  close(stopPipe_[0]);
  close(stopPipe_[1]);
  if (listen_ >= 0) {
    close(listen_);
    modbus_close(context_);
  }
  modbus_set_socket(context_, -1);  // the pty pair closes its own descriptors
  modbus_free(context_);
  modbus_mapping_free(mapping_);
}

void LibmodbusSlave::Serve() {
  uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
  for (;;) {
    pollfd fds[2] = {{pty_.masterFd(), POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) continue;
    if (fds[1].revents != 0) return;
    if ((fds[0].revents & POLLIN) == 0) continue;
    // Frames for another node come back as 0 and get no reply; bad CRCs as -1.
    int length = modbus_receive(context_, query);
    if (length == 0) {
      // Let libmodbus wait out the other node's reply now, before our master's next request.
      modbus_receive(context_, query);
      continue;
    }
    if (length < 0) continue;
    std::lock_guard lock(mapLock_);
    if (modbus_reply(context_, query, length, mapping_) >= 0) ++answered_;
  }
}

void LibmodbusSlave::ServeTcp() {
  uint8_t query[MODBUS_TCP_MAX_ADU_LENGTH];
  for (int client = -1;;) {
    pollfd fds[2] = {{client >= 0 ? client : listen_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) continue;
    if (fds[1].revents != 0) return;
    if (fds[0].revents == 0) continue;
    if (client < 0) {
      client = modbus_tcp_accept(context_, &listen_);
      continue;
    }
    if (!AnswerOne(query)) {
      modbus_close(context_);
      client = -1;
    }
  }
}

bool LibmodbusSlave::AnswerOne(uint8_t* query) {
  const int length = modbus_receive(context_, query);
  if (length < 0) return false;  // closed, reset, or a frame libmodbus cannot read
  if (length == 0) return true;
  std::lock_guard lock(mapLock_);
  if (modbus_reply(context_, query, length, mapping_) >= 0) ++answered_;
  return true;
}

void LibmodbusSlave::SetHolding(int address, const std::vector<uint16_t>& values) {
  std::lock_guard lock(mapLock_);
  for (size_t i = 0; i < values.size(); ++i) mapping_->tab_registers[address + i] = values[i];
}

std::vector<uint16_t> LibmodbusSlave::Holding(int address, int count) {
  std::lock_guard lock(mapLock_);
  return {mapping_->tab_registers + address, mapping_->tab_registers + address + count};
}

void LibmodbusSlave::SetInputRegisters(int address, const std::vector<uint16_t>& values) {
  std::lock_guard lock(mapLock_);
  for (size_t i = 0; i < values.size(); ++i) {
    mapping_->tab_input_registers[address + i] = values[i];
  }
}

void LibmodbusSlave::SetCoils(int address, const std::vector<uint8_t>& values) {
  std::lock_guard lock(mapLock_);
  for (size_t i = 0; i < values.size(); ++i) mapping_->tab_bits[address + i] = values[i];
}

std::vector<uint8_t> LibmodbusSlave::Coils(int address, int count) {
  std::lock_guard lock(mapLock_);
  return {mapping_->tab_bits + address, mapping_->tab_bits + address + count};
}

void LibmodbusSlave::SetDiscreteInputs(int address, const std::vector<uint8_t>& values) {
  std::lock_guard lock(mapLock_);
  for (size_t i = 0; i < values.size(); ++i) mapping_->tab_input_bits[address + i] = values[i];
}

}  // namespace interop
