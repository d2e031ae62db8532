// Why a serial device would not open. The control only says "Failed to Open COM Port"; the
// device node itself tells whether it is missing, not ours to open, or taken.
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "portwright/serial_devices.h"

namespace portwright {

namespace {

int TryOpen(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno;
  ::close(fd);
  return 0;
}

std::string GroupName(gid_t gid) {
  if (const group* entry = ::getgrgid(gid)) return entry->gr_name;
  return std::to_string(gid);
}

std::string UserName() {
  if (const passwd* entry = ::getpwuid(::getuid())) return entry->pw_name;
  return "$USER";
}

bool IsPluggable(const std::string& path) {
  return path.rfind("/dev/serial/", 0) == 0 || path.find("ttyUSB") != std::string::npos ||
         path.find("ttyACM") != std::string::npos;
}

OpenProblem Missing(const std::string& path) {
  if (IsPluggable(path))
    return {path, "the device is not there: the adapter has been unplugged",
            "Plug the adapter in again, or assign the device it now has to this COM port."};
  return {path, "the device does not exist on this computer",
          "Assign a serial device of this computer to this COM port."};
}

OpenProblem NoPermission(const std::string& path, const std::string& node) {
  struct stat info {};
  std::string group = "dialout";
  if (::stat(node.c_str(), &info) == 0) group = GroupName(info.st_gid);
  return {path,
          "no permission to open the device: it belongs to the group " + group + ", and the user " +
              UserName() + " is not a member of it in this session",
          "Add the user to the group " + group + " (sudo usermod -aG " + group + " " + UserName() +
              "), then log out and log in again."};
}

}  // namespace

OpenProblem DiagnoseOpenFailure(const std::string& devicePath, const DeviceOpener& opener,
                                const std::string& root) {
  const auto device = DescribeSerialDevice(devicePath, root);
  if (!device) return Missing(devicePath);
  const std::string node =
      (std::filesystem::path(root) / std::filesystem::path(device->node).relative_path()).string();
  if (!device->hardware)
    return {devicePath, "there is no serial port behind " + device->node,
            "Assign a serial device of this computer to this COM port."};
  const int error = opener ? opener(node) : TryOpen(node);
  switch (error) {
    case 0:
      return {devicePath, "the device opens now; it may have been busy for a moment", ""};
    case EACCES:
    case EPERM:
      return NoPermission(devicePath, node);
    case EBUSY:
      return {devicePath, "the device is in use by another program",
              "Close the other program that uses the port, then connect again."};
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return Missing(devicePath);
    default:
      return {devicePath, std::string("the device cannot be opened: ") + std::strerror(error), ""};
  }
}

}  // namespace portwright
