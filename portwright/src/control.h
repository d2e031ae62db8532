// ModbusAtl: the control object. Lives on the thread that created it; owns the serial port,
// the CommThread, the two transaction records and the poll list, and fires Done and OnPoll
// to every connected sink on its own thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "apartment.h"
#include "comm_thread.h"
#include "poll_list.h"
#include "portwright/modbus_atl.h"
#include "trace_forwarder.h"
#include "transaction_record.h"

class QTimer;

namespace portwright {

class ModbusAtl final : public IModbusAtl, private WorkerClient {
 public:
  ModbusAtl();
  ~ModbusAtl() override;
  ModbusAtl(const ModbusAtl&) = delete;
  ModbusAtl& operator=(const ModbusAtl&) = delete;

  enumComPort get_ComPort() override;
  void put_ComPort(enumComPort value) override;
  std::string get_Settings() override;
  void put_Settings(const std::string& value) override;
  int16_t get_MsgTimeOut() override;
  void put_MsgTimeOut(int16_t value) override;
  int16_t get_NodeAddr() override;
  void put_NodeAddr(int16_t value) override;
  enumDataType get_DataType() override;
  void put_DataType(enumDataType value) override;
  int16_t get_DataQty() override;
  void put_DataQty(int16_t value) override;
  int16_t get_DataAddr() override;
  void put_DataAddr(int16_t value) override;
  enumPLCMode get_PLCMode() override;
  void put_PLCMode(enumPLCMode value) override;
  enumPLCFunction get_Function() override;
  void put_Function(enumPLCFunction value) override;
  int16_t get_Data(int16_t Index) override;
  void put_Data(int16_t Index, int16_t value) override;
  void put_Action(int16_t value) override;
  VARIANT_BOOL get_PortOpen() override;
  void put_PortOpen(VARIANT_BOOL value) override;
  VARIANT_BOOL get_UserMode() override;
  VARIANT_BOOL IsBusy() override;
  void SignalDone(int16_t Result) override;
  int16_t AddPollItem(int16_t PLCAddress, int16_t MemAddr, int16_t MemCount) override;
  void DeletePollItem(int16_t ItemNum) override;
  int16_t get_PollInterval() override;
  void put_PollInterval(int16_t value) override;
  int32_t get_TransactTime() override;
  void PollComplete(int16_t Result, int32_t TranTime) override;
  int16_t get_PollData(int16_t Item, int16_t Index) override;
  int16_t get_ChgdBits(int16_t Item, int16_t Index) override;
  int16_t get_PollItemCount() override;
  int16_t get_PollLength(int16_t Item) override;
  std::string get_SWVersion() override;
  int32_t get_PollTransactionTime(int16_t Item) override;
  void SetPollStartTime() override;
  VARIANT_BOOL IsBitOn(int16_t Val, int16_t BitNum) override;
  VARIANT_BOOL get_IsPolling() override;

  uint32_t Advise(_IModbusAtlEvents* sink) override;
  void Unadvise(uint32_t cookie) override;
  void SetClientSite(IModbusAtlSite* site) override;
  void SetTrace(IModbusAtlTrace* trace) override;
  std::string LinkProblem() override { return linkProblem_; }
  void Release() override;

 private:
  // WorkerClient: run on this thread while the worker waits.
  const TransactionRecord& UserRecord() const override { return userRecord_; }
  void UserTransactionDone(const TransactionRecord& work, int16_t result) override;
  bool PollStarting(TransactionRecord& work, PollTicket& ticket) override;
  void PollTransactionDone(const TransactionRecord& work, int16_t result,
                           PollTicket ticket) override;
  void NoteLinkProblem(const std::string& problem) override { linkProblem_ = problem; }

  void RequireIdle() const;
  bool Busy() const;
  bool ThreadRunning() const;
  bool AskUserMode(bool& userMode) const;
  void RefreshUserMode();

  // Port and thread (control_port.cpp).
  void OpenPort();
  std::unique_ptr<Link> OpenLinkOfPort();
  void ClosePort();
  void StopThread(std::unique_ptr<CommThread> thread);
  void WaitForEnd(CommThread& thread);
  void ReapEndedThreads();
  void ClearUnservedTransaction();

  // Polling (control_poll.cpp).
  void StartPolling();
  void ResumePollingOnOpen();
  void LoadPollRecord(const PollItem& item);
  void AdvancePoll();
  void LeavePollInFlight() { ++pollGeneration_; }
  void PublishPollInterval();
  PollItem& PollItemForData(int16_t Item, int16_t Index);

  template <class Deliver>
  void FireEvent(Deliver deliver);
  void FireDone(int16_t result);
  void FireOnPoll(int16_t itemNum, int16_t result, VARIANT_BOOL changed);

  ThreadShared shared_;
  Apartment apartment_;
  TraceForwarder trace_;
  std::unique_ptr<CommThread> thread_;
  std::unique_ptr<CommThread> retiring_;  // stopped from inside one of its own calls
  CommThread* stopping_ = nullptr;        // being waited for
  std::unique_ptr<QTimer> userModeTimer_;

  enumComPort comPort_ = COM1;
  std::string settings_ = "19200,N,8,1";
  VARIANT_BOOL portOpen_ = VARIANT_FALSE;
  bool closing_ = false;
  bool opening_ = false;        // a network connection is being made
  bool openCancelled_ = false;  // PortOpen = 0 came while it was
  std::string linkProblem_;
  bool released_ = false;
  uint32_t transactStart_ = 0;
  int32_t lastTransactTime_ = 0;

  TransactionRecord userRecord_;
  TransactionRecord pollRecord_;
  PollList pollList_;
  uint32_t pollStartTick_ = 0;
  int16_t pollInterval_ = 0;
  VARIANT_BOOL polling_ = VARIANT_FALSE;
  int16_t pollIndex_ = 0;
  // Advanced whenever the cycle moves on, stops, starts or its list changes: a poll started
  // before is then credited to nothing (see PollTransactionDone).
  PollTicket pollGeneration_ = 0;

  std::vector<std::pair<uint32_t, _IModbusAtlEvents*>> sinks_;
  uint32_t nextCookie_ = 1;
  IModbusAtlSite* site_ = nullptr;
};

}  // namespace portwright
