// The libmodbus slaves of the benchmark, served from a child process so that the host
// process measured holds nothing but the master under test.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace bench {

class SlaveProcess {
 public:
  // Starts a child serving `count` libmodbus RTU slaves (node 1), each on its own
  // pseudo-terminal; devicePaths() are the ends a master opens. Call before any thread exists.
  explicit SlaveProcess(int count);
  ~SlaveProcess();  // ends the child and waits for it
  SlaveProcess(const SlaveProcess&) = delete;
  SlaveProcess& operator=(const SlaveProcess&) = delete;

  const std::vector<std::string>& devicePaths() const { return paths_; }

 private:
  pid_t child_ = -1;
  int control_ = -1;  // our end of the pipe; the child stops when it closes
  std::vector<std::string> paths_;
};

}  // namespace bench
