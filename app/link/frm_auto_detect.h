// frmAutoDetect, the auto-detect window: pick a serial port (COM 1 to 15, each shown with its
// device, which can be changed as in the connect dialog) and, if known, a narrower node range;
// Detect scans it for a drive (module autoDetect), Cancel stops the scan, Close stops it and
// unloads the window.
#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTimer;

class frmAutoDetect : public QWidget {
  Q_OBJECT

 public:
  // Shows the window (modeless), loading it first when it is not loaded.
  static frmAutoDetect* Display();
  static frmAutoDetect* instance();

  void cmdTryComPort_Click();
  void cmdCancel_Click();
  void cmdClose_Click();
  void cmbPort_Click();
  void Timer1_Timer();

 private:
  frmAutoDetect();
  ~frmAutoDetect() override;
  void buildControls();
  void lastNodeFollowsFirst();
  void addStatusLine(const QString& line);

  QComboBox* cmbPort = nullptr;
  QPushButton* cmdTryComPort = nullptr;
  QPushButton* cmdCancel = nullptr;
  QPushButton* cmdClose = nullptr;
  QListWidget* lstStatus = nullptr;
  QLabel* lblState = nullptr;
  QLabel* lblPort = nullptr;
  QLabel* lblStatus = nullptr;
  QLabel* lblNodes = nullptr;
  QSpinBox* txtFirstNode = nullptr;
  QSpinBox* txtLastNode = nullptr;
  QLabel* lblRemaining = nullptr;
  QTimer* Timer1 = nullptr;
  // Below the port list, as in the connect dialog: its device and the choice of another.
  class DevicePicker* devicePicker_ = nullptr;
};
