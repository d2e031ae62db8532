#include "shell/frm_stats.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "core/app_state.h"
#include "core/host.h"
#include "core/logs.h"
#include "core/pictures.h"
#include "link/bas_comm.h"
#include "params/drive_identity.h"

using basFunctions::guarded;

namespace {

QPointer<frmStats> g_stats;

// Fixed captions of elements 0..7; the value labels 8..14 start empty.
const char* const kCaptions[] = {"Current Configuration In Velumo Memory",
                                 "Current Amp:",
                                 "Current Motor:",
                                 "Current Rev:",
                                 "Current Amp:",
                                 "Current Motor:",
                                 "Current Rev:",
                                 "Connected Drive"};
constexpr int kFirstValue = 8;

// One refresh 3 s after opening, when the connected drive's identity has usually been read.
constexpr int kSecondRefreshMs = 3000;

}  // namespace

frmStats::frmStats() {
  setObjectName(QStringLiteral("frmStats"));
  setWindowTitle(QStringLiteral("  Current Configuration Information"));
  g_stats = this;
  for (int k = 0; k < kLabels; ++k) {
    labels_[k] = new QLabel(k < kFirstValue ? QString::fromLatin1(kCaptions[k]) : QString(), this);
    labels_[k]->setObjectName(QStringLiteral("lblStats_%1").arg(k));
  }
  for (int heading : {0, 7}) {
    QFont bold = labels_[heading]->font();
    bold.setBold(true);
    labels_[heading]->setFont(bold);
  }
  labels_[14]->setWordWrap(true);
  auto* grid = new QGridLayout;
  // Heading, then caption/value pairs: the configuration (1..3 -> 8..10) and the drive
  // (4..6 -> 11..13).
  const int rows[][2] = {{1, 8}, {2, 9}, {3, 10}, {4, 11}, {5, 12}, {6, 13}};
  grid->addWidget(labels_[0], 0, 0, 1, 2);
  for (int i = 0; i < 3; ++i) {
    grid->addWidget(labels_[rows[i][0]], 1 + i, 0);
    grid->addWidget(labels_[rows[i][1]], 1 + i, 1);
  }
  grid->addWidget(labels_[14], 4, 0, 1, 2);
  grid->addWidget(labels_[7], 5, 0, 1, 2);
  for (int i = 3; i < 6; ++i) {
    grid->addWidget(labels_[rows[i][0]], 3 + i, 0);
    grid->addWidget(labels_[rows[i][1]], 3 + i, 1);
  }
  grid->setColumnMinimumWidth(1, 220);

  auto* cmdUpdate = new QPushButton(QStringLiteral("Update"), this);
  cmdUpdate->setObjectName(QStringLiteral("cmdUpdate"));
  auto* cmdClose = new QPushButton(QStringLiteral("Close"), this);
  cmdClose->setObjectName(QStringLiteral("cmdClose"));
  connect(cmdUpdate, &QPushButton::clicked, this, &frmStats::cmdUpdate_Click);
  connect(cmdClose, &QPushButton::clicked, this, &frmStats::cmdClose_Click);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdUpdate);
  buttons->addWidget(cmdClose);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);

  tmrStats_ = new QTimer(this);
  tmrStats_->setObjectName(QStringLiteral("tmrStats"));
  tmrStats_->setInterval(kSecondRefreshMs);
  connect(tmrStats_, &QTimer::timeout, this, &frmStats::tmrStats_Timer);
}

// Unloading drops the global reference (the QPointer clears itself).
frmStats::~frmStats() = default;

frmStats* frmStats::instance() { return g_stats.data(); }

frmStats* frmStats::Display() {
  frmStats* window = g_stats.data();
  if (!window || host::IsUnloaded(window)) {
    window = new frmStats;
    window->Form_Load();
  }
  host::ShowChild(window);
  return window;
}

QLabel* frmStats::lblStats(int element) const {
  return element >= 0 && element < kLabels ? labels_[element] : nullptr;
}

void frmStats::Form_Load() {
  guarded("frmStats, Form_Load", [&] {
    setWindowIcon(pictures::WindowIcon());
    tmrStats_->start();
    cmdUpdate_Click();
  });
}

void frmStats::cmdUpdate_Click() {
  guarded("frmStats, cmdUpdate_Click", [&] {
    basFunctions::GetDriveType();
    const basFunctions::DriveIdentityTexts& identity = basFunctions::DriveIdentity;
    labels_[8]->setText(identity.configAmp);
    labels_[9]->setText(identity.configMotor);
    labels_[10]->setText(basMain::EditorFirmwareText);
    if (basComm::DriveConnected != 1) {
      labels_[11]->setText(QStringLiteral("Not Connected"));
      labels_[12]->setText(QStringLiteral(" "));
      labels_[13]->setText(QStringLiteral(" "));
    } else {
      labels_[11]->setText(identity.driveAmp);
      labels_[12]->setText(identity.driveMotor);
      labels_[13]->setText(identity.firmwareLong);
    }
    labels_[14]->setText(basMain::CurrentConfigPath);
  });
}

void frmStats::tmrStats_Timer() {
  guarded("frmStats, tmrStats_Timer", [&] {
    cmdUpdate_Click();
    tmrStats_->stop();
  });
}

void frmStats::cmdClose_Click() {
  guarded("frmStats, cmdClose_Click", [&] { host::UnloadWindow(this); });
}
