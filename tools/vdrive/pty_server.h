// The virtual drive on a pseudo-terminal: one thread, one poll(2) loop over the pty master,
// the control channels and a wake-up pipe. The 8 ms sample clock runs on the monotonic clock
// by elapsed time, so the sample count does not depend on how often the loop wakes. With
// pacing on, requests reach the drive and replies leave it at the pace of the line.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "control_channel.h"
#include "control_clients.h"
#include "fault_plan.h"
#include "line_pacing.h"
#include "line_settings.h"
#include "modbus_slave.h"
#include "virtual_drive.h"

namespace vdrive {

struct ServerOptions {
  Framing framing = Framing::Rtu;
  LineSettings line;
  int node = 1;
  bool checkLine = true;   // answer only a client whose baud rate, parity and stop bits match
  bool pacing = true;      // bytes at the line's pace, replies after the drive's turnaround
  bool halfDuplex = true;  // a request on the line while the drive sends collides with it
  bool verbose = false;
  bool controlOnStdin = true;  // stdin EOF ends the drive
  std::string controlSocket;   // a Unix stream socket path, or empty
};

class PtyServer : public ControlTarget {
 public:
  PtyServer(VirtualDrive& drive, ServerOptions options);
  ~PtyServer() override;
  PtyServer(const PtyServer&) = delete;
  PtyServer& operator=(const PtyServer&) = delete;

  // Creates the pseudo-terminal and the control socket; false with a message on failure.
  bool Open(std::string& error);
  // Serves until Quit, stdin EOF (with control on stdin) or RequestStop.
  void Run();
  // Async-signal-safe: ends Run from a signal handler or another thread.
  void RequestStop();

  // ControlTarget
  VirtualDrive& Drive() override { return drive_; }
  FaultPlan& Faults() override { return faults_; }
  void PowerCycle(int offMs) override;
  void Quit() override { quit_ = true; }
  void SetHalfDuplex(bool halfDuplex) override { options_.halfDuplex = halfDuplex; }
  std::string DevicePath() const override { return devicePath_; }

 private:
  using Clock = std::chrono::steady_clock;
  void StoreCommSettings();
  void ApplyStoredCommSettings();
  void RunSampleClock(Clock::time_point now);
  void ReadRequests(Clock::time_point now);
  void TakeArrivedBytes(Clock::time_point now);
  void AnswerRequests(Clock::time_point now);
  void Answer(const Request& request);
  void Send(const Bytes& bytes, Clock::time_point start);
  void Collide();
  bool ClientLineMatches() const;
  Clock::duration ReceiveCharacterTime() const;
  Clock::duration SendCharacterTime() const;
  Clock::duration FrameGap() const;
  Clock::duration Turnaround() const;
  void SendDue(Clock::time_point now);
  Clock::time_point NextDeadline(Clock::time_point now) const;
  void Log(const char* format, ...) const;

  VirtualDrive& drive_;
  ServerOptions options_;
  FaultPlan faults_;
  RequestAssembler assembler_;
  int master_ = -1;
  int slave_ = -1;  // held open so the master never sees a hang-up between clients
  int wake_[2] = {-1, -1};
  ControlClients control_;
  std::string devicePath_;
  LinePacer received_;  // bytes read from the pty, on their way to the drive
  LinePacer sending_;   // reply bytes on their way to the pty
  Clock::time_point lastSendWrite_{};
  Clock::time_point clockStart_;
  long long samplesTaken_ = 0;
  Clock::time_point lastByte_;  // when the last received byte was through the line
  Clock::time_point poweredOffUntil_{};
  bool poweredOff_ = false;
  bool quit_ = false;
};

}  // namespace vdrive
