// One control on this thread's event loop: line set-up, a single transaction waited for on
// the event loop, a poll run, and the frame trace.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "cli_options.h"
#include "portwright/modbus_atl.h"
#include "request_plan.h"

namespace pwcli {

// Prints every frame to stderr. Called on the control's worker thread.
class StderrTrace : public portwright::IModbusAtlTrace {
 public:
  explicit StderrTrace(portwright::enumPLCMode mode) : mode_(mode) {}
  void Request(const uint8_t* bytes, size_t length) override;
  void Reply(const uint8_t* bytes, size_t length, int16_t result) override;

 private:
  portwright::enumPLCMode mode_;
  std::mutex mutex_;
};

class ControlSession : public portwright::_IModbusAtlEvents {
 public:
  using PollHandler = std::function<void(int16_t item, int16_t result, bool changed)>;

  // Takes ownership of control (released in the destructor, port closed first).
  explicit ControlSession(portwright::IModbusAtl* control);
  ~ControlSession() override;
  ControlSession(const ControlSession&) = delete;
  ControlSession& operator=(const ControlSession&) = delete;

  portwright::IModbusAtl& control() { return *control_; }

  // Port, settings, time-out, mode and node; throws AutomationError on a refused value.
  void ConfigureLine(const LineOptions& line, int comIndex);
  void EnableTrace(portwright::enumPLCMode mode);
  void LoadRequest(const ControlRequest& request);
  void OpenPort();
  // Starts the transaction and runs the event loop until Done; returns its result.
  int16_t RunTransaction();
  std::vector<uint16_t> FetchWords(int count);
  // Polls the blocks already added for durationMs; handler runs for every OnPoll.
  void RunPolling(int16_t intervalMs, int durationMs, PollHandler handler);

  void Done(int16_t Result) override;
  void OnPoll(int16_t ItemNum, int16_t Result, portwright::VARIANT_BOOL ChgdFlag) override;

 private:
  portwright::IModbusAtl* control_;
  uint32_t cookie_ = 0;
  std::unique_ptr<StderrTrace> trace_;
  bool done_ = false;
  int16_t result_ = 0;
  PollHandler pollHandler_;
};

}  // namespace pwcli
