// frmMain: menus, toolbar and the table of main-window commands.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include "core/logs.h"
#include "shell/frm_main.h"

using basFunctions::guarded;

namespace {

using Handler = void (frmMain::*)();

// Commands that this version carries out. The others (new, open, save, upload, download,
// editor, scope, tuning, maintenance, faults, statistics, options, help, about...) belong to
// windows that later versions bring; their entries are present and stay disabled.
const QMap<QString, Handler>& commandTable() {
  static const QMap<QString, Handler> table = {
      // Shell and drive link.
      {"mnuDisconnect", &frmMain::mnuDisconnect_Click},
      {"mnuClose", &frmMain::mnuClose_Click},
      {"mnuExit", &frmMain::mnuExit_Click},
      {"mnuStatusWindow", &frmMain::mnuStatusList_Click},
      {"mnuStatusList", &frmMain::mnuStatusList_Click},
      {"mnuQuickInfo", &frmMain::mnuQuickInfo_Click},
      {"mnuStartMenu", &frmMain::mnuStartMenu_Click},
      {"mnuCascade", &frmMain::mnuCascade_Click},
      {"mnuConnect", &frmMain::mnuConnect_Click},
      // Configurations: files, recent files, upload and download, new configuration, options.
      {"mnuNewDetailed", &frmMain::mnuNewDetailed_Click},
      {"mnuOpenDetailed", &frmMain::mnuOpenDetailed_Click},
      {"mnuSave", &frmMain::mnuSave_Click},
      {"mnuSaveAs", &frmMain::mnuSaveAs_Click},
      {"mnuUpload", &frmMain::mnuUpload_Click},
      {"mnuDownload", &frmMain::mnuDownload_Click},
      {"mnuOptions", &frmMain::mnuOptions_Click},
      // The parameter editor.
      {"mnuDetail", &frmMain::mnuDetail_Click},
      // The scope and its viewer.
      {"mnuScope", &frmMain::mnuScope_Click},
      {"mnuScopeViewer", &frmMain::mnuScopeViewer_Click},
      // Tuning and the maintenance screen.
      {"mnuMaint", &frmMain::mnuMaint_Click},
      {"mnuTuning", &frmMain::mnuTuning_Click},
      // The remaining tools: faults, statistics, compare, report, auto-detect, about, help.
      {"mnuFaults", &frmMain::mnuFaults_Click},
      {"mnuStats", &frmMain::mnuStats_Click},
      {"mnuAutoDetect", &frmMain::mnuAutoDetect_Click},
      {"mnuAbout", &frmMain::mnuAbout_Click},
      {"mnuContents", &frmMain::mnuContents_Click},
      {"mnuIndex", &frmMain::mnuIndex_Click},
      {"mnuSearch", &frmMain::mnuSearch_Click},
      // The working configuration compared with the defaults, and its report.
      {"mnuCompare", &frmMain::mnuCompare_Click},
      {"mnuPrintConfig", &frmMain::mnuPrintConfig_Click},
  };
  return table;
}

// Toolbar button index -> the command it runs.
const QMap<int, QString>& toolbarCommands() {
  static const QMap<int, QString> table = {
      {1, "mnuNewDetailed"}, {2, "mnuOpenDetailed"}, {3, "mnuSave"},    {5, "mnuScope"},
      {7, "mnuDetail"},      {8, "mnuMaint"},        {9, "mnuTuning"},  {11, "mnuAutoDetect"},
      {12, "mnuConnect"},    {13, "mnuDisconnect"},  {15, "mnuUpload"}, {16, "mnuDownload"},
      {18, "mnuContents"}};
  return table;
}

}  // namespace

bool frmMain::CommandAvailable(const QString& name) { return commandTable().contains(name); }

void frmMain::RunCommand(const QString& name) {
  const auto it = commandTable().find(name);
  if (it != commandTable().end()) (this->*it.value())();
}

QAction* frmMain::action(const QString& name) const { return actions_.value(name); }

void frmMain::setCommandEnabled(const QString& name, bool enabled) {
  if (QAction* entry = actions_.value(name)) entry->setEnabled(enabled && CommandAvailable(name));
}

void frmMain::setToolbarButtonEnabled(int index, bool enabled) {
  QAction* button = toolbarButtons_[index];
  if (!button) return;
  button->setEnabled(enabled && CommandAvailable(toolbarCommands().value(index)));
}

void frmMain::addCommand(QMenu* menu, const QString& name, const QString& caption) {
  QAction* entry = menu->addAction(caption);
  entry->setObjectName(name);
  entry->setEnabled(CommandAvailable(name));
  connect(entry, &QAction::triggered, this, [this, name] { RunCommand(name); });
  actions_.insert(name, entry);
}

