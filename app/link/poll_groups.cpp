#include "link/poll_groups.h"

#include <QCoreApplication>
#include <QTimer>
#include <vector>

#include "core/app_state.h"
#include "core/host.h"
#include "core/logs.h"
#include "core/main_window_access.h"
#include "core/poll_subscription.h"
#include "core/status.h"
#include "link/bas_comm.h"
#include "params/drive_identity.h"
#include "params/number_text.h"
#include "params/value_table.h"

namespace basScope {
int16_t ScopeChannelCount = 0;
}  // namespace basScope

namespace basFunctions {

int16_t PollGroup = 0;
std::array<int16_t, 21> PollItemSeen{};
bool InitComplete = false;
int16_t PollFailCount = 0;
bool ScopeLogonNeeded = false;
bool MaintLogonNeeded = false;
int16_t LastDoneResult = 0;

namespace {

using portwright::IModbusAtl;

struct PollBlock {
  int16_t address;
  int16_t words;
};

// Normal status group: blocks 2, 4 and 5 grow with firmware 2.1 (P1.56, P2.64-65, P3.08).
std::vector<PollBlock> normalGroup(bool firmware21) {
  return {{1, 9},
          {257, 36},
          {293, int16_t(firmware21 ? 21 : 20)},
          {513, 36},
          {549, int16_t(firmware21 ? 30 : 28)},
          {769, int16_t(firmware21 ? 9 : 8)},
          {1025, 24},
          {1574, 3}};
}

constexpr int16_t kScopeBlockAddress = 1537;
constexpr int16_t kScopeWordsPerChannel = 12;

// Maintenance group: the monitor block, identity, status word, P1 and P4, and the input
// software-control masks whose size depends on the firmware revision.
std::vector<PollBlock> maintenanceGroup(int revision) {
  std::vector<PollBlock> blocks{{1537, 36}, {1, 9}, {1574, 3}, {257, 36}, {1025, 24}};
  if (revision == 200) blocks.push_back({775, 2});
  if (revision == 210) blocks.push_back({775, 3});
  return blocks;
}

// The firmware number x 100 as a whole number, the way a text round trip reads it back
// (2.1 x 100 is 210, not 210.00000000000003).
int firmwareRevision() {
  return static_cast<int>(
      number_text::LeadingNumber(QString::number(DriveFirmwareNumber() * 100.0, 'g', 15)));
}

void addBlocks(IModbusAtl& mod1, const std::vector<PollBlock>& blocks) {
  for (const PollBlock& block : blocks)
    mod1.AddPollItem(basComm::DriveNodeAddress, block.address, block.words);
}

void clearPollList(IModbusAtl& mod1) {
  const int16_t count = mod1.get_PollItemCount();
  if (count < 1) return;
  mod1.put_PollInterval(0);
  for (int16_t i = 0; i < count; ++i) mod1.DeletePollItem(0);
}

// Stores words [first, first + count) of a poll item from row `row` of `group` on.
void storeWords(IModbusAtl& mod1, int16_t item, int group, int row, int first, int count) {
  for (int j = first; j < first + count; ++j)
    DriveImage.P(group, row + j - first) = mod1.get_PollData(item, static_cast<int16_t>(j));
}

void storeBlock(IModbusAtl& mod1, int16_t item, int address) {
  const PollPlace place = PlaceOfAddress(address);
  storeWords(mod1, item, place.group, place.row, 0, mod1.get_PollLength(item));
}

void trackInitialisation(int16_t item) {
  if (item < 0 || item >= static_cast<int>(PollItemSeen.size()))
    throw ProgramError(9, "Subscript out of range");
  PollItemSeen[item] = 1;
  for (int i = 0; i <= 7; ++i) {
    mainWindow::AdvanceLedBar(15);
    if (PollItemSeen[i] != 1) break;
    if (i == 7) {
      Status(0, 0, QStringLiteral("Initialization Complete"));
      mainWindow::SetNormalPointer();
      InitComplete = true;
      // Outside this handler: a subscriber may wait for the technician and write to the drive.
      QTimer::singleShot(0, qApp, &pollSubscription::TellConnectionComplete);
    }
  }
}

void countFailedPoll(IModbusAtl& mod1) {
  if (FormIsOpen(QStringLiteral("frmScope"))) ScopeLogonNeeded = true;
  if (FormIsOpen(QStringLiteral("frmMaintenance")) ||
      FormIsOpen(QStringLiteral("frmMaintenance_210")))
    MaintLogonNeeded = true;
  // A jog does not wait for the third failure: its stop goes out at the first.
  pollSubscription::TellFailedPoll();
  if (++PollFailCount < 3) return;
  mod1.put_PollInterval(0);
  // No write is answered while this handler runs: the stop and the forces' clearing that must
  // reach the drive before the port closes go out right after it.
  if (basComm::LastWordsNeeded()) {
    QTimer::singleShot(0, qApp, [] {
      if (basComm::DriveConnected == 1) basComm::DeclareDriveLost();
    });
    return;
  }
  basComm::DeclareDriveLost();
}

void placeMaintenanceResult(IModbusAtl& mod1, int16_t item) {
  switch (item) {
    case 0:
      for (const int word : {2, 14, 26}) DriveImage.P(6, word) = mod1.get_PollData(item, word);
      break;
    case 1:
      storeBlock(mod1, item, 1);
      break;
    case 2:
      storeBlock(mod1, item, 1574);
      break;
    case 3:
      storeBlock(mod1, item, 257);
      break;
    case 4:
      storeBlock(mod1, item, 1025);
      break;
    case 5:
      DriveImage.P(3, 6) = mod1.get_PollData(item, 0);
      if (LongFirmwareFrom21()) DriveImage.P(3, 8) = mod1.get_PollData(item, 2);
      break;
    default:
      break;
  }
}

}  // namespace

PollPlace PlaceOfAddress(int address) { return {address / 256, address % 256 - 1}; }

double DriveFirmwareNumber() { return number_text::LeadingNumber(DriveIdentity.firmware); }

bool LongFirmwareFrom21() { return number_text::LeadingNumber(DriveIdentity.firmwareLong) >= 2.1; }

void SetPollGroups(int16_t interval) {
  guarded("basFunctions, SetPollGroups()", [&] {
    IModbusAtl& mod1 = host::Mod1();
    clearPollList(mod1);
    switch (PollGroup) {
      case 1:
        GetDriveType();
        addBlocks(mod1, normalGroup(DriveFirmwareNumber() >= 2.1));
        mod1.put_PollInterval(interval);
        EventLog(QStringLiteral("Poll Groups set through Sub SetPollGroups for normal operation"));
        break;
      case 2:
        if (ScopeChannelCount >= 1 && ScopeChannelCount <= 3)
          addBlocks(mod1, {{kScopeBlockAddress,
                            static_cast<int16_t>(kScopeWordsPerChannel * ScopeChannelCount)}});
        mod1.put_PollInterval(interval);
        EventLog(QStringLiteral("Poll Groups set through Sub SetPollGroups for Case 2=Scope, "
                                "# Channels=") +
                 QString::number(ScopeChannelCount));
        break;
      case 3:
        addBlocks(mod1, maintenanceGroup(firmwareRevision()));
        mod1.put_PollInterval(interval);
        EventLog(
            QStringLiteral("Poll Groups set through Sub SetPollGroups for Case 3=Maint Screen "));
        break;
      default:
        break;
    }
  });
}

void Mod1_OnPoll(int16_t ItemNum, int16_t Result, bool /*ChgdFlag*/) {
  guarded("frmMain, Mod1_OnPoll", [&] {
    if (!InitComplete && PollGroup == 1 && Result == 0) trackInitialisation(ItemNum);
    IModbusAtl& mod1 = host::Mod1();
    // No reply (-1), and a port that can no longer be read (-3) or written (-5): an adapter
    // pulled out fails every poll that way, and must end in the lost drive too.
    const bool lineFailed = Result == -1 || Result == -3 || Result == -5;
    if (mod1.get_IsPolling() != portwright::VARIANT_FALSE && lineFailed) countFailedPoll(mod1);
    // A failed read carries no words of its block: DriveImage keeps the values last read.
    if (Result != 0 && PollGroup != 2) return;
    switch (PollGroup) {
      case 1:
        if (ItemNum >= 0 && ItemNum <= 7) {
          const bool firmware21 = DriveFirmwareNumber() >= 2.1;
          storeBlock(mod1, ItemNum, normalGroup(firmware21)[ItemNum].address);
        }
        break;
      case 3:
        placeMaintenanceResult(mod1, ItemNum);
        break;
      default:
        break;
    }
    // The scope's intake and the maintenance screen take their values from here.
    pollSubscription::TellResult(mod1, PollGroup, ItemNum, Result);
  });
}

void Mod1_Done(int16_t Result) {
  guarded("frmMain, Mod1_Done", [&] {
    LastDoneResult = Result;
    if (basComm::ConnectTesting == 1 && Result == 0) basComm::DriveConnected = 1;
  });
}

}  // namespace basFunctions
