#include "config/config_io.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QWidget>

#include "config/bas_ruf.h"
#include "config/frm_x_mode.h"
#include "core/app_state.h"
#include "core/database.h"
#include "core/host.h"
#include "core/logs.h"
#include "core/main_window_access.h"
#include "core/prompt.h"
#include "core/status.h"
#include "editor/frm_tab_config.h"
#include "editor/param_editor.h"
#include "link/bas_comm.h"
#include "params/config_check.h"
#include "params/config_file.h"
#include "params/config_save.h"
#include "params/drive_identity.h"
#include "params/number_text.h"
#include "params/param_catalog.h"
#include "params/transfer_plan.h"
#include "params/value_table.h"

namespace basFunctions {
namespace {

using prompt::Buttons;
using prompt::Icon;

const QString kCr = QStringLiteral("\r");
const QString kFilter = QStringLiteral("config files (*.vmc)");
constexpr int kSaveSteps = 5;
constexpr int kSaveStepProgress = 150;

QString configsFolder() { return host::ProgramFolder() + QStringLiteral("/Configs"); }

// What an open may change before it knows the file is good; put back when it is not.
struct OpenState {
  ValueTable working = WorkingConfig;
  ConfigIdentityTexts identity = ConfigIdentity;
  std::array<int16_t, 5> limits = GroupLimit;
  void restore() const {
    WorkingConfig = working;
    ConfigIdentity = identity;
    GroupLimit = limits;
  }
};

void openStopped() {
  Status(0, 0, QStringLiteral("File Open Operation Stopped"));
  EventLog(QStringLiteral("File Operation Stopped"));
}

// True when tblDriveModels has the amplifier and revision.
bool driveModelSupported(int ampCode, const QString& revision) {
  if (!number_text::IsNumber(revision)) return false;
  const basMain::DbConnection db = basMain::ConnectDB();
  if (!db) throw ProgramError(static_cast<int32_t>(0x80004005u), "The database is not open.");
  QSqlQuery query = db.query();
  query.prepare(QStringLiteral("Select * From tblDriveModels WHERE AmpCode = ? AND Rev = ?"));
  query.addBindValue(ampCode);
  query.addBindValue(number_text::LeadingNumber(revision));
  if (!query.exec()) throw ProgramError(-2147217900, query.lastError().text().toStdString());
  return query.next();
}

void refuseUnsupported() {
  Status(0, 0, QStringLiteral("File contains information for unsupported drive"));
  Status(0, 0, QStringLiteral("File Open Operation Stopped"));
  EventLog(QStringLiteral("Attemped to open a file with data for unsupported drive"));
  EventLog(QStringLiteral("File Operation Stopped"));
  prompt::MsgBox(QStringLiteral("The file you are opening is configured for a drive model that "
                                "is not curently supported."),
                 Buttons::OK, Icon::Information, QStringLiteral("Non-Supported Drive Model"));
}

void refuseDamaged(const QString& path, const config_file::Refusal& refused) {
  const QString line = QString::number(refused.lineNumber);
  Status(0, 0, "Line " + line + " of " + path + " cannot be used: " + refused.text);
  openStopped();
  ErrorLog(QStringLiteral("basFunctions, OpenFile()"), QStringLiteral("Program"), 0,
           "Refused " + path + ": line " + line + " (" + refused.text + "), " + refused.reason);
  prompt::MsgBox("The file could not be opened: line " + line + " cannot be used (" +
                     refused.reason + ")." + kCr + refused.text + kCr +
                     "The configuration in memory has not been changed.",
                 Buttons::OK, Icon::Exclamation, QStringLiteral("File Not Opened"));
}

int32_t jogSpeedDefault() {
  const ParamInfo& jog = Catalog[config_file::kJogSpeedIndex];
  return jog.defaultValue ? RawFromDisplay(*jog.defaultValue, jog.resolution) : 0;
}

// The file's parameter set, loaded on its own so that the file can be checked against it
// before the editor and the configuration in memory are touched.
bool loadSetOf(ParamCatalog& set, int ampCode, int revision) {
  const basMain::DbConnection db = basMain::ConnectDB();
  if (!db) return false;  // ConnectDB has reported it
  set.load(db.database(), QStringLiteral("qryTabParams"), ampCode, revision, DriveImage,
           WorkingConfig);
  return true;
}

// Parameters the file leaves out take their defaults: said before the file opens. False when
// the user would rather not open it.
bool missingAccepted(const QString& path, const QList<int>& missing) {
  constexpr int kNamedInBox = 20;
  const QString count = QString::number(missing.size());
  const QString names = transfer_plan::Labels(missing);
  Status(0, 0, path + " lacks " + count + " parameter(s), which take their defaults: " + names);
  EventLog("Opening " + path + ": " + count + " parameter(s) missing, set to defaults: " + names);
  QString shown = transfer_plan::Labels(missing.mid(0, kNamedInBox));
  if (missing.size() > kNamedInBox)
    shown += " and " + QString::number(missing.size() - kNamedInBox) + " more";
  return prompt::MsgBox(path + " does not list " + count +
                            " parameter(s) of its drive's parameter set:" + kCr + shown + kCr +
                            "They will take their default values (marked in the editor)." + kCr +
                            "Do you want to open the file?",
                        Buttons::OKCancel, Icon::Exclamation,
                        QStringLiteral("Parameters Missing")) == prompt::Ok;
}

// Reads, checks and applies a file that exists. False leaves everything as it was.
bool openExisting(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) throw ProgramError(75, "Path/File access error");
  const config_file::Contents contents = config_file::Read(file.readAll());
  file.close();

