#include "params/config_save.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QSaveFile>
#include <cerrno>
#include <cstring>

#include "params/config_file.h"

namespace config_file {
namespace {

qint64 writtenSize(int handle) {
  struct stat status {};
  return ::fstat(handle, &status) == 0 ? static_cast<qint64>(status.st_size) : -1;
}

}  // namespace

bool WriteFile(const QString& path, const basFunctions::ValueTable& config,
               const std::array<int16_t, 5>& limits, const QString& writtenAt, QString& reason) {
  QSaveFile file(path);
  errno = 0;
  if (file.open(QIODevice::WriteOnly)) {
    const QByteArray bytes = Write(config, limits, path, writtenAt);
    // commit() alone can report success for a short write (a full disk): the bytes must be on
    // the disk, all of them, before the new file takes the old one's name.
    if (file.write(bytes) == bytes.size() && file.flush() &&
        writtenSize(file.handle()) == bytes.size() && ::fsync(file.handle()) == 0 && file.commit())
      return true;
  }
  reason = errno != 0 ? QString::fromLocal8Bit(std::strerror(errno)) : file.errorString();
  file.cancelWriting();
  return false;
}

}  // namespace config_file
