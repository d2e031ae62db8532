#include "port_claim.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <map>

#include "portwright/port_map.h"
#include "portwright/store.h"

namespace vdrive {

namespace {

constexpr int kMaxCom = 256;

struct Record {
  long pid = 0;
  std::string device;
  std::string previous;  // empty: COMn had no mapping
};

std::string StoreFolder() {
  const std::string store = portwright::StorePath();
  return store.substr(0, store.rfind('/'));
}

std::string RecordPath(int com) {
  return StoreFolder() + "/vdrive-COM" + std::to_string(com) + ".restore";
}

bool ReadRecord(const std::string& path, Record& record) {
  std::ifstream in(path);
  std::map<std::string, std::string> fields;
  for (std::string line; std::getline(in, line);) {
    const size_t eq = line.find('=');
    if (eq != std::string::npos) fields[line.substr(0, eq)] = line.substr(eq + 1);
  }
  if (!fields.count("pid") || fields["device"].empty()) return false;
  record.pid = std::atol(fields["pid"].c_str());
  record.device = fields["device"];
  record.previous = fields["previous"];
  return true;
}

bool WriteRecord(const std::string& path, const Record& record) {
  std::error_code ignored;
  std::filesystem::create_directories(StoreFolder(), ignored);
  const std::string temporary = path + ".new";
  {
    std::ofstream out(temporary, std::ios::trunc);
    out << "pid=" << record.pid << "\ndevice=" << record.device << "\nprevious=" << record.previous
        << "\n";
    if (!out.flush()) return false;
  }
  return std::rename(temporary.c_str(), path.c_str()) == 0;
}

bool Running(long pid) {
  return pid > 0 && (kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

// The previous mapping goes back only while COMn still names the drive's device.
bool Restore(int com, const Record& record) {
  if (portwright::ResolveComPort(com) != record.device) return false;
  if (record.previous.empty())
    portwright::UnmapComPort(com);
  else
    portwright::MapComPort(com, record.previous);
  return true;
}

bool HeldByRunningDrive(int com) {
  Record record;
  return ReadRecord(RecordPath(com), record) && record.pid != getpid() && Running(record.pid);
}

}  // namespace

void PortClaim::RecoverAbandoned() {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(StoreFolder(), error)) {
    const std::string name = entry.path().filename().string();
    int com = 0;
    if (std::sscanf(name.c_str(), "vdrive-COM%d", &com) != 1 ||
        name != "vdrive-COM" + std::to_string(com) + ".restore")
      continue;
    Record record;
    const bool readable = ReadRecord(entry.path().string(), record);
    if (readable && Running(record.pid)) continue;
    try {
      if (readable && Restore(com, record))
        std::fprintf(stderr, "vdrive: COM%d put back as it was before an earlier drive ended\n",
                     com);
      std::remove(entry.path().c_str());
    } catch (const std::exception& e) {
      std::fprintf(stderr, "vdrive: cannot put back COM%d: %s\n", com, e.what());
    }
  }
}

int PortClaim::FreeComNumber() {
  const auto mapped = portwright::ListPortMap();
  for (int com = 1; com <= kMaxCom; ++com)
    if (!mapped.count(com) && !HeldByRunningDrive(com)) return com;
  return 0;
}

bool PortClaim::Claim(int com, const std::string& device, std::string& error) {
  if (HeldByRunningDrive(com)) {
    error = "COM" + std::to_string(com) + " is held by another running virtual drive";
    return false;
  }
  try {
    const auto mapped = portwright::ListPortMap();
    const auto it = mapped.find(com);
    const Record record{getpid(), device, it == mapped.end() ? "" : it->second};
    // The record goes first: a crash after mapping always leaves it behind.
    if (!WriteRecord(RecordPath(com), record)) {
      error = "cannot write " + RecordPath(com);
      return false;
    }
    portwright::MapComPort(com, device);
  } catch (const std::exception& e) {
    error = std::string("cannot map COM") + std::to_string(com) + ": " + e.what();
    return false;
  }
  com_ = com;
  device_ = device;
  return true;
}

void PortClaim::Release() {
  if (com_ == 0) return;
  const std::string path = RecordPath(com_);
  Record record;
  try {
    if (ReadRecord(path, record) && record.device == device_) Restore(com_, record);
    std::remove(path.c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vdrive: cannot put back COM%d: %s\n", com_, e.what());
  }
  com_ = 0;
}

}  // namespace vdrive
