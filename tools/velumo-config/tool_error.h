// The exit codes of velumo-config and the error that carries one to main().
#pragma once

#include <stdexcept>
#include <string>

namespace vmconfig {

enum ExitCode {
  kExitOk = 0,
  kExitDifferent = 1,  // compare found differences; the drive does not hold what was written
  kExitUsage = 2,      // bad command line
  kExitPort = 3,       // the port cannot be opened (missing, permission, in use, settings)
  kExitNoAnswer = 4,   // no drive answers, or the line failed part way
  kExitFile = 5,       // a file refused: missing, damaged, unsupported or for another drive
  kExitLocal = 6,      // the database, a backup or an output file on this computer
};

class ToolError : public std::runtime_error {
 public:
  ToolError(ExitCode code, const std::string& message) : std::runtime_error(message), code_(code) {}
  ExitCode code() const { return code_; }

 private:
  ExitCode code_;
};

}  // namespace vmconfig
