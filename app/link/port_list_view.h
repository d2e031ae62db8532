// A port list that shows each serial entry with the device it stands for. The entries keep their
// own texts ("COM1", "Com 1"), so what the list reports as chosen does not change; the open list,
// the tool tips and the accessibility bus give "COM1 – /dev/ttyUSB0 (FTDI FT232R USB UART)",
// the whole label (the open list is made wide enough for the longest).
#pragma once

class QComboBox;

namespace serialPorts {

// Marks the entry at `position` as the serial port COM `comNumber` (1-based).
void MarkComEntry(QComboBox* portList, int position, int comNumber);
// The COM number of a marked entry; 0 for any other (a network device, no entry).
int ComNumberAt(const QComboBox* portList, int position);
// Shows the devices of the marked entries. Call again after an assignment or a replug.
void ShowDevicesInPortList(QComboBox* portList);

}  // namespace serialPorts
