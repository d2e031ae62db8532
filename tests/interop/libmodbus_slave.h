// An independent Modbus slave made with libmodbus: in RTU on one end of a pseudo-terminal
// pair, or in Modbus TCP on a free loopback port (one client at a time); the master under test
// opens devicePath(). The register maps can be preset and dumped while the slave runs.
#pragma once

#include <modbus/modbus.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace interop {

// A pseudo-terminal pair in raw mode. The far (slave-side) descriptor stays open for the
// pair's life, so the near side never reads EIO while the master under test reopens.
class PtyPair {
 public:
  PtyPair();
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;
  int masterFd() const { return master_; }
  const std::string& devicePath() const { return path_; }

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string path_;
};

class LibmodbusSlave {
 public:
  // Each map holds this many entries from address 0; a request beyond gets exception 2.
  static constexpr int kMapSize = 1024;

  enum class Transport { Rtu, ModbusTcp };
  explicit LibmodbusSlave(int node, Transport transport = Transport::Rtu);
  ~LibmodbusSlave();
  LibmodbusSlave(const LibmodbusSlave&) = delete;
  LibmodbusSlave& operator=(const LibmodbusSlave&) = delete;

  // The pty's device, or "mbtcp://127.0.0.1:PORT".
  const std::string& devicePath() const {
    return endpoint_.empty() ? pty_.devicePath() : endpoint_;
  }

  // Wire addresses (0-based).
  void SetHolding(int address, const std::vector<uint16_t>& values);
  std::vector<uint16_t> Holding(int address, int count);
  void SetInputRegisters(int address, const std::vector<uint16_t>& values);
  void SetCoils(int address, const std::vector<uint8_t>& values);
  std::vector<uint8_t> Coils(int address, int count);
  void SetDiscreteInputs(int address, const std::vector<uint8_t>& values);
  int RequestsAnswered() const { return answered_.load(); }

 private:
  void Serve();
  void ServeTcp();
  // Answers one request waiting on the context's socket; false when the connection ended.
  bool AnswerOne(uint8_t* query);

  PtyPair pty_;
  std::string endpoint_;
  int listen_ = -1;
  modbus_t* context_ = nullptr;
  modbus_mapping_t* mapping_ = nullptr;
  std::mutex mapLock_;
  int stopPipe_[2] = {-1, -1};
  std::atomic<int> answered_{0};
  std::thread thread_;
};

}  // namespace interop
