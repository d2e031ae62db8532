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

 private:
  frmCommSettings();
  ~frmCommSettings() override;
  void buildControls();
  void Form_Load();
  void fillListsFromDatabase();
  void restoreLastSelection();
  void setPortKind(bool networkPort);
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
  QSize sizeWithoutPanel_;
};