  const OpenState before;
  const config_file::Header& header = contents.header;
  const int ampCode =
      basComm::GetAmpCode(static_cast<int16_t>(number_text::LeadingNumber(header.motorCode)));
  ConfigIdentity = {header.motorCode, header.revision, header.firmware,
                    static_cast<int16_t>(ampCode)};
  if (!driveModelSupported(ampCode, header.revision)) {
    before.restore();
    refuseUnsupported();
    return false;
  }
  if (!contents.ok()) {
    before.restore();
    refuseDamaged(path, *contents.refused);
    return false;
  }
  const int revision = static_cast<int>(number_text::LeadingNumber(header.revision));
  ParamCatalog set;
  SetParamMax();
  if (!loadSetOf(set, ampCode, revision)) {
    before.restore();
    openStopped();
    return false;
  }
  if (const auto refused = config_check::RefusedValue(contents, set, GroupLimit)) {
    before.restore();
    refuseDamaged(path, *refused);
    return false;
  }
  const QList<int> missing = config_check::Missing(contents, set, GroupLimit);
  if (!missing.isEmpty() && !missingAccepted(path, missing)) {
    before.restore();
    openStopped();
    return false;
  }
  if (!getParamData(frmTabConfig::instance(), QStringLiteral("qryTabParams"), ampCode, revision)) {
    before.restore();
    openStopped();
    return false;
  }
  const int replaced = config_check::Apply(contents, Catalog, WorkingConfig, jogSpeedDefault());
  for (int i = 0; i < replaced; ++i) {
    Status(0, 0, QStringLiteral("Value For P4.05 Is Too High. Value Set To Parameter Default."));
    EventLog(
        QStringLiteral("Value for P4.05 Too High While Opening Existing Config. Value Set "
                       "To Parameter Default."));
  }
  if (frmTabConfig* editor = frmTabConfig::instance()) editor->MarkDefaulted(missing);
  return true;
}

void setMainCaption(const QString& caption) {
  if (QWidget* main = host::MainWindow()) main->setWindowTitle(caption);
}

void showEditor() {
  if (frmTabConfig* editor = frmTabConfig::instance()) editor->ShowWindow();
  basMain::EditorTag = QStringLiteral("1");
}

// Open's steps after the file has been chosen (shared with the recent-files list).
void openChosen(const QString& path) {
  if (OpenFile(path)) {
    basMain::CurrentConfigPath = path;
    basMain::CurrentConfigTitle = path;
    setMainCaption(basMain::MainCaption(path));
    LoadTab(frmTabConfig::instance());
    basMain::ConfigDirty = false;
    Status(0, 0, "Successfully Opened " + path);
    EventLog("Successfully opened " + path);
  }
  showEditor();
  basRUF::doCheckFiles(path);
  if (!basMain::CurrentConfigPath.isEmpty() && basMain::ExpressWritesOption &&
      basComm::DriveConnected == 1)
    frmXMode::ShowModal();
}

}  // namespace

bool WriteConfigFile(const QString& path, const ValueTable& config,
                     const std::array<int16_t, 5>& limits, QString& reason) {
  return config_file::WriteFile(path, config, limits, GeneralDateTime(), reason);
}

bool SaveFile(const QString& path) {
  bool saved = false;
  try {
    EventLog(QStringLiteral("Save configuration operation started"));
    EventLog("Saving file " + path);
    mainWindow::SetBusyPointer();
    Status(0, 0, QStringLiteral("File Save Operation Started"));
    Status(0, 0, "Saving file " + path);
    QString reason;
    if (!WriteConfigFile(path, WorkingConfig, GroupLimit, reason))
      throw ProgramError(75, ("Path/File access error: " + reason).toStdString());
    basMain::ConfigDirty = false;
    saved = true;
    for (int step = 1; step <= kSaveSteps; ++step) {
      Status(1, step * kSaveStepProgress, QString());
      WaitaWhile(1);
    }
    Status(0, 0, QStringLiteral("File Save Operation Complete"));
    EventLog(QStringLiteral("Save configuration operation completed"));
    mainWindow::SetNormalPointer();
  } catch (const std::exception& e) {
    ErrHandler(errorNumber(e), QString::fromUtf8(e.what()),
               QStringLiteral("basFunctions, SaveFile()"), false);
    mainWindow::SetNormalPointer();
    if (!saved)
      prompt::MsgBox(QStringLiteral("An error occured during the save operation. Please check "
                                    "the error log."),
                     Buttons::OK, Icon::Exclamation, QStringLiteral("File Save Error"));
  }
  return saved;
}

