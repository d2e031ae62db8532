// frmMaintenance: the window's controls, built from the variant's input count and the drive's
// five outputs (one row per point: function label, state, software check box, Toggle).
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "maint/frm_maintenance.h"

namespace {

template <class T>
T* named(T* widget, const QString& name) {
  widget->setObjectName(name);
  return widget;
}

QString indexed(const char* name, int index) {
  return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index);
}

// A live label takes the width of the widest text it will show, so that the window's size
// (fitted when it opens) needs no more room once the values come in.
void reserveWidth(QLabel* label, std::initializer_list<const char*> texts) {
  int width = 0;
  for (const char* text : texts)
    width = std::max(width, label->fontMetrics().horizontalAdvance(QString::fromLatin1(text)));
  label->setMinimumWidth(width);
}

QLabel* hint(const char* text, const char* name) {
  auto* label = named(new QLabel(QString::fromLatin1(text)), QString::fromLatin1(name));
  label->setStyleSheet(QStringLiteral("color: gray"));
  return label;
}

}  // namespace

// Close and the motion buttons stand above the rest, which scrolls: at the main window's default
// size the child area is only about 430 px high, less than the screen needs.
void frmMaintenance::buildControls() {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(buildButtons());
  auto* content = new QWidget;
  auto* contentLayout = new QVBoxLayout(content);
  contentLayout->setContentsMargins(0, 0, 0, 0);
  contentLayout->addWidget(buildModeLines());
  auto* points = new QHBoxLayout;
  inputRows_ = buildInputRows();
  outputRows_ = buildOutputRows();
  points->addWidget(inputRows_, 3);
  points->addWidget(outputRows_, 2);
  contentLayout->addLayout(points);
  scrollArea_ = named(new QScrollArea, QStringLiteral("scrMaint"));
  scrollArea_->setWidget(content);
  scrollArea_->setWidgetResizable(true);
  scrollArea_->setFrameShape(QFrame::NoFrame);
  layout->addWidget(scrollArea_, 1);
  stbMaint = named(new QStatusBar, QStringLiteral("stbMaint"));
  stbMaint->setSizeGripEnabled(false);
  layout->addWidget(stbMaint);
  tmrMaint = named(new QTimer(this), QStringLiteral("tmrMaint"));
  tmrMaint->setInterval(100);
  tmrMaint2 = named(new QTimer(this), QStringLiteral("tmrMaint2"));
  tmrMaint2->setInterval(1000);
  wireHandlers();
}

// The whole screen without scrolling, as far as the child area allows.
QSize frmMaintenance::preferredSize() const {
  const QMargins margins = layout()->contentsMargins();
  QWidget* inner = scrollArea_->widget();
  const QSize content = inner->sizeHint().expandedTo(inner->minimumSizeHint());
  const int spacing = layout()->spacing();
  // Room for the vertical scroll bar, and a little for the frame styles add.
  const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 24;
  const int width = std::max(content.width() + scrollBar,
                             motionButtons_->parentWidget()->sizeHint().width());
  const int height = motionButtons_->parentWidget()->sizeHint().height() + content.height() +
                     stbMaint->sizeHint().height() + 2 * spacing;
  return QSize(width + margins.left() + margins.right(), height + margins.top() + margins.bottom());
}

