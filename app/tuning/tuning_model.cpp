#include "tuning/tuning_model.h"

#include "params/number_text.h"
#include "params/value_table.h"

namespace basTuning {

std::array<int16_t, 13> RevertSnapshot{};

namespace {

using basFunctions::ValueTable;

// Where each parameter sits in the snapshot.
struct SnapshotSlot {
  int index;
  int entry;
};
constexpr SnapshotSlot kSlots[] = {{200, 0}, {201, 1}, {202, 2}, {203, 3},  {204, 4}, {205, 5},
                                   {206, 6}, {207, 7}, {137, 9}, {225, 10}, {232, 12}};

int32_t& valueOf(ValueTable& table, int index) { return table.P(index / 100, index % 100); }
int32_t valueOf(const ValueTable& table, int index) { return table.P(index / 100, index % 100); }

}  // namespace

const QList<int>& SingleWrites(int mode) {
  static const QList<int> kWrites[kModes] = {{137, 200, 202, 203, 204, 206, 207, 225},
                                             {137, 200, 202, 203, 207, 225},
                                             {202, 203, 207, 225},
                                             {137, 202, 203, 207, 225},
                                             {202, 203, 207},
                                             {137, 202, 203, 207}};
  static const QList<int> kNone;
  return mode >= 0 && mode < kModes ? kWrites[mode] : kNone;
}

bool WritesLevelAndMode(int mode) { return mode >= 1 && mode < kModes; }

bool FieldEnabled(int mode, int index) { return SingleWrites(mode).contains(index); }

// The level is the low hexadecimal digit; the high digit is the drive's own and is kept, also
// when P2.31 is below 0x10 (its hexadecimal text then has one digit, which is the low one).
int32_t LevelValue(int32_t driveP231, int level) { return (driveP231 & 0xF0) | (level & 0x0F); }

int LevelOf(int32_t driveP231) { return driveP231 & 0x0F; }

QString MessageName(int index) {
  if (index < 10) return QStringLiteral("P0.0") + QString::number(index);
  if (index < 100) return QStringLiteral("P0.") + QString::number(index);
  return QStringLiteral("P%1.%2").arg(index / 100).arg(index % 100, 2, 10, QLatin1Char('0'));
}

// A text that is not wholly a number is refused: read as 0 it would pass as a gain of 0, which
// can make a running axis unstable.
Entry CheckEntry(const QString& text, const basFunctions::ParamInfo& limits) {
  Entry entry;
  if (!number_text::IsNumber(text)) return entry;
  const double value = text.trimmed().toDouble();
  if (limits.max && value > *limits.max) {
    entry.check = EntryCheck::TooHigh;
  } else if (limits.min && value < *limits.min) {
    entry.check = EntryCheck::TooLow;
  } else {
    entry.check = EntryCheck::Accepted;
    entry.raw = basFunctions::RawFromDisplay(value, limits.resolution);
  }
  return entry;
}

QString RefusalText(int index, EntryCheck check) {
  const char* ending = check == EntryCheck::TooHigh  ? " is too high!"
                       : check == EntryCheck::TooLow ? " is too low!"
                                                     : " is not a number!";
  return QStringLiteral("The value entered for ") + MessageName(index) +
         QString::fromLatin1(ending);
}

void TakeSnapshot(const ValueTable& driveImage) {
  for (const SnapshotSlot& slot : kSlots)
    RevertSnapshot[static_cast<size_t>(slot.entry)] =
        static_cast<int16_t>(valueOf(driveImage, slot.index));
}

bool RefreshSnapshot(const ValueTable& driveImage, bool imageCurrent, bool written) {
  int16_t& ticks = RevertSnapshot[kSnapshotRefreshes];
  if (ticks >= kRefreshTicks || !imageCurrent || written) return false;
  TakeSnapshot(driveImage);
  ++ticks;
  return true;
}

int16_t SnapshotValue(int index) {
  for (const SnapshotSlot& slot : kSlots)
    if (slot.index == index) return RevertSnapshot[static_cast<size_t>(slot.entry)];
  return 0;
}

void SendSettings(int mode, int level, ValueTable& workingConfig, const ValueTable& driveImage,
                  const std::function<bool(int index)>& given,
                  const std::function<bool(const QString& key, int count)>& write,
                  const std::function<void(double seconds)>& wait) {
  if (WritesLevelAndMode(mode)) {
    valueOf(workingConfig, 231) = LevelValue(valueOf(driveImage, 231), level);
    valueOf(workingConfig, 232) = mode;
    if (!write(QStringLiteral("231"), 2)) return;
    wait(kWriteSpacing);
  } else if (mode >= 0 && valueOf(driveImage, 232) != mode) {
    // Manual after Revert: the gains are sent for the mode the screen shows, so the drive must
    // leave its tuned mode first (it would go on retuning them).
    valueOf(workingConfig, 232) = mode;
    if (!write(QStringLiteral("232"), 1)) return;
    wait(kWriteSpacing);
  }
  for (int index : SingleWrites(mode)) {
    if (!given(index)) continue;
    if (!write(basFunctions::ParamKeyText(index), 1)) return;
    wait(kWriteSpacing);
  }
}

}  // namespace basTuning
