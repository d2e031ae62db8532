// The measurements: reads of 3 holding registers through the control (Action to Done as a
// host sees it on its event loop) and through a libmodbus master, and the processor time of
// a control that polls one item once a second.
#pragma once

#include <string>
#include <vector>

#include "portwright/modbus_atl.h"

namespace bench {

// Registers the component beside the running program, maps COM1 to the device or network
// endpoint and opens a control loaded with a read of 3 holding registers at node 1.
portwright::IModbusAtl* OpenReadControl(const std::string& device);

// Durations in microseconds of one read through the control and of its three stretches,
// cut by the frame trace: Action to the request frame (the worker's wake-up, purge and
// build), request to complete reply (write and receive loop), reply to Done (the hand-back
// to the host's thread and the event dispatch).
struct ControlTimes {
  std::vector<double> total, wakeUp, onLine, handBack;
};
// The control must be open and loaded with the read. The stretches need the trace, which
// costs a little itself, so the total is best taken from an untraced run.
ControlTimes TimeControlReads(portwright::IModbusAtl& control, int reads, bool traced);
std::vector<double> TimeLibmodbusReads(const std::string& device, int reads);

struct CpuUse {
  double processorSeconds;
  double wallSeconds;
  int polls;
};
// Polls one item every intervalMs for seconds and reports the process's processor time.
CpuUse MeasureIdlePolling(portwright::IModbusAtl& control, int intervalMs, int seconds);

double Median(std::vector<double> values);

}  // namespace bench
