#include "fake_modbus.h"

#include <QTimer>
#include <stdexcept>

#include "link/poll_groups.h"

namespace linktest {
namespace {

// What the real control raises for misuse (the fake needs no component library for it).
[[noreturn]] void fail(const char* text) { throw std::runtime_error(text); }

}  // namespace

void FakeModbus::put_ComPort(portwright::enumComPort value) {
  if (value < 0 || value > 14) fail("Illegal COM Port ID");
  comPort_ = value;
  record(QStringLiteral("ComPort=%1").arg(value));
}

void FakeModbus::put_Settings(const std::string& value) {
  if (value.empty() || value.front() == ',') fail("Illegal COM Settings");  // no baud rate
  settings = value;
  record(QStringLiteral("Settings=") + QString::fromStdString(value));
}

void FakeModbus::put_NodeAddr(int16_t value) {
  if (busy) fail("Sorry, I'm busy with a transaction");
  if (value < 1 || value > 247) fail("Illegal Node Address");
  node_ = value;
  record(QStringLiteral("NodeAddr=%1").arg(value));
}

void FakeModbus::put_DataType(portwright::enumDataType value) {
  if (busy) fail("Sorry, I'm busy with a transaction");
  dataType_ = value;
  record(QStringLiteral("DataType=%1").arg(value));
}

void FakeModbus::put_DataQty(int16_t value) {
  if (busy) fail("Sorry, I'm busy with a transaction");
  if (value < 1 || value > 2000) fail("Illegal Data Quantity");
  quantity_ = value;
  record(QStringLiteral("DataQty=%1").arg(value));
}

void FakeModbus::put_DataAddr(int16_t value) {
  if (busy) fail("Sorry, I'm busy with a transaction");
  if (value < 1 || value > 4095) fail("Illegal Data Address");
  address_ = value;
  record(QStringLiteral("DataAddr=%1").arg(value));
}

void FakeModbus::put_PLCMode(portwright::enumPLCMode value) {
  if (busy) fail("Sorry, I'm busy with a transaction");
  mode_ = value;
  record(QStringLiteral("PLCMode=%1").arg(value));
}

void FakeModbus::put_Function(portwright::enumPLCFunction value) {
  if (busy) fail("Sorry, I'm busy with a transaction");
  function_ = value;
  record(QStringLiteral("Function=%1").arg(value));
}

void FakeModbus::put_Data(int16_t Index, int16_t value) {
  if (busy) fail("Sorry, I'm busy with a transaction");
  data_.at(Index) = value;
  record(QStringLiteral("Data(%1)=%2").arg(Index).arg(value));
}

void FakeModbus::put_Action(int16_t) {
  if (!portOpen) fail("COM Port must be open to execute this method");
  if (busy) fail("Control is Busy");
  record(QStringLiteral("Action"));
  if (answerReads) answer();
}

// Serves the transaction from the register map and delivers Done(0) a moment later, through
// the event loop, as the real control does.
void FakeModbus::answer() {
  const bool read =
      function_ == portwright::ReadHoldingReg || function_ == portwright::ReadInputReg;
  for (int i = 0; i < quantity_; ++i) {
    if (read)
      data_[i] = registers.count(address_ + i) ? registers[address_ + i] : 0;
    else
      registers[address_ + i] = data_[i];
  }
  busy = true;
  QTimer::singleShot(5, [this] {
    busy = false;
    basFunctions::Mod1_Done(0);
  });
}

void FakeModbus::put_PortOpen(portwright::VARIANT_BOOL value) {
  if (value != 0 && !failOpenWith.empty()) fail(failOpenWith.c_str());
  portOpen = value != 0;
  if (!portOpen) busy = false;
  record(QStringLiteral("PortOpen=%1").arg(value));
}

int16_t FakeModbus::AddPollItem(int16_t PLCAddress, int16_t MemAddr, int16_t MemCount) {
  if (portOpen && pollInterval != 0) fail("Can't add poll item while polling in progress");
  pollItems.push_back({PLCAddress, MemAddr, MemCount, std::vector<int16_t>(64, 0)});
  record(QStringLiteral("AddPollItem(%1,%2,%3)").arg(PLCAddress).arg(MemAddr).arg(MemCount));
  return static_cast<int16_t>(pollItems.size() - 1);
}

void FakeModbus::DeletePollItem(int16_t ItemNum) {
  if (portOpen && pollInterval != 0) fail("Can't delete poll item when polling is in progress");
  if (pollItems.empty() || ItemNum >= static_cast<int>(pollItems.size()))
    fail("Unable to delete Poll object");
  pollItems.erase(pollItems.begin() + std::max<int>(0, ItemNum));
  record(QStringLiteral("DeletePollItem(%1)").arg(ItemNum));
}

void FakeModbus::put_PollInterval(int16_t value) {
  record(QStringLiteral("PollInterval=%1").arg(value));
  if (value > 0 && portOpen && pollItems.empty()) fail("Can't poll- No poll objects exist");
  pollInterval = value;
  polling = value > 0 && portOpen;
}

int16_t FakeModbus::get_PollData(int16_t Item, int16_t Index) {
  if (pollItems.empty()) fail("No poll items exist");
  if (Item >= static_cast<int>(pollItems.size())) fail("Illegal Poll Item");
  if (Index < 0 || Index > 63) fail("Illegal Data Index");
  return pollItems[std::max<int>(0, Item)].words[Index];
}

int16_t FakeModbus::get_PollLength(int16_t Item) {
  if (Item < 0 || Item >= static_cast<int>(pollItems.size())) return 0;
  return pollItems[Item].count;
}

portwright::VARIANT_BOOL FakeModbus::IsBitOn(int16_t Val, int16_t BitNum) {
  return (static_cast<uint16_t>(Val) >> (BitNum - 1)) & 1 ? -1 : 0;
}

}  // namespace linktest
