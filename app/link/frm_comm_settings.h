// frmCommSettings, the connect dialog: port, speed, protocol and node address; Connect,
// Disconnect and Close; and the panel that asks whether to reconnect to a lost drive.
#pragma once

#include <QWidget>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

class frmCommSettings : public QWidget {
  Q_OBJECT

 public:
  // Shows the dialog (modeless), loading it first when it is not loaded.
  static frmCommSettings* Display();
  // Shows it with the lost-communication panel picCommFailure visible.
  static frmCommSettings* DisplayFailurePanel();
  // The loaded dialog, or null.
  static frmCommSettings* Instance();
  // Unloads the dialog (it is deleted once control returns to the event loop).
  static void Unload();

  void cmdConnect_Click();
  void cmdDisconnect_Click();
  void cmdClose_Click();
  void cmdFailureYes_Click();
  void cmdFailurNo_Click();
  void tmrComSettings_Timer();
  void cmbPort_Click();
  // Puts the device chosen in cmbDevice behind the selected COM entry (the port map), unless
  // it is the one there already.
  void cmdAssignDevice_Click();
  // Looks for serial devices again (an adapter plugged in while the dialog is open).
  void cmdRefreshDevices_Click();
  // Shows LastCommSelection in the lists (after a connect attempt, or a drive found by
  // auto-detect); a COM entry or speed the lists lack is added.
  void ShowLastSelection();

 private:
  frmCommSettings();
  ~frmCommSettings() override;
  void buildControls();
  void Form_Load();
  void fillListsFromDatabase();
  void selectPort(int position, int comNumber);
  void selectSpeed(int position, const QString& speed);
  void setPortKind(bool networkPort);
  // The COM number of the port list's choice; 0 for a network entry.
  int chosenComNumber() const;
  // Shows the selected COM entry's device and offers the devices present.
  void showDevices();
  // Shows or hides the lost-communication panel; the dialog (and its window frame) grows to
  // make room for it and goes back to its earlier size when it hides.
  void setFailurePanelVisible(bool visible);

  QComboBox* cmbPort;
  QComboBox* cmbSpeed;
  QComboBox* cmbProtocol;
  QComboBox* cmbEthernet;
  QLineEdit* txtPort;
  QLineEdit* txtSpeed;
  QLineEdit* txtProtocol;
  QLineEdit* txtAddress;
  QPushButton* cmdConnect;
  QPushButton* cmdDisconnect;
  QPushButton* cmdClose;
  QLabel* lblCom;
  QLabel* Label2;
  QLabel* Label1;
  QLabel* lblAddress;
  QFrame* picCommFailure;
  QLabel* lblFailure;
  QPushButton* cmdFailureYes;
  QPushButton* cmdFailurNo;
  QTimer* tmrComSettings;
  // Below the port list: the device of the chosen COM entry and what can be put behind it.
  class DevicePicker* devicePicker_;
  QSize sizeWithoutPanel_;
};
