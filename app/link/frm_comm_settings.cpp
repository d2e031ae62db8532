#include "link/frm_comm_settings.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QVariant>

#include "core/host.h"
#include "core/logs.h"
#include "core/main_window_access.h"
#include "core/pictures.h"
#include "core/prompt.h"
#include "core/status.h"
#include "link/bas_comm.h"
#include "link/connect_sequence.h"
#include "link/device_picker.h"
#include "link/port_list_view.h"
#include "link/serial_ports.h"

namespace {

QPointer<frmCommSettings> g_instance;

const QStringList kMaintenanceScreens = {QStringLiteral("frmMaintenance"),
                                         QStringLiteral("frmMaintenance_210")};

bool maintenanceScreenOpen() {
  for (const QString& name : kMaintenanceScreens)
    if (basFunctions::FormIsOpen(name)) return true;
  return false;
}

void unloadMaintenanceScreens() {
  for (QWidget* widget : QApplication::allWidgets())
    if (kMaintenanceScreens.contains(widget->objectName())) host::UnloadWindow(widget);
}

QString numberText(double value) { return QString::number(value, 'g', 15); }

}  // namespace

frmCommSettings* frmCommSettings::Instance() { return g_instance.data(); }

frmCommSettings* frmCommSettings::Display() {
  if (!g_instance) {
    g_instance = new frmCommSettings();
    g_instance->Form_Load();
  }
  host::ShowChild(g_instance);
  return g_instance;
}

frmCommSettings* frmCommSettings::DisplayFailurePanel() {
  frmCommSettings* dialog = Display();
  dialog->setFailurePanelVisible(true);
  return dialog;
}

void frmCommSettings::setFailurePanelVisible(bool visible) {
  if (picCommFailure->isVisibleTo(this) == visible) return;
  auto* subWindow = qobject_cast<QMdiSubWindow*>(parentWidget());
  QWidget* frame = subWindow ? static_cast<QWidget*>(subWindow) : this;
  if (visible) sizeWithoutPanel_ = frame->size();
  picCommFailure->setVisible(visible);
  layout()->activate();
  if (!visible) {
    if (sizeWithoutPanel_.isValid()) frame->resize(sizeWithoutPanel_);
    return;
  }
  // The frame's own layout holds this dialog: its hint includes the frame's title and borders.
  if (frame->layout()) frame->layout()->invalidate();
  const QSize needed = frame->sizeHint().expandedTo(frame->minimumSizeHint());
  frame->resize(frame->size().expandedTo(needed));
}

void frmCommSettings::Unload() {
  frmCommSettings* dialog = g_instance.data();
  if (!dialog) return;
  g_instance.clear();
  if (auto* frame = qobject_cast<QMdiSubWindow*>(dialog->parentWidget())) frame->close();
  dialog->close();
  dialog->deleteLater();
}

frmCommSettings::frmCommSettings() {
  setObjectName(QStringLiteral("frmCommSettings"));
  setWindowTitle(QStringLiteral("  Connection Settings"));
  buildControls();
}

frmCommSettings::~frmCommSettings() {
  if (g_instance == this) g_instance.clear();
}

