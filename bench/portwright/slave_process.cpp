#include "slave_process.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

#include "libmodbus_slave.h"

namespace bench {
namespace {

[[noreturn]] void ServeInChild(int count, int toParent, int fromParent) {
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  std::vector<std::unique_ptr<interop::LibmodbusSlave>> slaves;
  std::string paths;
  for (int i = 0; i < count; ++i) {
    slaves.push_back(std::make_unique<interop::LibmodbusSlave>(1));
    slaves.back()->SetHolding(0, {100, 200, 300});
    paths += slaves.back()->devicePath() + "\n";
  }
  if (write(toParent, paths.data(), paths.size()) != static_cast<ssize_t>(paths.size())) _exit(1);
  close(toParent);
  char byte;
  while (read(fromParent, &byte, 1) > 0) {
  }
  slaves.clear();
  _exit(0);
}

}  // namespace

SlaveProcess::SlaveProcess(int count) {
  int up[2], down[2];
  if (pipe(up) != 0 || pipe(down) != 0) throw std::runtime_error("pipe");
  child_ = fork();
  if (child_ < 0) throw std::runtime_error("fork");
  if (child_ == 0) {
    close(up[0]);
    close(down[1]);
    ServeInChild(count, up[1], down[0]);
  }
  close(up[1]);
  close(down[0]);
  control_ = down[1];
  std::string text;
  char buffer[256];
  ssize_t got;
  while ((got = read(up[0], buffer, sizeof buffer)) > 0) text.append(buffer, got);
  close(up[0]);
  for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
       start = end + 1) {
    paths_.push_back(text.substr(start, end - start));
  }
  if (static_cast<int>(paths_.size()) != count) throw std::runtime_error("slave child failed");
}

SlaveProcess::~SlaveProcess() {
  close(control_);
  int status = 0;
  waitpid(child_, &status, 0);
}

}  // namespace bench
