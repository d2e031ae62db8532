// What velumo-config prints: result lines on stdout (or comma-separated rows with --csv), a
// progress line on stderr only while stderr is a terminal, and errors on stderr.
#pragma once

#include <string>
#include <vector>

namespace vmconfig {

class Output {
 public:
  explicit Output(bool csv);
  bool csv() const { return csv_; }
  // Result line for a person; not printed with --csv.
  void Line(const std::string& text);
  // Result row for a program; printed only with --csv.
  void Row(const std::vector<std::string>& fields);
  // Overwrites the progress line; nothing when stderr is not a terminal.
  void Progress(const std::string& text);
  void EndProgress();
  // A warning or error on stderr, prefixed "velumo-config: ".
  void Error(const std::string& text);

 private:
  bool csv_;
  bool terminal_;
  bool progressShown_ = false;
};

// One comma-separated field: quoted when it holds a comma, a quote or a line end.
std::string CsvField(const std::string& text);

}  // namespace vmconfig
