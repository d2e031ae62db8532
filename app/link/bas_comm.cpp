#include "link/bas_comm.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>
#include <QVariant>

#include "core/app_state.h"
#include "core/database.h"
#include "core/host.h"
#include "core/logs.h"
#include "core/status.h"
#include "drive_facts.h"
#include "link/frm_comm_settings.h"
#include "link/poll_groups.h"
#include "params/number_text.h"
#include "params/value_table.h"

namespace basComm {

int16_t DriveConnected = 0;
int16_t ConnectTesting = 0;
int16_t DriveNodeAddress = 0;

namespace {

using basFunctions::guarded;
using portwright::IModbusAtl;

bool busy(IModbusAtl& mod1) { return mod1.IsBusy() != portwright::VARIANT_FALSE; }

// The control clears its busy flag inside an event delivered on this thread, so waiting for it
// must keep dispatching events. The wait sleeps a millisecond between looks and is not one of
// the program's pauses, so a test that shortens those does not make it spin. A control that
// stays busy longer than its own reply time-out plus a margin is left alone; the next call then
// reports "Control is Busy".
void waitUntilIdle(IModbusAtl& mod1) {
  QElapsedTimer waited;
  waited.start();
  const qint64 limit = mod1.get_MsgTimeOut() + 1000;
  while (busy(mod1) && waited.elapsed() < limit) {
    QEventLoop loop;
    QTimer::singleShot(1, &loop, &QEventLoop::quit);
    loop.exec();
  }
}

// Sends one word to the logon register and gives the drive time to take it.
void writeLogonWord(IModbusAtl& mod1, int16_t word) {
  waitUntilIdle(mod1);
  mod1.put_Data(0, word);
  waitUntilIdle(mod1);
  mod1.put_Action(1);
  basFunctions::WaitaWhile(0.5);
}

}  // namespace

void WaitUntilIdle(IModbusAtl& mod1) { waitUntilIdle(mod1); }

int16_t WireWord(int32_t raw) {
  // One register: -32768..65535. Anything else would reach the drive as another value.
  if (raw < -32768 || raw > 65535) throw basFunctions::ProgramError(6, "Overflow");
  const int32_t word = raw > 32767 ? raw - 65536 : raw;
  return static_cast<int16_t>(word);
}

void ReadData(int16_t /*unused*/, int16_t quantity, portwright::enumDataType dataType, int16_t node,
              int16_t address, portwright::enumPLCFunction function) {
  guarded("basComm, ReadData()", [&] {
    IModbusAtl& mod1 = host::Mod1();
    mod1.put_NodeAddr(node);
    mod1.put_DataType(dataType);
    mod1.put_DataAddr(address);
    mod1.put_DataQty(quantity);
    mod1.put_Function(function);
    mod1.put_Action(1);
  });
}

int16_t WriteData(const QString& key, int16_t quantity, portwright::enumDataType dataType,
                  int16_t address) {
  guarded("basComm, WriteData()", [&] {
    const int group = static_cast<int>(number_text::LeadingNumber(key.left(1)));
    const int number = static_cast<int>(number_text::LeadingNumber(key.right(2)));
    if (DriveConnected != 1) {
      ConnectionStatus();
      return;
    }
    IModbusAtl& mod1 = host::Mod1();
    if (busy(mod1)) basFunctions::WaitaWhile(0.5);
    waitUntilIdle(mod1);
    mod1.put_NodeAddr(DriveNodeAddress);
    mod1.put_DataType(dataType);
    // Internal groups 5 and 6 are not in the database: the caller knows their address.
    const int16_t target = number_text::LeadingNumber(key) >= 500 ? address : GetAddress(key);
    mod1.put_DataAddr(target);
    mod1.put_DataQty(quantity);
    mod1.put_Function(portwright::SetMultipleReg);
    for (int i = 0; i < quantity; ++i)
      mod1.put_Data(static_cast<int16_t>(i),
                    WireWord(basFunctions::WorkingConfig.P(group, number + i)));
    waitUntilIdle(mod1);
    mod1.put_Action(1);
    if (basMain::ExpressActive)
      basFunctions::EventLog("XPress writing " +
                             QString::number(basFunctions::WorkingConfig.P(group, number)) +
                             " to P" + QString::number(group) + "." + QString::number(number));
  });
  return 0;
}

int16_t SendLogonCommand(int16_t logMode) {
  guarded("basComm, SendLogonCommand()", [&] {
    if (DriveConnected != 1) {
      ConnectionStatus();
    } else {
      IModbusAtl& mod1 = host::Mod1();
      waitUntilIdle(mod1);
      mod1.put_NodeAddr(DriveNodeAddress);
      mod1.put_DataType(portwright::Integer);
      mod1.put_DataAddr(GetAddress(QStringLiteral("208")));
      mod1.put_DataQty(1);
      mod1.put_Function(portwright::SetMultipleReg);
      // The logon code (0 logs off), then the confirming code that makes the drive act on it.
      writeLogonWord(mod1, logMode == 1 ? drive_facts::kLogonCode : 0);
      writeLogonWord(mod1, drive_facts::kConfirmCode);
    }
    basFunctions::EventLog(QStringLiteral("Sent Logon/Logoff Command for Internal Parameters.") +
                           " LogMode = " + QString::number(logMode));
    IModbusAtl& mod1 = host::Mod1();
    waitUntilIdle(mod1);
    mod1.put_Data(0, 0);
  });
  return 0;
}

int16_t GetAddress(const QString& key) {
  int16_t address = 0;
  const basMain::DbConnection db = basMain::ConnectDB();
  if (!db) return 0;
  guarded("basComm, GetAddress()", [&] {
    QSqlQuery query = db.query();
    query.prepare(QStringLiteral("Select Address from tblDriveParameters WHERE Parameter = ?"));
    query.addBindValue(key);
    if (!query.exec())
      throw basFunctions::ProgramError(-2147217900, query.lastError().text().toStdString());
    if (!query.next())
      throw basFunctions::ProgramError(
          3021, "Either BOF or EOF is True, or the current record has been deleted.");
    const int value = query.value(0).toInt();
    if (value < -32768 || value > 32767) throw basFunctions::ProgramError(6, "Overflow");
    address = static_cast<int16_t>(value);
  });
  return address;
}

int16_t GetAmpCode(int16_t driveCode) {
  return static_cast<int16_t>(drive_facts::AmpCodeOfMotor(driveCode));
}

void CloseConnection() {
  guarded("basComm, CloseConnection()", [] {
    IModbusAtl& mod1 = host::Mod1();
    mod1.put_PortOpen(portwright::VARIANT_FALSE);
    mod1.put_PollInterval(0);
    host::SetStatusPanel(4, QStringLiteral("Off-Line "));
    DriveConnected = 0;
    basFunctions::Status(0, 0, QStringLiteral("Connection To Servo Closed"));
    basFunctions::EventLog(QStringLiteral("Connection to drive closed"));
    basFunctions::InitComplete = false;
    basFunctions::PollItemSeen.fill(0);
  });
}

namespace {
LastWords g_lastWords;
}  // namespace

void SetLastWords(LastWords words) { g_lastWords = std::move(words); }

bool LastWordsNeeded() { return g_lastWords.needed && g_lastWords.needed(); }

void DeclareDriveLost() {
  static bool sendingLastWords = false;
  if (DriveConnected == 1 && !sendingLastWords && LastWordsNeeded()) {
    sendingLastWords = true;
    guarded("basComm, DeclareDriveLost()", [] { g_lastWords.send(); });
    sendingLastWords = false;
    if (DriveConnected != 1) return;  // events ran meanwhile: declared lost already
  }
  CloseConnection();
  basFunctions::Status(0, 0, kLostCommunication);
  basFunctions::ErrorLog(QStringLiteral("Lost communication to drive"),
                         QStringLiteral("Communication"), 0, QStringLiteral("0"));
  basFunctions::PollFailCount = 0;
  basMain::ExpressActive = false;
  frmCommSettings::DisplayFailurePanel();
}

int16_t ConnectionStatus() {
  guarded("basComm, ConnectionStatus()", [] {
    if (DriveConnected != 0) return;
    DeclareDriveLost();
    basFunctions::WaitaWhile(1);
  });
  return 0;
}

}  // namespace basComm
