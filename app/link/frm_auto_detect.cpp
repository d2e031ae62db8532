#include "link/frm_auto_detect.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include "core/host.h"
#include "core/logs.h"
#include "core/main_window_access.h"
#include "core/pictures.h"
#include "core/prompt.h"
#include "link/auto_detect.h"
#include "link/bas_comm.h"
#include "link/device_picker.h"
#include "link/frm_comm_settings.h"
#include "link/port_list_view.h"
#include "link/serial_ports.h"

using basFunctions::guarded;

namespace {

QPointer<frmAutoDetect> g_autoDetect;

// "Com 1" .. "Com 15", every entry the control takes; the list position is its ComPort.
constexpr int kPorts = serialPorts::kComPortCount;

}  // namespace

frmAutoDetect::frmAutoDetect() {
  setObjectName(QStringLiteral("frmAutoDetect"));
  setWindowTitle(QStringLiteral("  Auto-Detect Drive"));
  setWindowIcon(pictures::WindowIcon());
  g_autoDetect = this;
  buildControls();
  Timer1_Timer();
  Timer1->start();
}

// A window that goes while its scan runs (Close, the program closing) stops the scan.
frmAutoDetect::~frmAutoDetect() {
  if (autoDetect::Scanning()) autoDetect::AutoDetectCancel = 1;
}

frmAutoDetect* frmAutoDetect::instance() { return g_autoDetect.data(); }

frmAutoDetect* frmAutoDetect::Display() {
  frmAutoDetect* window = g_autoDetect.data();
  if (!window || host::IsUnloaded(window)) window = new frmAutoDetect;
  host::ShowChild(window);
  return window;
}

void frmAutoDetect::buildControls() {
  lblPort = new QLabel(QStringLiteral("Select a port:"), this);
  lblPort->setObjectName(QStringLiteral("lblPort"));
  cmbPort = new QComboBox(this);
  cmbPort->setObjectName(QStringLiteral("cmbPort"));
  cmbPort->setPlaceholderText(QStringLiteral("Select Port"));
  for (int port = 1; port <= kPorts; ++port) {
    cmbPort->addItem(QStringLiteral("Com %1").arg(port));
    serialPorts::MarkComEntry(cmbPort, port - 1, port);
  }
  cmbPort->setCurrentIndex(-1);
  serialPorts::ShowDevicesInPortList(cmbPort);
  lblPort->setBuddy(cmbPort);
  connect(cmbPort, &QComboBox::activated, this, &frmAutoDetect::cmbPort_Click);
  devicePicker_ = new DevicePicker(this);
  devicePicker_->showFor(0);
  connect(devicePicker_, &DevicePicker::assignmentChanged, this,
          [this] { serialPorts::ShowDevicesInPortList(cmbPort); });
  connect(cmbPort, &QComboBox::currentIndexChanged, this, [this](int position) {
    guarded("frmAutoDetect, cmbPort_Change", [&] {
      serialPorts::ShowDevicesInPortList(cmbPort);
      devicePicker_->showFor(serialPorts::ComNumberAt(cmbPort, position));
    });
  });

  lblNodes = new QLabel(QStringLiteral("Node addresses from:"), this);
  lblNodes->setObjectName(QStringLiteral("lblNodes"));
  txtFirstNode = new QSpinBox(this);
  txtFirstNode->setObjectName(QStringLiteral("txtFirstNode"));
  txtLastNode = new QSpinBox(this);
  txtLastNode->setObjectName(QStringLiteral("txtLastNode"));
  for (QSpinBox* box : {txtFirstNode, txtLastNode})
    box->setRange(autoDetect::kFirstNode, autoDetect::kLastNode);
  txtFirstNode->setValue(autoDetect::kFirstNode);
  txtLastNode->setValue(autoDetect::kLastNode);
  txtFirstNode->setAccessibleName(QStringLiteral("First node address"));
  txtLastNode->setAccessibleName(QStringLiteral("Last node address"));
  lblNodes->setBuddy(txtFirstNode);
  connect(txtFirstNode, &QSpinBox::valueChanged, this, &frmAutoDetect::lastNodeFollowsFirst);
  auto* toLabel = new QLabel(QStringLiteral("to"), this);

  cmdTryComPort = new QPushButton(QStringLiteral("Detect"), this);
  cmdTryComPort->setObjectName(QStringLiteral("cmdTryComPort"));
  cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
  cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
  cmdClose = new QPushButton(QStringLiteral("Close"), this);
  cmdClose->setObjectName(QStringLiteral("cmdClose"));
  connect(cmdTryComPort, &QPushButton::clicked, this, &frmAutoDetect::cmdTryComPort_Click);
  connect(cmdCancel, &QPushButton::clicked, this, &frmAutoDetect::cmdCancel_Click);
  connect(cmdClose, &QPushButton::clicked, this, &frmAutoDetect::cmdClose_Click);

  lblState = new QLabel(QStringLiteral(" Select a port and click \"Detect\" to begin."), this);
  lblState->setObjectName(QStringLiteral("lblState"));
  lblStatus = new QLabel(QStringLiteral("Status:"), this);
  lblStatus->setObjectName(QStringLiteral("lblStatus"));
  lstStatus = new QListWidget(this);
  lstStatus->setObjectName(QStringLiteral("lstStatus"));
  lstStatus->setMinimumSize(380, 160);
  lblStatus->setBuddy(lstStatus);
  lblRemaining = new QLabel(this);
  lblRemaining->setObjectName(QStringLiteral("lblRemaining"));

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(1000);
  connect(Timer1, &QTimer::timeout, this, &frmAutoDetect::Timer1_Timer);

  auto* choices = new QGridLayout;
  choices->addWidget(lblPort, 0, 0);
  choices->addWidget(cmbPort, 0, 1, 1, 3);
  devicePicker_->addTo(choices, 1, 3);
  choices->addWidget(lblNodes, 4, 0);
  choices->addWidget(txtFirstNode, 4, 1);
  choices->addWidget(toLabel, 4, 2);
  choices->addWidget(txtLastNode, 4, 3);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdTryComPort);
  buttons->addWidget(cmdCancel);
  buttons->addWidget(cmdClose);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(choices);
  layout->addWidget(lblState);
  layout->addWidget(lblStatus);
  layout->addWidget(lstStatus, 1);
  layout->addWidget(lblRemaining);
  layout->addLayout(buttons);
}

