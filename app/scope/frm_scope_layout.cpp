// frmScope: the controls, their captions, lists and defaults.
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "scope/frm_scope.h"
#include "scope/scope_plot.h"

namespace {

template <class Widget>
Widget* named(Widget* widget, const QString& name, const QString& spoken = QString()) {
  widget->setObjectName(name);
  if (!spoken.isEmpty()) widget->setAccessibleName(spoken);
  return widget;
}

// A list of short numbers that shows its longest entry whole, whatever the style's arrow takes.
void numberList(QComboBox* list, int characters) {
  list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  list->setMinimumContentsLength(characters);
}

QStringList numbers(int first, int last) {
  QStringList items;
  for (int i = first; i <= last; ++i) items << QString::number(i);
  return items;
}

}  // namespace

void frmScope::buildControls() {
  auto* layout = new QHBoxLayout(this);
  auto* side = new QVBoxLayout;
  side->addWidget(buildConfigFrame());
  side->addWidget(buildChannelFrame());
  side->addWidget(buildButtons());
  side->addStretch();
  layout->addLayout(side);
  Scope1 = new ScopePlot(this);
  layout->addWidget(Scope1, 1);
}

QGroupBox* frmScope::buildConfigFrame() {
  auto* frame = named(new QGroupBox(QStringLiteral("General Scope Configuration"), this),
                      QStringLiteral("frameScopeConfig"));
  auto* grid = new QGridLayout(frame);
  grid->addWidget(named(new QLabel(QStringLiteral("Mode:"), frame), QStringLiteral("lblScopeMode")),
                  0, 0);
  cmbScopeMode =
      named(new QComboBox(frame), QStringLiteral("cmbScopeMode"), QStringLiteral("Mode"));
  cmbScopeMode->addItems({QStringLiteral("One-Shot/Single Capture"),
                          QStringLiteral("Triggered Single Capture"),
                          QStringLiteral("Free Running")});
  grid->addWidget(cmbScopeMode, 0, 1, 1, 3);

  grid->addWidget(named(new QLabel(QStringLiteral("# Seconds of Data to Capture"), frame),
                        QStringLiteral("lblBufferSize")),
                  1, 0, 1, 3);
  cmbBufferSize = named(new QComboBox(frame), QStringLiteral("cmbBufferSize"),
                        QStringLiteral("Seconds of data to capture"));
  numberList(cmbBufferSize, 3);
  cmbBufferSize->addItems(numbers(1, 120));
  cmbBufferSize->setCurrentIndex(3);
  grid->addWidget(cmbBufferSize, 1, 3);

  grid->addWidget(named(new QLabel(QStringLiteral("Visible Time Range"), frame),
                        QStringLiteral("lblVisibleTimeRange")),
                  2, 0);
  const char* ranges[2] = {"First", "Last"};
  for (int i = 0; i < 2; ++i) {
    optVisibleTimeRange[i] =
        named(new QRadioButton(QString::fromLatin1(ranges[i]), frame),
              QStringLiteral("optVisibleTimeRange_%1").arg(i),
              QStringLiteral("Visible time range: ") + QString::fromLatin1(ranges[i]));
    grid->addWidget(optVisibleTimeRange[i], 2, 1 + i);
  }
  optVisibleTimeRange[0]->setChecked(true);
  cmbVisibleTimeAmount = named(new QComboBox(frame), QStringLiteral("cmbVisibleTimeAmount"),
                               QStringLiteral("Visible seconds"));
  numberList(cmbVisibleTimeAmount, 2);
  cmbVisibleTimeAmount->addItems(numbers(1, 4));
  cmbVisibleTimeAmount->setCurrentIndex(3);
  auto* amount = new QHBoxLayout;
  amount->addWidget(cmbVisibleTimeAmount);
  amount->addWidget(
      named(new QLabel(QStringLiteral("Sec"), frame), QStringLiteral("lblVisibleTimeUnits")));
  grid->addLayout(amount, 2, 3);
  return frame;
}

