#include "shell/frm_options.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSqlError>
#include <QVBoxLayout>
#include <cmath>

#include "config/bas_ruf.h"
#include "config/frm_x_mode.h"
#include "core/app_state.h"
#include "core/database.h"
#include "core/host.h"
#include "core/logs.h"
#include "core/pictures.h"
#include "core/status.h"
#include "link/bas_comm.h"

bool ExpressWasActive = false;

namespace {

using basFunctions::guarded;

QPointer<frmOptions> g_options;

struct Option {
  const char* caption;
  const char* column;
  bool* global;  // null: the setting has no global (it acts at the next start)
};

const Option kOptions[frmOptions::kChecks] = {
    {"Show Project Navigator at Startup", "QuickScreen", nullptr},
    {"Show ToolTips", "TextTip", &basMain::TextTip},
    {"Save Print Config File to .csv", "ReportFormat", &basMain::ReportFormat},
    {"Enable Express Writes", "ExpressWrites", &basMain::ExpressWritesOption},
    {"Confirm All Express Writes", "ConfirmExpress", &basMain::ConfirmExpress},
    {"Confirm Writes From Tuning Dialog", "ConfirmTuning", &basMain::ConfirmTuning}};

constexpr int kExpressWrites = 3;
constexpr int kConfirmExpress = 4;

}  // namespace

frmOptions::frmOptions(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("frmOptions"));
  setWindowTitle(QStringLiteral(" Program Options"));
  g_options = this;
  auto* grid = new QGridLayout;
  for (int i = 0; i < kChecks; ++i) {
    chkOptions_[i] = new QCheckBox(this);
    chkOptions_[i]->setObjectName(QStringLiteral("chkOptions_%1").arg(i));
    lblOptions_[i] = new QLabel(QString::fromLatin1(kOptions[i].caption), this);
    lblOptions_[i]->setObjectName(QStringLiteral("lblOptions_%1").arg(i));
    lblOptions_[i]->setBuddy(chkOptions_[i]);
    chkOptions_[i]->setAccessibleName(lblOptions_[i]->text());
    grid->addWidget(chkOptions_[i], i, 0);
    grid->addWidget(lblOptions_[i], i, 1);
    connect(chkOptions_[i], &QCheckBox::toggled, this, [this, i] { chkOptions_Click(i); });
  }
  lblFiles_ = new QLabel(QStringLiteral("Number of Previous Files:"), this);
  lblFiles_->setObjectName(QStringLiteral("lblOptions_%1").arg(kFilesLabel));
  cmbFiles_ = new QComboBox(this);
  cmbFiles_->setObjectName(QStringLiteral("cmbFiles"));
  cmbFiles_->setAccessibleName(lblFiles_->text());
  lblFiles_->setBuddy(cmbFiles_);
  grid->addWidget(cmbFiles_, kChecks, 0);
  grid->addWidget(lblFiles_, kChecks, 1);

  auto* cmdSave = new QPushButton(QStringLiteral("Save"), this);
  cmdSave->setObjectName(QStringLiteral("cmdSave"));
  auto* cmdClose = new QPushButton(QStringLiteral("Close"), this);
  cmdClose->setObjectName(QStringLiteral("cmdClose"));
  connect(cmdSave, &QPushButton::clicked, this, &frmOptions::cmdSave_Click);
  connect(cmdClose, &QPushButton::clicked, this, &frmOptions::cmdClose_Click);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdSave);
  buttons->addWidget(cmdClose);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);
  Form_Load();
}

frmOptions::~frmOptions() = default;

frmOptions* frmOptions::instance() { return g_options.data(); }

QLabel* frmOptions::lblOptions(int index) const {
  if (index == kFilesLabel) return lblFiles_;
  return index >= 0 && index < kChecks ? lblOptions_[index] : nullptr;
}

void frmOptions::Form_Load() {
  guarded("frmOptions, Form_Load", [&] {
    setWindowIcon(pictures::WindowIcon());
    cmbFiles_->clear();
    cmbFiles_->addItems({"1", "2", "3", "4"});
    if (basMain::ExpressActive) ExpressWasActive = true;
    const basMain::DbConnection db = basMain::ConnectDB();
    if (!db) return;
    const QSqlRecord settings = basMain::Custinfo(db);
    for (int i = 0; i < kChecks; ++i) {
      if (!basMain::DbField(settings, QString::fromLatin1(kOptions[i].column)).toBool()) continue;
      chkOptions_[i]->setChecked(true);
      if (kOptions[i].global) *kOptions[i].global = true;
    }
    chkOptions_[kConfirmExpress]->setEnabled(basMain::ExpressWritesOption);
    lblOptions_[kConfirmExpress]->setEnabled(basMain::ExpressWritesOption);
    const int previousFiles = basMain::DbField(settings, QStringLiteral("PreviousFiles")).toInt();
    cmbFiles_->setCurrentIndex(previousFiles);
    basMain::MaxRecentFiles = static_cast<float>(previousFiles + 1);
  });
}

void frmOptions::chkOptions_Click(int index) {
  guarded("frmOptions, chkOptions_Click", [&] {
    if (index != kExpressWrites) return;
    const bool on = chkOptions_[kExpressWrites]->isChecked();
    chkOptions_[kConfirmExpress]->setEnabled(on);
    lblOptions_[kConfirmExpress]->setEnabled(on);
  });
}

void frmOptions::cmdSave_Click() {
  guarded("frmOptions, cmdSave_Click", [&] {
    const basMain::DbConnection db = basMain::ConnectDB();
    if (!db) return;
    QSqlQuery update = db.query();
    // Column names are the window's own constants; the values go in bound.
    QStringList assignments;
    for (const Option& option : kOptions)
      assignments << QString::fromLatin1(option.column) + " = ?";
    update.prepare("update tblCustInfo set " + assignments.join(", ") +
                   ", PreviousFiles = ? where RecNum = 1");
    for (QCheckBox* box : chkOptions_) update.addBindValue(box->isChecked() ? 1 : 0);
    update.addBindValue(cmbFiles_->currentIndex());
    if (!update.exec())
      throw basFunctions::ProgramError(static_cast<int32_t>(0x80004005u),
                                       update.lastError().text().toStdString());
    for (int i = 1; i < kChecks; ++i) *kOptions[i].global = chkOptions_[i]->isChecked();
    basMain::MaxRecentFiles = static_cast<float>(cmbFiles_->currentIndex() + 1);
    basMain::ExpressActive = basMain::ExpressWritesOption;
    basFunctions::Status(0, 0, QStringLiteral("Options Saved to Disk"));
    basRUF::doRationaliseMenu();
  });
}

void frmOptions::cmdClose_Click() {
  guarded("frmOptions, cmdClose_Click", [&] {
    const bool askForMatch = basMain::EditorTag == QLatin1String("1") &&
                             basMain::ExpressWritesOption && !ExpressWasActive &&
                             basComm::DriveConnected == 1;
    ExpressWasActive = false;
    if (askForMatch) frmXMode::ShowModal();
    host::UnloadWindow(this);
  });
}
