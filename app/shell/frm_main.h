// frmMain: the program's MDI frame. Menus, toolbar, status bar, the status list with its LED
// progress bar, the express-writes banner, the two status timers and the Modbus control Mod1.
#pragma once

#include <QMainWindow>
#include <QMap>
#include <functional>

#include "portwright/modbus_atl.h"

class LedBar;
class QAction;
class QLabel;
class QListWidget;
class QMdiArea;
class QMenu;
class QTimer;
class QToolBar;

class frmMain : public QMainWindow,
                public portwright::_IModbusAtlEvents,
                public portwright::IModbusAtlSite {
  Q_OBJECT

 public:
  // Toolbar buttons by index (the others are separators).
  static constexpr int kToolbarButtons = 18;

  explicit frmMain(QWidget* parent = nullptr);
  ~frmMain() override;
  static frmMain* instance();

  // Main-window commands by menu name ("mnuConnect"). A command whose window a later version
  // brings is present but disabled, and running it does nothing.
  static bool CommandAvailable(const QString& name);
  void RunCommand(const QString& name);
  QAction* action(const QString& name) const;
  // Enables a command's menu entry when the command is available.
  void setCommandEnabled(const QString& name, bool enabled);
  void setToolbarButtonEnabled(int index, bool enabled);

  // Handlers of this window.
  void MDIForm_Load();
  void tmrMain_Timer();
  void tmrMain2Sec_Timer();
  void tbrMain_ButtonClick(int index);
  void tbrMain_ButtonMenuClick(const QString& tag);
  void stbMain_PanelDblClick(int panel);
  void stbMain_MouseUp(Qt::MouseButton button, const QPoint& globalPosition);
  void cmdClear_Click();
  void cmdHideListMain_Click();
  void mnuConnect_Click();
  void mnuDisconnect_Click();
  void mnuClose_Click();
  void mnuExit_Click();
  void mnuFaults_Click();
  void mnuQuickInfo_Click();
  void mnuStartMenu_Click();
  void mnuStatusList_Click();
  void mnuCascade_Click();
  // Configurations: files, recent files, upload and download, new configuration, options.
  void mnuNewDetailed_Click();
  void mnuOpenDetailed_Click();
  void mnuRUF_Click(int index);
  void mnuSave_Click();
  void mnuSaveAs_Click();
  void mnuUpload_Click();
  void mnuDownload_Click();
  void mnuOptions_Click();
  // The parameter editor.
  void LoadTab();  // fills the editor from WorkingConfig
  void mnuDetail_Click();
  // The scope and its viewer.
  void mnuScope_Click();
  void mnuScopeViewer_Click();
  // Tuning and the maintenance screen.
  void mnuMaint_Click();
  void mnuTuning_Click();
  // The remaining tools: faults, statistics, compare, report, auto-detect, about, help.
  void mnuAutoDetect_Click();
  void mnuStats_Click();
  void mnuAbout_Click();
  void mnuContents_Click();
  void mnuIndex_Click();
  void mnuSearch_Click();
  // Compare with the defaults and the configuration report. The report opens with the
  // desktop's default application, or with the opener a test installs (empty: the desktop's).
  void mnuCompare_Click();
  void mnuPrintConfig_Click();
  static void SetReportOpener(std::function<bool(const QString& path)> opener);
  // The drive history: its window, the three-way compare and the commissioning report.
  void mnuDriveHistory_Click();
  void mnuCompareThreeWays_Click();
  void mnuCommissioningReport_Click();
  // Answers "Yes" to quitting; false when the close was cancelled.
  bool MDIForm_QueryUnload();

  // Control events (_IModbusAtlEvents), fired on this thread.
  void Done(int16_t Result) override;
  void OnPoll(int16_t ItemNum, int16_t Result, portwright::VARIANT_BOOL ChgdFlag) override;
  // Ambient user mode for the hosted control: the program always runs.
  bool AmbientUserMode(bool& userMode) override;

  QMdiArea* mdiArea() const { return mdiArea_; }
  // Called once Main has finished: the program has been told to end (tests read it).
  bool endRequested() const { return endRequested_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildCentralArea();
  void buildMenus();
  void buildToolbar();
  void buildStatusBar();
  void addCommand(QMenu* menu, const QString& name, const QString& caption);
  void hostModbusControl();
  void releaseModbusControl();
  void setStatusIcon(bool onLine);
  void askToSaveBeforeQuit(const QString& text, const QString& command);
  void logOffAndClose();
  void endProgram();
  bool maintenanceWindowOpen() const;
  bool refusedForMaintenance();
  QString panelText(int panel) const;

  QMdiArea* mdiArea_ = nullptr;
  QWidget* bmpLowerPic_ = nullptr;
  QListWidget* lstMain_ = nullptr;
  LedBar* ledBar_ = nullptr;
  QLabel* lblAlerts_ = nullptr;
  QToolBar* tbrMain_ = nullptr;
  QLabel* panels_[5] = {};  // 1..4
  QLabel* panel4Icon_ = nullptr;
  QMenu* mnuComm_ = nullptr;
  QTimer* tmrMain_ = nullptr;
  QTimer* tmrMain2Sec_ = nullptr;
  QMap<QString, QAction*> actions_;
  QAction* toolbarButtons_[kToolbarButtons + 1] = {};
  portwright::IModbusAtl* mod1_ = nullptr;
  uint32_t mod1Cookie_ = 0;
  bool quitConfirmed_ = false;
  bool endRequested_ = false;
};
