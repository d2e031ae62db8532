// Runs the built vdrive executable as a child process: its device path (or its listener's
// endpoint) from the first line of stdout, control commands through its stdin, one reply line
// each.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace vdtest {

class VdriveProcess {
 public:
  VdriveProcess() = default;
  ~VdriveProcess();
  VdriveProcess(const VdriveProcess&) = delete;
  VdriveProcess& operator=(const VdriveProcess&) = delete;

  // Starts `vdrive args...`; false when it does not print its device path within 5 s.
  bool Start(const std::vector<std::string>& args, bool controlOnStdin = true);
  const std::string& Device() const { return device_; }
  pid_t Pid() const { return pid_; }
  // One control command; its reply line ("OK ..." / "ERR ..."), or "" on time-out.
  std::string Command(const std::string& line);
  // Closes stdin (EOF ends the drive) or sends the signal; waits up to 5 s. Exit status, or
  // -1 when it had to be killed.
  int Stop(int signal = 0);

 private:
  std::string ReadLine(int timeoutMs);
  pid_t pid_ = -1;
  int in_ = -1;
  int out_ = -1;
  std::string buffered_;
  std::string device_;
};

// Runs a shell command; its stdout and stderr together.
std::string Shell(const std::string& command);

}  // namespace vdtest