void frmCommSettings::buildControls() {
  auto named = [this](auto* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
  };
  cmbPort = named(new QComboBox(this), "cmbPort");
  cmbSpeed = named(new QComboBox(this), "cmbSpeed");
  cmbProtocol = named(new QComboBox(this), "cmbProtocol");
  cmbEthernet = named(new QComboBox(this), "cmbEthernet");
  txtPort = named(new QLineEdit(this), "txtPort");
  txtSpeed = named(new QLineEdit(this), "txtSpeed");
  txtProtocol = named(new QLineEdit(this), "txtProtocol");
  txtAddress = named(new QLineEdit(this), "txtAddress");
  cmdConnect = named(new QPushButton(QStringLiteral("Connect"), this), "cmdConnect");
  cmdDisconnect = named(new QPushButton(QStringLiteral("Disconnect"), this), "cmdDisconnect");
  cmdClose = named(new QPushButton(QStringLiteral("Close"), this), "cmdClose");
  lblCom = named(new QLabel(this), "lblCom");
  Label2 = named(new QLabel(QStringLiteral("Baud Rate:"), this), "Label2");
  Label1 = named(new QLabel(QStringLiteral("Protocol:"), this), "Label1");
  lblAddress = named(new QLabel(QStringLiteral("Node Address Of Drive:"), this), "lblAddress");
  picCommFailure = named(new QFrame(this), "picCommFailure");
  lblFailure = named(new QLabel(QStringLiteral("Communication to the drive has been lost. "
                                               "Would you like to re-connect?"),
                                picCommFailure),
                     "lblFailure");
  cmdFailureYes = named(new QPushButton(QStringLiteral("Yes"), picCommFailure), "cmdFailureYes");
  cmdFailurNo = named(new QPushButton(QStringLiteral("No"), picCommFailure), "cmdFailurNo");
  tmrComSettings = named(new QTimer(this), "tmrComSettings");

  // Each list is named by its label on the accessibility bus, not by the value it shows.
  lblCom->setBuddy(cmbPort);
  Label2->setBuddy(cmbSpeed);
  Label1->setBuddy(cmbProtocol);
  lblAddress->setBuddy(txtAddress);
  for (QLineEdit* mirror : {txtPort, txtSpeed, txtProtocol}) mirror->hide();
  cmbEthernet->hide();
  lblFailure->setWordWrap(true);
  picCommFailure->setFrameShape(QFrame::Box);
  picCommFailure->hide();

  auto* picture = named(new QLabel(this), "imgDecoration");
  picture->setPixmap(pictures::Navigator().scaledToWidth(96, Qt::SmoothTransformation));

  auto* grid = new QGridLayout;
  grid->addWidget(lblCom, 0, 0);
  grid->addWidget(cmbPort, 0, 1);
  grid->addWidget(cmbEthernet, 0, 2);
  grid->addWidget(Label2, 1, 0);
  grid->addWidget(cmbSpeed, 1, 1);
  grid->addWidget(Label1, 2, 0);
  grid->addWidget(cmbProtocol, 2, 1, 1, 2);
  grid->addWidget(lblAddress, 3, 0);
  grid->addWidget(txtAddress, 3, 1);
  devicePicker_ = new DevicePicker(this);
  devicePicker_->addTo(grid, 4, 2);
  connect(devicePicker_, &DevicePicker::assignmentChanged, this,
          [this] { serialPorts::ShowDevicesInPortList(cmbPort); });
  connect(cmbPort, &QComboBox::currentIndexChanged, this, [this] {
    basFunctions::guarded("frmCommSettings, cmbPort_Change", [this] { showDevices(); });
  });
  auto* buttons = new QHBoxLayout;
  for (QPushButton* button : {cmdConnect, cmdDisconnect, cmdClose}) buttons->addWidget(button);
  auto* failure = new QGridLayout(picCommFailure);
  failure->addWidget(lblFailure, 0, 0, 1, 2);
  failure->addWidget(cmdFailureYes, 1, 0);
  failure->addWidget(cmdFailurNo, 1, 1);
  auto* top = new QHBoxLayout;
  top->addWidget(picture, 0, Qt::AlignTop);
  top->addLayout(grid, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(buttons);
  layout->addWidget(picCommFailure);

  connect(cmdConnect, &QPushButton::clicked, this, &frmCommSettings::cmdConnect_Click);
  connect(cmdDisconnect, &QPushButton::clicked, this, &frmCommSettings::cmdDisconnect_Click);
  connect(cmdClose, &QPushButton::clicked, this, &frmCommSettings::cmdClose_Click);
  connect(cmdFailureYes, &QPushButton::clicked, this, &frmCommSettings::cmdFailureYes_Click);
  connect(cmdFailurNo, &QPushButton::clicked, this, &frmCommSettings::cmdFailurNo_Click);
  connect(cmbPort, &QComboBox::activated, this, &frmCommSettings::cmbPort_Click);
  connect(cmbSpeed, &QComboBox::currentTextChanged, txtSpeed, &QLineEdit::setText);
  connect(cmbProtocol, &QComboBox::currentTextChanged, txtProtocol, &QLineEdit::setText);
  connect(cmbPort, &QComboBox::currentTextChanged, txtPort, &QLineEdit::setText);
  connect(tmrComSettings, &QTimer::timeout, this, &frmCommSettings::tmrComSettings_Timer);
  tmrComSettings->start(2000);
}

void frmCommSettings::showDevices() {
  serialPorts::ShowDevicesInPortList(cmbPort);
  devicePicker_->showFor(chosenComNumber());
}

int frmCommSettings::chosenComNumber() const {
  return serialPorts::ComNumberAt(cmbPort, cmbPort->currentIndex());
}

void frmCommSettings::cmdAssignDevice_Click() { devicePicker_->assignChosen(); }

void frmCommSettings::cmdRefreshDevices_Click() { devicePicker_->rescan(); }

void frmCommSettings::Form_Load() {
  basFunctions::guarded("frmCommSettings, Form_Load", [this] {
    fillListsFromDatabase();
    lblCom->setText(QStringLiteral("Com Port:"));
    if (commSettings::LastCommSelection[1] == 1) ShowLastSelection();
    setPortKind(chosenComNumber() == 0);
    showDevices();
    tmrComSettings_Timer();
  });
}

void frmCommSettings::fillListsFromDatabase() {
  basFunctions::guarded("frmCommSettings, Form_Load", [&] {
    const commSettings::ComSetLists lists = commSettings::ReadComSet();
    txtAddress->setText(lists.address);
    cmbPort->addItems(lists.ports);
    // The database's first entries are COM1..COM8; the rest are network devices.
    for (int i = 0; i < cmbPort->count() && i < serialPorts::kSerialPortCount; ++i)
      serialPorts::MarkComEntry(cmbPort, i, i + 1);
    cmbSpeed->addItems(lists.speeds);
    cmbProtocol->addItems(lists.protocols);
    if (lists.portDefault >= 0) cmbPort->setCurrentIndex(lists.portDefault);
    if (lists.speedDefault >= 0) cmbSpeed->setCurrentIndex(lists.speedDefault);
    if (lists.protocolDefault >= 0) cmbProtocol->setCurrentIndex(lists.protocolDefault);
  });
}

void frmCommSettings::ShowLastSelection() {
  const auto& last = commSettings::LastCommSelection;
  selectPort(static_cast<int>(last[2]), commSettings::LastComNumber);
  selectSpeed(static_cast<int>(last[3]), commSettings::LastSpeedText);
  cmbProtocol->setCurrentIndex(static_cast<int>(last[4]));
  txtAddress->setText(numberText(last[5]));
}

void frmCommSettings::selectPort(int position, int comNumber) {
  if (comNumber < 1 || serialPorts::ComNumberAt(cmbPort, position) == comNumber) {
    cmbPort->setCurrentIndex(position);
    return;
  }
  for (int i = 0; i < cmbPort->count(); ++i)
    if (serialPorts::ComNumberAt(cmbPort, i) == comNumber) return cmbPort->setCurrentIndex(i);
  // A COM entry the database does not list (auto-detect offers every one the control takes).
  cmbPort->addItem("COM" + QString::number(comNumber));
  serialPorts::MarkComEntry(cmbPort, cmbPort->count() - 1, comNumber);
  cmbPort->setCurrentIndex(cmbPort->count() - 1);
}

void frmCommSettings::selectSpeed(int position, const QString& speed) {
  if (speed.isEmpty() || cmbSpeed->itemText(position) == speed) {
    cmbSpeed->setCurrentIndex(position);
    return;
  }
  if (cmbSpeed->findText(speed) < 0) cmbSpeed->addItem(speed);
  cmbSpeed->setCurrentIndex(cmbSpeed->findText(speed));
}

void frmCommSettings::setPortKind(bool networkPort) {
  cmbProtocol->setVisible(!networkPort);
  cmbSpeed->setEnabled(!networkPort);
  txtAddress->setEnabled(!networkPort);
  cmbEthernet->setVisible(networkPort);
}

void frmCommSettings::cmbPort_Click() {
  basFunctions::guarded("frmCommSettings, cmbPort_Click", [this] {
    txtPort->setText(cmbPort->currentText());
    setPortKind(chosenComNumber() == 0);
  });
}

void frmCommSettings::tmrComSettings_Timer() {
  basFunctions::guarded("frmCommSettings, tmrComSettings_Timer", [this] {
    const bool open = host::HasMod1() && host::Mod1().get_PortOpen() != portwright::VARIANT_FALSE;
    for (QWidget* widget :
         std::initializer_list<QWidget*>{cmdConnect, cmbPort, cmbSpeed, cmbProtocol, txtAddress})
      widget->setEnabled(!open);
    cmdDisconnect->setEnabled(open);
    devicePicker_->setChangeable(!open);
    // The port map may have been changed by another program (portwright-cli map, velumo-config).
    serialPorts::ShowDevicesInPortList(cmbPort);
    devicePicker_->refresh();
  });
}

void frmCommSettings::cmdConnect_Click() {
  commSettings::Selection selection;
  selection.portIndex = cmbPort->currentIndex();
  selection.comNumber = chosenComNumber();
  selection.speedIndex = cmbSpeed->currentIndex();
  selection.protocolIndex = cmbProtocol->currentIndex();
  selection.speedText = cmbSpeed->currentText();
  selection.addressText = txtAddress->text();
  // The dialog may be closed while the connect waits; Connect touches none of its widgets.
  commSettings::Connect(selection);
}

void frmCommSettings::cmdDisconnect_Click() {
  basFunctions::guarded("frmCommSettings, cmdDisconnect_Click", [] {
    if (maintenanceScreenOpen()) {
      const auto answer = prompt::MsgBox(
          QStringLiteral("The Maintenance Form will be closed prior to disconnecting.\r"
                         "Are you sure you want to proceed?"),
          prompt::Buttons::YesNo, prompt::Icon::Question, QStringLiteral("Confirmation Needed"));
      if (answer != prompt::Yes) return;
      unloadMaintenanceScreens();
    }
    basComm::CloseConnection();
  });
}

void frmCommSettings::cmdClose_Click() {
  basFunctions::guarded("frmCommSettings, cmdClose_Click", [] {
    mainWindow::SetNormalPointer();
    Unload();
  });
}

void frmCommSettings::cmdFailureYes_Click() {
  basFunctions::guarded("frmCommSettings, cmdFailureYes_Click", [this] {
    setFailurePanelVisible(false);
    cmdConnect_Click();
  });
}

void frmCommSettings::cmdFailurNo_Click() {
  basFunctions::guarded("frmCommSettings, cmdFailurNo_Click", [this] {
    basComm::DriveConnected = 0;
    mainWindow::SetNormalPointer();
    setFailurePanelVisible(false);
    Unload();
  });
}
