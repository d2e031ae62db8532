// What the drive offers the scope: the 17 channel sources with their units and Y ranges, the
// registers of the three channels, and how many channels a connection speed can carry.
#pragma once

#include <QString>
#include <cstdint>

namespace basScope {

constexpr int kChannels = 3;
constexpr int kSourceCount = 17;
// The drive takes one sample per channel every 8 ms and hands them over in blocks of 12
// registers: selector, count n (0..10), n samples oldest first.
constexpr int kSampleMs = 8;
constexpr int kSamplesPerSecond = 1000 / kSampleMs;
constexpr int kBlockWords = 12;
constexpr int kMaxBlockSamples = 10;
constexpr int16_t kFirstBlockAddress = 1537;

// Position-dependent display properties of a source (SourceIndex 0..16).
struct SourceScale {
  QString units;
  double yMinimum;
  double ySpan;
  double divisor;  // the plotted value is raw / divisor (10 for the 0.1-pulse position error)
};
SourceScale ScaleOfSource(int sourceIndex);
double PlotValue(int sourceIndex, int16_t raw);

// The drive selects a channel's source by a selector code: SourceIndex + 2.
inline int SelectorCode(int sourceIndex) { return sourceIndex + 2; }

// Channel c (0..2): its selector parameter key ("600", "612", "624"), the row of that
// parameter in group 6, and the register address of its block.
struct ChannelRegister {
  const char* selectorKey;
  int selectorRow;
  int16_t blockAddress;
};
ChannelRegister ChannelRegisterOf(int channel);

// The baud rate text of a settings text ("38400,N,8,2" gives "38400").
QString BaudOfSettings(const QString& settings);
// Channels the scope offers at a baud rate: 1 at 9600, 2 at 19200, 3 at 38400 and above;
// 0 for any other speed (the caller keeps its count then).
int ChannelCountForBaud(const QString& baud);

}  // namespace basScope
