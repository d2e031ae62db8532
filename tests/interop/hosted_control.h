// A Portwright control hosted on the test's thread as a program hosts it: created by class
// identity from the component store, events received through the Qt event loop.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <string>
#include <vector>

#include "portwright/modbus_atl.h"

namespace interop {

// Generous: a loaded shared machine may be slow, and a test that fails waits this long once.
constexpr int kEventWaitMs = 30000;

struct PollEvent {
  int16_t item;
  int16_t result;
  bool changed;
  std::vector<uint16_t> changedBits;  // ChgdBits of the item's words, taken in the handler
  std::vector<uint16_t> data;         // PollData of the item's words
};

class HostedControl : public portwright::_IModbusAtlEvents {
 public:
  HostedControl();
  ~HostedControl() override;
  HostedControl(const HostedControl&) = delete;
  HostedControl& operator=(const HostedControl&) = delete;

  portwright::IModbusAtl* operator->() { return control_; }
  portwright::IModbusAtl& get() { return *control_; }

  // Maps COM15 to device in the store and opens it with the given mode and settings.
  void Open(const std::string& device, portwright::enumPLCMode mode,
            const std::string& settings = "19200,N,8,1");
  // Loads the user record: node, function, type, 1-based address, quantity, Data(0..).
  void Load(int node, portwright::enumPLCFunction function, portwright::enumDataType type,
            int address, int quantity, const std::vector<uint16_t>& words = {});
  // Action, then the event loop until Done; returns its result (INT16_MIN if Done never came).
  int16_t Transact();
  std::vector<uint16_t> Words(int count);
  // Runs the event loop until count OnPoll events have arrived (or the wait ends).
  const std::vector<PollEvent>& WaitForPolls(size_t count);

  void Done(int16_t Result) override;
  void OnPoll(int16_t ItemNum, int16_t Result, portwright::VARIANT_BOOL ChgdFlag) override;

 private:
  portwright::IModbusAtl* control_ = nullptr;
  uint32_t cookie_ = 0;
  bool done_ = false;
  int16_t result_ = 0;
  std::vector<PollEvent> polls_;
};

// Registers the component library of this build in the test's private store (once).
void RegisterComponent();

struct CliRun {
  int exitCode = -1;
  QString out;
  QString err;
  QStringList outLines() const;
};

// Runs portwright-cli with the given arguments (and the test's private store unless
// configHome names another folder). The slave peers answer from their own threads.
CliRun RunCli(const QStringList& arguments, const QString& configHome = {});

}  // namespace interop
