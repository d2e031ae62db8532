// The Modbus serial master control: its automation interface, its event interface and the
// error every misuse raises. Hosts see nothing else of the component.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#define PORTWRIGHT_API __attribute__((visibility("default")))

namespace portwright {

// Automation types as they cross the component boundary: int16_t is int16_t, int32_t is
// int32_t, and the automation boolean is VARIANT_BOOL (-1 true, 0 false).
using VARIANT_BOOL = int16_t;
constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

enum enumComPort : int32_t {
  COM1 = 0, COM2, COM3, COM4, COM5, COM6, COM7, COM8,
  COM9, COM10, COM11, COM12, COM13, COM14, COM15
};
enum enumDataType : int32_t { Integer = 0, BCD = 1, Long = 2, Float = 3, String = 4 };
enum enumPLCMode : int32_t { RTU = 0, ASCII = 1 };
enum enumPLCFunction : int32_t {
  ReadCoil = 0,
  ReadInput = 1,
  ReadHoldingReg = 2,
  ReadInputReg = 3,
  ForceSingleCoil = 4,
  SetSingleReg = 5,
  SetMultipleCoils = 6,
  SetMultipleReg = 7
};

constexpr uint32_t DISP_E_EXCEPTION = 0x80020009u;

// An automation error: what a host sees as a run-time error with a description.
class PORTWRIGHT_API AutomationError : public std::runtime_error {
 public:
  explicit AutomationError(const std::string& description, std::string reason = {});
  uint32_t hresult() const { return DISP_E_EXCEPTION; }
  std::string description() const { return what(); }
  std::string source() const;         // the control's ProgID
  std::string interfaceName() const;  // "IModbusAtl"
  // Beside the fixed description: why a network port did not open ("127.0.0.1:5020 refused
  // the connection: ..."); empty for every other error.
  const std::string& reason() const { return reason_; }

 private:
  std::string reason_;
};

// Event sink interface (_IModbusAtlEvents). Events arrive on the thread that created the
// control, inside its event loop.
class _IModbusAtlEvents {
 public:
  virtual ~_IModbusAtlEvents() = default;
  virtual void Done(int16_t Result) = 0;                                  // DISPID 1
  virtual void OnPoll(int16_t ItemNum, int16_t Result, VARIANT_BOOL ChgdFlag) = 0;  // DISPID 2
};

// The container's side: the control asks it for the ambient user-mode property.
class IModbusAtlSite {
 public:
  virtual ~IModbusAtlSite() = default;
  // Returns false when the container cannot answer.
  virtual bool AmbientUserMode(bool& userMode) = 0;
};

// Diagnostics beside the automation interface: every frame written and every reply taken
// (complete or not), as raw bytes, with the transaction's result for replies. Called on the
// control's worker thread, so a sink must be thread-safe and quick.
class IModbusAtlTrace {
 public:
  virtual ~IModbusAtlTrace() = default;
  virtual void Request(const uint8_t* bytes, size_t length) = 0;
  virtual void Reply(const uint8_t* bytes, size_t length, int16_t result) = 0;
};

// IModbusAtl: members in DISPID order, each property get before its put.
class IModbusAtl {
 public:
  virtual ~IModbusAtl() = default;

  virtual enumComPort get_ComPort() = 0;  // 1
  virtual void put_ComPort(enumComPort value) = 0;
  virtual std::string get_Settings() = 0;  // 2
  virtual void put_Settings(const std::string& value) = 0;
  virtual int16_t get_MsgTimeOut() = 0;  // 3
  virtual void put_MsgTimeOut(int16_t value) = 0;
  virtual int16_t get_NodeAddr() = 0;  // 4
  virtual void put_NodeAddr(int16_t value) = 0;
  virtual enumDataType get_DataType() = 0;  // 5
  virtual void put_DataType(enumDataType value) = 0;
  virtual int16_t get_DataQty() = 0;  // 6
  virtual void put_DataQty(int16_t value) = 0;
  virtual int16_t get_DataAddr() = 0;  // 7
  virtual void put_DataAddr(int16_t value) = 0;
  virtual enumPLCMode get_PLCMode() = 0;  // 8
  virtual void put_PLCMode(enumPLCMode value) = 0;
  virtual enumPLCFunction get_Function() = 0;  // 9
  virtual void put_Function(enumPLCFunction value) = 0;
  virtual int16_t get_Data(int16_t Index) = 0;  // 10
  virtual void put_Data(int16_t Index, int16_t value) = 0;
  virtual void put_Action(int16_t value) = 0;  // 11
  virtual VARIANT_BOOL get_PortOpen() = 0;          // 12
  virtual void put_PortOpen(VARIANT_BOOL value) = 0;
  virtual VARIANT_BOOL get_UserMode() = 0;                // 13 (hidden)
  virtual VARIANT_BOOL IsBusy() = 0;                      // 14
  virtual void SignalDone(int16_t Result) = 0;       // 15 (hidden)
  virtual int16_t AddPollItem(int16_t PLCAddress, int16_t MemAddr, int16_t MemCount) = 0;  // 16
  virtual void DeletePollItem(int16_t ItemNum) = 0;  // 17
  virtual int16_t get_PollInterval() = 0;            // 18
  virtual void put_PollInterval(int16_t value) = 0;
  virtual int32_t get_TransactTime() = 0;                         // 19
  virtual void PollComplete(int16_t Result, int32_t TranTime) = 0;  // 20 (hidden)
  virtual int16_t get_PollData(int16_t Item, int16_t Index) = 0;  // 21
  virtual int16_t get_ChgdBits(int16_t Item, int16_t Index) = 0;  // 22
  virtual int16_t get_PollItemCount() = 0;                        // 23
  virtual int16_t get_PollLength(int16_t Item) = 0;               // 24
  virtual std::string get_SWVersion() = 0;                        // 25
  virtual int32_t get_PollTransactionTime(int16_t Item) = 0;         // 26
  virtual void SetPollStartTime() = 0;                            // 27 (hidden)
  virtual VARIANT_BOOL IsBitOn(int16_t Val, int16_t BitNum) = 0;       // 28
  virtual VARIANT_BOOL get_IsPolling() = 0;                            // 29

  // Connection point for _IModbusAtlEvents: returns a cookie for Unadvise.
  virtual uint32_t Advise(_IModbusAtlEvents* sink) = 0;
  virtual void Unadvise(uint32_t cookie) = 0;
  // Hosting: the container that answers ambient properties (may be null).
  virtual void SetClientSite(IModbusAtlSite* site) = 0;
  // Frame trace for diagnostics tools (null to stop).
  virtual void SetTrace(IModbusAtlTrace* trace) = 0;
  // Why the network endpoint behind the port failed in the last transaction, or at the last
  // opening ("the connection to 127.0.0.1:5020 was closed by the other end"); empty on a
  // serial line and while the connection works. Read on the control's thread (a Done or
  // OnPoll handler sees the text of its own transaction).
  virtual std::string LinkProblem() { return {}; }
  // Ends the object (stops the thread, closes the port, deletes the poll items).
  virtual void Release() = 0;
};

}  // namespace portwright
