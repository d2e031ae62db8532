// Serial devices of this machine and the COM entries that stand for them. Discovery reads /dev
// and /sys below a root folder ("/" on the machine, a fake tree in tests); the port map is read
// and written in the component store, so the program and the tools see the same assignment.
// Part of the static library portwright_host; does not load the component.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace portwright {

struct SerialDevice {
  std::string path;  // what is offered and stored: "/dev/serial/by-id/usb-…" or "/dev/ttyUSB0"
  std::string node;  // the tty it reaches: "/dev/ttyUSB0"
  std::string name;  // the adapter or port: "FTDI FT232R USB UART", "16550A UART"; may be empty
  bool hardware = true;  // false for a ttyS node with no port behind it
};

// Devices present: by-id links first (stable across replugging), then ttyUSB*, ttyACM*, then the
// ttyS* that have a port behind them. A tty reached through a by-id link is listed once, as the
// link.
std::vector<SerialDevice> ListSerialDevices(const std::string& root = "/");

// What a device path stands for; nothing when the path is not there (an adapter unplugged).
std::optional<SerialDevice> DescribeSerialDevice(const std::string& path,
                                                 const std::string& root = "/");

// "/dev/ttyUSB0 (FTDI FT232R USB UART)", "/dev/ttyS3 (no serial port)",
// "/dev/serial/by-id/usb-… (not present)"; a network endpoint as itself with its kind and that
// the line settings are not used.
std::string DeviceLabel(const std::string& path, const std::string& root = "/");

// The port map as the store holds it: the device of COM n (1-based; unmapped means
// /dev/ttyS(n-1)), and the assignment of a device (empty text: back to the default).
std::string ComDevice(int n);
void AssignComDevice(int n, const std::string& device);

// "COM1 – /dev/ttyUSB0 (FTDI FT232R USB UART)".
std::string ComEntryLabel(int n, const std::string& root = "/");

// Why a device cannot be opened, in words a technician can act on.
struct OpenProblem {
  std::string device;  // the device path tried
  std::string reason;
  std::string fix;  // empty when there is nothing to suggest
};
// Tries to open the device (or asks the opener, which returns 0 or an errno value) and looks at
// the device node: missing, no permission (with the group that owns it), in use, no hardware.
using DeviceOpener = std::function<int(const std::string& path)>;
OpenProblem DiagnoseOpenFailure(const std::string& devicePath, const DeviceOpener& opener = {},
                                const std::string& root = "/");

}  // namespace portwright