bool OpenFile(const QString& path) {
  bool opened = false;
  guarded("basFunctions, OpenFile()", [&] {
    Status(0, 0, QStringLiteral("Open File Operation Started"));
    EventLog(QStringLiteral("Open File Operation Started"));
    mainWindow::SetBusyPointer();
    if (!QFileInfo(path).isFile()) {
      mainWindow::SetNormalPointer();
      prompt::MsgBox("Error loading file." + kCr + "Could not find " + path + ".", Buttons::OK,
                     Icon::Exclamation, QStringLiteral("File missing"));
      return;
    }
    opened = openExisting(path);
  });
  mainWindow::SetNormalPointer();
  return opened;
}

namespace {

// Unsaved changes are asked about; Yes saves (with `save`). True when the command may go on:
// nothing unsaved, No, or a save that happened. A save cancelled or failed stops the command,
// so that the changes are not lost with no word.
bool askAboutUnsaved(const QString& text, bool (*save)()) {
  if (!basMain::ConfigDirty || basMain::EditorTag == QLatin1String("0")) return true;
  if (prompt::MsgBox(text, Buttons::YesNo, Icon::Question,
                     QStringLiteral("Unsaved Drive Config Data Exists")) != prompt::Yes)
    return true;
  return save();
}

}  // namespace

bool UnsavedChangesPrompt() {
  return askAboutUnsaved(QStringLiteral("Unsaved drive configuration data exists. Would you like "
                                        "to save your changes?"),
                         &SaveConfiguration);
}

bool UnsavedChangesPromptOnClose() {
  return askAboutUnsaved(QStringLiteral("Unsaved drive configuration data may exist. Would you "
                                        "like to save your changes?"),
                         &SaveConfigurationAs);
}

void OpenConfiguration() {
  basMain::ExpressActive = false;
  if (!UnsavedChangesPrompt()) return;
  const QString path = prompt::GetOpenFileName(QStringLiteral("Open"), configsFolder(), kFilter);
  if (path.isEmpty()) return;
  openChosen(path);
}

void OpenRecentFile(int index) {
  const QString path = basRUF::MenuCaption(index);
  if (path == QLatin1String("No Previous Files") || path.isEmpty()) return;
  basMain::ExpressActive = false;
  if (!UnsavedChangesPrompt()) return;
  openChosen(path);
}

bool SaveConfiguration() {
  if (basMain::EditorTag != QLatin1String("0") && basMain::EditorTag != QLatin1String("1"))
    return false;
  if (!ConfirmEditorFields()) return false;
  if (!basMain::CurrentConfigPath.isEmpty()) return SaveFile(basMain::CurrentConfigPath);
  return SaveConfigurationAs();
}

namespace {

// The name as typed, with ".vmc" added when it has no extension (the Open dialog shows only
// .vmc files); empty when the user will not replace an existing file under the added name.
QString configPathOf(const QString& chosen) {
  if (!QFileInfo(chosen).suffix().isEmpty()) return chosen;
  const QString path = chosen + QStringLiteral(".vmc");
  if (QFileInfo::exists(path) &&
      prompt::MsgBox(path + " already exists." + kCr + "Do you want to replace it?", Buttons::YesNo,
                     Icon::Exclamation, QStringLiteral("Confirm Save As"), 2) != prompt::Yes)
    return QString();
  return path;
}

}  // namespace

bool SaveConfigurationAs() {
  if (!ConfirmEditorFields()) return false;
  // The title is a full path after an open, a file name after a save as.
  const QString title = basMain::CurrentConfigTitle.trimmed();
  const QString preset = QFileInfo(title).isAbsolute() ? title : configsFolder() + "/" + title;
  const QString chosen = prompt::GetSaveFileName(QStringLiteral("Save As"), preset, kFilter);
  if (chosen.isEmpty()) return false;
  const QString path = configPathOf(chosen);
  if (path.isEmpty() || !SaveFile(path)) return false;
  basMain::CurrentConfigPath = path;
  basMain::CurrentConfigTitle = QFileInfo(path).fileName();
  setMainCaption(QString(basMain::kAppTitle) +
                 " - Current Config File: " + basMain::CurrentConfigTitle);
  basRUF::doCheckFiles(path);
  return true;
}

void ForgetConfigFile() {
  basMain::CurrentConfigPath.clear();
  basMain::CurrentConfigTitle = QStringLiteral(" ");
  setMainCaption(basMain::MainCaption(QString()));
}

}  // namespace basFunctions
