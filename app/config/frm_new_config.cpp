#include "config/frm_new_config.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSqlError>
#include <QVBoxLayout>

#include "config/config_io.h"
#include "config/frm_x_mode.h"
#include "core/app_state.h"
#include "core/database.h"
#include "core/host.h"
#include "core/logs.h"
#include "core/pictures.h"
#include "core/prompt.h"
#include "core/status.h"
#include "editor/frm_tab_config.h"
#include "editor/param_editor.h"
#include "link/bas_comm.h"
#include "params/drive_identity.h"
#include "params/number_text.h"
#include "params/value_table.h"

namespace {

using basFunctions::guarded;

QPointer<frmNewConfig> g_newConfig;

QComboBox* addList(QFormLayout* form, QWidget* parent, const char* name, const char* label) {
  auto* list = new QComboBox(parent);
  list->setObjectName(QString::fromLatin1(name));
  auto* caption = new QLabel(QString::fromLatin1(label), parent);
  caption->setBuddy(list);
  list->setAccessibleName(caption->text());
  form->addRow(caption, list);
  return list;
}

QSqlQuery run(const basMain::DbConnection& db, const QString& statement,
              const QVariantList& values = {}) {
  QSqlQuery query = db.query();
  query.prepare(statement);
  for (const QVariant& value : values) query.addBindValue(value);
  if (!query.exec())
    throw basFunctions::ProgramError(-2147217900, query.lastError().text().toStdString());
  return query;
}

}  // namespace

frmNewConfig::frmNewConfig(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("frmNewConfig"));
  setWindowTitle(QStringLiteral(" New Configuration Dialog "));
  g_newConfig = this;
  auto* picture = new QLabel(this);
  picture->setObjectName(QStringLiteral("imgNewConfig"));
  picture->setPixmap(pictures::Navigator());
  auto* form = new QFormLayout;
  cmbAmp_ = addList(form, this, "cmbAmp", "1. Select a Drive");
  cmbRev_ = addList(form, this, "cmbRev", "2. Select a Firmware Version");
  cmbMotor_ = addList(form, this, "cmbMotor", "3. Select a Motor");
  cmdOpen_ = new QPushButton(QStringLiteral("OK"), this);
  cmdOpen_->setObjectName(QStringLiteral("cmdOpen"));
  auto* cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
  cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
  connect(cmbAmp_, &QComboBox::activated, this, &frmNewConfig::cmbAmp_Click);
  connect(cmbRev_, &QComboBox::activated, this, &frmNewConfig::cmbRev_Click);
  // A configuration needs all three choices.
  connect(cmbMotor_, &QComboBox::currentIndexChanged, this,
          [this](int index) { cmdOpen_->setEnabled(index >= 0 && cmbMotor_->isEnabled()); });
  connect(cmdOpen_, &QPushButton::clicked, this, &frmNewConfig::cmdOpen_Click);
  connect(cmdCancel, &QPushButton::clicked, this, &frmNewConfig::cmdCancel_Click);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdOpen_);
  buttons->addWidget(cmdCancel);
  auto* right = new QVBoxLayout;
  right->addLayout(form);
  right->addLayout(buttons);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(picture);
  layout->addLayout(right);
  Form_Load();
}

frmNewConfig::~frmNewConfig() = default;

frmNewConfig* frmNewConfig::instance() { return g_newConfig.data(); }

void frmNewConfig::Form_Load() {
  guarded("frmNewConfig, Form_Load", [&] {
    cmbRev_->setEnabled(false);
    cmbMotor_->setEnabled(false);
    cmdOpen_->setEnabled(false);
    cmbRev_->setPlaceholderText(QStringLiteral("Select a Firmware Rev."));
    cmbMotor_->setPlaceholderText(QStringLiteral("Select a Motor"));
    const basMain::DbConnection db = basMain::ConnectDB();
    if (!db) return;
    QSqlQuery models = run(db, QStringLiteral("Select Distinct ModelCode, Power from "
                                              "tblDriveModels order by ModelCode, Power "));
    while (models.next())
      cmbAmp_->addItem(models.value(0).toString() + "," + models.value(1).toString());
  });
}

