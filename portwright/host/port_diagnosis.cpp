// Why a serial device would not open. The control only says "Failed to Open COM Port"; the
// device node itself tells whether it is missing, not ours to open, or taken.
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

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

std::string OwnerName(uid_t uid) {
  if (const passwd* entry = ::getpwuid(uid)) return entry->pw_name;
  return std::to_string(uid);
}

std::string UserName() {
  if (const passwd* entry = ::getpwuid(::getuid())) return entry->pw_name;
  return "$USER";
}

std::string ModeText(mode_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
  return text;
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

// A group is worth joining only when it may read and write the device and is not root (whose
// members may do anything): otherwise the device must first be given to such a group.
bool GroupMayUse(const struct stat& info) {
  return info.st_gid != 0 && (info.st_mode & S_IRGRP) && (info.st_mode & S_IWGRP);
}

// "the group dialout (sudo usermod -aG dialout tech), then log out and log in again."
std::string JoinGroupSteps(const std::string& group) {
  return "the group " + group + " (sudo usermod -aG " + group + " " + UserName() +
         "), then log out and log in again.";
}

// The device's owner and mode let no group in: an udev rule gives it to dialout.
std::string UdevRuleFix(const std::string& node) {
  const std::string kernel = std::filesystem::path(node).filename().string();
  return "Give the device to the group dialout with an udev rule: a file "
         "/etc/udev/rules.d/99-velumopro-serial.rules holding the line KERNEL==\"" +
         kernel +
         "\", GROUP=\"dialout\", MODE=\"0660\" (the program comes with a commented example of "
         "that file), then run sudo udevadm trigger; add the user to " +
         JoinGroupSteps("dialout");
}

OpenProblem NoPermission(const std::string& path, const std::string& node) {
  struct stat info {};
  if (::stat(node.c_str(), &info) != 0)
    return {path, "no permission to open the device", UdevRuleFix(node)};
  const std::string owner = OwnerName(info.st_uid);
  const std::string group = GroupName(info.st_gid);
  if (GroupMayUse(info))
    return {path,
            "no permission to open the device: it belongs to the group " + group +
                ", and the user " + UserName() + " is not a member of it in this session",
            "Add the user to " + JoinGroupSteps(group)};
  std::string reason = "no permission to open the device: it belongs to the user " + owner +
                       " and the group " + group + ", and its mode " + ModeText(info.st_mode) +
                       " lets no group read and write it";
  std::string fix = UdevRuleFix(node);
  // A terminal's group: the port serves as a console or a login line (a getty) here.
  if (group == "tty") {
    reason += "; the port serves as a terminal or login console on this computer";
    fix = "Stop the login console on it first (sudo systemctl stop serial-getty@" +
          std::filesystem::path(node).filename().string() + ".service). " + fix;
  }
  return {path, reason, fix};
}

// The programs (name and process number) that have the device open, as /proc shows them; only
// the processes this user may look into are found.
std::vector<std::string> Holders(const std::string& node) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path device = fs::canonical(node, ec);
  std::vector<std::string> holders;
  if (ec) return holders;
  for (const auto& process : fs::directory_iterator("/proc", ec)) {
    const std::string pid = process.path().filename().string();
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    std::error_code fdError;
    for (const auto& fd : fs::directory_iterator(process.path() / "fd", fdError)) {
      std::error_code linkError;
      if (fs::read_symlink(fd.path(), linkError) != device) continue;
      std::ifstream comm(process.path() / "comm");
      std::string name;
      std::getline(comm, name);
      holders.push_back((name.empty() ? "a program" : name) + " (process " + pid + ")");
      break;
    }
  }
  return holders;
}

OpenProblem Busy(const std::string& path, const std::string& node) {
  const std::vector<std::string> holders = Holders(node);
  if (holders.empty())
    return {path, "the device is in use by another program",
            "Close the other program that uses the port, then connect again."};
  std::string names;
  for (const std::string& holder : holders) names += (names.empty() ? "" : ", ") + holder;
  return {path, "the device is in use by another program: " + names,
          "Close " + names + ", then connect again."};
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
      return Busy(devicePath, node);
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return Missing(devicePath);
    default:
      return {devicePath, std::string("the device cannot be opened: ") + std::strerror(error), ""};
  }
}

}  // namespace portwright
