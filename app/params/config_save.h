// Writing a configuration file to disk safely: through a temporary file in the same folder that
// takes the old file's name only once every byte is on the disk. No windows, no logs: the
// program's SaveFile and backups and the command-line tools all save through it.
#pragma once

#include <QString>
#include <array>
#include <cstdint>

namespace basFunctions {
class ValueTable;
}

namespace config_file {

// Writes config (g = 0..4, nn = 0..limits[g]) to path, line 3 holding writtenAt. A full disk or
// a vanished folder leaves any old file as it was. False, with the reason, when not written.
bool WriteFile(const QString& path, const basFunctions::ValueTable& config,
               const std::array<int16_t, 5>& limits, const QString& writtenAt, QString& reason);

}  // namespace config_file
