#include "history/frm_compare3.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "config/drive_transfer.h"
#include "core/host.h"
#include "core/logs.h"
#include "core/main_window_access.h"
#include "core/prompt.h"
#include "link/bas_comm.h"
#include "params/config_check.h"
#include "params/drive_identity.h"
#include "params/number_text.h"
#include "params/param_catalog.h"
#include "params/param_value.h"
#include "params/three_way_compare.h"

using basFunctions::Catalog;
using basFunctions::guarded;

namespace {

QPointer<frmCompare3> g_compare;

constexpr QSize kPreferredSize(860, 520);
constexpr int kFirstSide = 2;  // columns: parameter, units, then the sides
const QColor kMarked(255, 210, 200);

bool configurationLoaded() { return !Catalog.loadedIndexes().isEmpty(); }

QPushButton* button(QWidget* parent, const char* name, const char* caption) {
  auto* made = new QPushButton(QString::fromLatin1(caption), parent);
  made->setObjectName(QString::fromLatin1(name));
  return made;
}

}  // namespace

frmCompare3* frmCompare3::Display() {
  const bool fresh = !g_compare;
  if (fresh) g_compare = new frmCompare3();
  host::ShowChild(g_compare);
  if (fresh) host::FitIntoChildArea(g_compare, kPreferredSize);
  g_compare->raise();
  if (fresh) g_compare->cmdReadDrive_Click();
  return g_compare;
}

frmCompare3* frmCompare3::instance() { return g_compare; }

frmCompare3::frmCompare3() {
  setObjectName(QStringLiteral("frmCompare3"));
  setWindowTitle(QStringLiteral(" Compare Three Ways"));
  grdCompare_ = new QTableWidget(this);
  grdCompare_->setObjectName(QStringLiteral("grdCompare"));
  grdCompare_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grdCompare_->verticalHeader()->hide();
  chkDifferencesOnly_ = new QCheckBox(QStringLiteral("Differences only"), this);
  chkDifferencesOnly_->setObjectName(QStringLiteral("chkDifferencesOnly"));
  chkDifferencesOnly_->setChecked(true);
  lblCompareStatus_ = new QLabel(this);
  lblCompareStatus_->setObjectName(QStringLiteral("lblCompareStatus"));
  lblCompareStatus_->setWordWrap(true);
  QPushButton* cmdReadDrive = button(this, "cmdReadDrive", "Read Drive");
  QPushButton* cmdFile = button(this, "cmdFile", "File...");
  QPushButton* cmdDefaults = button(this, "cmdDefaults", "Factory Defaults");
  QPushButton* cmdClose = button(this, "cmdClose", "Close");
  auto* buttons = new QHBoxLayout;
  for (QWidget* widget :
       {static_cast<QWidget*>(cmdReadDrive), static_cast<QWidget*>(cmdFile),
        static_cast<QWidget*>(cmdDefaults), static_cast<QWidget*>(chkDifferencesOnly_)})
    buttons->addWidget(widget);
  buttons->addStretch();
  buttons->addWidget(cmdClose);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(grdCompare_, 1);
  layout->addWidget(lblCompareStatus_);
  resize(kPreferredSize);
  connect(cmdReadDrive, &QPushButton::clicked, this, &frmCompare3::cmdReadDrive_Click);
  connect(cmdFile, &QPushButton::clicked, this, &frmCompare3::cmdFile_Click);
  connect(cmdDefaults, &QPushButton::clicked, this, &frmCompare3::cmdDefaults_Click);
  connect(cmdClose, &QPushButton::clicked, this, &frmCompare3::cmdClose_Click);
  connect(chkDifferencesOnly_, &QCheckBox::toggled, this, [this] { showRows(); });
  third_ = threeWay::Defaults(Catalog);
  thirdName_ = QStringLiteral("Factory defaults");
}

frmCompare3::~frmCompare3() = default;

void frmCompare3::cmdReadDrive_Click() {
  guarded("frmCompare3, cmdReadDrive_Click", [&] {
    drive_.reset();
    driveProblem_.clear();
    if (basComm::DriveConnected != 1) {
      driveProblem_ = QStringLiteral("no drive is connected");
    } else if (configurationLoaded()) {
      basFunctions::ValueTable read;
      mainWindow::SetBusyPointer();
      const bool good =
          basFunctions::ReadDriveConfiguration(read, basFunctions::GroupLimit, driveProblem_);
      mainWindow::SetNormalPointer();
      if (good) {
        param_value::ReadAsRegisters(read, Catalog);
        drive_ = read;
      }
    }
    showRows();
  });
}

