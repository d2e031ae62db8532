// Poll groups: the register blocks the control reads cyclically while a drive is connected,
// and the handlers of the control's events that place the results into DriveImage.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <functional>

namespace basScope {

// Channels the scope samples (1..3), set from the connection speed when the scope window
// loads; 0 until the scope has once been opened at a listed speed. Poll group 2 reads
// 12 registers per channel.
extern int16_t ScopeChannelCount;

}  // namespace basScope

namespace basFunctions {

// The active poll group: 0 none, 1 normal status, 2 scope, 3 maintenance. A screen sets it and
// then calls SetPollGroups.
extern int16_t PollGroup;
// 1 once a good result of the normal group's item has arrived since the connection was made;
// cleared when the connection closes, so a new drive is never taken for initialised on the
// strength of the previous drive's reads.
extern std::array<int16_t, 21> PollItemSeen;
// True once items 0..7 of the normal group have each delivered a good result after a connection.
extern bool InitComplete;
// Failed poll results since the count was last reset (good results do not reset it).
extern int16_t PollFailCount;
// Set when a poll fails while the scope / a maintenance screen is open (they re-send the logon).
extern bool ScopeLogonNeeded;
extern bool MaintLogonNeeded;
// Result of the most recent Done event.
extern int16_t LastDoneResult;

// The scope's channel count (1..3) belongs to the scope; the scope group reads it.
using basScope::ScopeChannelCount;

// Rebuilds the control's poll list for PollGroup and sets the poll interval (ms; 0 stops).
void SetPollGroups(int16_t interval);

// The main window's handlers of the control's events.
void Mod1_OnPoll(int16_t ItemNum, int16_t Result, bool ChgdFlag);
void Mod1_Done(int16_t Result);

// Where a poll block read from holding register `address` lands in DriveImage: group
// address div 256, first row (address mod 256) - 1.
struct PollPlace {
  int group;
  int row;
};
PollPlace PlaceOfAddress(int address);

// The connected drive's firmware text d.dd taken as a number (2.0, 2.1).
double DriveFirmwareNumber();
// The connected drive's long firmware text d.ddd is 2.1 or more (the 2.10 maintenance screen).
bool LongFirmwareFrom21();

}  // namespace basFunctions
