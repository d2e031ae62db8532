#include "vdrive_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <thread>

namespace vdtest {

std::string Shell(const std::string& command) {
  std::string output;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return output;
  std::array<char, 512> chunk;
  while (fgets(chunk.data(), chunk.size(), pipe)) output += chunk.data();
  pclose(pipe);
  return output;
}

VdriveProcess::~VdriveProcess() {
  if (pid_ > 0) Stop();
}

bool VdriveProcess::Start(const std::vector<std::string>& args, bool controlOnStdin) {
  int toChild[2], fromChild[2];
  if (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0) return false;
  pid_ = fork();
  if (pid_ == 0) {
    dup2(toChild[0], STDIN_FILENO);
    dup2(fromChild[1], STDOUT_FILENO);
    std::vector<char*> argv{const_cast<char*>(VDRIVE_EXECUTABLE)};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    if (!controlOnStdin) argv.push_back(const_cast<char*>("--no-stdin"));
    argv.push_back(nullptr);
    execv(VDRIVE_EXECUTABLE, argv.data());
    _exit(127);
  }
  close(toChild[0]);
  close(fromChild[1]);
  in_ = toChild[1];
  out_ = fromChild[0];
  device_ = ReadLine(5000);
  return device_.rfind("/dev/", 0) == 0 || device_.find("tcp://127.0.0.1:") != std::string::npos;
}

std::string VdriveProcess::ReadLine(int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const size_t end = buffered_.find('\n');
    if (end != std::string::npos) {
      std::string line = buffered_.substr(0, end);
      buffered_.erase(0, end + 1);
      return line;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return {};
    pollfd fd{out_, POLLIN, 0};
    if (poll(&fd, 1, static_cast<int>(left.count())) <= 0) continue;
    char chunk[256];
    const ssize_t n = read(out_, chunk, sizeof chunk);
    if (n <= 0) return {};
    buffered_.append(chunk, static_cast<size_t>(n));
  }
}

std::string VdriveProcess::Command(const std::string& line) {
  const std::string text = line + "\n";
  if (write(in_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) return {};
  return ReadLine(5000);
}

int VdriveProcess::Stop(int signal) {
  if (pid_ <= 0) return -1;
  if (signal != 0) kill(pid_, signal);
  if (in_ >= 0) close(in_);
  in_ = -1;
  int status = 0;
  int result = -1;
  for (int i = 0; i < 500; ++i) {
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      result = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (result < 0 && waitpid(pid_, &status, WNOHANG) == 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, &status, 0);
  }
  if (out_ >= 0) close(out_);
  out_ = -1;
  pid_ = -1;
  return result;
}

}  // namespace vdtest
