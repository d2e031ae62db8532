#include "scope/scope_sources.h"

#include <QStringList>

namespace basScope {

SourceScale ScaleOfSource(int sourceIndex) {
  switch (sourceIndex) {
    case 0:
    case 2:
    case 4:
      return {QStringLiteral("Pulses"), 0, 9999, 1};
    case 15:
      return {QStringLiteral("Pulses"), 0, 9999, 10};
    case 1:
    case 3:
    case 16:
      return {QStringLiteral("Rotations"), -30000, 60000, 1};
    case 5:
      return {QStringLiteral("kHz"), 0, 500, 1};
    case 6:
    case 8:
      return {QStringLiteral("RPM"), -5000, 10000, 1};
    case 7:
    case 9:
      return {QStringLiteral("Volts"), -10, 20, 1};
    case 10:
      return {QStringLiteral("N-m"), -25, 50, 1};
    case 11:
      return {QStringLiteral("%"), 0, 100, 1};
    case 12:
      return {QStringLiteral("%"), 0, 200, 1};
    case 13:
      return {QStringLiteral("Volts"), 200, 200, 1};
    default:
      return {QString(), 0, 20, 1};
  }
}

double PlotValue(int sourceIndex, int16_t raw) { return raw / ScaleOfSource(sourceIndex).divisor; }

ChannelRegister ChannelRegisterOf(int channel) {
  static const ChannelRegister kRegisters[kChannels] = {
      {"600", 0, 1537}, {"612", 12, 1549}, {"624", 24, 1561}};
  return kRegisters[channel];
}

QString BaudOfSettings(const QString& settings) { return settings.section(QChar(','), 0, 0); }

int ChannelCountForBaud(const QString& baud) {
  if (baud == QLatin1String("9600")) return 1;
  if (baud == QLatin1String("19200")) return 2;
  if (baud == QLatin1String("38400") || baud == QLatin1String("57600") ||
      baud == QLatin1String("115200"))
    return 3;
  return 0;
}

}  // namespace basScope
