// The program's own run-time errors (module basFunctions), without the logs they end up in: the
// engines of velumo_params throw them, and need no windows for it.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace basFunctions {

// A run-time error of the program's own with its classic error number (91 object not set,
// 9 subscript out of range, 75 path/file access error, 62 input past end of file).
class ProgramError : public std::runtime_error {
 public:
  ProgramError(int32_t number, const std::string& description)
      : std::runtime_error(description), number_(number) {}
  int32_t number() const { return number_; }

 private:
  int32_t number_;
};

}  // namespace basFunctions
