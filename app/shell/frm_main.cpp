#include "shell/frm_main.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "config/bas_ruf.h"
#include "config/frm_x_mode.h"
#include "core/app_state.h"
#include "core/host.h"
#include "core/led_bar.h"
#include "core/logs.h"
#include "core/mod1_host.h"
#include "core/pictures.h"
#include "editor/frm_tab_config.h"
#include "link/connect_sequence.h"
#include "link/poll_groups.h"
#include "maint/maint_polls.h"

using basFunctions::guarded;

namespace {
QPointer<frmMain> g_main;
}

frmMain::frmMain(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("frmMain"));
  g_main = this;
  host::SetMainWindow(this);
  host::SetMainWindowCommands(
      {[this](const QString& name) { RunCommand(name); },
       [this](const QString& name, bool enabled) { setCommandEnabled(name, enabled); }});
  basRUF::RecentFileChosen = [](int index) {
    if (frmMain* main = frmMain::instance()) main->mnuRUF_Click(index);
  };
  basMaint::SubscribeToPolls();  // the maintenance record's offer after each connection
  buildCentralArea();
  buildMenus();
  buildToolbar();
  buildStatusBar();
  tmrMain_ = new QTimer(this);
  tmrMain_->setObjectName(QStringLiteral("tmrMain"));
  tmrMain_->setInterval(100);
  connect(tmrMain_, &QTimer::timeout, this, &frmMain::tmrMain_Timer);
  tmrMain2Sec_ = new QTimer(this);
  tmrMain2Sec_->setObjectName(QStringLiteral("tmrMain2Sec"));
  tmrMain2Sec_->setInterval(200);
  connect(tmrMain2Sec_, &QTimer::timeout, this, &frmMain::tmrMain2Sec_Timer);
  resize(1024, 720);
  MDIForm_Load();
  tmrMain_->start();
  tmrMain2Sec_->start();
}

frmMain::~frmMain() {
  tmrMain_->stop();
  tmrMain2Sec_->stop();
  releaseModbusControl();
  if (host::MainWindow() == this) {
    host::SetMainWindow(nullptr);
    host::SetMainWindowCommands({});
  }
}

frmMain* frmMain::instance() { return g_main.data(); }

void frmMain::buildCentralArea() {
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  lblAlerts_ = new QLabel(QStringLiteral("  "), central);
  lblAlerts_->setObjectName(QStringLiteral("lblAlerts"));
  lblAlerts_->setAlignment(Qt::AlignHCenter);
  lblAlerts_->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
  layout->addWidget(lblAlerts_);

  mdiArea_ = new QMdiArea(central);
  mdiArea_->setObjectName(QStringLiteral("mdiArea"));
  layout->addWidget(mdiArea_, 1);

  // The status list sits at the bottom; the LED bar keeps to its right.
  bmpLowerPic_ = new QWidget(central);
  bmpLowerPic_->setObjectName(QStringLiteral("bmpLowerPic"));
  auto* lower = new QHBoxLayout(bmpLowerPic_);
  lower->setContentsMargins(4, 4, 4, 4);
  lstMain_ = new QListWidget(bmpLowerPic_);
  lstMain_->setObjectName(QStringLiteral("lstMain"));
  lstMain_->setMinimumHeight(90);
  lower->addWidget(lstMain_, 1);
  auto* side = new QVBoxLayout;
  ledBar_ = new LedBar(bmpLowerPic_);
  side->addWidget(ledBar_);
  auto* cmdClear = new QPushButton(QStringLiteral("Clear"), bmpLowerPic_);
  cmdClear->setObjectName(QStringLiteral("cmdClear"));
  connect(cmdClear, &QPushButton::clicked, this, &frmMain::cmdClear_Click);
  auto* cmdHide = new QPushButton(QStringLiteral("Hide"), bmpLowerPic_);
  cmdHide->setObjectName(QStringLiteral("cmdHideListMain"));
  connect(cmdHide, &QPushButton::clicked, this, &frmMain::cmdHideListMain_Click);
  side->addWidget(cmdClear);
  side->addWidget(cmdHide);
  side->addStretch();
  lower->addLayout(side);
  layout->addWidget(bmpLowerPic_);
  setCentralWidget(central);
}

void frmMain::buildStatusBar() {
  auto* bar = new QStatusBar(this);
  bar->setObjectName(QStringLiteral("stbMain"));
  bar->setSizeGripEnabled(false);
  for (int panel = 1; panel <= 4; ++panel) {
    panels_[panel] = new QLabel(bar);
    panels_[panel]->setObjectName(QStringLiteral("stbMain_%1").arg(panel));
    panels_[panel]->installEventFilter(this);
  }
  panels_[1]->setMinimumWidth(360);
  panels_[2]->setMinimumWidth(260);
  panels_[3]->setMinimumWidth(180);
  panel4Icon_ = new QLabel(bar);
  panel4Icon_->setObjectName(QStringLiteral("stbMain_4_icon"));
  panel4Icon_->installEventFilter(this);
  bar->addWidget(panels_[1], 3);
  bar->addWidget(panels_[2], 2);
  bar->addWidget(panels_[3], 1);
  bar->addPermanentWidget(panel4Icon_);
  bar->addPermanentWidget(panels_[4]);
  bar->installEventFilter(this);
  setStatusBar(bar);
}

void frmMain::setStatusIcon(bool onLine) {
  panel4Icon_->setPixmap((onLine ? pictures::OnLine() : pictures::OffLine()).pixmap(16, 16));
}

QString frmMain::panelText(int panel) const { return panels_[panel]->text(); }

void frmMain::MDIForm_Load() {
  guarded("frmMain, MDIForm_Load", [&] {
    setWindowTitle(basMain::MainCaption(basMain::CurrentConfigTitle));
    panels_[4]->setText(QStringLiteral("Off-Line "));
    setStatusIcon(false);
    setWindowIcon(pictures::WindowIcon());
    hostModbusControl();
    host::Mod1().put_MsgTimeOut(1000);
    frmTabConfig::LoadHidden(mdiArea_);
    basRUF::checkForPrevious();
    commSettings::ShowXMode = &frmXMode::ShowModal;  // offered after a connect
  });
}

void frmMain::hostModbusControl() {
  mod1_ = basMain::CreateModbusControl();
  mod1_->SetClientSite(this);
  mod1Cookie_ = mod1_->Advise(this);
  host::SetMod1(mod1_);
}

void frmMain::releaseModbusControl() {
  if (!mod1_) return;
  host::SetMod1(nullptr);
  portwright::IModbusAtl* control = mod1_;
  mod1_ = nullptr;
  try {
    control->Unadvise(mod1Cookie_);
    control->SetClientSite(nullptr);
    control->Release();
  } catch (const std::exception&) {
    // The control is going away with the program; nothing is left to report to.
  }
}

bool frmMain::AmbientUserMode(bool& userMode) {
  userMode = true;
  return true;
}

void frmMain::Done(int16_t Result) { basFunctions::Mod1_Done(Result); }

void frmMain::OnPoll(int16_t ItemNum, int16_t Result, portwright::VARIANT_BOOL ChgdFlag) {
  basFunctions::Mod1_OnPoll(ItemNum, Result, ChgdFlag != portwright::VARIANT_FALSE);
}