void frmAutoDetect::lastNodeFollowsFirst() {
  if (txtLastNode->value() < txtFirstNode->value()) txtLastNode->setValue(txtFirstNode->value());
}

void frmAutoDetect::cmdTryComPort_Click() {
  guarded("frmAutoDetect, cmdTryComPort_Click", [&] {
    if (autoDetect::Scanning()) return;
    autoDetect::AutoDetectCancel = 0;
    mainWindow::SetBusyPointer();
    mainWindow::EnableMainTimer(false);
    if (cmbPort->currentIndex() < 0) {
      prompt::MsgBox(QStringLiteral("Please select a com port from the drop down box."),
                     prompt::Buttons::OK, prompt::Icon::Exclamation,
                     QStringLiteral("Information Needed."));
      cmbPort->setFocus();
      mainWindow::SetNormalPointer();
      mainWindow::EnableMainTimer(true);
      return;
    }
    lblState->setText(QStringLiteral(" "));
    lstStatus->clear();
    // The window may be closed while the scan runs: it is reached only through a guard.
    QPointer<frmAutoDetect> self(this);
    autoDetect::ScanView view;
    view.addStatusLine = [self](const QString& line) {
      if (self) self->addStatusLine(line);
    };
    view.setState = [self](const QString& text) {
      if (self) self->lblState->setText(text);
    };
    view.setRemaining = [self](const QString& text) {
      if (self) self->lblRemaining->setText(text);
    };
    const int port = cmbPort->currentIndex();
    const int firstNode = txtFirstNode->value();
    const int lastNode = txtLastNode->value();
    QTimer::singleShot(0, this, &frmAutoDetect::Timer1_Timer);  // Detect off while it runs
    const autoDetect::Outcome outcome = autoDetect::Scan(port, firstNode, lastNode, view);
    // The connect dialog, if open, shows what was found (a reconnect from it uses that).
    if (outcome == autoDetect::Outcome::Found && frmCommSettings::Instance())
      frmCommSettings::Instance()->ShowLastSelection();
    if (self) self->Timer1_Timer();
  });
}

// The newest line stays in sight while the scan adds its lines.
void frmAutoDetect::addStatusLine(const QString& line) {
  lstStatus->addItem(line);
  lstStatus->scrollToBottom();
}

void frmAutoDetect::cmdCancel_Click() {
  guarded("frmAutoDetect, cmdCancel_Click", [&] {
    autoDetect::AutoDetectCancel = 1;
    mainWindow::SetNormalPointer();
  });
}

void frmAutoDetect::cmdClose_Click() {
  guarded("frmAutoDetect, cmdClose_Click", [&] {
    autoDetect::AutoDetectCancel = 1;
    mainWindow::SetNormalPointer();
    host::UnloadWindow(this);
  });
}

void frmAutoDetect::cmbPort_Click() {
  guarded("frmAutoDetect, cmbPort_Click", [&] {
    QPalette colours = cmbPort->palette();
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText})
      colours.setColor(role, Qt::black);
    colours.setColor(QPalette::Base, Qt::white);
    colours.setColor(QPalette::Button, Qt::white);
    cmbPort->setPalette(colours);
    QFont normal = cmbPort->font();
    normal.setBold(false);
    cmbPort->setFont(normal);
  });
}

void frmAutoDetect::Timer1_Timer() {
  guarded("frmAutoDetect, Timer1", [&] {
    const bool scanning = autoDetect::Scanning();
    cmdTryComPort->setEnabled(basComm::DriveConnected != 1 && !scanning);
    txtFirstNode->setEnabled(!scanning);
    txtLastNode->setEnabled(!scanning);
    cmbPort->setEnabled(!scanning);
    const bool portOpen =
        host::HasMod1() && host::Mod1().get_PortOpen() != portwright::VARIANT_FALSE;
    devicePicker_->setChangeable(!scanning && !portOpen);
    serialPorts::ShowDevicesInPortList(cmbPort);
    devicePicker_->refresh();
  });
}