void frmNewConfig::cmbAmp_Click() {
  guarded("frmNewConfig, cmbAmp_Click", [&] {
    ampCode_ = static_cast<int>(number_text::LeadingNumber(cmbAmp_->currentText().mid(4, 2)));
    const basMain::DbConnection db = basMain::ConnectDB();
    if (!db) return;
    QSqlQuery models =
        run(db, QStringLiteral("Select * From tblDriveModels WHERE AmpCode = ?"), {ampCode_});
    cmbRev_->clear();
    while (models.next()) {
      const QString rev = models.value("Rev").toString();
      cmbRev_->addItem(rev.left(1) + "." + rev.right(2));
    }
    cmbRev_->setCurrentIndex(-1);
    cmbRev_->setEnabled(true);
    cmbMotor_->clear();
    cmbMotor_->setCurrentIndex(-1);
    cmbMotor_->setEnabled(false);
    cmdOpen_->setEnabled(false);
  });
}

void frmNewConfig::cmbRev_Click() {
  guarded("frmNewConfig, cmbRev_Click", [&] {
    const QString chosen = cmbRev_->currentText();
    revision_ = chosen.left(1) + chosen.right(2);
    const basMain::DbConnection db = basMain::ConnectDB();
    if (!db) return;
    QSqlQuery motors = run(db,
                           QStringLiteral("Select * From tblMotors WHERE AmpCode = ? AND Rev = ? "
                                          "ORDER BY Position"),
                           {ampCode_, number_text::LeadingNumber(revision_)});
    cmbMotor_->clear();
    while (motors.next()) cmbMotor_->addItem(motors.value("Description").toString());
    cmbMotor_->setCurrentIndex(-1);
    cmbMotor_->setEnabled(true);
  });
}

void frmNewConfig::cmdOpen_Click() {
  guarded("frmNewConfig, cmdOpen_Click", [&] {
    using namespace basFunctions;
    Status(0, 0, QStringLiteral("New Configuration Started"));
    EventLog(QStringLiteral("Started a new configuration"));
    // The load keeps the window live: take the choices before it starts.
    const int motorPosition = cmbMotor_->currentIndex();
    const int ampCode = ampCode_;
    const QString revision = revision_;
    QPointer<frmNewConfig> self(this);
    WorkingConfig.P(1, 31) =
        static_cast<int32_t>(number_text::LeadingNumber(cmbMotor_->currentText().left(2)));
    ConfigIdentity.revision = revision;
    frmTabConfig* editor = frmTabConfig::instance();
    getParamData(editor, QStringLiteral("tblDriveParameters"), ampCode,
                 static_cast<int>(number_text::LeadingNumber(revision)));
    if (editor && editor->cmbP(131)) {
      editor->cmbP(131)->setCurrentIndex(motorPosition);
      editor->cmbP_Click(131);
    }
    const bool saved =
        prompt::MsgBox(QStringLiteral("Would you like to save your new configuration?"),
                       prompt::Buttons::YesNo, prompt::Icon::Question,
                       QStringLiteral("Save Configuration")) == prompt::Yes &&
        SaveConfigurationAs();
    if (saved) {
      EventLog(QStringLiteral("Cerated new config and saved"));
    } else {
      // The defaults must not later be saved over the file that was open before.
      ForgetConfigFile();
      // Defaults and a motor: nothing the technician would lose without a question.
      basMain::ConfigDirty = false;
      EventLog(QStringLiteral("Created new config without saving"));
    }
    Status(0, 0, QStringLiteral("New Configuration Complete"));
    if (editor) editor->ShowWindow();
    basMain::EditorTag = QStringLiteral("1");
    if (self) host::UnloadWindow(self);
    if (!basMain::CurrentConfigPath.isEmpty() && basMain::ExpressWritesOption &&
        basComm::DriveConnected == 1)
      frmXMode::ShowModal();
  });
}

void frmNewConfig::cmdCancel_Click() {
  guarded("frmNewConfig, cmdCancel_Click", [&] { host::UnloadWindow(this); });
}
