// A port list that shows each serial entry with the device it stands for. The entries keep their
// own texts ("COM1", "Com 1"), so what the list reports as chosen does not change; the open list
// and the tool tips show "COM1 – /dev/ttyUSB0 (FTDI FT232R USB UART)".
#pragma once

class QComboBox;

namespace serialPorts {

// Positions 0..7 of the list are COM1..COM8. Call again after an assignment or a replug.
void ShowDevicesInPortList(QComboBox* portList);

}  // namespace serialPorts
