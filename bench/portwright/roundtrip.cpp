#include "roundtrip.h"

#include <modbus/modbus.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <stdexcept>

#include "portwright/activation.h"
#include "portwright/port_map.h"

namespace bench {
namespace {

using Clock = std::chrono::steady_clock;

double Microseconds(Clock::duration d) {
  return std::chrono::duration<double, std::micro>(d).count();
}

double ProcessorSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Receives the control's events and ends the host's event loop on Done.
class Host : public portwright::_IModbusAtlEvents {
 public:
  explicit Host(portwright::IModbusAtl& control) : control_(control) {
    cookie_ = control_.Advise(this);
  }
  ~Host() override { control_.Unadvise(cookie_); }
  void Done(int16_t Result) override {
    doneAt = Clock::now();
    result = Result;
    loop.quit();
  }
  void OnPoll(int16_t, int16_t Result, portwright::VARIANT_BOOL) override {
    ++polls;
    if (Result != 0) ++failedPolls;
  }

  QEventLoop loop;
  Clock::time_point doneAt;
  int16_t result = 0;
  int polls = 0;
  int failedPolls = 0;

 private:
  portwright::IModbusAtl& control_;
  uint32_t cookie_ = 0;
};

// Time stamps of the request and reply frames, taken on the worker thread.
class FrameClock : public portwright::IModbusAtlTrace {
 public:
  void Request(const uint8_t*, size_t) override { requestAt.store(Clock::now()); }
  void Reply(const uint8_t*, size_t, int16_t) override { replyAt.store(Clock::now()); }
  std::atomic<Clock::time_point> requestAt, replyAt;
};

}  // namespace

portwright::IModbusAtl* OpenReadControl(const std::string& device) {
  std::string error;
  const std::string library =
      (QCoreApplication::applicationDirPath() + "/libPortwright.so").toStdString();
  if (portwright::RegisterLibrary(library, &error) != portwright::S_OK)
    throw std::runtime_error("cannot register " + library + ": " + error);
  portwright::IModbusAtl* control = portwright::CreateControl(&error);
  if (!control) throw std::runtime_error("cannot create the control: " + error);
  portwright::MapComPort(1, device);
  control->put_ComPort(portwright::COM1);
  control->put_MsgTimeOut(1000);
  control->put_NodeAddr(1);
  control->put_Function(portwright::ReadHoldingReg);
  control->put_DataAddr(1);
  control->put_DataQty(3);
  control->put_PortOpen(portwright::VARIANT_TRUE);
  return control;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

ControlTimes TimeControlReads(portwright::IModbusAtl& control, int reads, bool traced) {
  Host host(control);
  FrameClock frames;
  if (traced) control.SetTrace(&frames);
  ControlTimes times;
  for (int i = 0; i < reads; ++i) {
    const Clock::time_point start = Clock::now();
    control.put_Action(1);
    host.loop.exec();
    if (host.result != 0) throw std::runtime_error("a read failed: " + std::to_string(host.result));
    times.total.push_back(Microseconds(host.doneAt - start));
    if (!traced) continue;
    times.wakeUp.push_back(Microseconds(frames.requestAt.load() - start));
    times.onLine.push_back(Microseconds(frames.replyAt.load() - frames.requestAt.load()));
    times.handBack.push_back(Microseconds(host.doneAt - frames.replyAt.load()));
  }
  control.SetTrace(nullptr);
  return times;
}

std::vector<double> TimeLibmodbusReads(const std::string& device, int reads) {
  modbus_t* master = modbus_new_rtu(device.c_str(), 19200, 'N', 8, 1);
  if (!master || modbus_set_slave(master, 1) != 0 || modbus_connect(master) != 0) {
    throw std::runtime_error("libmodbus master cannot open " + device);
  }
  std::vector<double> times;
  times.reserve(reads);
  uint16_t words[3];
  for (int i = 0; i < reads; ++i) {
    const Clock::time_point start = Clock::now();
    if (modbus_read_registers(master, 0, 3, words) != 3) {
      throw std::runtime_error(std::string("libmodbus read failed: ") + modbus_strerror(errno));
    }
    times.push_back(Microseconds(Clock::now() - start));
  }
  modbus_close(master);
  modbus_free(master);
  return times;
}

CpuUse MeasureIdlePolling(portwright::IModbusAtl& control, int intervalMs, int seconds) {
  Host host(control);
  control.AddPollItem(1, 1, 3);
  QElapsedTimer wall;
  const double before = ProcessorSeconds();
  wall.start();
  control.put_PollInterval(static_cast<int16_t>(intervalMs));
  QTimer::singleShot(seconds * 1000, Qt::PreciseTimer, &host.loop, &QEventLoop::quit);
  host.loop.exec();
  control.put_PollInterval(0);
  const double used = ProcessorSeconds() - before;
  if (host.failedPolls != 0) throw std::runtime_error("polls failed during the idle run");
  return {used, wall.nsecsElapsed() / 1e9, host.polls};
}

}  // namespace bench
