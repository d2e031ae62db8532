#include "output.h"

#include <unistd.h>

#include <cstdio>

namespace vmconfig {

Output::Output(bool csv) : csv_(csv), terminal_(::isatty(STDERR_FILENO) == 1) {}

void Output::Line(const std::string& text) {
  if (csv_) return;
  EndProgress();
  std::fprintf(stdout, "%s\n", text.c_str());
  std::fflush(stdout);
}

void Output::Row(const std::vector<std::string>& fields) {
  if (!csv_) return;
  std::string row;
  for (size_t i = 0; i < fields.size(); ++i) row += (i ? "," : "") + CsvField(fields[i]);
  std::fprintf(stdout, "%s\n", row.c_str());
  std::fflush(stdout);
}

void Output::Progress(const std::string& text) {
  if (!terminal_) return;
  std::fprintf(stderr, "\r\033[K%s", text.c_str());
  std::fflush(stderr);
  progressShown_ = true;
}

void Output::EndProgress() {
  if (!progressShown_) return;
  std::fprintf(stderr, "\r\033[K");
  std::fflush(stderr);
  progressShown_ = false;
}

void Output::Error(const std::string& text) {
  EndProgress();
  std::fprintf(stderr, "velumo-config: %s\n", text.c_str());
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

}  // namespace vmconfig
