#include "params/journal_entry.h"

#include <pwd.h>
#include <unistd.h>

#include <QMap>
#include <QRegularExpression>
#include <array>
#include <cstdlib>

#include "drive_facts.h"

namespace journal {
namespace {

struct SourceName {
  Source source;
  const char* text;
};

constexpr std::array<SourceName, 12> kSourceNames{{
    {Source::ExpressWrite, "Express write"},
    {Source::Download, "Download"},
    {Source::Upload, "Upload"},
    {Source::Tuning, "Tuning"},
    {Source::MaintenanceSetUp, "Maintenance set-up"},
    {Source::MaintenanceForce, "Maintenance force"},
    {Source::MaintenanceRestore, "Maintenance restore"},
    {Source::Jog, "Jog"},
    {Source::PositionCommand, "Position command"},
    {Source::ScopeSetUp, "Scope set-up"},
    {Source::VelumoConfig, "velumo-config"},
    {Source::Other, "Other"},
}};

QString folded(const QString& text) {
  static const QRegularExpression separators(QStringLiteral("[\\s_-]+"));
  return text.toLower().remove(separators);
}

}  // namespace

QString SourceText(Source source) {
  for (const SourceName& name : kSourceNames)
    if (name.source == source) return QString::fromLatin1(name.text);
  return QStringLiteral("Other");
}

std::optional<Source> SourceOfText(const QString& text) {
  for (const SourceName& name : kSourceNames)
    if (folded(QString::fromLatin1(name.text)) == folded(text)) return name.source;
  return std::nullopt;
}

const QList<Source>& AllSources() {
  static const QList<Source> sources = [] {
    QList<Source> list;
    for (const SourceName& name : kSourceNames) list << name.source;
    return list;
  }();
  return sources;
}

bool DriveId::sameDrive(const DriveId& other) const {
  return port == other.port && node == other.node &&
         drive_facts::AmpCodeOfMotor(motor) == drive_facts::AmpCodeOfMotor(other.motor);
}

QString FirmwareText(int firmware) {
  const QString digits = QString::number(firmware);
  if (digits.size() < 3) return digits;
  return digits.left(1) + "." + digits.mid(1, 2);
}

QString DriveId::text() const {
  const QString name = model.isEmpty() ? QStringLiteral("Unknown drive") : model;
  return name + ", firmware " + FirmwareText(firmware) + ", motor " + QString::number(motor) +
         ", node " + QString::number(node) + " on " + port;
}

QList<Change> ChangesOf(const QList<Entry>& newestFirst) {
  QMap<int, Change> changes;
  for (auto entry = newestFirst.crbegin(); entry != newestFirst.crend(); ++entry) {
    if (entry->source == Source::Upload) continue;
    for (const ParamChange& param : entry->params) {
      if (!param.took() || !param.written) continue;
      auto known = changes.find(param.index);
      if (known == changes.end()) {
        Change first;
        first.index = param.index;
        first.before = param.before;
        known = changes.insert(param.index, first);
      }
      known->now = *param.written;
      ++known->writes;
      known->last = entry->at;
      known->source = entry->source;
      known->user = entry->user;
    }
  }
  QList<Change> result;
  for (const Change& change : changes)
    if (!change.before || *change.before != change.now) result << change;
  return result;
}

std::optional<int> ParameterOfText(const QString& text) {
  static const QRegularExpression dotted(QStringLiteral("^[Pp]?([0-6])\\.(\\d\\d)$"));
  static const QRegularExpression key(QStringLiteral("^([0-6])(\\d\\d)$"));
  const QString trimmed = text.trimmed();
  QRegularExpressionMatch match = dotted.match(trimmed);
  if (!match.hasMatch()) match = key.match(trimmed);
  if (!match.hasMatch()) return std::nullopt;
  return match.captured(1).toInt() * 100 + match.captured(2).toInt();
}

QString AnswerText(const std::optional<int16_t>& answer) {
  if (!answer) return QStringLiteral("no answer");
  switch (*answer) {
    case 0:
      return QStringLiteral("OK");
    case -1:
      return QStringLiteral("time-out");
    case -2:
      return QStringLiteral("reply spoilt (checksum)");
    case -3:
    case -5:
      return QStringLiteral("port failure");
    default:
      break;
  }
  if (*answer > 0) return "refused (exception " + QString::number(*answer) + ")";
  return "failed (" + QString::number(*answer) + ")";
}

QString CurrentUser() {
  static const QString user = [] {
    if (const passwd* account = getpwuid(getuid()); account && account->pw_name)
      return QString::fromLocal8Bit(account->pw_name);
    for (const char* variable : {"USER", "LOGNAME"})
      if (const char* name = std::getenv(variable); name && *name)
        return QString::fromLocal8Bit(name);
    return QStringLiteral("unknown");
  }();
  return user;
}

}  // namespace journal