QWidget* frmMaintenance::buildModeLines() {
  auto* box = new QGroupBox;
  auto* grid = new QGridLayout(box);
  lblDriveMode = named(new QLabel(QStringLiteral("Drive Mode:")), QStringLiteral("lblDriveMode"));
  lblPosMode =
      named(new QLabel(QStringLiteral("Current Position Mode:")), QStringLiteral("lblPosMode"));
  lblAccel = named(new QLabel(QStringLiteral("Current Accel:")), QStringLiteral("lblAccel"));
  lblDecel = named(new QLabel(QStringLiteral("Current Decel:")), QStringLiteral("lblDecel"));
  lblControl = named(new QLabel, QStringLiteral("lblControl"));
  grid->addWidget(lblDriveMode, 0, 0);
  grid->addWidget(lblPosMode, 1, 0);
  grid->addWidget(lblAccel, 2, 0);
  grid->addWidget(lblDecel, 3, 0);
  grid->addWidget(lblControl, 4, 0);
  for (int i = 0; i < static_cast<int>(lblStatus.size()); ++i) {
    lblStatus[i] = named(new QLabel, indexed("lblStatus", i));
    reserveWidth(lblStatus[i], {"Servo Not Ready", "Servo At Zero Speed", "-32768"});
  }
  reserveWidth(lblControl, {"Outputs Under Software Control"});
  // Status lines (servo ready, servo on, zero speed) and the monitor values.
  grid->addWidget(lblStatus[0], 0, 1);
  grid->addWidget(lblStatus[1], 1, 1);
  grid->addWidget(lblStatus[4], 2, 1);
  grid->addWidget(lblStatus[5], 3, 1);
  grid->addWidget(
      named(new QLabel(QStringLiteral("Current Velocity:")), QStringLiteral("lblVelocity")), 0, 2);
  grid->addWidget(lblStatus[6], 0, 3);
  grid->addWidget(
      named(new QLabel(QStringLiteral("Current Position:")), QStringLiteral("lblPosition")), 1, 2);
  grid->addWidget(lblStatus[2], 1, 3);
  grid->addWidget(named(new QLabel(QStringLiteral("Revs")), QStringLiteral("lblRevs")), 1, 4);
  grid->addWidget(lblStatus[3], 2, 3);
  grid->addWidget(named(new QLabel(QStringLiteral("Pulses")), QStringLiteral("lblPulses")), 2, 4);
  return box;
}

QWidget* frmMaintenance::buildInputRows() {
  auto* box = new QGroupBox(QStringLiteral("Digital Inputs"));
  auto* grid = new QGridLayout(box);
  for (int n = 1; n <= variant_.inputCount; ++n) {
    lblDI[n] =
        named(new QLabel(QStringLiteral("DI %1 = 00: Unassigned").arg(n)), indexed("lblDI", n));
    lblDIState[n] = named(new QLabel, indexed("lblDIState", n));
    reserveWidth(lblDIState[n], {"Off", "On"});
    chkDI[n] = named(new QCheckBox, indexed("chkDI", n));
    chkDI[n]->setToolTip(QStringLiteral("Enables software control of digital input"));
    chkDI[n]->setAccessibleName(QStringLiteral("DI %1 software control").arg(n));
    cmdDI[n] = named(new QPushButton(QStringLiteral("Toggle")), indexed("cmdDI", n));
    cmdDI[n]->setAccessibleName(QStringLiteral("Toggle DI %1").arg(n));
    cmdDI[n]->setEnabled(false);
    grid->addWidget(lblDI[n], n, 0);
    grid->addWidget(lblDIState[n], n, 1);
    grid->addWidget(chkDI[n], n, 2);
    grid->addWidget(cmdDI[n], n, 3);
  }
  lbl306 = named(new QLabel(QStringLiteral("3.0%1 = ").arg(variant_.maskNumber)),
                 QStringLiteral("lbl306"));
  lbl407 = named(new QLabel(QStringLiteral("4.07 = ")), QStringLiteral("lbl407"));
  cmdForceIns =
      named(new QPushButton(QStringLiteral("Force Inputs")), QStringLiteral("cmdForceIns"));
  const int foot = variant_.inputCount + 1;
  grid->addWidget(lbl306, foot, 0);
  grid->addWidget(lbl407, foot, 1);
  grid->addWidget(cmdForceIns, foot, 2, 1, 2);
  return box;
}