bool frmCompare3::UseFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    lblCompareStatus_->setText("Could not read " + path + " (" + file.errorString() + ").");
    return false;
  }
  const config_file::Contents contents = config_file::Read(file.readAll());
  if (!contents.ok()) {
    lblCompareStatus_->setText(path + " cannot be used: line " +
                               QString::number(contents.refused->lineNumber) + " (" +
                               contents.refused->reason + "): " + contents.refused->text);
    return false;
  }
  const int motor = static_cast<int>(number_text::LeadingNumber(contents.header.motorCode));
  const int revision = static_cast<int>(number_text::LeadingNumber(contents.header.revision));
  if (basComm::GetAmpCode(static_cast<int16_t>(motor)) != Catalog.ampCode() ||
      revision != Catalog.rev()) {
    lblCompareStatus_->setText(path + " is for another drive model (motor code " +
                               contents.header.motorCode + ", revision " +
                               contents.header.revision + ") than the working configuration.");
    return false;
  }
  // As the program opens a file: parameters it leaves out keep their defaults.
  third_ = threeWay::Defaults(Catalog);
  const basFunctions::ParamInfo& jog = Catalog[405];
  config_check::Apply(
      contents, Catalog, third_,
      jog.defaultValue ? basFunctions::RawFromDisplay(*jog.defaultValue, jog.resolution) : 0);
  thirdName_ = QFileInfo(path).fileName();
  showRows();
  return true;
}

void frmCompare3::cmdFile_Click() {
  guarded("frmCompare3, cmdFile_Click", [&] {
    const QString path = prompt::GetOpenFileName(QStringLiteral("Compare With File"),
                                                 host::ProgramFolder() + "/Configs",
                                                 QStringLiteral("config files (*.vmc)"));
    if (!path.isEmpty()) UseFile(path);
  });
}

void frmCompare3::cmdDefaults_Click() {
  guarded("frmCompare3, cmdDefaults_Click", [&] {
    third_ = threeWay::Defaults(Catalog);
    thirdName_ = QStringLiteral("Factory defaults");
    showRows();
  });
}

void frmCompare3::cmdClose_Click() {
  guarded("frmCompare3, cmdClose_Click", [&] { host::UnloadWindow(this); });
}

void frmCompare3::showRows() {
  grdCompare_->clear();
  grdCompare_->setRowCount(0);
  if (!configurationLoaded()) {
    grdCompare_->setColumnCount(0);
    lblCompareStatus_->setText(
        QStringLiteral("Open, upload or create a configuration first: it is the first side."));
    return;
  }
  QStringList headers{QStringLiteral("Parameter"), QStringLiteral("Units"),
                      QStringLiteral("Working configuration")};
  std::vector<const basFunctions::ValueTable*> sides{&basFunctions::WorkingConfig};
  if (drive_) {
    headers << QStringLiteral("Drive");
    sides.push_back(&*drive_);
  }
  headers << thirdName_;
  sides.push_back(&third_);
  const QList<threeWay::Row> rows =
      threeWay::Compare(Catalog, basFunctions::GroupLimit, sides, chkDifferencesOnly_->isChecked());
  grdCompare_->setColumnCount(static_cast<int>(headers.size()));
  grdCompare_->setHorizontalHeaderLabels(headers);
  grdCompare_->setRowCount(static_cast<int>(rows.size()));
  int differing = 0;
  for (int r = 0; r < rows.size(); ++r) {
    const threeWay::Row& row = rows[r];
    differing += row.differs() ? 1 : 0;
    grdCompare_->setItem(r, 0, new QTableWidgetItem(row.label));
    grdCompare_->setItem(r, 1, new QTableWidgetItem(row.units));
    for (size_t s = 0; s < sides.size(); ++s) {
      auto* cell = new QTableWidgetItem(row.shown[s]);
      if (row.marked[s]) {
        cell->setBackground(kMarked);
        QFont bold = cell->font();
        bold.setBold(true);
        cell->setFont(bold);
        cell->setToolTip(QStringLiteral("Differs from the others"));
      }
      grdCompare_->setItem(r, kFirstSide + static_cast<int>(s), cell);
    }
  }
  grdCompare_->resizeColumnsToContents();
  QString status = QString::number(differing) + " parameter(s) differ.";
  if (!drive_)
    status += " The drive is not compared: " +
              (driveProblem_.isEmpty() ? QStringLiteral("it has not been read") : driveProblem_) +
              ".";
  lblCompareStatus_->setText(status);
}
