// One entry of the drive history (the journal of writes to drives): when, who, which drive,
// what wrote, and each parameter with the value the drive held before, the value written and
// the drive's answer. A download or an upload is one entry with all its parameters. No
// widgets, no program globals: the program and velumo-config fill and read the same entries.
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

namespace journal {

// What wrote to the drive. The texts are stored in the journal file; never change one.
enum class Source {
  ExpressWrite,
  Download,
  Upload,
  Tuning,
  MaintenanceSetUp,
  MaintenanceForce,
  MaintenanceRestore,
  Jog,
  PositionCommand,
  ScopeSetUp,
  VelumoConfig,
  Other,
};
QString SourceText(Source source);  // "Express write"
// A source from its text, without regard to case, blanks or hyphens ("express-write").
std::optional<Source> SourceOfText(const QString& text);
const QList<Source>& AllSources();

// The drive written to, as far as the writer knew it.
struct DriveId {
  QString model;     // amplifier name ("KDA-1K"); empty when unknown
  int firmware = 0;  // P0.00 (2001)
  int motor = 0;     // P1.31
  int node = 0;
  QString port;  // "COM1 (/dev/ttyUSB0)", or the endpoint of a network gateway

  int revision() const { return firmware / 10; }  // 200 for 2001
  // The same drive: the same place (port and node) and the same amplifier. Firmware and
  // motor code may change over a drive's life (P1.31 is a parameter).
  bool sameDrive(const DriveId& other) const;
  // "KDA-1K, firmware 2.00, motor 21, node 1 on COM1 (/dev/ttyUSB0)".
  QString text() const;
};

// "2.00" for firmware 2001.
QString FirmwareText(int firmware);

struct ParamChange {
  int index = 0;                   // ParamIndex, 0..699
  std::optional<int32_t> before;   // the drive's value as last read; none when not known
  std::optional<int32_t> written;  // none for an upload: `before` is then the value read
  std::optional<int16_t> answer;   // the drive's result code (0 good); none when none came
  bool took() const { return answer && *answer == 0; }
};

struct Entry {
  qint64 id = 0;  // given by the journal file
  QDateTime at;   // when the first write went out (UTC)
  Source source = Source::Other;
  QString detail;  // the file of a download or upload; the velumo-config command
  QString user;    // the login name of who wrote
  DriveId drive;
  QList<ParamChange> params;
};

// "What changed since": one line per parameter that writes the drive took changed, with the
// value before the first of them and the value of the last, in parameter order. Entries come
// newest first, as the journal gives them; uploads change nothing. A parameter written back to
// the value it started from is left out.
struct Change {
  int index = 0;
  std::optional<int32_t> before;  // none when not known
  int32_t now = 0;
  int writes = 0;  // writes taken
  QDateTime last;  // the last of them
  Source source = Source::Other;
  QString user;
};
QList<Change> ChangesOf(const QList<Entry>& newestFirst);

// A parameter as a technician types it: "P1.05", "1.05" or "105"; none for anything else.
std::optional<int> ParameterOfText(const QString& text);

// The drive's answer in words: "OK", "no answer", "time-out", "refused (exception 2)".
QString AnswerText(const std::optional<int16_t>& answer);

// The login name of the user running this program.
QString CurrentUser();

}  // namespace journal
