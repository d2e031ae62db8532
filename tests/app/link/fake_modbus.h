// A stand-in for the Modbus control: records every property put and Action as text, keeps a
// poll list, and can answer reads from a register map by firing Done through the event loop.
#pragma once

#include <QStringList>
#include <functional>
#include <map>
#include <vector>

#include "portwright/modbus_atl.h"

namespace linktest {

struct FakePollItem {
  int16_t plc;
  int16_t address;
  int16_t count;
  std::vector<int16_t> words;
};

class FakeModbus : public portwright::IModbusAtl {
 public:
  QStringList calls;  // "NodeAddr=1", "Data(0)=-25536", "Action", "AddPollItem(1,257,36)"...
  std::map<int, int16_t> registers;  // answers to reads, by register address
  bool answerReads = false;          // fire Done(0) for each Action (reads fill Data(0..))
  bool busy = false;
  bool polling = false;
  bool portOpen = false;
  std::string failOpenWith;  // a non-empty text makes PortOpen = true raise it
  std::vector<FakePollItem> pollItems;
  int16_t pollInterval = 0;
  std::string settings = "19200,N,8,1";
  int16_t msgTimeOut = 1000;

  QStringList callsStarting(const QString& prefix) const { return calls.filter(prefix); }

  portwright::enumComPort get_ComPort() override { return comPort_; }
  void put_ComPort(portwright::enumComPort value) override;
  std::string get_Settings() override { return settings; }
  void put_Settings(const std::string& value) override;
  int16_t get_MsgTimeOut() override { return msgTimeOut; }
  void put_MsgTimeOut(int16_t value) override { msgTimeOut = value; }
  int16_t get_NodeAddr() override { return node_; }
  void put_NodeAddr(int16_t value) override;
  portwright::enumDataType get_DataType() override { return dataType_; }
  void put_DataType(portwright::enumDataType value) override;
  int16_t get_DataQty() override { return quantity_; }
  void put_DataQty(int16_t value) override;
  int16_t get_DataAddr() override { return address_; }
  void put_DataAddr(int16_t value) override;
  portwright::enumPLCMode get_PLCMode() override { return mode_; }
  void put_PLCMode(portwright::enumPLCMode value) override;
  portwright::enumPLCFunction get_Function() override { return function_; }
  void put_Function(portwright::enumPLCFunction value) override;
  int16_t get_Data(int16_t Index) override { return data_.at(Index); }
  void put_Data(int16_t Index, int16_t value) override;
  void put_Action(int16_t value) override;
  portwright::VARIANT_BOOL get_PortOpen() override { return portOpen ? -1 : 0; }
  void put_PortOpen(portwright::VARIANT_BOOL value) override;
  portwright::VARIANT_BOOL get_UserMode() override { return -1; }
  portwright::VARIANT_BOOL IsBusy() override { return busy ? -1 : 0; }
  void SignalDone(int16_t) override {}
  int16_t AddPollItem(int16_t PLCAddress, int16_t MemAddr, int16_t MemCount) override;
  void DeletePollItem(int16_t ItemNum) override;
  int16_t get_PollInterval() override { return pollInterval; }
  void put_PollInterval(int16_t value) override;
  int32_t get_TransactTime() override { return 0; }
  void PollComplete(int16_t, int32_t) override {}
  int16_t get_PollData(int16_t Item, int16_t Index) override;
  int16_t get_ChgdBits(int16_t, int16_t) override { return 0; }
  int16_t get_PollItemCount() override { return static_cast<int16_t>(pollItems.size()); }
  int16_t get_PollLength(int16_t Item) override;
  std::string get_SWVersion() override { return "1.0.0.0002"; }
  int32_t get_PollTransactionTime(int16_t) override { return 0; }
  void SetPollStartTime() override {}
  portwright::VARIANT_BOOL IsBitOn(int16_t Val, int16_t BitNum) override;
  portwright::VARIANT_BOOL get_IsPolling() override { return polling ? -1 : 0; }
  uint32_t Advise(portwright::_IModbusAtlEvents*) override { return 1; }
  void Unadvise(uint32_t) override {}
  void SetClientSite(portwright::IModbusAtlSite*) override {}
  void SetTrace(portwright::IModbusAtlTrace*) override {}
  void Release() override {}

 private:
  void record(const QString& call) { calls.append(call); }
  void answer();

  portwright::enumComPort comPort_ = portwright::COM1;
  int16_t node_ = 1;
  portwright::enumDataType dataType_ = portwright::Integer;
  int16_t quantity_ = 1;
  int16_t address_ = 1;
  portwright::enumPLCMode mode_ = portwright::RTU;
  portwright::enumPLCFunction function_ = portwright::ReadCoil;
  std::vector<int16_t> data_ = std::vector<int16_t>(256, 0);
};

}  // namespace linktest
