// The program's access to the drive through the control Mod1: reads, parameter writes, the
// logon to the internal parameters, register addresses, closing and losing the connection.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

#include "portwright/modbus_atl.h"

namespace basComm {

// Connection state (one instance each, for the whole run).
extern int16_t DriveConnected;    // 1 while a drive answers, 0 otherwise
extern int16_t ConnectTesting;    // 1 while a connect attempt waits for its first reply
extern int16_t DriveNodeAddress;  // Modbus node of the connected drive (1..247)

// Starts one read; the answer arrives later in Mod1_Done, and the caller waits (WaitaWhile)
// before reading Mod1.Data(0..). The first argument is not used.
void ReadData(int16_t unused, int16_t quantity, portwright::enumDataType dataType, int16_t node,
              int16_t address, portwright::enumPLCFunction function);
// Writes `quantity` consecutive parameters of WorkingConfig starting at the key text ("101")
// in one SetMultipleReg transaction. Keys of 500 and more (internal groups 5 and 6) use
// `address`; the others take theirs from the database. Always returns 0.
int16_t WriteData(const QString& key, int16_t quantity,
                  portwright::enumDataType dataType = portwright::Integer, int16_t address = 0);
// Logs on to (logMode 1) or off (any other value) the drive's internal parameters. Returns 0.
int16_t SendLogonCommand(int16_t logMode);
// The Modbus address of a parameter key from tblDriveParameters; 0 (logged) when unknown.
int16_t GetAddress(const QString& key);
// Amplifier code of a drive (motor) code: 10..12 give 20, 20..22 give 21, 30..31 give 23, any
// other code 0 (unknown).
int16_t GetAmpCode(int16_t driveCode);
// Stops polling, closes the port and marks the program off line.
void CloseConnection();
// Called wherever a write finds no connection: closes what is left, tells the user and offers
// a reconnect. Returns 0.
int16_t ConnectionStatus();

// Waits, dispatching events, until the control has finished its transaction (Done has been
// fired), at most its reply time-out and a second.
void WaitUntilIdle(portwright::IModbusAtl& mod1);

// The 16-bit word a raw value is written as: values above 32767 go as their two's complement
// (40000 is sent as -25536). A value that fits in no 16-bit word raises run-time error 6.
int16_t WireWord(int32_t raw);

}  // namespace basComm

namespace basComm {

inline const QString kLostCommunication = QStringLiteral(
    "Communication to the drive has been lost. Please correct the problem and re-connect");

// The end of a lost connection, shared by ConnectionStatus and the poll handler: the last
// words (below) while the port is still open, then close, tell the user (status list, error
// log), reset the failure count and express writes, and show the connect dialog with its
// reconnect question.
void DeclareDriveLost();

// What must be sent once more before a lost connection is closed, however many writes have
// failed: a running jog's stop, forced outputs' clearing. Whoever can leave a motor running
// installs them (the maintenance screen): `needed` says whether there is anything to send,
// `send` sends it and waits for the answers. The poll handler cannot wait for an answer inside
// its own call, so when words are needed it declares the drive lost right after it.
struct LastWords {
  std::function<bool()> needed;
  std::function<void()> send;
};
void SetLastWords(LastWords words);
bool LastWordsNeeded();

}  // namespace basComm
