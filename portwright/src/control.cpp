#include "control.h"

#include <QTimer>
#include <algorithm>
#include <cstring>

#include "module_lock.h"
#include "serial_port.h"  // ValidSettingsText

namespace portwright {

namespace {

constexpr int kUserModeRefreshMs = 1000;

void Require(bool condition, const char* errorText) {
  if (!condition) throw AutomationError(errorText);
}

// The members a decode may change; the addressing fields stay as the control set them.
void CopyReplyData(const TransactionRecord& from, TransactionRecord& to) {
  std::memcpy(to.words, from.words, sizeof to.words);
  std::memcpy(to.floats, from.floats, sizeof to.floats);
  std::memcpy(to.longs, from.longs, sizeof to.longs);
  std::memcpy(to.text, from.text, sizeof to.text);
}

}  // namespace

ModbusAtl::ModbusAtl() {
  pollRecord_.function = ReadHoldingReg;
  userModeTimer_ = std::make_unique<QTimer>();
  userModeTimer_->setInterval(kUserModeRefreshMs);
  QObject::connect(userModeTimer_.get(), &QTimer::timeout, userModeTimer_.get(),
                   [this] { RefreshUserMode(); });
  apartment_.SetWakeHandler([this] { ReapEndedThreads(); });
  ModuleObjectCreated();
}

ModbusAtl::~ModbusAtl() {
  sinks_.clear();
  if (thread_) StopThread(std::move(thread_));
  if (retiring_) StopThread(std::move(retiring_));
  ModuleObjectDestroyed();
}

void ModbusAtl::Release() {
  sinks_.clear();
  site_ = nullptr;
  if (apartment_.CallDepth() == 0 && !opening_) {
    delete this;
    return;
  }
  // Released from inside an event: the worker's call (or a connect) is still on the stack,
  // so the object ends once that has returned.
  if (released_) return;
  released_ = true;
  if (opening_) {
    openCancelled_ = true;  // OpenPort ends the object when the connect has given up
    return;
  }
  QTimer::singleShot(0, [this] { delete this; });
}

bool ModbusAtl::Busy() const { return shared_.busy.load(std::memory_order_relaxed) == -1; }

void ModbusAtl::RequireIdle() const { Require(!Busy(), "Sorry, I'm busy with a transaction"); }

// --- communication settings ---

enumComPort ModbusAtl::get_ComPort() { return comPort_; }

void ModbusAtl::put_ComPort(enumComPort value) {
  Require(value >= COM1 && value <= COM15, "Illegal COM Port ID");
  comPort_ = value;
}

std::string ModbusAtl::get_Settings() { return settings_; }

void ModbusAtl::put_Settings(const std::string& value) {
  Require(ValidSettingsText(value), "Illegal COM Settings");
  settings_ = value;
}

int16_t ModbusAtl::get_MsgTimeOut() { return shared_.msgTimeOut.load(std::memory_order_relaxed); }

void ModbusAtl::put_MsgTimeOut(int16_t value) {
  Require(value >= 1 && value <= 30000, "Illegal Timeout Value");
  shared_.msgTimeOut.store(value, std::memory_order_relaxed);
}

enumPLCMode ModbusAtl::get_PLCMode() {
  return static_cast<enumPLCMode>(shared_.mode.load(std::memory_order_relaxed));
}

void ModbusAtl::put_PLCMode(enumPLCMode value) {
  RequireIdle();
  Require(value == RTU || value == ASCII, "Illegal PLC Mode");
  shared_.mode.store(value, std::memory_order_relaxed);
}

// --- the user record ---

int16_t ModbusAtl::get_NodeAddr() { return userRecord_.node; }

void ModbusAtl::put_NodeAddr(int16_t value) {
  RequireIdle();
  Require(value >= 1 && value <= 247, "Illegal Node Address");
  userRecord_.node = static_cast<uint8_t>(value);
  pollRecord_.node = static_cast<uint8_t>(value);
}

enumDataType ModbusAtl::get_DataType() { return userRecord_.dataType; }

void ModbusAtl::put_DataType(enumDataType value) {
  RequireIdle();
  Require(value >= Integer && value <= String, "Illegal Data Type");
  userRecord_.dataType = value;
}

int16_t ModbusAtl::get_DataQty() { return userRecord_.quantity; }

void ModbusAtl::put_DataQty(int16_t value) {
  RequireIdle();
  Require(value >= 1 && value <= 2000, "Illegal Data Quantity");
  userRecord_.quantity = value;
}

int16_t ModbusAtl::get_DataAddr() { return userRecord_.address; }

void ModbusAtl::put_DataAddr(int16_t value) {
  RequireIdle();
  Require(value >= 1 && value <= 4095, "Illegal Data Address");
  userRecord_.address = value;
}

enumPLCFunction ModbusAtl::get_Function() { return userRecord_.function; }

void ModbusAtl::put_Function(enumPLCFunction value) {
  RequireIdle();
  Require(value >= ReadCoil && value <= SetMultipleReg, "Illegal PLC Function");
  userRecord_.function = value;
}

int16_t ModbusAtl::get_Data(int16_t Index) {
  Require(Index >= 0 && Index <= 255, "Illegal Data Index");
  return userRecord_.words[Index];
}

void ModbusAtl::put_Data(int16_t Index, int16_t value) {
  RequireIdle();
  Require(Index >= 0 && Index <= 255, "Illegal Data Index");
  userRecord_.words[Index] = value;
}

// --- transactions ---

void ModbusAtl::put_Action(int16_t) {
  Require(portOpen_ == VARIANT_TRUE && ThreadRunning(),
          "COM Port must be open to execute this method");
  Require(!Busy(), "Control is Busy");
  transactStart_ = MonotonicMs();
  // Release: the worker that loads -1 with acquire sees the record as filled above.
  shared_.busy.store(-1, std::memory_order_release);
  shared_.Notify();
}

VARIANT_BOOL ModbusAtl::IsBusy() { return shared_.busy.load(std::memory_order_relaxed); }

void ModbusAtl::SignalDone(int16_t Result) {
  shared_.busy.store(0, std::memory_order_release);
  lastTransactTime_ = static_cast<int32_t>(MonotonicMs() - transactStart_);
  FireDone(Result);
}

int32_t ModbusAtl::get_TransactTime() { return lastTransactTime_; }

void ModbusAtl::UserTransactionDone(const TransactionRecord& work, int16_t result) {
  CopyReplyData(work, userRecord_);
  RefreshUserMode();
  SignalDone(result);
}

std::string ModbusAtl::get_SWVersion() { return "1.0.0.0002"; }

VARIANT_BOOL ModbusAtl::IsBitOn(int16_t Val, int16_t BitNum) {
  Require(BitNum >= 1 && BitNum <= 16, "Illegal Bit Number");
  const auto bits = static_cast<uint16_t>(Val);
  return ((bits >> (BitNum - 1)) & 1) ? VARIANT_TRUE : VARIANT_FALSE;
}

// --- container and events ---

bool ModbusAtl::AskUserMode(bool& userMode) const {
  userMode = false;
  return site_ != nullptr && site_->AmbientUserMode(userMode);
}

VARIANT_BOOL ModbusAtl::get_UserMode() {
  RefreshUserMode();
  bool userMode = false;
  return AskUserMode(userMode) && userMode ? VARIANT_TRUE : VARIANT_FALSE;
}

// The worker reads the container's answer from here instead of asking through this thread
// on every pass. Only an explicit "design mode" stops it: a host without a container (a
// command-line tool) must still be served.
void ModbusAtl::RefreshUserMode() {
  bool userMode = false;
  const bool designMode = AskUserMode(userMode) && !userMode;
  if (designMode != shared_.designMode.load(std::memory_order_relaxed)) {
    shared_.designMode.store(designMode, std::memory_order_release);
    shared_.Notify();
  }
}

void ModbusAtl::SetClientSite(IModbusAtlSite* site) {
  site_ = site;
  RefreshUserMode();
}

void ModbusAtl::SetTrace(IModbusAtlTrace* trace) { trace_.SetSink(trace); }

uint32_t ModbusAtl::Advise(_IModbusAtlEvents* sink) {
  if (!sink) return 0;
  const uint32_t cookie = nextCookie_++;
  sinks_.emplace_back(cookie, sink);
  return cookie;
}

void ModbusAtl::Unadvise(uint32_t cookie) {
  std::erase_if(sinks_, [cookie](const auto& entry) { return entry.first == cookie; });
}

// A handler may advise or unadvise sinks while an event is being fired: walk a copy and skip
// the sinks that left meanwhile. A handler that fails is the host's affair: the other sinks
// still get the event and the caller (the worker's call, the poll cycle) carries on.
template <class Deliver>
void ModbusAtl::FireEvent(Deliver deliver) {
  const auto sinks = sinks_;
  for (const auto& [cookie, sink] : sinks) {
    auto advised = [c = cookie](const auto& entry) { return entry.first == c; };
    if (!std::any_of(sinks_.begin(), sinks_.end(), advised)) continue;
    try {
      deliver(*sink);
    } catch (...) {
      // Not the control's to report: the host's handler traps and logs its own errors.
    }
  }
}

void ModbusAtl::FireDone(int16_t result) {
  FireEvent([&](_IModbusAtlEvents& sink) { sink.Done(result); });
}

void ModbusAtl::FireOnPoll(int16_t itemNum, int16_t result, VARIANT_BOOL changed) {
  FireEvent([&](_IModbusAtlEvents& sink) { sink.OnPoll(itemNum, result, changed); });
}

}  // namespace portwright
