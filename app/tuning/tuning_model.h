// The tuning screen's rules without its window: the gain parameters it shows, which of them
// each tuning mode lets the user edit and sends, the level nibble of P2.31, the check of a
// typed value against the drive's limits, and the revert snapshot.
#pragma once

#include <QList>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>

#include "params/param_catalog.h"

namespace basFunctions {
class ValueTable;
}

namespace basTuning {

// The values to revert to, raw drive units: entries 0..7 hold P2.00..P2.07, 9 P1.37, 10 P2.25,
// 12 P2.32; entry 8 is not used. Taken when the tuning window opens, and again on the first
// two timer ticks after a connection whose reads have all come in (entry 11 counts those
// ticks; the main window clears it off line and when it closes), so a window opened before
// the drive's gain blocks arrived, or kept open while another drive was connected, offers
// the drive's own values. Once the window has written the drive the snapshot stays as it is:
// the drive then holds tuned gains, and Revert must still offer the ones found before.
extern std::array<int16_t, 13> RevertSnapshot;
constexpr int kSnapshotRefreshes = 11;

// The gain parameters on the window (ParamIndex), in screen order. P2.01 and P2.05 are shown
// but never edited, refreshed or sent.
constexpr std::array<int, 10> kParams = {137, 200, 201, 202, 203, 204, 205, 206, 207, 225};
// The parameters whose current value the timer shows.
constexpr std::array<int, 8> kShown = {137, 200, 202, 203, 204, 206, 207, 225};
constexpr int kModes = 6;  // P2.32: 0 manual, 1 easy, 2..5 auto-tuning
constexpr int kLevels = 16;

// The single writes of a mode, in the order they are sent. The boxes enabled in a mode are
// exactly these.
const QList<int>& SingleWrites(int mode);
// Modes 1..5 send the level and the mode (P2.31, P2.32) first, in one two-register write.
bool WritesLevelAndMode(int mode);
bool FieldEnabled(int mode, int index);

// P2.31 with its low hexadecimal digit replaced by the level (0x44 with level 10 is 0x4A).
int32_t LevelValue(int32_t driveP231, int level);
// The low hexadecimal digit of P2.31: the level the drive holds.
int LevelOf(int32_t driveP231);

// The parameter as messages name it ("P2.05").
QString MessageName(int index);

// A typed value checked against the drive's limits (display units).
enum class EntryCheck { Accepted, TooHigh, TooLow, NotANumber };
struct Entry {
  EntryCheck check = EntryCheck::NotANumber;
  int32_t raw = 0;  // round(value x resolution), half to even, when accepted
};
Entry CheckEntry(const QString& text, const basFunctions::ParamInfo& limits);
// The refusal message of a check ("The value entered for P2.00 is too high!").
QString RefusalText(int index, EntryCheck check);

// Takes the snapshot (entry 11 is left as it is) from the drive's values.
void TakeSnapshot(const basFunctions::ValueTable& driveImage);
// A timer tick after a connection: takes the snapshot again while entry 11 is below 2, the
// connection's reads are all in (imageCurrent) and nothing was written from the window; true
// when it did.
bool RefreshSnapshot(const basFunctions::ValueTable& driveImage, bool imageCurrent, bool written);
constexpr int16_t kRefreshTicks = 2;
// The snapshot's raw value of a parameter of the window (P2.32 included).
int16_t SnapshotValue(int index);

// The writes of Update for a mode: the level and mode pair for modes 1..5, the mode alone for
// Manual when the drive holds another one, then the gains. Only gains the technician gave (`given`)
// are sent: another gain's WorkingConfig entry may be 0 (no configuration loaded) or a file's
// value, and sent as it stands it would change a gain nobody touched. `write` sends `count`
// parameters of WorkingConfig from the key and returns false when the sequence must end (the window
// closed); `wait` pauses.
void SendSettings(int mode, int level, basFunctions::ValueTable& workingConfig,
                  const basFunctions::ValueTable& driveImage,
                  const std::function<bool(int index)>& given,
                  const std::function<bool(const QString& key, int count)>& write,
                  const std::function<void(double seconds)>& wait);
constexpr double kWriteSpacing = 0.25;  // s after each write, for the drive to take it

}  // namespace basTuning
