#include "shell/frm_faults.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <iterator>

#include "core/host.h"
#include "core/logs.h"
#include "core/pictures.h"
#include "params/value_table.h"
#include "shell/drive_status_texts.h"

using basFunctions::guarded;

namespace {

QPointer<frmFaults> g_faults;

// The fault window's own wording: code 13 is "Emergency Stop" here, "Fault Stop" on the
// status bar.
const char* const kFaultTexts[] = {
    "No Faults ",
    "Overcurrent ",
    "Overvoltage ",
    "Undervoltage ",
    "Motor Overheated ",
    "Regeneration Error ",
    "Overload ",
    "Overspeed ",
    "Abnormal Pulse Ctrl Cmd ",
    "Excessive Deviation ",
    "Watch Dog Fault ",
    "Position Detector Fault ",
    "Adjustment Error ",
    "Emergency Stop ",
    "Reverse Limit Error ",
    "Forward Limit Error ",
    "IGBT Temperature Error ",
    "Memory Error ",
    "DSP Comm Error ",
    "Serial Comm Error ",
    "Serial Comm Timeout ",
    "Command Write-In Error ",
    "Input Power Phase Loss ",
};

const char* const kRecordCaptions[frmFaults::kRecords] = {
    "P4.00 - Most Recent Fault Record:", "P4.01 - 2nd Most Recent Fault Record:",
    "P4.02 - 3rd Most Recent Fault Record:", "P4.03 - 4th Most Recent Fault Record:",
    "P4.04 - 5th Most Recent Fault Record:"};

}  // namespace

frmFaults::frmFaults() {
  setObjectName(QStringLiteral("frmFaults"));
  setWindowTitle(QStringLiteral("  Fault Viewer"));
  g_faults = this;
  auto* grid = new QGridLayout;
  for (int k = 0; k < kRecords; ++k) {
    captions_[k] = new QLabel(QString::fromLatin1(kRecordCaptions[k]), this);
    captions_[k]->setObjectName(QStringLiteral("lblFaults_%1").arg(k));
    faults_[k] = new QLabel(QStringLiteral("N/A"), this);
    faults_[k]->setObjectName(QStringLiteral("lblFaults_%1").arg(kFirstFaultLabel + k));
    grid->addWidget(captions_[k], k, 0);
    grid->addWidget(faults_[k], k, 1);
  }
  grid->setColumnMinimumWidth(1, 180);
  auto* cmdRead = new QPushButton(QStringLiteral("Read"), this);
  cmdRead->setObjectName(QStringLiteral("cmdRead"));
  auto* cmdClose = new QPushButton(QStringLiteral("Close"), this);
  cmdClose->setObjectName(QStringLiteral("cmdClose"));
  connect(cmdRead, &QPushButton::clicked, this, &frmFaults::cmdRead_Click);
  connect(cmdClose, &QPushButton::clicked, this, &frmFaults::cmdClose_Click);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdRead);
  buttons->addWidget(cmdClose);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);
}

frmFaults::~frmFaults() = default;

frmFaults* frmFaults::instance() { return g_faults.data(); }

frmFaults* frmFaults::Display() {
  frmFaults* window = g_faults.data();
  if (!window || host::IsUnloaded(window)) {
    window = new frmFaults;
    window->Form_Load();
  }
  host::ShowChild(window);
  return window;
}

QString frmFaults::FaultText(int32_t code) {
  if (code < 0 || code >= static_cast<int32_t>(std::size(kFaultTexts)))
    return basMain::UnknownFaultText(code);
  return QString::fromLatin1(kFaultTexts[code]);
}

QLabel* frmFaults::lblFaults(int element) const {
  if (element >= 0 && element < kRecords) return captions_[element];
  const int record = element - kFirstFaultLabel;
  return record >= 0 && record < kRecords ? faults_[record] : nullptr;
}

void frmFaults::Form_Load() {
  guarded("frmFaults, Form_Load", [&] {
    setWindowIcon(pictures::WindowIcon());
    cmdRead_Click();
  });
}

void frmFaults::FaultCodes(int32_t code, int16_t element) {
  guarded("frmFaults, FaultCodes", [&] {
    // A code outside the table is shown as unknown with its number: keeping the label's text
    // would show the fault of an earlier record as this one's.
    if (QLabel* label = lblFaults(element)) label->setText(FaultText(code));
  });
}

void frmFaults::cmdRead_Click() {
  guarded("frmFaults, cmdRead_Click()", [&] {
    for (int k = 0; k < kRecords; ++k)
      FaultCodes(basFunctions::DriveImage.P(4, k), static_cast<int16_t>(kFirstFaultLabel + k));
  });
}

void frmFaults::cmdClose_Click() {
  guarded("frmFaults, cmdClose_Click()", [&] { host::UnloadWindow(this); });
}
