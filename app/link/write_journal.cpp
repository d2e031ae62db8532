#include "link/write_journal.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <list>
#include <map>
#include <memory>
#include <optional>

#include "core/host.h"
#include "core/logs.h"
#include "core/prompt.h"
#include "core/status.h"
#include "link/bas_comm.h"
#include "link/poll_groups.h"
#include "params/drive_identity.h"
#include "params/journal_store.h"
#include "params/journal_writer.h"
#include "params/param_catalog.h"
#include "params/param_value.h"
#include "params/value_table.h"
#include "portwright/serial_devices.h"

namespace writeJournal {
namespace {

using basFunctions::DriveImage;
using basFunctions::WorkingConfig;
using journal::Entry;
using journal::Source;

// An entry still gathering writes or waiting for answers.
struct OpenEntry {
  Entry entry;
  bool closed = false;  // no more writes will join it
  int unanswered = 0;
};

struct Pending {
  std::shared_ptr<OpenEntry> open;
  qsizetype first = 0;  // its parameters in the entry
  int count = 0;
  unsigned generation = 0;
};

struct Recorder {
  std::optional<Source> source;
  std::shared_ptr<OpenEntry> batch;
  QString batchDetail;
  std::optional<Pending> pending;
  unsigned generation = 0;
  // The value a write the drive took left in a parameter, and what the polls had brought
  // for it then: until a poll brings something else, the write is the latest word.
  std::map<int, std::pair<int32_t, int32_t>> taken;
  int portCom = 0;
  QString portText;
  std::unique_ptr<journal::Writer> writer;
  bool told = false;
};

Recorder& recorder() {
  static Recorder instance;
  return instance;
}

const QString kLocation = QStringLiteral("basComm, WriteData()");

// Parameters of the set as the register means them (an unsigned register's -1 is 65535).
int32_t asRegister(int index, int32_t raw) {
  if (index >= basFunctions::ParamCatalog::kSize || !basFunctions::Catalog[index].loaded)
    return raw;
  return param_value::FromStored(raw, basFunctions::Catalog[index]);
}

std::optional<int32_t> valueBefore(int index) {
  const int32_t polled = DriveImage.byIndex(index);
  const auto taken = recorder().taken.find(index);
  if (taken != recorder().taken.end() && taken->second.second == polled) return taken->second.first;
  // Before the first poll cycle has come in the image holds nothing of this drive.
  if (!basFunctions::InitComplete) return std::nullopt;
  return asRegister(index, polled);
}

// The technician is told once the program has no command under way: not while a button is
// held (a jog), the busy pointer shows or another box is up.
bool technicianFree() {
  return QGuiApplication::mouseButtons() == Qt::NoButton && !QGuiApplication::overrideCursor() &&
         !QApplication::activeModalWidget() && !QApplication::activePopupWidget() &&
         !basFunctions::FormIsOpen(QStringLiteral("frmJog"));
}

void tellWhenFree(const QString& problem, int tries = 2400) {
  QTimer::singleShot(250, qApp, [problem, tries] {
    if (!technicianFree() && tries > 0) return tellWhenFree(problem, tries - 1);
    prompt::MsgBox("The drive history could not be written to " + JournalFile() + ":\r" + problem +
                       "\r\rThe writes to the drive go on. They are kept and written to the "
                       "history once the file can be written again (check that the folder and "
                       "the file may be written and that no other program holds the file).",
                   prompt::Buttons::OK, prompt::Icon::Exclamation,
                   QStringLiteral("Drive History Not Written"));
  });
}

void journalFailed(const QString& problem) {
  basFunctions::ErrorLog(kLocation, QStringLiteral("Journal"), 0,
                         "The drive history could not be written: " + problem);
  if (recorder().told) return;
  recorder().told = true;
  basFunctions::Status(
      0, 0,
      "The drive history could not be written (" + problem + "); the writes to the drive go on");
  tellWhenFree(problem);
}

void journalRecovered() {
  basFunctions::EventLog(QStringLiteral("The drive history is written again"));
}

// Observer calls come on the writer's thread; the program hears of them on its own.
journal::Writer::Observer observer() {
  const auto onMain = [](std::function<void()> call) {
    if (QCoreApplication* app = QCoreApplication::instance())
      QMetaObject::invokeMethod(app, std::move(call), Qt::QueuedConnection);
  };
  return {[onMain](const QString& problem) { onMain([problem] { journalFailed(problem); }); },
          [onMain] { onMain(journalRecovered); }};
}

void endWriter() { recorder().writer.reset(); }

journal::Writer& writer() {
  Recorder& r = recorder();
  const QString path = JournalFile();
  if (!r.writer || r.writer->path() != path) {
    static const bool ended = (qAddPostRoutine(endWriter), true);
    Q_UNUSED(ended);
    r.writer = std::make_unique<journal::Writer>(path, observer());
    r.told = false;
  }
  return *r.writer;
}

void submitIfComplete(const std::shared_ptr<OpenEntry>& open) {
  if (!open->closed || open->unanswered > 0 || open->entry.params.isEmpty()) return;
  writer().submit(open->entry);
}

void finishPending(const std::optional<int16_t>& answer) {
  Recorder& r = recorder();
  if (!r.pending) return;
  const Pending pending = *r.pending;
  r.pending.reset();
  for (int i = 0; i < pending.count; ++i) {
    journal::ParamChange& change = pending.open->entry.params[pending.first + i];
    change.answer = answer;
    if (change.took() && change.written)
      r.taken[change.index] = {*change.written, DriveImage.byIndex(change.index)};
  }
  pending.open->unanswered -= pending.count;
  submitIfComplete(pending.open);
}

Entry newEntry(Source source, const QString& detail) {
  Entry entry;
  entry.at = QDateTime::currentDateTimeUtc();
  entry.source = source;
  entry.detail = detail;
  entry.user = journal::CurrentUser();
  entry.drive = ConnectedDrive();
  return entry;
}

}  // namespace

SourceScope::SourceScope(Source source)
    : previous_(recorder().source.value_or(Source::Other)),
      hadPrevious_(recorder().source.has_value()) {
  recorder().source = source;
}

SourceScope::~SourceScope() {
  if (hadPrevious_)
    recorder().source = previous_;
  else
    recorder().source.reset();
}

DefaultSource::DefaultSource(Source source) {
  if (!recorder().source) scope_.emplace(source);
}

DefaultSource::~DefaultSource() = default;

Batch::Batch(Source source, const QString& detail) : scope_(source) {
  Recorder& r = recorder();
  if (r.batch) return;  // within another batch: its writes join that one
  owner_ = true;
  r.batch = std::make_shared<OpenEntry>();
  r.batch->entry = newEntry(source, detail);
}

Batch::~Batch() {
  Recorder& r = recorder();
  if (!owner_ || !r.batch) return;
  const std::shared_ptr<OpenEntry> batch = std::move(r.batch);
  batch->closed = true;
  submitIfComplete(batch);
}

journal::DriveId ConnectedDrive() {
  journal::DriveId drive;
  drive.model = basFunctions::DriveIdentity.driveAmp.section(QLatin1Char(' '), 0, 0);
  drive.firmware = DriveImage.P(0, 0);
  drive.motor = DriveImage.P(1, 31);
  drive.node = basComm::DriveNodeAddress;
  if (!host::HasMod1()) return drive;
  // The port map is read once per connection, not on every write.
  Recorder& r = recorder();
  const int com = static_cast<int>(host::Mod1().get_ComPort()) + 1;
  if (r.portCom != com) {
    r.portCom = com;
    r.portText = "COM" + QString::number(com) + " (" +
                 QString::fromStdString(portwright::ComDevice(com)) + ")";
  }
  drive.port = r.portText;
  return drive;
}

QString JournalFile() { return journal::JournalPath(host::ProgramFolder()); }

void Sent(int group, int number, int quantity) {
  Recorder& r = recorder();
  // One write is in flight at a time: one still unanswered was never answered.
  finishPending(std::nullopt);
  std::shared_ptr<OpenEntry> open = r.batch;
  if (!open) {
    open = std::make_shared<OpenEntry>();
    open->entry = newEntry(r.source.value_or(Source::Other), QString());
    open->closed = true;
  }
  if (open->entry.params.isEmpty()) {
    open->entry.at = QDateTime::currentDateTimeUtc();
    open->entry.drive = ConnectedDrive();
  }
  Pending pending{open, open->entry.params.size(), quantity, ++r.generation};
  for (int i = 0; i < quantity; ++i) {
    const int index = basFunctions::ParamIndex(group, number + i);
    open->entry.params << journal::ParamChange{
        index, valueBefore(index), asRegister(index, WorkingConfig.P(group, number + i)), {}};
  }
  open->unanswered += quantity;
  r.pending = pending;
  // A write whose answer never comes (the port closed under it) is entered without one.
  const int limit = host::HasMod1() ? host::Mod1().get_MsgTimeOut() + 2000 : 3000;
  QTimer::singleShot(limit, qApp, [generation = pending.generation] {
    if (recorder().pending && recorder().pending->generation == generation)
      finishPending(std::nullopt);
  });
}

void Answered(int16_t result) { finishPending(result); }

void ForgetDrive() {
  finishPending(std::nullopt);
  recorder().taken.clear();
  recorder().portCom = 0;
}

void Observed(const basFunctions::ValueTable& read, const std::array<int16_t, 5>& limits) {
  Recorder& r = recorder();
  for (int group = 0; group < 5; ++group)
    for (int number = 0; number <= limits[static_cast<size_t>(group)]; ++number) {
      const int index = basFunctions::ParamIndex(group, number);
      r.taken[index] = {asRegister(index, read.P(group, number)), DriveImage.byIndex(index)};
    }
}

void RecordUpload(const basFunctions::ValueTable& read, const std::array<int16_t, 5>& limits) {
  Entry entry = newEntry(Source::Upload, QString());
  entry.drive.firmware = read.P(0, 0);
  entry.drive.motor = read.P(1, 31);
  for (int group = 0; group < 5; ++group)
    for (int number = 0; number <= limits[static_cast<size_t>(group)]; ++number) {
      const int index = basFunctions::ParamIndex(group, number);
      if (basFunctions::Catalog[index].loaded)
        entry.params << journal::ParamChange{index, asRegister(index, read.P(group, number)),
                                             std::nullopt, int16_t{0}};
    }
  if (!entry.params.isEmpty()) writer().submit(entry);
}

bool Flush(int timeoutMs) { return !recorder().writer || recorder().writer->flush(timeoutMs); }

}  // namespace writeJournal
