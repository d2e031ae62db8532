#include "shell/frm_about.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSqlError>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "core/app_state.h"
#include "core/database.h"
#include "core/host.h"
#include "core/logs.h"
#include "core/pictures.h"
#include "core/prompt.h"
#include "editor/frm_tab_config.h"
#include "params/drive_identity.h"
#include "shell/diagnostics_report.h"

#ifndef VELUMO_VERSION
#error "VELUMO_VERSION must give the program's major.minor.revision"
#endif

using basFunctions::guarded;

namespace {

QPointer<frmAbout> g_about;

const QString kDiagnosticsTitle = QStringLiteral("Generating Diagnostic Data");

// The fixed text of the window's read-only box.
const char* const kNotice =
    "Velumo PRO reads and writes the parameters of the drive over a serial line. Save the "
    "configuration of a drive to a file before you change it, and keep the motor free to move "
    "safely whenever a screen can make it run.";

QString statusPanel(int panel) {
  QWidget* main = host::MainWindow();
  auto* label = main ? main->findChild<QLabel*>(QStringLiteral("stbMain_%1").arg(panel)) : nullptr;
  return label ? label->text() : QString();
}

// "210" gives "2.10": the first character, a point, the last two.
QString revisionText(const QString& rev) { return rev.left(1) + "." + rev.right(2); }

QList<QPair<int, QString>> editorFields() {
  QList<QPair<int, QString>> fields;
  if (frmTabConfig* editor = frmTabConfig::instance())
    for (int k = 0; k < frmTabConfig::kRowCount; ++k)
      if (QLineEdit* field = editor->txtP(k)) fields.append({k, field->text()});
  return fields;
}

}  // namespace

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmAbout"));
  setModal(true);
  g_about = this;
  auto* image = new QLabel(this);
  image->setObjectName(QStringLiteral("Image1"));
  image->setPixmap(pictures::Navigator());
  auto* product = new QLabel(QString::fromLatin1(basMain::kProductName), this);
  product->setObjectName(QStringLiteral("lblTitle"));
  QFont big = product->font();
  big.setPointSize(big.pointSize() + 6);
  big.setBold(true);
  product->setFont(big);
  lblVersion_ = new QLabel(this);
  lblVersion_->setObjectName(QStringLiteral("lblVersion"));
  lblPlatform_ = new QLabel(this);
  lblPlatform_->setObjectName(QStringLiteral("lblPlatform"));
  lblDBVER_ = new QLabel(this);
  lblDBVER_->setObjectName(QStringLiteral("lblDBVER"));
  // Installed, the writable files live in the user's data folder: say where.
  auto* dataFolder = new QLabel("Data Folder: " + host::ProgramFolder(), this);
  dataFolder->setObjectName(QStringLiteral("lblDataFolder"));
  dataFolder->setTextInteractionFlags(Qt::TextSelectableByMouse);
  dataFolder->setVisible(host::IsInstalled());
  lstDrives_ = new QListWidget(this);
  lstDrives_->setObjectName(QStringLiteral("lstDrives"));
  auto* notice = new QPlainTextEdit(QString::fromLatin1(kNotice), this);
  notice->setObjectName(QStringLiteral("txtNotice"));
  notice->setReadOnly(true);
  notice->setMaximumHeight(70);

  auto* cmdOK = new QPushButton(QStringLiteral("OK"), this);
  cmdOK->setObjectName(QStringLiteral("cmdOK"));
  cmdOK->setDefault(true);
  auto* cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
  cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
  auto* cmdDiagnostics = new QPushButton(QStringLiteral("&Diagnostics"), this);
  cmdDiagnostics->setObjectName(QStringLiteral("cmdDiagnostics"));
  connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
  connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
  connect(cmdDiagnostics, &QPushButton::clicked, this, &frmAbout::cmdDiagnostics_Click);

  auto* texts = new QVBoxLayout;
  for (QWidget* widget : {static_cast<QWidget*>(product), static_cast<QWidget*>(lblVersion_),
                          static_cast<QWidget*>(lblPlatform_), static_cast<QWidget*>(lstDrives_),
                          static_cast<QWidget*>(lblDBVER_), static_cast<QWidget*>(dataFolder)})
    texts->addWidget(widget);
  auto* top = new QHBoxLayout;
  top->addWidget(image, 0, Qt::AlignTop);
  top->addLayout(texts, 1);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(cmdOK);
  buttons->addWidget(cmdSysInfo);
  buttons->addWidget(cmdDiagnostics);
  buttons->addStretch();
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(notice, 1);
  bottom->addLayout(buttons);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(bottom);
  Form_Load();
}

