#include "link/connect_sequence.h"

#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <cmath>

#include "core/app_state.h"
#include "core/database.h"
#include "core/host.h"
#include "core/logs.h"
#include "core/main_window_access.h"
#include "core/prompt.h"
#include "core/status.h"
#include "drive_facts.h"
#include "link/bas_comm.h"
#include "link/poll_groups.h"
#include "link/serial_ports.h"
#include "params/number_text.h"
#include "params/value_table.h"

namespace commSettings {

std::array<double, 6> LastCommSelection{};
int LastComNumber = 0;
QString LastSpeedText;
QString LastModeText;
std::function<void()> ShowXMode;

namespace {

using basFunctions::Status;
using basFunctions::WaitaWhile;
using portwright::IModbusAtl;

constexpr const char* kLocation = "frmCommSettings, cmdConnect_Click";

constexpr ProtocolChoice kProtocols[] = {
    {portwright::ASCII, ",N,7,2", "ASCII MODE"}, {portwright::ASCII, ",E,7,1", "ASCII MODE"},
    {portwright::ASCII, ",O,7,1", "ASCII MODE"}, {portwright::ASCII, ",N,8,2", "ASCII MODE"},
    {portwright::ASCII, ",E,8,1", "ASCII MODE"}, {portwright::ASCII, ",O,8,1", "ASCII MODE"},
    {portwright::RTU, ",N,8,2", "RTU MODE"},     {portwright::RTU, ",E,8,1", "RTU MODE"},
    {portwright::RTU, ",O,8,1", "RTU MODE"},
};

const QString kCr = QStringLiteral("\r");

// A Modbus slave answers at node 1..247 (0 is the broadcast, 248..255 are reserved).
constexpr int kFirstNode = 1;
constexpr int kLastNode = 247;

// A typed node address as a whole number (halves round to even).
double roundedNode(const QString& address) {
  return std::nearbyint(number_text::LeadingNumber(address));
}

// What is wrong with a typed node address, or the empty text when a drive can have it.
QString nodeAddressProblem(const QString& address) {
  if (!number_text::IsNumber(address))
    return QStringLiteral(" Please enter a node address. Address must be numeric.");
  const double node = roundedNode(address);
  if (node < kFirstNode || node > kLastNode)
    return QStringLiteral(" Please enter a node address. Address must be from 1 to 247.");
  return QString();
}

int16_t nodeOf(const QString& address) { return static_cast<int16_t>(roundedNode(address)); }

// The pause gives the drive time to answer; a reply still on its way (a slow line, shortened
// pauses) is waited for, so Data(0) is never the word of an earlier read.
void readOneWord(int16_t node, int16_t address) {
  basComm::ReadData(0, 1, portwright::Integer, node, address, portwright::ReadHoldingReg);
  WaitaWhile(1);
  basComm::WaitUntilIdle(host::Mod1());
}

bool portOpenFailure(const portwright::AutomationError& e) {
  const std::string text = e.what();
  return text == "Failed to Open COM Port" || text == "Failed to Start COM Thread";
}

// Asks for the passcode when the drive has one; false (connection closed) when it is wrong.
bool passcodeAccepted(IModbusAtl& mod1, int16_t node) {
  readOneWord(node, drive_facts::kPasscodeAddress);
  Status(1, 675, QString());
  // The word is unsigned: a passcode above 32767 must not read as "no passcode".
  const int passcode = static_cast<uint16_t>(mod1.get_Data(0));
  if (passcode <= drive_facts::kNoPasscodeThreshold) return true;
  const QString entered =
      prompt::InputBox(QStringLiteral("Please enter your 5 digit numeric passcode."),
                       QStringLiteral("Passcode Required"));
  if (number_text::LeadingNumber(entered) == passcode) return true;
  prompt::MsgBox(QStringLiteral("The Passcode you entered is incorrect."), prompt::Buttons::OK,
                 prompt::Icon::Critical, QStringLiteral("Incorrect Passcode"));
  // The logon of the connect is still in force: take it back before leaving the drive.
  basComm::SendLogonCommand(0);
  basComm::CloseConnection();
  Status(0, 0, QStringLiteral("Wrong Passcode Entered - Disconnecting From Servo"));
  basFunctions::EventLog(QStringLiteral("Failed to enter correct passcode upon connect"));
  mainWindow::SetNormalPointer();
  return false;
}

// Steps after the drive's first good answer: logon, firmware word, passcode, polling.
void completeConnection(IModbusAtl& mod1, int16_t node, const QString& modeText) {
  basComm::DriveConnected = 1;
  Status(1, 130, QStringLiteral("Initializing, please be patient......"));
  WaitaWhile(1);
  Status(1, 245, QString());
  basComm::ConnectTesting = 0;
  basFunctions::PollGroup = 1;
  basComm::DriveNodeAddress = node;
  WaitaWhile(0.5);
  basComm::SendLogonCommand(1);
  WaitaWhile(0.5);
  Status(1, 460, QString());

  readOneWord(node, 1);
  basFunctions::DriveImage.P(0, 0) = mod1.get_Data(0);
  if (!passcodeAccepted(mod1, node)) return;

  basFunctions::SetPollGroups(1000);
  WaitaWhile(1);
  const QString settings = QString::fromStdString(mod1.get_Settings());
  basFunctions::EventLog("Connection to drive established using " + modeText + ", " + settings);
  Status(1, 0,
         "Connected " + LastModeText + " to Node " + QString::number(basComm::DriveNodeAddress) +
             ", " + settings + ".");
  if (!basMain::CurrentConfigPath.isEmpty() && basMain::ExpressWritesOption &&
      basComm::DriveConnected == 1 && ShowXMode)
    ShowXMode();
}

// The control's ComPort of the chosen entry; -1 for a network device.
int comPortOf(const Selection& selection) {
  if (selection.comNumber >= 0) return selection.comNumber - 1;
  return selection.portIndex >= 0 && selection.portIndex < serialPorts::kSerialPortCount
             ? selection.portIndex
             : -1;
}

void connectSteps(const Selection& selection) {
  mainWindow::SetBusyPointer();
  mainWindow::EnableMainTimer(false);
  LastCommSelection = {0,
                       1,
                       double(selection.portIndex),
                       double(selection.speedIndex),
                       double(selection.protocolIndex),
                       number_text::LeadingNumber(selection.addressText.trimmed())};
  const int comPort = comPortOf(selection);
  LastComNumber = comPort + 1;
  LastSpeedText = selection.speedText;
  if (comPort < 0) {
    // Network devices: nothing to connect yet, and nothing left busy.
    mainWindow::SetNormalPointer();
    return;
  }

  IModbusAtl& mod1 = host::Mod1();
  if (mod1.get_PortOpen() != portwright::VARIANT_FALSE) {
    mainWindow::SetNormalPointer();
    prompt::MsgBox(QStringLiteral("Velumo PRO") + " is currently communicating with a device." +
                       kCr +
                       "To connect to another device, first disconnect the current connection.",
                   prompt::Buttons::OK, prompt::Icon::Exclamation, QStringLiteral("Port In Use"));
    return;
  }
  const QString address = selection.addressText.trimmed();
  const QString problem = nodeAddressProblem(address);
  if (!problem.isEmpty()) {
    mainWindow::SetNormalPointer();
    mainWindow::EnableMainTimer(true);
    prompt::MsgBox(problem, prompt::Buttons::OK, prompt::Icon::Exclamation,
                   QStringLiteral("Information Missing Or Incorrect Format"));
    return;
  }

  const int16_t node = nodeOf(address);
  mod1.put_NodeAddr(node);
  mod1.put_ComPort(static_cast<portwright::enumComPort>(comPort));
  QString modeText;
  if (const ProtocolChoice* protocol = ProtocolAt(selection.protocolIndex)) {
    mod1.put_PLCMode(protocol->mode);
    mod1.put_Settings((selection.speedText + protocol->settingsSuffix).toStdString());
    modeText = QString::fromLatin1(protocol->modeText);
  }
  basComm::ConnectTesting = 1;
  mod1.put_PortOpen(portwright::VARIANT_TRUE);

  readOneWord(node, 1);
  if (basComm::DriveConnected == 0) {
    const QString settings = QString::fromStdString(mod1.get_Settings());
    mod1.put_PortOpen(portwright::VARIANT_FALSE);
    prompt::MsgBox(QStringLiteral("Unable to connect using current selections.") + kCr +
                       "Please verify your settings and try again.",
                   prompt::Buttons::OK, prompt::Icon::Critical,
                   QStringLiteral("Connection Failure"));
    basFunctions::EventLog("Unable to connect using " + modeText + ", " + settings);
    mainWindow::SetNormalPointer();
    return;
  }
  completeConnection(mod1, node, modeText);
}

}  // namespace

bool PasscodeAccepted(int16_t node) { return passcodeAccepted(host::Mod1(), node); }

const ProtocolChoice* ProtocolAt(int position) {
  if (position < 0 || position >= static_cast<int>(std::size(kProtocols))) return nullptr;
  return &kProtocols[position];
}

void Connect(const Selection& selection) {
  try {
    connectSteps(selection);
  } catch (const std::exception& e) {
    mainWindow::SetNormalPointer();
    const auto* controlError = dynamic_cast<const portwright::AutomationError*>(&e);
    if (controlError && portOpenFailure(*controlError)) {
      // The control cannot say why; the device itself can (missing, no permission, taken).
      prompt::MsgBox(serialPorts::ComErrorText(comPortOf(selection),
                                               QString::fromStdString(controlError->reason())),
                     prompt::Buttons::OK, prompt::Icon::Critical, QStringLiteral("Com Error"));
    } else {
      // Any other refusal (settings the control does not take, an empty list) is logged and
      // told: the technician must not be left wondering why nothing happened.
      basFunctions::ErrHandler(basFunctions::errorNumber(e), QString::fromUtf8(e.what()), kLocation,
                               false);
      prompt::MsgBox(QStringLiteral("Unable to connect using current selections.") + kCr +
                         "The connection was refused: " + QString::fromUtf8(e.what()) + "." + kCr +
                         "Please verify your settings and try again.",
                     prompt::Buttons::OK, prompt::Icon::Critical,
                     QStringLiteral("Connection Failure"));
    }
  }
  mainWindow::EnableMainTimer(true);
}

ComSetLists ReadComSet() {
  ComSetLists lists;
  const basMain::DbConnection db = basMain::ConnectDB();
  if (!db) return lists;  // ConnectDB has told why
  QSqlQuery query = db.query();
  if (query.exec(QStringLiteral("Select * from tblComSet WHERE Code = 99 order by Code")) &&
      query.next())
    lists.address = query.value(QStringLiteral("Address")).toString();
  if (!query.exec(QStringLiteral("Select * from tblcomset order By Code")))
    throw basFunctions::ProgramError(-2147217900, "Cannot read tblComSet");
  auto text = [&](const char* column) {
    return query.value(QString::fromLatin1(column)).toString();
  };
  auto isSet = [&](const char* column) {
    return query.value(QString::fromLatin1(column)).toBool();
  };
  while (query.next()) {
    if (!text("Port").isEmpty()) {
      if (isSet("PortDefault")) lists.portDefault = lists.ports.size();
      lists.ports << text("Port");
    }
    if (!text("Baud").isEmpty()) {
      if (isSet("BaudDefault")) lists.speedDefault = lists.speeds.size();
      lists.speeds << text("Baud");
    }
    if (!text("Description").isEmpty()) {
      if (isSet("ProtocolDefault")) lists.protocolDefault = lists.protocols.size();
      lists.protocols
          << QStringList{text("Bits"), text("Parity"), text("StopBit"), text("Description")}.join(
                 QStringLiteral(", "));
    }
  }
  return lists;
}

void RememberFound(int comNumber, const QString& settings, portwright::enumPLCMode mode, int node) {
  const ComSetLists lists = ReadComSet();
  const QString speed = settings.section(QLatin1Char(','), 0, 0);
  const QString framing = settings.mid(speed.size());
  int protocol = -1;
  for (int position = 0; const ProtocolChoice* choice = ProtocolAt(position); ++position)
    if (choice->mode == mode && framing == QLatin1String(choice->settingsSuffix))
      protocol = position;
  // A COM entry beyond the database's serial ones, or a speed it does not list, is added to
  // the dialog's list when it loads: its position is then the first after the list's own.
  const bool listed = comNumber <= std::min<int>(serialPorts::kSerialPortCount, lists.ports.size());
  const int speedPosition = lists.speeds.indexOf(speed);
  LastCommSelection = {0,
                       1,
                       double(listed ? comNumber - 1 : lists.ports.size()),
                       double(speedPosition >= 0 ? speedPosition : lists.speeds.size()),
                       double(protocol),
                       double(node)};
  LastComNumber = comNumber;
  LastSpeedText = speed;
}

}  // namespace commSettings
