// frmAbout, the About window: program version, supported platforms, the drive models and
// firmware revisions of the parameter database and its version; buttons for the diagnostics
// report and the desktop's system-information tool.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QLabel;
class QListWidget;
class QPushButton;

class frmAbout : public QDialog {
  Q_OBJECT

 public:
  explicit frmAbout(QWidget* parent = nullptr);
  ~frmAbout() override;
  // The open About window, or null.
  static frmAbout* instance();

  // The Linux systems the program is built and supported for.
  static QString SupportedPlatforms();
  // Desktop system-information programs looked for on PATH, in order of preference: the
  // program and its arguments.
  static QList<QStringList> SystemInformationTools();

  void Form_Load();
  void cmdDiagnostics_Click();
  void cmdSysInfo_Click();
  void cmdOK_Click();

  QLabel* lblVersion() const { return lblVersion_; }
  QLabel* lblPlatform() const { return lblPlatform_; }
  QLabel* lblDBVER() const { return lblDBVER_; }
  QListWidget* lstDrives() const { return lstDrives_; }

 private:
  void fillFromDatabase();

  QLabel* lblVersion_ = nullptr;
  QLabel* lblPlatform_ = nullptr;
  QLabel* lblDBVER_ = nullptr;
  QListWidget* lstDrives_ = nullptr;
};
