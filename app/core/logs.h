// Event and error logs in the program folder's Data/ (module basFunctions).
#pragma once

#include <QString>
#include <cstdint>
#include <exception>
#include <stdexcept>

#include "core/program_error.h"

namespace basFunctions {

extern QString LogFilePath;  // the log file last written

void ErrHandler(int32_t number, const QString& description, const QString& location, bool show);
void ErrorLog(const QString& location, const QString& source, int32_t number,
              const QString& description);
void EventLog(const QString& message);
void LogFileMaint();
bool fileCheck(const QString& path);

// The current date and time as the logs and the status list write it: the system locale's
// short date and time, one format everywhere.
QString GeneralDateTime();

// Error number of a trapped exception: the HRESULT of an automation error (a large
// negative number, as the platform reports it), otherwise a general run-time error number.
int32_t errorNumber(const std::exception& e);

// Runs a handler body; any exception goes to ErrHandler with the location text.
template <class Body>
void guarded(const char* location, Body&& body) {
  try {
    body();
  } catch (const std::exception& e) {
    ErrHandler(errorNumber(e), QString::fromUtf8(e.what()), QString::fromUtf8(location), false);
  }
}

}  // namespace basFunctions
