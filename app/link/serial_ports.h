// The serial ports as the program shows them: each COM entry with the device it stands for, the
// devices a technician can assign to it, and the words that follow "Com Error" when a port will
// not open. No widgets; the connect dialog and auto-detect use it.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "portwright/serial_devices.h"

namespace serialPorts {

// Positions of the connect dialog's port list (from the database) below this one are the serial
// ports COM1.. ; from it on network devices.
inline constexpr int kSerialPortCount = 8;
// The COM entries the control takes: COM1..COM15 (ComPort 0..14).
inline constexpr int kComPortCount = 15;

// Where /dev and /sys are read ("/"; tests point it at a fake tree) and how a device is tried
// when an open failed (empty: really open it; tests inject a failure, since CI runs as root).
extern QString DeviceRoot;
extern portwright::DeviceOpener DeviceOpener;

// "COM1 – /dev/ttyUSB0 (FTDI FT232R USB UART)" for ComPort 0.
QString EntryLabel(int portIndex);
// The serial devices present, in the order they are offered.
std::vector<portwright::SerialDevice> Devices();
// "/dev/ttyUSB0 (FTDI FT232R USB UART)"; a by-id link shows its tty too.
QString DeviceChoiceText(const portwright::SerialDevice& device);
// The same for any device path, one discovery does not list included ("/dev/ttyAMA0",
// "/dev/rfcomm0 (not present)").
QString DeviceChoiceText(const QString& devicePath);
// Puts a device behind a COM entry in the component's port map (empty: back to the default).
void Assign(int portIndex, const QString& devicePath);

// What a COM entry reaches: a serial device, or a network endpoint (tcp://, mbtcp://).
enum class Reach { Serial, RtuOverTcp, ModbusTcp };
Reach ReachOf(int portIndex);
// "tcp://HOST:PORT" or "mbtcp://HOST:PORT" of what the technician typed ("gateway-17:4001");
// empty with the reason in `problem` when it is not a host and a port.
QString EndpointOf(const QString& hostAndPort, bool modbusTcp, QString& problem);

// The "Com Error" text for a port that would not open (ComPort 0..14; any other value, such as
// -1 for a network entry, gives the sentence alone): the fixed sentence, then the device, the
// reason and what to do about it. For a network endpoint the reason is the control's
// (`networkReason`, from the connect attempt).
QString ComErrorText(int portIndex, const QString& networkReason = QString());

}  // namespace serialPorts