void frmMain::buildMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  file->setObjectName(QStringLiteral("mnuFile"));
  addCommand(file, "mnuNew", "New");
  actions_["mnuNew"]->setVisible(false);
  addCommand(file, "mnuNewDetailed", "New Configuration");
  addCommand(file, "mnuOpenDetailed", "Open Configuration");
  file->addSeparator();
  addCommand(file, "mnuSave", "Save");
  addCommand(file, "mnuSaveAs", "Save As");
  file->addSeparator();
  addCommand(file, "mnuClose", "Close Configuration");
  file->addSeparator();
  addCommand(file, "mnuExit", "E&xit");
  file->addSeparator()->setObjectName(QStringLiteral("mnuRUFSeparator"));

  mnuComm_ = menuBar()->addMenu(QStringLiteral("&Drive"));
  mnuComm_->setObjectName(QStringLiteral("mnuComm"));
  addCommand(mnuComm_, "mnuAutoDetect", "Auto Detect");
  addCommand(mnuComm_, "mnuConnect", "Connect");
  addCommand(mnuComm_, "mnuDisconnect", "Disconnect");
  mnuComm_->addSeparator();
  addCommand(mnuComm_, "mnuUpload", "Upload");
  addCommand(mnuComm_, "mnuDownload", "Download");

  QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
  view->setObjectName(QStringLiteral("mnuConfig"));
  addCommand(view, "mnuDetail", "Detailed");
  addCommand(view, "mnuSchematic", "Schematic");
  actions_["mnuSchematic"]->setVisible(false);
  view->addSeparator()->setVisible(false);
  addCommand(view, "mnuStatusWindow", "Status Window");

  QMenu* utilities = menuBar()->addMenu(QStringLiteral("&Utilities"));
  utilities->setObjectName(QStringLiteral("mnuUtilities"));
  addCommand(utilities, "mnuScope", "Scope");
  addCommand(utilities, "mnuScopeViewer", "Scope Viewer");
  addCommand(utilities, "mnuTuning", "Tuning Screen");
  addCommand(utilities, "mnuMaint", "Maintenance Screen");
  utilities->addSeparator();
  QMenu* current = utilities->addMenu(QStringLiteral("Current Config"));
  current->setObjectName(QStringLiteral("mnuCurrentConfig"));
  addCommand(current, "mnuStats", "Display Config Information");
  addCommand(current, "mnuCompare", "Compare Current Config -> Defaults");
  addCommand(current, "mnuPrintConfig", "Print Current Config");
  addCommand(utilities, "mnuFaults", "Display Drive Faults");
  addCommand(utilities, "mnuStatusList", "Show Status List Viewer");
  utilities->addSeparator();
  addCommand(utilities, "mnuQuickInfo", "Open Project Navigator");
  addCommand(utilities, "mnuStartMenu", "Show Project Navigator At Program Start");
  actions_["mnuStartMenu"]->setCheckable(true);
  utilities->addSeparator();
  addCommand(utilities, "mnuOptions", "Program Options");

  QMenu* window = menuBar()->addMenu(QStringLiteral("&Window"));
  window->setObjectName(QStringLiteral("mnuWindow"));
  addCommand(window, "mnuCascade", "Cascade");

  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  help->setObjectName(QStringLiteral("mnuHelp"));
  addCommand(help, "mnuContents", "Contents");
  addCommand(help, "mnuIndex", "Index");
  addCommand(help, "mnuSearch", "Search");
  help->addSeparator();
  addCommand(help, "mnuAbout", "About");
}

void frmMain::buildToolbar() {
  tbrMain_ = addToolBar(QStringLiteral("Main"));
  tbrMain_->setObjectName(QStringLiteral("tbrMain"));
  tbrMain_->setMovable(false);
  struct Button {
    int index;
    QStyle::StandardPixmap image;
    const char* tip;
  };
  const Button buttons[] = {{1, QStyle::SP_FileIcon, "New Configuration"},
                            {2, QStyle::SP_DialogOpenButton, "Open Configuration"},
                            {3, QStyle::SP_DialogSaveButton, "Save"},
                            {5, QStyle::SP_ComputerIcon, "Scope"},
                            {7, QStyle::SP_FileDialogDetailedView, "Detailed Parameter View"},
                            {8, QStyle::SP_DriveHDIcon, "Maintenance Screen"},
                            {9, QStyle::SP_MediaVolume, "Tuning Screen"},
                            {11, QStyle::SP_BrowserReload, "Auto Detect"},
                            {12, QStyle::SP_DialogYesButton, "Connect"},
                            {13, QStyle::SP_DialogNoButton, "Disconnect"},
                            {15, QStyle::SP_ArrowUp, "Upload"},
                            {16, QStyle::SP_ArrowDown, "Download"},
                            {18, QStyle::SP_DialogHelpButton, "Help Contents"}};
  int next = 1;
  for (const Button& button : buttons) {
    for (; next < button.index; ++next) tbrMain_->addSeparator();
    QAction* entry =
        tbrMain_->addAction(style()->standardIcon(button.image), QString::fromLatin1(button.tip));
    entry->setObjectName(QStringLiteral("tbrMain_%1").arg(button.index));
    const int index = button.index;
    connect(entry, &QAction::triggered, this, [this, index] { tbrMain_ButtonClick(index); });
    toolbarButtons_[index] = entry;
    setToolbarButtonEnabled(index, true);
    next = button.index + 1;
  }
  // Button 1's drop-down: a detailed new configuration, or the wizard (no action).
  auto* newMenu = new QMenu(this);
  for (const char* tag : {"NewDetail", "NewWizard"}) {
    QAction* entry = newMenu->addAction(QString::fromLatin1(
        QByteArray(tag) == "NewDetail" ? "New Detailed Configuration" : "New Using Wizard"));
    entry->setData(QString::fromLatin1(tag));
    connect(entry, &QAction::triggered, this,
            [this, entry] { tbrMain_ButtonMenuClick(entry->data().toString()); });
  }
  toolbarButtons_[1]->setMenu(newMenu);
  if (auto* button = qobject_cast<QToolButton*>(tbrMain_->widgetForAction(toolbarButtons_[1])))
    button->setPopupMode(QToolButton::MenuButtonPopup);
}

void frmMain::tbrMain_ButtonClick(int index) {
  guarded("frmMain, tbrMain_ButtonClick", [&] {
    if (toolbarCommands().contains(index)) RunCommand(toolbarCommands().value(index));
  });
}

void frmMain::tbrMain_ButtonMenuClick(const QString& tag) {
  guarded("frmMain, tbrMain_ButtonMenuClick", [&] {
    if (tag == QLatin1String("NewDetail")) RunCommand(QStringLiteral("mnuNewDetailed"));
  });
}
