// Shared by the control tests: a control created through the component's class factory, an
// event recorder, and waiting while the test thread's events run.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <functional>
#include <string>
#include <vector>

#include "portwright/modbus_atl.h"
#include "portwright/server.h"

namespace pwtest {

constexpr int kGenerousWaitMs = 20000;  // a shared machine can be very slow

// Creates a control through DllGetClassObject, as a host does.
portwright::IModbusAtl* NewControl();

struct ControlDeleter {
  void operator()(portwright::IModbusAtl* control) const { control->Release(); }
};

// Runs this thread's events until ready() holds or the wait ends; returns ready().
template <class Ready>
bool RunEventsUntil(Ready ready, int timeoutMs = kGenerousWaitMs) {
  QElapsedTimer clock;
  clock.start();
  while (!ready()) {
    if (clock.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

// Runs this thread's events for a while.
void RunEventsFor(int ms);

// Expects body to raise an automation error with exactly this text.
template <class Body>
std::string ErrorText(Body body) {
  try {
    body();
  } catch (const portwright::AutomationError& error) {
    return error.description();
  }
  return "(no error)";
}

struct PollEvent {
  int16_t item, result, changed;
};

class EventRecorder : public portwright::_IModbusAtlEvents {
 public:
  void Done(int16_t Result) override {
    done.push_back(Result);
    if (onDone) onDone(Result);
  }
  void OnPoll(int16_t ItemNum, int16_t Result, portwright::VARIANT_BOOL ChgdFlag) override {
    polls.push_back({ItemNum, Result, ChgdFlag});
    if (onPoll) onPoll(polls.back());
  }
  std::vector<int16_t> done;
  std::vector<PollEvent> polls;
  std::function<void(int16_t)> onDone;
  std::function<void(const PollEvent&)> onPoll;
};

}  // namespace pwtest