QGroupBox* frmScope::buildChannelFrame() {
  auto* frame =
      named(new QGroupBox(QStringLiteral("Real-Time Plot Channel/Pen Configuration"), this),
            QStringLiteral("frameScopeChannels"));
  auto* grid = new QGridLayout(frame);
  for (int c = 0; c < basScope::kChannels; ++c) {
    const QString channel = QStringLiteral("Channel %1").arg(c + 1);
    ckChannelEnabled[c] = named(new QCheckBox(frame), QStringLiteral("ckChannelEnabled_%1").arg(c),
                                channel + QStringLiteral(" enabled"));
    ckChannelEnabled[c]->setChecked(true);
    lblChannelName[c] = named(new QLabel(QStringLiteral("Channel %1").arg(c + 1), frame),
                              QStringLiteral("lblChannelName_%1").arg(c));
    lblChannelName[c]->installEventFilter(this);
    cmbChannelSource[c] = named(new QComboBox(frame), QStringLiteral("cmbChannelSource_%1").arg(c),
                                channel + QStringLiteral(" source"));
    cmbChannelSource[c]->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmbChannelSource[c]->setMinimumContentsLength(20);
    grid->addWidget(ckChannelEnabled[c], c, 0);
    grid->addWidget(lblChannelName[c], c, 1);
    grid->addWidget(cmbChannelSource[c], c, 2, 1, 3);
  }
  lblTriggerLimitPreface =
      named(new QLabel(QStringLiteral("Start Capturing When Channel 1"), frame),
            QStringLiteral("lblTriggerLimitPreface"));
  cmbTriggerLimitCompare = named(new QComboBox(frame), QStringLiteral("cmbTriggerLimitCompare"),
                                 QStringLiteral("Trigger comparison"));
  cmbTriggerLimitCompare->addItems(
      {QStringLiteral(">"), QStringLiteral(">="), QStringLiteral("<"), QStringLiteral("<=")});
  txtTriggerLimit = named(new QLineEdit(QStringLiteral("0"), frame),
                          QStringLiteral("txtTriggerLimit"), QStringLiteral("Trigger limit"));
  lblTriggerLimitUnits = named(new QLabel(frame), QStringLiteral("lblTriggerLimitUnits"),
                               QStringLiteral("Trigger limit units"));
  grid->addWidget(lblTriggerLimitPreface, 3, 0, 1, 2);
  grid->addWidget(cmbTriggerLimitCompare, 3, 2);
  grid->addWidget(txtTriggerLimit, 3, 3);
  grid->addWidget(lblTriggerLimitUnits, 3, 4);
  for (QWidget* trigger :
       {static_cast<QWidget*>(lblTriggerLimitPreface),
        static_cast<QWidget*>(cmbTriggerLimitCompare), static_cast<QWidget*>(txtTriggerLimit),
        static_cast<QWidget*>(lblTriggerLimitUnits)})
    trigger->setVisible(false);
  return frame;
}

QWidget* frmScope::buildButtons() {
  auto* area = new QWidget(this);
  auto* grid = new QGridLayout(area);
  cmdStartStopScope =
      named(new QPushButton(QStringLiteral("Start"), area), QStringLiteral("cmdStartStopScope"));
  cmdCloseScope =
      named(new QPushButton(QStringLiteral("Close"), area), QStringLiteral("cmdCloseScope"));
  cmdSaveLog =
      named(new QPushButton(QStringLiteral("Save Data"), area), QStringLiteral("cmdSaveLog"));
  cmdSaveLog->setEnabled(false);
  chkLog = named(new QCheckBox(QStringLiteral("Log Data"), area), QStringLiteral("chkLog"));
  ckShowLegend =
      named(new QCheckBox(QStringLiteral("Show Legend"), area), QStringLiteral("ckShowLegend"));
  ckShowLegend->setChecked(true);
  ckShowChannelMarkers = named(new QCheckBox(QStringLiteral("Show Data Point Markers"), area),
                               QStringLiteral("ckShowChannelMarkers"));
  ckPrintColor =
      named(new QCheckBox(QStringLiteral("Print in Color"), area), QStringLiteral("ckPrintColor"));
  grid->addWidget(cmdStartStopScope, 0, 0);
  grid->addWidget(cmdSaveLog, 0, 1);
  grid->addWidget(cmdCloseScope, 0, 2);
  grid->addWidget(chkLog, 1, 0);
  grid->addWidget(ckShowLegend, 1, 1);
  grid->addWidget(ckShowChannelMarkers, 2, 0, 1, 2);
  grid->addWidget(ckPrintColor, 2, 2);
  return area;
}
