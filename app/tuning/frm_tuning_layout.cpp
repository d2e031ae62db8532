// frmTuning: the controls, their captions and lists.
#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "tuning/frm_tuning.h"

namespace {

template <class Widget>
Widget* named(Widget* widget, const QString& name) {
  widget->setObjectName(name);
  return widget;
}

struct ParamLabel {
  int index;
  const char* text;
};
constexpr ParamLabel kLabels[] = {{137, "P1.37 - Load to Servo Motor Inertia Ratio"},
                                  {200, "P2.00 - Proportional Position Loop Gain"},
                                  {201, "P2.01 - Fluctuation Rate of Position Loop Gain"},
                                  {202, "P2.02 - Position Feed Forward Gain"},
                                  {203, "P2.03 - Smooth Constant of Position Feed Forward Gain"},
                                  {204, "P2.04 - Proportional Speed Loop Gain"},
                                  {205, "P2.05 - Fluctuation Rate of Speed Loop Gain"},
                                  {206, "P2.06 - Speed Integral Compensation"},
                                  {207, "P2.07 - Speed Forward Gain"},
                                  {225, "P2.25 - Low-Pass Filter Time of Resonance Suppression"}};

QString labelText(int index) {
  for (const ParamLabel& label : kLabels)
    if (label.index == index) return QString::fromLatin1(label.text);
  return QString();
}

}  // namespace

void frmTuning::buildControls() {
  auto* layout = new QVBoxLayout(this);
  auto* mode = new QHBoxLayout;
  mode->addWidget(
      named(new QLabel(QStringLiteral("Tuning Mode:"), this), QStringLiteral("lblMode")));
  cmbMode = named(new QComboBox(this), QStringLiteral("cmbMode"));
  cmbMode->addItems({QStringLiteral("0: Manual"), QStringLiteral("1: Easy"),
                     QStringLiteral("2: PI Auto-Tuning (Continuous Adjustment)"),
                     QStringLiteral("3: PI Auto-Tuning (Fixed Load Inertia to Motor Inertia "
                                    "Ratio)"),
                     QStringLiteral("4: PDFF Auto-Tuning (Continuous Adjustment)"),
                     QStringLiteral("5: PDFF Auto-Tuning (Fixed Load Inertia to Motor Inertia "
                                    "Ratio)")});
  mode->addWidget(cmbMode, 1);
  cmdSetMode = named(new QPushButton(QStringLiteral("Set"), this), QStringLiteral("cmdSetMode"));
  mode->addWidget(cmdSetMode);
  layout->addLayout(mode);
  layout->addWidget(buildLevels());
  layout->addWidget(buildGains());
  layout->addWidget(buildButtons());
  connect(cmbMode, qOverload<int>(&QComboBox::activated), this, [this] { cmbMode_Click(); });
  connect(cmdSetMode, &QPushButton::clicked, this, &frmTuning::cmdSetMode_Click);
}

// Sixteen levels and their numbers; a seventeenth option and label exist and stay as they
// are built (hidden and off).
QWidget* frmTuning::buildLevels() {
  auto* frame = named(new QGroupBox(this), QStringLiteral("fraLevel"));
  auto* grid = new QGridLayout(frame);
  lblLevel =
      named(new QLabel(QStringLiteral("Stiffness Level"), frame), QStringLiteral("lblLevel"));
  lblLevelLess =
      named(new QLabel(QStringLiteral("Less Stiffness"), frame), QStringLiteral("lblLevelLess"));
  lblLevelMore =
      named(new QLabel(QStringLiteral("More Stiffness"), frame), QStringLiteral("lblLevelMore"));
  lblLevelMore->setAlignment(Qt::AlignRight);
  grid->addWidget(lblLevel, 0, 0, 1, basTuning::kLevels + 1, Qt::AlignHCenter);
  auto* group = new QButtonGroup(frame);
  for (int i = 0; i <= basTuning::kLevels; ++i) {
    optStiffness[i] = named(new QRadioButton(frame), QStringLiteral("optStiffness_%1").arg(i));
    lblStiffSelect[i] =
        named(new QLabel(QString::number(i), frame), QStringLiteral("lblStiffSelect_%1").arg(i));
    lblStiffSelect[i]->setAlignment(Qt::AlignHCenter);
    group->addButton(optStiffness[i], i);
    grid->addWidget(optStiffness[i], 1, i, Qt::AlignHCenter);
    grid->addWidget(lblStiffSelect[i], 2, i);
    connect(optStiffness[i], &QRadioButton::clicked, this, [this, i] { optStiffness_Click(i); });
  }
  optStiffness[basTuning::kLevels]->hide();
  optStiffness[basTuning::kLevels]->setEnabled(false);
  lblStiffSelect[basTuning::kLevels]->hide();
  grid->addWidget(lblLevelLess, 3, 0, 1, 4);
  grid->addWidget(lblLevelMore, 3, basTuning::kLevels - 4, 1, 4);
  return frame;
}

QWidget* frmTuning::buildGains() {
  auto* frame = named(new QGroupBox(this), QStringLiteral("fraGains"));
  auto* grid = new QGridLayout(frame);
  grid->addWidget(new QLabel(QStringLiteral("New"), frame), 0, 1, Qt::AlignHCenter);
  grid->addWidget(new QLabel(QStringLiteral("Current"), frame), 0, 2, Qt::AlignHCenter);
  int row = 1;
  for (int index : basTuning::kParams) {
    auto* label =
        named(new QLabel(labelText(index), frame), QStringLiteral("lblParam_%1").arg(index));
    auto* box = named(new QLineEdit(frame), QStringLiteral("txtNew_%1").arg(index));
    auto* current = named(new QLabel(frame), QStringLiteral("lblCurrent_%1").arg(index));
    box->setMaximumWidth(90);
    box->setAccessibleName(label->text());
    label->setBuddy(box);
    current->setMinimumWidth(70);
    current->setFrameShape(QFrame::Panel);
    current->setFrameShadow(QFrame::Sunken);
    box->installEventFilter(this);
    txtNew.insert(index, box);
    lblCurrent.insert(index, current);
    grid->addWidget(label, row, 0);
    grid->addWidget(box, row, 1);
    grid->addWidget(current, row, 2);
    ++row;
  }
  return frame;
}

QWidget* frmTuning::buildButtons() {
  auto* buttons = new QWidget(this);
  auto* row = new QHBoxLayout(buttons);
  cmdUpdate = named(new QPushButton(QStringLiteral("Click To Send New Settings To Drive"), buttons),
                    QStringLiteral("cmdUpdate"));
  cmdRevert =
      named(new QPushButton(QStringLiteral("Revert"), buttons), QStringLiteral("cmdRevert"));
  cmdScope = named(new QPushButton(QStringLiteral("Scope"), buttons), QStringLiteral("cmdScope"));
  cmdClose = named(new QPushButton(QStringLiteral("Close"), buttons), QStringLiteral("cmdClose"));
  row->addWidget(cmdUpdate, 1);
  row->addWidget(cmdRevert);
  row->addWidget(cmdScope);
  row->addWidget(cmdClose);
  connect(cmdUpdate, &QPushButton::clicked, this, &frmTuning::cmdUpdate_Click);
  connect(cmdRevert, &QPushButton::clicked, this, &frmTuning::cmdRevert_Click);
  connect(cmdScope, &QPushButton::clicked, this, &frmTuning::cmdScope_Click);
  connect(cmdClose, &QPushButton::clicked, this, &frmTuning::cmdClose_Click);
  return buttons;
}
