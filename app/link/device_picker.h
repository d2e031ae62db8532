// The device behind one COM entry and the choice of another, as the connect dialog and the
// auto-detect window both offer it: the label "COM2 – /dev/ttyUSB0 (FTDI FT232R USB UART)"
// (lblPortDevice), the devices present (lblDevice "Device:", cmbDevice) with the one assigned
// now chosen, "Network…" last (a host and port and the framing typed in, for a gateway), Assign
// (cmdAssignDevice) and Refresh (cmdRefreshDevices).
#pragma once

#include <QObject>
#include <QString>

class QComboBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QWidget;

class DevicePicker : public QObject {
  Q_OBJECT

 public:
  // The controls are children of `window`, which grows when a label needs more room.
  explicit DevicePicker(QWidget* window);
  // Places the controls in rows row..row+2: labels in column 0, the rest from column 1 on.
  void addTo(QGridLayout* grid, int row, int columnSpan);

  // Shows COM `comNumber` (1-based; 0 hides the controls) with its device chosen in the list:
  // the assignment as it is, a device that discovery does not list shown as itself.
  void showFor(int comNumber);
  // Follows the port map (another program may change it): the label is read again, and the
  // list made again only when the assignment changed.
  void refresh();
  // Assign and Refresh are offered only while the port is closed.
  void setChangeable(bool changeable);
  // Assign: puts the chosen device behind the COM entry, unless it is the one already there;
  // "Network…" asks for the endpoint first.
  void assignChosen();
  // Refresh: looks for serial devices again (an adapter plugged in meanwhile).
  void rescan();

 signals:
  // The assignment changed: port lists showing devices label their entries again.
  void assignmentChanged();

 private:
  QString askForEndpoint();
  void growWindowToFit();

  QWidget* window_;
  int comNumber_ = 0;
  QString shownDevice_;  // the port map's device of the entry when the list was made
  QLabel* lblPortDevice_;
  QLabel* lblDevice_;
  QComboBox* cmbDevice_;
  QPushButton* cmdAssignDevice_;
  QPushButton* cmdRefreshDevices_;
};
