#include "history/frm_drive_history.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/host.h"
#include "core/logs.h"
#include "core/prompt.h"
#include "core/wheel_guard.h"
#include "drive_facts.h"
#include "history/drive_sets.h"
#include "link/bas_comm.h"
#include "link/write_journal.h"
#include "params/commissioning_report.h"
#include "params/journal_store.h"
#include "params/param_catalog.h"
#include "params/three_way_compare.h"

using basFunctions::guarded;

namespace {

QPointer<frmDriveHistory> g_history;

constexpr QSize kPreferredSize(900, 520);
constexpr int kFlushMs = 500;  // the newest writes are in the file before it is read

const basFunctions::ParamCatalog& catalogOf(const journal::DriveId& drive) {
  return driveSets::CatalogFor(drive_facts::AmpCodeOfMotor(drive.motor), drive.revision());
}

QString shown(const basFunctions::ParamCatalog& catalog, int index,
              const std::optional<int32_t>& raw, const QString& none) {
  return raw ? threeWay::ShownOf(catalog, index, *raw) : none;
}

QString unitsOf(const basFunctions::ParamCatalog& catalog, int index) {
  return index < basFunctions::ParamCatalog::kSize && catalog[index].loaded ? catalog[index].EU
                                                                            : QString();
}

template <class T>
T* named(T* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

}  // namespace

frmDriveHistory* frmDriveHistory::Display() {
  const bool fresh = !g_history;
  if (fresh) g_history = new frmDriveHistory();
  host::ShowChild(g_history);
  if (fresh) host::FitIntoChildArea(g_history, kPreferredSize);
  g_history->raise();
  g_history->cmdRefresh_Click();
  return g_history;
}

frmDriveHistory* frmDriveHistory::instance() { return g_history; }

frmDriveHistory::frmDriveHistory() {
  setObjectName(QStringLiteral("frmDriveHistory"));
  setWindowTitle(QStringLiteral(" Drive History"));
  cmbDrive_ = named(new QComboBox(this), "cmbDrive");
  txtParameter_ = named(new QLineEdit(this), "txtParameter");
  txtParameter_->setPlaceholderText(QStringLiteral("all, or P1.05"));
  chkSince_ = named(new QCheckBox(QStringLiteral("Since"), this), "chkSince");
  dtpSince_ =
      named(new QDateTimeEdit(QDateTime(QDate::currentDate(), QTime(0, 0)), this), "dtpSince");
  dtpSince_->setCalendarPopup(true);
  cmbSource_ = named(new QComboBox(this), "cmbSource");
  cmbSource_->addItem(QStringLiteral("All sources"));
  for (journal::Source source : journal::AllSources()) cmbSource_->addItem(SourceText(source));
  optEntries_ = named(new QRadioButton(QStringLiteral("Entries"), this), "optEntries");
  optChanges_ = named(new QRadioButton(QStringLiteral("What changed since"), this), "optChanges");
  optEntries_->setChecked(true);
  auto* cmdSinceFile =
      named(new QPushButton(QStringLiteral("Since File..."), this), "cmdSinceFile");
  auto* cmdRefresh = named(new QPushButton(QStringLiteral("Refresh"), this), "cmdRefresh");
  auto* cmdClose = named(new QPushButton(QStringLiteral("Close"), this), "cmdClose");
  tvwHistory_ = named(new QTreeWidget(this), "tvwHistory");
  tvwHistory_->setUniformRowHeights(true);
  lblHistoryStatus_ = named(new QLabel(this), "lblHistoryStatus");
  lblHistoryStatus_->setWordWrap(true);

  auto* drive = new QLabel(QStringLiteral("Drive:"), this);
  drive->setBuddy(cmbDrive_);
  auto* parameter = new QLabel(QStringLiteral("Parameter:"), this);
  parameter->setBuddy(txtParameter_);
  auto* source = new QLabel(QStringLiteral("Source:"), this);
  source->setBuddy(cmbSource_);
  auto* filters = new QGridLayout;
  filters->addWidget(drive, 0, 0);
  filters->addWidget(cmbDrive_, 0, 1, 1, 4);
  filters->addWidget(parameter, 1, 0);
  filters->addWidget(txtParameter_, 1, 1);
  filters->addWidget(source, 1, 2);
  filters->addWidget(cmbSource_, 1, 3, 1, 2);
  filters->addWidget(chkSince_, 2, 0);
  filters->addWidget(dtpSince_, 2, 1);
  filters->addWidget(cmdSinceFile, 2, 2);
  filters->addWidget(optEntries_, 2, 3);
  filters->addWidget(optChanges_, 2, 4);
  filters->setColumnStretch(4, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(lblHistoryStatus_, 1);
  buttons->addWidget(cmdRefresh);
  buttons->addWidget(cmdClose);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(filters);
  layout->addWidget(tvwHistory_, 1);
  layout->addLayout(buttons);
  for (QWidget* field : {static_cast<QWidget*>(cmbDrive_), static_cast<QWidget*>(dtpSince_),
                         static_cast<QWidget*>(cmbSource_)})
    wheelGuard::Guard(field);
  resize(kPreferredSize);

  connect(cmdRefresh, &QPushButton::clicked, this, &frmDriveHistory::cmdRefresh_Click);
  connect(cmdSinceFile, &QPushButton::clicked, this, &frmDriveHistory::cmdSinceFile_Click);
  connect(cmdClose, &QPushButton::clicked, this, &frmDriveHistory::cmdClose_Click);
  connect(txtParameter_, &QLineEdit::returnPressed, this, &frmDriveHistory::cmdRefresh_Click);
  fillDrives();
}

frmDriveHistory::~frmDriveHistory() = default;

// The connected drive first, then the drives the journal knows, the latest written first.
void frmDriveHistory::fillDrives() {
  const journal::DriveId chosen = cmbDrive_->currentIndex() >= 0 && !drives_.isEmpty()
                                      ? drives_.value(cmbDrive_->currentIndex())
                                      : journal::DriveId{};
  drives_.clear();
  if (basComm::DriveConnected == 1) drives_ << writeJournal::ConnectedDrive();
  const journal::Store store(writeJournal::JournalFile());
  for (const journal::DriveId& known : store.drives()) {
    bool listed = false;
    for (const journal::DriveId& drive : drives_) listed = listed || drive.sameDrive(known);
    if (!listed) drives_ << known;
  }
  cmbDrive_->blockSignals(true);
  cmbDrive_->clear();
  int keep = 0;
  for (qsizetype i = 0; i < drives_.size(); ++i) {
    const bool connected = i == 0 && basComm::DriveConnected == 1;
    cmbDrive_->addItem(drives_[i].text() +
                       (connected ? QStringLiteral(" (connected)") : QString()));
    if (!chosen.port.isEmpty() && drives_[i].sameDrive(chosen)) keep = static_cast<int>(i);
  }
  cmbDrive_->setCurrentIndex(drives_.isEmpty() ? -1 : keep);
  cmbDrive_->blockSignals(false);
}

void frmDriveHistory::cmdRefresh_Click() {
  guarded("frmDriveHistory, cmdRefresh_Click", [&] {
    writeJournal::Flush(kFlushMs);
    fillDrives();
    tvwHistory_->clear();
    if (drives_.isEmpty()) {
      lblHistoryStatus_->setText(QStringLiteral("No writes to any drive are in the history yet."));
      return;
    }
    journal::Filter filter;
    filter.drive = drives_.value(cmbDrive_->currentIndex());
    if (!txtParameter_->text().trimmed().isEmpty()) {
      filter.parameter = journal::ParameterOfText(txtParameter_->text());
      if (!filter.parameter) {
        lblHistoryStatus_->setText("\"" + txtParameter_->text().trimmed() +
                                   "\" is not a parameter: type it as P1.05 (or leave it empty "
                                   "for all parameters).");
        return;
      }
    }
    if (chkSince_->isChecked() || optChanges_->isChecked()) filter.since = dtpSince_->dateTime();
    if (cmbSource_->currentIndex() > 0)
      filter.source = journal::AllSources().value(cmbSource_->currentIndex() - 1);
    const journal::Store store(writeJournal::JournalFile());
    if (!store.isOpen()) {
      lblHistoryStatus_->setText("The drive history cannot be read: " + store.problem());
      return;
    }
    const QList<journal::Entry> entries = store.entries(filter);
    if (optChanges_->isChecked())
      showChanges(entries);
    else
      showEntries(entries);
  });
}

void frmDriveHistory::showEntries(const QList<journal::Entry>& entries) {
  tvwHistory_->setHeaderLabels(
      {"Time", "Source", "Parameter", "Before", "Written", "Units", "Answer", "User", "Detail"});
  for (const journal::Entry& entry : entries) {
    const basFunctions::ParamCatalog& catalog = catalogOf(entry.drive);
    auto* top = new QTreeWidgetItem(tvwHistory_);
    top->setText(0, commissioning::LocalTimeText(entry.at));
    top->setText(1, journal::SourceText(entry.source));
    top->setText(2, entry.params.size() == 1
                        ? threeWay::LabelOf(catalog, entry.params[0].index)
                        : QString::number(entry.params.size()) + QStringLiteral(" parameters"));
    top->setText(7, entry.user);
    top->setText(8, entry.detail);
    for (const journal::ParamChange& change : entry.params) {
      auto* item = new QTreeWidgetItem(top);
      item->setText(2, threeWay::LabelOf(catalog, change.index));
      item->setText(3, shown(catalog, change.index, change.before, QStringLiteral("unknown")));
      item->setText(4, shown(catalog, change.index, change.written, QString()));
      item->setText(5, unitsOf(catalog, change.index));
      item->setText(6, journal::AnswerText(change.answer));
    }
  }
  if (entries.size() == 1 || tvwHistory_->topLevelItemCount() < 20) tvwHistory_->expandAll();
  tvwHistory_->header()->resizeSections(QHeaderView::ResizeToContents);
  lblHistoryStatus_->setText(QString::number(entries.size()) + " entries, newest first.");
}

void frmDriveHistory::showChanges(const QList<journal::Entry>& entries) {
  tvwHistory_->setHeaderLabels(
      {"Parameter", "Before", "Now", "Units", "Writes", "Last change", "Source", "User"});
  const basFunctions::ParamCatalog& catalog = catalogOf(drives_.value(cmbDrive_->currentIndex()));
  const QList<journal::Change> changes = journal::ChangesOf(entries);
  for (const journal::Change& change : changes) {
    auto* item = new QTreeWidgetItem(tvwHistory_);
    item->setText(0, threeWay::LabelOf(catalog, change.index));
    item->setText(1, shown(catalog, change.index, change.before, QStringLiteral("unknown")));
    item->setText(2, threeWay::ShownOf(catalog, change.index, change.now));
    item->setText(3, unitsOf(catalog, change.index));
    item->setText(4, QString::number(change.writes));
    item->setText(5, commissioning::LocalTimeText(change.last));
    item->setText(6, journal::SourceText(change.source));
    item->setText(7, change.user);
  }
  tvwHistory_->header()->resizeSections(QHeaderView::ResizeToContents);
  lblHistoryStatus_->setText(QString::number(changes.size()) + " parameter(s) changed since " +
                             commissioning::LocalTimeText(dtpSince_->dateTime().toUTC()) + ".");
}

// "What changed since this file": since the drive last took it (or the file was saved).
void frmDriveHistory::cmdSinceFile_Click() {
  guarded("frmDriveHistory, cmdSinceFile_Click", [&] {
    const QString path = prompt::GetOpenFileName(QStringLiteral("Changes Since File"),
                                                 host::ProgramFolder() + "/Configs",
                                                 QStringLiteral("config files (*.vmc)"));
    if (path.isEmpty() || drives_.isEmpty()) return;
    const journal::Store store(writeJournal::JournalFile());
    const QDateTime since =
        journal::TimeOfFile(store, drives_.value(cmbDrive_->currentIndex()), path);
    if (!since.isValid()) {
      lblHistoryStatus_->setText("Could not find " + path + ".");
      return;
    }
    dtpSince_->setDateTime(since.toLocalTime());
    chkSince_->setChecked(true);
    optChanges_->setChecked(true);
    cmdRefresh_Click();
  });
}

void frmDriveHistory::cmdClose_Click() {
  guarded("frmDriveHistory, cmdClose_Click", [&] { host::UnloadWindow(this); });
}
