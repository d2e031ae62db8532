#include "config/frm_x_mode.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/drive_transfer.h"
#include "core/app_state.h"
#include "core/host.h"
#include "core/logs.h"
#include "core/pictures.h"
#include "core/status.h"

namespace {

using basFunctions::guarded;

QPointer<frmXMode> g_xMode;

const QString kEnabled = QStringLiteral("Express Write Functionality is Enabled.");

}  // namespace

frmXMode::frmXMode(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmXMode"));
  setWindowTitle(QStringLiteral(" Express Writes Enabled - Action Required"));
  setWindowIcon(pictures::WindowIcon());
  g_xMode = this;
  auto* text = new QLabel(
      QStringLiteral("Express Writes functionality is enabled. To take advantage of Express "
                     "Writes, the configuration in memory must match the Servo. To ensure this, "
                     "please select Upload or Download below. If you do not wish to use Express "
                     "Writes functionality, select to work in \"Normal Mode\""),
      this);
  text->setObjectName(QStringLiteral("lblText"));
  text->setWordWrap(true);
  auto* upload = new QPushButton(QStringLiteral("Upload From Servo"), this);
  upload->setObjectName(QStringLiteral("CmdUpload"));
  auto* download = new QPushButton(QStringLiteral("Download To Servo"), this);
  download->setObjectName(QStringLiteral("cmdDownload"));
  auto* normal = new QPushButton(QStringLiteral("Normal Mode"), this);
  normal->setObjectName(QStringLiteral("cmdCancel"));
  connect(upload, &QPushButton::clicked, this, &frmXMode::CmdUpload_Click);
  connect(download, &QPushButton::clicked, this, &frmXMode::cmdDownload_Click);
  connect(normal, &QPushButton::clicked, this, &frmXMode::cmdCancel_Click);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(upload);
  buttons->addWidget(download);
  buttons->addWidget(normal);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text);
  layout->addLayout(buttons);
}

frmXMode::~frmXMode() = default;

frmXMode* frmXMode::instance() { return g_xMode.data(); }

void frmXMode::ShowModal() {
  if (instance()) return;
  frmXMode dialog(host::MainWindow());
  dialog.setModal(true);
  dialog.exec();
}

void frmXMode::CloseIfOpen() {
  if (frmXMode* dialog = instance(); dialog && dialog->isVisible()) dialog->done(Rejected);
}

// Express writes start only when the transfer has brought memory and drive into agreement.
void frmXMode::CmdUpload_Click() {
  guarded("frmXMode, CmdUpload_Click", [&] {
    if (basFunctions::Upload()) {
      basMain::ExpressActive = true;
      basFunctions::Status(0, 0, kEnabled);
    }
    done(Accepted);
  });
}

void frmXMode::cmdDownload_Click() {
  guarded("frmXMode, cmdDownload_Click", [&] {
    if (basFunctions::Download().agreed()) {
      basMain::ExpressActive = true;
      basFunctions::Status(0, 0, kEnabled);
    }
    done(Accepted);
  });
}

void frmXMode::cmdCancel_Click() {
  guarded("frmXMode, cmdCancel_Click", [&] {
    basMain::ExpressActive = false;
    basMain::ExpressWritesOption = false;  // for this run; the stored option stays
    done(Rejected);
    basFunctions::Status(0, 0, QStringLiteral("Express Write Functionality is Not Enabled."));
  });
}
