// Figures of the virtual drive, run against the built executable over its pseudo-terminal:
//  - reply latency, unpaced: time from the last request byte written to the first reply byte
//    read (median and 90th percentile of 1000 reads of 3 registers; target: median under 1 ms);
//  - sample clock, unpaced: samples per scope channel in 10 s, polled every 30 ms (target
//    1250 +- 1);
//  - paced line: time of a 36-register read (request written to last reply byte read) at 9600
//    and 19200 baud, RTU 8,O,1, against the line time computed from the characters.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "drive_facts.h"
#include "line_settings.h"
#include "modbus_slave.h"
#include "vdrive_process.h"

namespace {

using Clock = std::chrono::steady_clock;
using vdrive::Bytes;

double Micros(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

class Line {
 public:
  Line(const std::string& device, const vdrive::LineSettings& settings) {
    fd_ = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd_ >= 0) vdrive::ApplyRawLine(fd_, settings);
  }
  ~Line() {
    if (fd_ >= 0) close(fd_);
  }
  bool Ok() const { return fd_ >= 0; }

  // One RTU transaction; the reply bytes (empty on time-out). firstByte: time from the end of
  // the write to the first reply byte; whole: to the last.
  Bytes Transact(const Bytes& pdu, size_t replyLength, Clock::duration& firstByte,
                 Clock::duration* whole = nullptr) {
    const Bytes request = vdrive::EncodeFrame(vdrive::Framing::Rtu, 1, pdu);
    if (write(fd_, request.data(), request.size()) != static_cast<ssize_t>(request.size()))
      return {};
    const auto written = Clock::now();
    Bytes reply;
    while (reply.size() < replyLength) {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, 1000) <= 0) return {};
      uint8_t chunk[256];
      const ssize_t n = read(fd_, chunk, sizeof chunk);
      if (n <= 0) continue;
      if (reply.empty()) firstByte = Clock::now() - written;
      reply.insert(reply.end(), chunk, chunk + n);
    }
    if (whole) *whole = Clock::now() - written;
    return reply;
  }

 private:
  int fd_ = -1;
};

Bytes ReadPdu(int address, int count) {
  return {0x03, static_cast<uint8_t>((address - 1) >> 8), static_cast<uint8_t>(address - 1), 0,
          static_cast<uint8_t>(count)};
}
Bytes WritePdu(int address, int value) {
  return {0x06, static_cast<uint8_t>((address - 1) >> 8), static_cast<uint8_t>(address - 1),
          static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
}

void MeasureLatency(Line& line) {
  std::vector<double> micros;
  Clock::duration first{};
  for (int i = 0; i < 1000; ++i) {
    if (line.Transact(ReadPdu(1, 3), 11, first).size() != 11) {
      std::printf("latency: transaction %d failed\n", i);
      return;
    }
    micros.push_back(Micros(first));
  }
  std::sort(micros.begin(), micros.end());
  std::printf(
      "reply latency (1000 reads of 3 registers): median %.0f us, p90 %.0f us, "
      "max %.0f us (target: median < 1000 us)\n",
      micros[500], micros[900], micros.back());
}

void MeasureSampleClock(Line& line) {
  Clock::duration first{};
  line.Transact(WritePdu(drive_facts::kLogonParameterAddress, drive_facts::kLogonCode), 8, first);
  line.Transact(WritePdu(drive_facts::kLogonParameterAddress, drive_facts::kConfirmCode), 8, first);
  const size_t blockReply = 5 + 2 * 36;
  long totals[3] = {};
  int reads = 0, overflows = 0;
  const auto start = Clock::now();
  line.Transact(ReadPdu(1537, 36), blockReply, first);  // hands over what gathered so far
  const auto end = start + std::chrono::seconds(10);
  for (auto next = start + std::chrono::milliseconds(30);; next += std::chrono::milliseconds(30)) {
    const bool last = next >= end;
    std::this_thread::sleep_until(last ? end : next);
    const Bytes reply = line.Transact(ReadPdu(1537, 36), blockReply, first);
    if (reply.size() != blockReply) {
      std::printf("sample clock: block read failed\n");
      return;
    }
    ++reads;
    for (int c = 0; c < 3; ++c) {
      const int n = reply[3 + 24 * c + 2] << 8 | reply[3 + 24 * c + 3];
      totals[c] += n;
      overflows += n >= drive_facts::kScopeMaxSamples;
    }
    if (last) break;
  }
  std::printf(
      "sample clock (10 s, %d block reads every 30 ms): %ld / %ld / %ld samples per "
      "channel, %d full blocks (target 1250 +- 1)\n",
      reads, totals[0], totals[1], totals[2], overflows);
}

// Median time of 20 reads of 36 registers on a paced drive, and the line time they need: 8
// request and 77 reply characters of 11 bits (8,O,1), and the turnaround the drive takes (3 ms,
// or the 3.5 characters of RTU silence when longer).
void MeasurePacedLine(int baud) {
  const std::string settings = std::to_string(baud) + ",O,8,1";
  vdtest::VdriveProcess drive;
  if (!drive.Start({"--database", "/nonexistent/VM.vmd", "--no-map", "--mode", "rtu", "--settings",
                    settings})) {
    std::printf("paced line: cannot start the virtual drive at %s\n", settings.c_str());
    return;
  }
  Line line(drive.Device(), vdrive::LineSettings{baud, 'O', 8, 1});
  const size_t replyLength = 5 + 2 * 36;
  std::vector<double> millis;
  for (int i = 0; i < 20; ++i) {
    Clock::duration first{}, whole{};
    if (line.Transact(ReadPdu(257, 36), replyLength, first, &whole).size() != replyLength) {
      std::printf("paced line: read %d at %d baud failed\n", i, baud);
      return;
    }
    millis.push_back(Micros(whole) / 1000);
  }
  std::sort(millis.begin(), millis.end());
  const double character = 11.0 * 1000 / baud;
  const double lineMs = (8 + replyLength) * character + std::max(3.0, 3.5 * character);
  std::printf(
      "paced 36-register read at %d baud (RTU 8,O,1): median %.1f ms, max %.1f ms; computed "
      "line time %.1f ms (%zu characters of %.3f ms + %.1f ms turnaround)\n",
      baud, millis[10], millis.back(), lineMs, 8 + replyLength, character,
      std::max(3.0, 3.5 * character));
}

}  // namespace

int main() {
  vdtest::VdriveProcess drive;
  if (!drive.Start({"--database", "/nonexistent/VM.vmd", "--no-map", "--mode", "rtu", "--settings",
                    "19200,N,8,2", "--node", "1", "--no-pacing"})) {
    std::printf("cannot start the virtual drive\n");
    return 1;
  }
  Line line(drive.Device(), vdrive::LineSettings{19200, 'N', 8, 2});
  if (!line.Ok()) return 1;
  MeasureLatency(line);
  MeasureSampleClock(line);
  for (int baud : {9600, 19200}) MeasurePacedLine(baud);
  return 0;
}