frmAbout::~frmAbout() = default;

frmAbout* frmAbout::instance() { return g_about.data(); }

QString frmAbout::SupportedPlatforms() { return QStringLiteral("Debian 12, Ubuntu 24.04"); }

QList<QStringList> frmAbout::SystemInformationTools() {
  return {{"hardinfo2"},   {"hardinfo"}, {"kinfocenter"}, {"gnome-control-center", "info-overview"},
          {"xfce4-about"}, {"lshw-gtk"}};
}

void frmAbout::Form_Load() {
  guarded("frmAbout, Form_Load", [&] {
    setWindowTitle(QStringLiteral(" About ") + basMain::kProductName);
    lblVersion_->setText(QStringLiteral("Version ") + VELUMO_VERSION);
    lblPlatform_->setText(SupportedPlatforms());
    fillFromDatabase();
  });
}

void frmAbout::fillFromDatabase() {
  const basMain::DbConnection db = basMain::ConnectDB();
  if (!db) return;
  QSqlQuery models = db.query();
  if (!models.exec(QStringLiteral("Select * from tblDriveModels order by ModelCode, Power, Rev")))
    throw basFunctions::ProgramError(-2147217900, models.lastError().text().toStdString());
  while (models.next())
    lstDrives_->addItem("Model " + models.value("ModelCode").toString() + " rev. " +
                        revisionText(models.value("Rev").toString()) + " - " +
                        models.value("RevDate").toString());
  QSqlQuery versions = db.query();
  if (!versions.exec(QStringLiteral("Select * from tblDBVER ORDER BY Version")))
    throw basFunctions::ProgramError(-2147217900, versions.lastError().text().toStdString());
  QString latest;
  while (versions.next())
    latest =
        "dB Version: " + versions.value(0).toString() + ", " + versions.value(1).toString() + ".";
  if (latest.isEmpty())
    throw basFunctions::ProgramError(
        3021, "Either BOF or EOF is True, or the current record has been deleted.");
  lblDBVER_->setText(latest);
}

void frmAbout::cmdDiagnostics_Click() {
  guarded("frmAbout, cmdDiagnostics_Click", [&] {
    const QString folder = host::ProgramFolder();
    const QString path = diagnostics::ReportFileName(folder, QDateTime::currentDateTime());
    if (prompt::MsgBox(
            "The following diagnostic file will be created:" + QStringLiteral("\r") + path + "\r",
            prompt::Buttons::OKCancel, prompt::Icon::Information,
            kDiagnosticsTitle) == prompt::Cancel)
      return;
    diagnostics::ReportInputs in;
    in.createdAt = basFunctions::GeneralDateTime();
    in.platform = diagnostics::CurrentPlatform();
    in.programFolder = host::ExecutableFolder();
    if (host::IsInstalled()) in.dataFolder = folder;
    in.versionText = lblVersion_->text();
    in.dbVersionText = lblDBVER_->text();
    in.helpFile = basMain::HelpFile;
    in.driveStatus = statusPanel(2);
    in.connection = statusPanel(4);
    in.model = basFunctions::DriveIdentity.driveAmp;
    in.firmwareLong = basFunctions::DriveIdentity.firmwareLong;
    in.configPath = basMain::CurrentConfigPath;
    in.configDirty = basMain::ConfigDirty;
    in.connectionDescription = statusPanel(1);
    in.fields = editorFields();
    in.errorLogPath = folder + "/Data/Error.Log";
    in.eventLogPath = folder + "/Data/Event.Log";
    QStringList unreadable;
    diagnostics::WriteReport(path, diagnostics::ReportLines(in, &unreadable));
    QString done = QStringLiteral("Diagnostic Information Has Been Successfully Generated");
    // A report without a log must not pass for a whole one.
    if (!unreadable.isEmpty())
      done += "\rThe " + unreadable.join(" and the ") +
              " could not be read; the report says why and holds everything else.";
    prompt::MsgBox(done, prompt::Buttons::OK, prompt::Icon::Information, kDiagnosticsTitle);
  });
}

void frmAbout::cmdSysInfo_Click() {
  guarded("frmAbout, cmdSysInfo_Click", [&] {
    for (const QStringList& tool : SystemInformationTools()) {
      const QString program = QStandardPaths::findExecutable(tool.first());
      if (!program.isEmpty() && QProcess::startDetached(program, tool.mid(1))) return;
    }
    prompt::MsgBox(QStringLiteral("System Information Is Unavailable At This Time"));
  });
}

void frmAbout::cmdOK_Click() {
  guarded("frmAbout, cmdOK_Click", [&] { accept(); });
}
