// Upload and download against the virtual drive: the drive's values taken after a poll cycle,
// a full download at the specified pacing compared register by register, the skips, the
// backup taken before the first write, a failed write reported, and the express-writes dialog.
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QTimer>

#include "boundary_values.h"
#include "config/frm_new_config.h"
#include "config/frm_x_mode.h"
#include "config_fixture.h"
#include "core/app_state.h"
#include "core/status.h"
#include "editor/frm_tab_config.h"
#include "link/bas_comm.h"
#include "params/config_file.h"
#include "params/drive_identity.h"
#include "params/number_text.h"
#include "params/param_catalog.h"
#include "params/transfer_plan.h"
#include "params/value_table.h"
#include "shell/frm_main.h"

namespace configtest {
namespace {

using apptest::Answer;
using basFunctions::DriveImage;
using basFunctions::WorkingConfig;

const QString kVerification =
    "Verification Required | Any configuration information loaded in PC memory will be "
    "overwritten. Do you wish to proceed?";
const QString kConfirmDownload =
    "Confirm Download | The setup in the Velumo drive is about to be overwritten!\rAre you sure "
    "you want to continue?";

class ConfigTransferTest : public ConfigProgramTest {
 protected:
  void upload() {
    prompt::ScriptReplies({Answer(prompt::Yes)});
    main->RunCommand("mnuUpload");
  }
  void download(const QList<prompt::Reply>& replies = {Answer(prompt::Yes)}) {
    prompt::ScriptReplies(replies);
    prompt::ClearShownPrompts();
    main->RunCommand("mnuDownload");
  }
  // Clicks a button of the express-writes dialog once it is up (it runs modally).
  static void clickInXModeWhenShown(const char* button, int tries = 400) {
    QTimer::singleShot(50, [button, tries] {
      frmXMode* dialog = frmXMode::instance();
      if (dialog && dialog->isVisible())
        dialog->findChild<QPushButton*>(button)->click();
      else if (tries > 0)
        clickInXModeWhenShown(button, tries - 1);
    });
  }
  QStringList backups() const {
    return QDir(folder.path() + "/Configs/Backups").entryList({"*.vmc"}, QDir::Files);
  }
  // The values of a backup file, by P<g>.<nn>.
  basFunctions::ValueTable backupValues(const QString& name) const {
    basFunctions::ValueTable values;
    const auto contents = config_file::Read(readFile(folder.path() + "/Configs/Backups/" + name));
    EXPECT_TRUE(contents.ok());
    config_file::Apply(contents, values, 0);
    return values;
  }
};

TEST_F(ConfigTransferTest, UploadReadsTheDriveAnewAndBelongsToNoFile) {
  startConnected({"--firmware", "210"});
  basMain::CurrentConfigPath = basMain::CurrentConfigTitle = configPath("other drive.vmc");
  // Changed at the drive just before the upload: no poll has brought these values yet.
  setDriveValue(1, 1, 2);
  setDriveValue(2, 30, -7);
  setDriveValue(2, 65, 65535);  // registers of range 0..65535
  setDriveValue(3, 8, 40000);
  setDriveValue(4, 7, 32768);
  setDriveValue(0, 5, 9);  // monitor registers never come up
  WorkingConfig.P(0, 5) = 3;
  // As right after a connection (the express-writes question offers an upload at once): the
  // polls have not brought the drive's values yet.
  DriveImage.clear();
  upload();
  EXPECT_EQ(shown(), QStringList{kVerification});
  EXPECT_EQ(WorkingConfig.P(1, 31), 21);
  EXPECT_EQ(fieldText(131), "21");
  EXPECT_EQ(WorkingConfig.P(1, 1), 2);
  EXPECT_EQ(fieldText(230), "-7");
  EXPECT_EQ(WorkingConfig.P(2, 65), 65535);
  EXPECT_EQ(fieldText(308), "40000");
  EXPECT_EQ(frmTabConfig::instance()->hexLabel(308)->text(), "(HEX 9C40)");
  EXPECT_EQ(WorkingConfig.P(4, 7), 32768);
  EXPECT_EQ(WorkingConfig.P(0, 0), 2101);
  EXPECT_NE(WorkingConfig.P(0, 5), 9);
  EXPECT_EQ(basFunctions::ConfigIdentity.revision, "210");
  EXPECT_TRUE(statusListHas("Upload Operation Complete"));
  EXPECT_TRUE(eventLogHas("Upload Completed"));
  EXPECT_EQ(basMain::EditorTag, "1");
  EXPECT_FALSE(basMain::ExpressActive);
  EXPECT_TRUE(errorLog().isEmpty()) << errorLog().join("\n").toStdString();
  // The other drive's file is not the home of these values: Save asks for a name.
  EXPECT_EQ(basMain::CurrentConfigPath, "");
  EXPECT_EQ(caption().trimmed(), "Velumo PRO - Current Config File:");
  EXPECT_FALSE(basMain::ConfigDirty);
  const QString saved = configPath("up.vmc");
  prompt::ScriptReplies({apptest::Text(saved)});
  main->RunCommand("mnuSave");
  const QByteArray bytes = readFile(saved);
  EXPECT_TRUE(bytes.contains("\r\n265,65535\r\n") && bytes.contains("\r\n308,40000\r\n"));
}

TEST_F(ConfigTransferTest, EditsAfterAnUploadAreAskedAboutBeforeAnyCommandDropsThem) {
  startConnected();
  upload();
  field(109)->setText("555");  // the technician's change
  EXPECT_TRUE(apptest::WaitFor([&] { return caption().endsWith(" *"); }));
  const QString unsaved =
      "Unsaved Drive Config Data Exists | Unsaved drive configuration data exists. Would you like "
      "to save your changes?";
  struct Command {
    const char* name;
    QList<prompt::Reply> replies;  // the question answered, the command then stopped
    int asked;                     // position of the question among the prompts
  };
  const Command commands[] = {
      {"mnuOpenDetailed", {Answer(prompt::No), apptest::Text("")}, 0},
      {"mnuNewDetailed", {Answer(prompt::No)}, 0},
      {"mnuUpload", {Answer(prompt::No), Answer(prompt::No)}, 0},
      // Yes, but the save is cancelled: the program does not end with the changes unsaved.
      {"mnuExit", {Answer(prompt::Yes), Answer(prompt::Yes), apptest::Text("")}, 1},
      {"close", {Answer(prompt::Yes), Answer(prompt::Yes), apptest::Text("")}, 1},
      {"mnuClose", {Answer(prompt::No)}, 0},
  };
  for (const Command& command : commands) {
    SCOPED_TRACE(command.name);
    prompt::ClearShownPrompts();
    prompt::ScriptReplies(command.replies);
    if (QLatin1String(command.name) == QLatin1String("close"))
      main->close();  // the title bar's close
    else
      main->RunCommand(command.name);
    if (frmNewConfig* dialog = frmNewConfig::instance()) dialog->cmdCancel_Click();
    ASSERT_GT(shown().size(), command.asked) << shown().join("\n").toStdString();
    EXPECT_EQ(shown()[command.asked],
              QLatin1String(command.name) == QLatin1String("close")
                  ? QString(unsaved).replace("data exists", "data may exist")
                  : unsaved);
    EXPECT_EQ(WorkingConfig.P(1, 9), 555) << "nothing dropped before the close";
    EXPECT_TRUE(main->isVisible());
  }
  EXPECT_EQ(shown().size(), 1);
  EXPECT_EQ(basMain::EditorTag, "0") << "closed once the technician said No";
  EXPECT_FALSE(basMain::ConfigDirty);
}

TEST_F(ConfigTransferTest, FullDownloadAtItsPacingRestoresAFactoryDriveRegisterByRegister) {
  startConnected({"--firmware", "210"});
  upload();
  // A configuration that differs from the factory values in every group.
  for (int i = 0; i < 16; ++i) field(109 + i)->setText(QString::number(-(i + 1) * 7));
  field(137)->setText("12.5");
  field(229)->setText("12345");
  field(301)->setText("1");
  field(405)->setText("300");
  ASSERT_EQ(WorkingConfig.P(1, 37), 125);
  EXPECT_EQ(drive.command("factory"), "OK");
  const int factoryP109 = driveValue(1, 9);

  // The pacing pause between parameters, scaled down (the full pace is measured by the bench).
  basFunctions::PauseScale = 0.05;
  QElapsedTimer elapsed;
  elapsed.start();
  download();
  const qint64 took = elapsed.elapsed();
  basFunctions::PauseScale = 0;

  EXPECT_EQ(shown(), QStringList{kConfirmDownload});
  EXPECT_TRUE(statusListHas("Download Operation Complete"));
  EXPECT_TRUE(eventLogHas("Began download operation"));
  EXPECT_TRUE(eventLogHas("Completed download operation"));
  // 9 + 57 + 66 + 9 + 24 parameters; read-only and reserved ones take no pause.
  EXPECT_GT(took, 100 * 20) << "paced at 0.4 s (scaled) per parameter";
  int compared = 0;
  for (int g = 0; g <= 4; ++g) {
    for (int n = 0; n <= basFunctions::GroupLimit[g]; ++n) {
      const int k = g * 100 + n;
      if (basFunctions::Catalog[k].ReadOnly || basFunctions::HasFixedLabel(k)) continue;
      EXPECT_EQ(driveValue(g, n), static_cast<int16_t>(WorkingConfig.P(g, n))) << "P" << k;
      ++compared;
    }
  }
  EXPECT_GT(compared, 130);

  // The backup holds the drive as it was before the first write.
  ASSERT_EQ(backups().size(), 1);
  EXPECT_TRUE(statusListHas("Drive settings saved to " + folder.path() + "/Configs/Backups/" +
                            backups()[0] + " before the download"));
  EXPECT_EQ(backupValues(backups()[0]).P(1, 9), factoryP109);
  EXPECT_EQ(backupValues(backups()[0]).P(0, 0), 2101);
}

TEST_F(ConfigTransferTest, BoundaryValuesReachTheDriveAsTheyStandOrNotAtAll) {
  startConnected({"--firmware", "210", "--no-pacing"});
  upload();
  // Saved and opened again: filling the rows of an open is no change of P1.01 or P1.33.
  const QString path = configPath("drive.vmc");
  prompt::ScriptReplies({apptest::Text(path)});
  main->RunCommand("mnuSaveAs");
  prompt::ScriptReplies({apptest::Text(path)});
  main->RunCommand("mnuOpenDetailed");
  ASSERT_EQ(basMain::CurrentConfigPath, path);
  // Values in memory are numbers: as a file, the drive or the editor left them.
  struct Pending {
    int32_t value;
    std::optional<int32_t> expected;
  };
  QList<Pending> unsignedValues, signedValues;
  for (const boundary::Value& value : boundary::kValues) {
    if (!number_text::IsNumber(value.text)) continue;
    const auto number = static_cast<int32_t>(number_text::LeadingNumber(value.text));
    unsignedValues.append({number, value.unsignedParam});
    signedValues.append({number, value.signedParam});
  }
  const QList<int> unsignedParams{265, 308}, signedParams{144, 145, 259, 260, 261};
  while (!unsignedValues.isEmpty() || !signedValues.isEmpty()) {
    QMap<int, Pending> round;
    for (int k : unsignedParams)
      if (!unsignedValues.isEmpty()) round.insert(k, unsignedValues.takeFirst());
    for (int k : signedParams)
      if (!signedValues.isEmpty()) round.insert(k, signedValues.takeFirst());
    QMap<int, int> held;
    for (auto it = round.cbegin(); it != round.cend(); ++it) {
      WorkingConfig.byIndex(it.key()) = it->value;
      held.insert(it.key(), driveValue(it.key() / 100, it.key() % 100));
    }
    main->LoadTab();  // the editor shows them as they are
    download({Answer(prompt::Yes), Answer(prompt::Ok)});
    EXPECT_FALSE(shown().join("\n").contains("Servo Reset Needed"));
    const QString incomplete = shown().value(1);
    for (auto it = round.cbegin(); it != round.cend(); ++it) {
      const int k = it.key();
      SCOPED_TRACE(QStringLiteral("P%1 = %2").arg(k).arg(it->value).toStdString());
      const int held16 = static_cast<uint16_t>(driveValue(k / 100, k % 100));
      const QString label = transfer_plan::Labels({k});
      if (it->expected) {
        EXPECT_EQ(held16, static_cast<uint16_t>(*it->expected));
        EXPECT_FALSE(incomplete.contains(label));
      } else {
        EXPECT_EQ(held16, static_cast<uint16_t>(held.value(k))) << "sent as another value";
        EXPECT_TRUE(incomplete.startsWith("Download Incomplete | ") && incomplete.contains(label))
            << incomplete.toStdString();
      }
    }
  }
}

TEST_F(ConfigTransferTest, DownloadSkipsReadOnlyAndUnsetParametersAndReportsFailedWrites) {
  startConnected();
  upload();
  // Declining leaves the drive alone and still clears the reset flags.
  basMain::ResetNeeded101 = true;
  download({Answer(prompt::No)});
  EXPECT_FALSE(basMain::ResetNeeded101);
  EXPECT_TRUE(backups().isEmpty());

  basFunctions::Catalog[103].ReadOnly = true;
  field(103)->setText("11");
  setDriveValue(1, 3, 2);
  field(5)->setText("99");  // "not set"
  setDriveValue(0, 5, 4);
  field(109)->setText("555");
  WorkingConfig.P(1, 4) = 5000;  // beyond the drive's range (a file can hold such a value)
  basMain::ResetNeeded133 = true;
  download({Answer(prompt::Yes), Answer(prompt::Ok), Answer(prompt::Ok)});
  basFunctions::Catalog[103].ReadOnly = false;

  EXPECT_EQ(driveValue(1, 3), 2) << "read-only: never written";
  EXPECT_EQ(driveValue(0, 5), 4) << "99: not written";
  EXPECT_EQ(driveValue(1, 9), 555);
  EXPECT_EQ(shown(),
            (QStringList{kConfirmDownload,
                         "Servo Reset Needed | Parameter 1.01 and/or P1.33 has been changed.\rYou "
                         "will need to reset the Servo for the changes to take effect.",
                         "Download Incomplete | 1 parameter(s) did not reach the drive:\rP1.04\r"
                         "Check the connection and download again."}));
  EXPECT_TRUE(statusListHas("Download Operation Complete"));
  EXPECT_TRUE(statusListHas("1 parameter(s) did not reach the drive: P1.04"));
  EXPECT_TRUE(eventLogHas("Download incomplete: 1 parameter(s) did not reach the drive: P1.04"));
  EXPECT_TRUE(errorLog().join("\n").contains(
      "frmMain, mnuDownload_Click, Program, 0, P1.04 was not written: 5000 (P1.04 takes 0 to 100)"))
      << "never sent: the drive would have been asked to take a value it cannot hold";
  EXPECT_FALSE(basMain::ResetNeeded133);
  ASSERT_EQ(backups().size(), 1);
  EXPECT_NE(backupValues(backups()[0]).P(1, 9), 555) << "the backup was taken before the writes";
}

TEST_F(ConfigTransferTest, ADriveThatFallsSilentEndsTheDownloadWithEveryUnwrittenParameterNamed) {
  startConnected();
  upload();
  EXPECT_EQ(drive.command("noreply always").left(2), "OK");
  QElapsedTimer elapsed;
  elapsed.start();
  download({Answer(prompt::Yes), Answer(prompt::Yes), Answer(prompt::Ok)});
  EXPECT_LT(elapsed.elapsed(), 60000) << "a lost drive ends the writes";
  ASSERT_EQ(shown().size(), 3) << shown().join("\n").toStdString();
  EXPECT_EQ(shown()[1],
            "Backup Failed | The settings now in the drive could not be saved as a backup "
            "(reading group 0: result -1).\rDo you want to download without a backup?");
  EXPECT_TRUE(
      shown()[2].startsWith("Download Incomplete | 137 parameter(s) did not reach the "
                            "drive:\rP0.02, P0.03, "))
      << shown()[2].toStdString();
  EXPECT_TRUE(shown()[2].contains(", P1.12 and 117 more (see the status list)\r"));
  // The status list names all of them: every parameter the download had to write.
  QList<int> planned;
  for (const auto& step : transfer_plan::DownloadPlan(
           basFunctions::Catalog, basFunctions::GroupLimit,
           transfer_plan::DisplayValues(WorkingConfig, basFunctions::Catalog)))
    if (step.step == transfer_plan::Step::Write) planned << step.index;
  EXPECT_TRUE(
      statusListHas("137 parameter(s) did not reach the drive: " + transfer_plan::Labels(planned)));
  EXPECT_EQ(basComm::DriveConnected, 0);
  EXPECT_TRUE(backups().isEmpty());
}

TEST_F(ConfigTransferTest, ExpressWritesDialogAfterAnOpenWhileConnected) {
  startConnected();
  upload();
  const QString path = configPath("x.vmc");
  prompt::ScriptReplies({apptest::Text(path)});
  main->RunCommand("mnuSaveAs");
  basMain::ExpressWritesOption = true;

  // Normal Mode: express writes stay off for the rest of the run.
  clickInXModeWhenShown("cmdCancel");
  prompt::ScriptReplies({apptest::Text(path)});
  main->RunCommand("mnuOpenDetailed");
  EXPECT_EQ(frmXMode::instance(), nullptr);
  EXPECT_FALSE(basMain::ExpressActive);
  EXPECT_FALSE(basMain::ExpressWritesOption);
  EXPECT_TRUE(statusListHas("Express Write Functionality is Not Enabled."));

  // Download To Servo: memory and drive agree, so express writes start.
  basMain::ExpressWritesOption = true;
  field(110)->setText("321");
  clickInXModeWhenShown("cmdDownload");
  prompt::ScriptReplies({Answer(prompt::No), apptest::Text(path), Answer(prompt::Yes)});
  main->RunCommand("mnuOpenDetailed");
  EXPECT_TRUE(basMain::ExpressActive) << shown().join("\n").toStdString();
  EXPECT_TRUE(statusListHas("Express Write Functionality is Enabled."));

  // A connect while a configuration file is loaded asks as well.
  main->RunCommand("mnuDisconnect");
  EXPECT_FALSE(basMain::ExpressActive);
  clickInXModeWhenShown("cmdCancel");
  connectDrive();
  EXPECT_FALSE(basMain::ExpressWritesOption) << "Normal Mode was chosen after the connect";
}

}  // namespace
}  // namespace configtest
