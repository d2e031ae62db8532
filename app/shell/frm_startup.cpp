#include "shell/frm_startup.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/host.h"
#include "core/logs.h"
#include "core/pictures.h"
#include "shell/frm_main.h"

namespace {

QPointer<frmStartup> g_startup;

const char* const kOptionCaptions[frmStartup::kOptions] = {
    "Start New Configuration",    "Open Existing Configuration", "Quick Start Configuration",
    "Upload Settings From Drive", "Close Project Navigator",     "Connect to Drive"};

enum Option { NewConfig = 0, OpenConfig, QuickStart, Upload, CloseNavigator, ConnectDrive };

}  // namespace

frmStartup::frmStartup(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("frmStartup"));
  setWindowTitle(QStringLiteral("  Project Navigator"));
  g_startup = this;

  auto* picture = new QLabel(this);
  picture->setObjectName(QStringLiteral("imgNavigator"));
  picture->setPixmap(pictures::Navigator());

  auto* frame = new QGroupBox(this);
  frame->setObjectName(QStringLiteral("frameChooseConfig"));
  auto* frameLayout = new QVBoxLayout(frame);
  auto* label = new QLabel(QStringLiteral("Select An Action:"), frame);
  label->setObjectName(QStringLiteral("lblSelect"));
  frameLayout->addWidget(label);
  for (int i = 0; i < kOptions; ++i) {
    optConfig_[i] = new QRadioButton(QString::fromLatin1(kOptionCaptions[i]), frame);
    optConfig_[i]->setObjectName(QStringLiteral("optConfig_%1").arg(i));
    frameLayout->addWidget(optConfig_[i]);
  }
  optConfig_[CloseNavigator]->setChecked(true);
  // New, open and upload run main-window commands that later versions provide.
  for (int i : {NewConfig, OpenConfig, Upload})
    optConfig_[i]->setEnabled(frmMain::CommandAvailable(i == NewConfig    ? "mnuNewDetailed"
                                                        : i == OpenConfig ? "mnuOpenDetailed"
                                                                          : "mnuUpload"));
  optConfig_[ConnectDrive]->setEnabled(frmMain::CommandAvailable("mnuConnect"));

  auto* cmdClose = new QPushButton(QStringLiteral("OK"), this);
  cmdClose->setObjectName(QStringLiteral("cmdClose"));
  auto* cmdTest = new QPushButton(QStringLiteral("Test"), this);
  cmdTest->setObjectName(QStringLiteral("cmdTest"));
  cmdTest->hide();
  connect(cmdClose, &QPushButton::clicked, this, &frmStartup::cmdClose_Click);
  connect(cmdTest, &QPushButton::clicked, this, &frmStartup::cmdTest_Click);

  auto* right = new QVBoxLayout;
  right->addWidget(frame);
  right->addWidget(cmdClose);
  right->addWidget(cmdTest);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(picture);
  layout->addLayout(right);
}

frmStartup::~frmStartup() = default;

frmStartup* frmStartup::instance() { return g_startup.data(); }

int frmStartup::selectedOption() const {
  for (int i = 0; i < kOptions; ++i)
    if (optConfig_[i]->isChecked()) return i;
  return -1;
}

void frmStartup::cmdClose_Click() {
  basFunctions::guarded("frmStartup, cmdClose_Click", [&] {
    frmMain* main = frmMain::instance();
    switch (selectedOption()) {
      case NewConfig:
        if (main) main->RunCommand("mnuNewDetailed");
        break;
      case OpenConfig:
        if (main) main->RunCommand("mnuOpenDetailed");
        break;
      case Upload:
        if (main) main->RunCommand("mnuUpload");
        break;
      case CloseNavigator:
        host::UnloadWindow(this);
        break;
      case ConnectDrive:
        if (main) main->RunCommand("mnuConnect");
        break;
      default:  // Quick Start Configuration has no action
        break;
    }
  });
}