QWidget* frmMaintenance::buildOutputRows() {
  auto* box = new QGroupBox(QStringLiteral("Digital Outputs"));
  auto* grid = new QGridLayout(box);
  for (int n = 1; n <= kOutputs; ++n) {
    lblDO[n] =
        named(new QLabel(QStringLiteral("DO %1 = 00: Unassigned").arg(n)), indexed("lblDO", n));
    lblDOState[n] = named(new QLabel, indexed("lblDOState", n));
    reserveWidth(lblDOState[n], {"Off", "On"});
    chkDO[n] = named(new QCheckBox, indexed("chkDO", n));
    chkDO[n]->setAccessibleName(QStringLiteral("Force DO %1").arg(n));
    cmdDO[n] = named(new QPushButton(QStringLiteral("Toggle")), indexed("cmdDO", n));
    cmdDO[n]->setAccessibleName(QStringLiteral("Toggle DO %1").arg(n));
    grid->addWidget(lblDO[n], n, 0);
    grid->addWidget(lblDOState[n], n, 1);
    grid->addWidget(chkDO[n], n, 2);
    grid->addWidget(cmdDO[n], n, 3);
  }
  cmdForceOuts =
      named(new QPushButton(QStringLiteral("Force Outputs")), QStringLiteral("cmdForceOuts"));
  cmdForceOuts->setEnabled(false);
  cmdClearDOForces =
      named(new QPushButton(QStringLiteral("Clear DO Forces")), QStringLiteral("cmdClearDOForces"));
  cmdClearDOForces->setEnabled(false);
  grid->addWidget(cmdForceOuts, kOutputs + 1, 0);
  grid->addWidget(cmdClearDOForces, kOutputs + 1, 2, 1, 2);
  grid->setRowStretch(kOutputs + 2, 1);
  return box;
}

QWidget* frmMaintenance::buildButtons() {
  auto* row = new QWidget;
  auto* rowLayout = new QHBoxLayout(row);
  rowLayout->setContentsMargins(0, 0, 0, 0);
  motionButtons_ = new QWidget;
  auto* grid = new QGridLayout(motionButtons_);
  grid->setContentsMargins(0, 0, 0, 0);
  cmdEnable = named(new QPushButton(QStringLiteral("Enable Drive")), QStringLiteral("cmdEnable"));
  cmdJog = named(new QPushButton(QStringLiteral("Jog Drive")), QStringLiteral("cmdJog"));
  cmdJog->setEnabled(false);
  cmdPosMove =
      named(new QPushButton(QStringLiteral("Pos Cmd Setup")), QStringLiteral("cmdPosMove"));
  cmdClose = named(new QPushButton(QStringLiteral("Close")), QStringLiteral("cmdClose"));
  grid->addWidget(cmdEnable, 0, 0);
  grid->addWidget(hint("Available if Servo On is not assigned to a DI", "lblEnableHint"), 1, 0);
  grid->addWidget(cmdJog, 0, 1);
  grid->addWidget(hint("Drive must be enabled before jogging", "lblJogHint"), 1, 1);
  grid->addWidget(cmdPosMove, 0, 2);
  grid->addWidget(hint("Available when drive is in Pr Mode", "lblPosMoveHint"), 1, 2);
  rowLayout->addWidget(motionButtons_, 1);
  rowLayout->addWidget(cmdClose, 0, Qt::AlignTop);
  return row;
}

void frmMaintenance::wireHandlers() {
  for (int n = 1; n <= variant_.inputCount; ++n) {
    connect(chkDI[n], &QCheckBox::clicked, this, [this, n] { chkDI_Click(n); });
    connect(cmdDI[n], &QPushButton::clicked, this, [this, n] { cmdDI_Click(n); });
  }
  for (int n = 1; n <= kOutputs; ++n) {
    connect(chkDO[n], &QCheckBox::clicked, this, [this, n] { chkDO_Click(n); });
    connect(cmdDO[n], &QPushButton::clicked, this, [this, n] { cmdDO_Click(n); });
  }
  connect(cmdForceIns, &QPushButton::clicked, this, &frmMaintenance::cmdForceIns_Click);
  connect(cmdForceOuts, &QPushButton::clicked, this, &frmMaintenance::cmdForceOuts_Click);
  connect(cmdClearDOForces, &QPushButton::clicked, this, &frmMaintenance::cmdClearDOForces_Click);
  connect(cmdEnable, &QPushButton::clicked, this, &frmMaintenance::cmdEnable_Click);
  connect(cmdJog, &QPushButton::clicked, this, &frmMaintenance::cmdJog_Click);
  connect(cmdPosMove, &QPushButton::clicked, this, &frmMaintenance::cmdPosMove_Click);
  connect(cmdClose, &QPushButton::clicked, this, &frmMaintenance::cmdClose_Click);
  connect(tmrMaint, &QTimer::timeout, this, &frmMaintenance::tmrMaint_Timer);
  connect(tmrMaint2, &QTimer::timeout, this, &frmMaintenance::tmrMaint2_Timer);
}
