// Configuration files end to end, offscreen without a drive: open, save, save as and reopen
// byte for byte, the refusals that keep the configuration, a save that fails, and new
// configurations for every amplifier and revision.
#include <sys/resource.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <csignal>

#include "boundary_values.h"
#include "config/bas_ruf.h"
#include "config/frm_new_config.h"
#include "config_fixture.h"
#include "core/app_state.h"
#include "editor/frm_tab_config.h"
#include "params/drive_identity.h"
#include "params/value_table.h"
#include "shell/frm_main.h"

namespace configtest {
namespace {

using apptest::Answer;
using apptest::Text;
using basFunctions::WorkingConfig;

QStringList linesOf(const QByteArray& bytes) {
  return QString::fromLatin1(bytes).split(QStringLiteral("\r\n"));
}

class ConfigFilesTest : public ConfigProgramTest {
 protected:
  // Opens a file through the File menu's Open dialog; a file that lists only some
  // parameters is opened all the same when the program says so.
  void open(const QString& path) {
    prompt::ScriptReplies({Text(path), Answer(prompt::Ok)});
    main->RunCommand("mnuOpenDetailed");
  }
  QString pumpFile() {
    const QString path = configPath("pump.vmc");
    writeFile(path, configFile("#212001", {"101,2", "15,7", "137,125", "405,3000"}));
    return path;
  }
};

TEST_F(ConfigFilesTest, OpenShowsTheFileAndSavesWriteItBackByteForByte) {
  startProgram();
  const QString path = pumpFile();
  open(path);
  ASSERT_EQ(shown().size(), 2);
  EXPECT_EQ(shown()[0], "Open | " + folder.path() + "/Configs");
  EXPECT_EQ(shown()[1], "Parameters Missing | " + path +
                            " does not list 145 parameter(s) of its drive's parameter set:\rP0.00, "
                            "P0.01, P0.02, P0.03, P0.04, P0.05, P0.06, P0.07, P0.08, P1.00, P1.02, "
                            "P1.03, P1.04, P1.06, P1.07, P1.08, P1.09, P1.10, P1.11, P1.12 and 125 "
                            "more\rThey will take their default values (marked in the editor).\r"
                            "Do you want to open the file?");
  EXPECT_TRUE(frmTabConfig::instance()->IsDefaulted(104));
  EXPECT_FALSE(frmTabConfig::instance()->IsDefaulted(101));
  EXPECT_EQ(fieldText(101), "2");
  EXPECT_EQ(fieldText(105), "7") << "the one-digit form 15,7 is P1.05";
  EXPECT_EQ(fieldText(137), "12.5") << "raw 125 at resolution 10";
  EXPECT_EQ(fieldText(405), "3000") << "3000 is the highest jog speed a file may hold";
  EXPECT_EQ(fieldText(104), "100") << "a parameter the file leaves out keeps its default";
  EXPECT_EQ(WorkingConfig.P(1, 37), 125);
  EXPECT_EQ(caption(), " Velumo PRO - Current Config File: " + path);
  EXPECT_TRUE(statusListHas("Successfully Opened " + path));
  EXPECT_TRUE(eventLogHas("Successfully opened " + path));
  EXPECT_EQ(basMain::EditorTag, "1");
  EXPECT_FALSE(basMain::ConfigDirty);
  EXPECT_EQ(basFunctions::GroupLimit, (std::array<int16_t, 5>{8, 55, 63, 7, 23}));

  // Save As: the file the program writes, exactly.
  const QString copy = configPath("copy.vmc");
  prompt::ScriptReplies({Text(copy)});
  main->RunCommand("mnuSaveAs");
  EXPECT_EQ(caption(), "VelumoPRO - Current Config File: copy.vmc");
  EXPECT_TRUE(statusListHas("File Save Operation Complete"));
  EXPECT_TRUE(eventLogHas("Save configuration operation completed"));
  const QByteArray written = readFile(copy);
  ASSERT_TRUE(written.endsWith("\r\n"));
  const QStringList lines = linesOf(written.chopped(2));
  ASSERT_EQ(lines.size(), 6 + 161);
  EXPECT_EQ(written.count('\n'), written.count("\r\n")) << "every line ends with CR LF";
  EXPECT_EQ(lines[0], "#212001");
  EXPECT_EQ(lines[1], "#" + copy);
  EXPECT_EQ(lines.mid(6 + 9, 6),
            (QStringList{"100,2", "101,2", "102,0", "103,0", "104,100", "105,7"}));
  EXPECT_EQ(lines[6 + 9 + 37], "137,125");

  // Reopened from the recent-files list and saved again: the same bytes but for the date.
  EXPECT_EQ(basRUF::MenuCaption(1), copy);
  EXPECT_EQ(basRUF::MenuCaption(2), path);
  basRUF::mnuRUF(1)->trigger();
  EXPECT_EQ(basMain::CurrentConfigPath, copy);
  main->RunCommand("mnuSave");
  QStringList again = linesOf(readFile(copy));
  QStringList before = linesOf(written);
  again.removeAt(2);
  before.removeAt(2);
  EXPECT_EQ(again, before);
}

TEST_F(ConfigFilesTest, RefusedFilesLeaveTheConfigurationAsItWas) {
  startProgram();
  const QString path = pumpFile();
  open(path);
  ASSERT_EQ(fieldText(101), "2");
  const basFunctions::ValueTable loaded = WorkingConfig;
  auto unchanged = [&] {
    EXPECT_EQ(basMain::CurrentConfigPath, path);
    EXPECT_EQ(basFunctions::ConfigIdentity.motorCode, "21");
    EXPECT_EQ(basFunctions::ConfigIdentity.revision, "200");
    EXPECT_EQ(fieldText(101), "2");
    for (int g = 0; g <= 4; ++g)
      for (int n = 0; n < 100; ++n) ASSERT_EQ(WorkingConfig.P(g, n), loaded.P(g, n)) << g << n;
  };

  const QString missing = configPath("gone.vmc");
  prompt::ClearShownPrompts();
  open(missing);
  EXPECT_EQ(shown().value(1),
            "File missing | Error loading file.\rCould not find " + missing + ".");
  unchanged();

  const QString foreign = configPath("foreign.vmc");
  writeFile(foreign, configFile("#992001", {"101,5"}));
  prompt::ClearShownPrompts();
  open(foreign);
  EXPECT_EQ(shown().value(1),
            "Non-Supported Drive Model | The file you are opening is configured for a drive model "
            "that is not curently supported.");
  EXPECT_TRUE(statusListHas("File contains information for unsupported drive"));
  EXPECT_TRUE(eventLogHas("Attemped to open a file with data for unsupported drive"));
  unchanged();

  const QString damaged = configPath("damaged.vmc");
  writeFile(damaged, configFile("#212001", {"101,5", "701,3", "102,1"}));
  prompt::ClearShownPrompts();
  open(damaged);
  EXPECT_EQ(shown().value(1),
            "File Not Opened | The file could not be opened: line 5 cannot be used (the "
            "parameter group is not 0 to 6).\r701,3\rThe configuration in memory has not been "
            "changed.");
  EXPECT_TRUE(statusListHas("File Open Operation Stopped"));
  EXPECT_TRUE(errorLog().join("\n").contains("basFunctions, OpenFile(), Program, 0, Refused " +
                                             damaged + ": line 5 (701,3)"));
  unchanged();

  // A complete file as the program writes it, then cut short, with a typo, without group 2.
  const QString whole = configPath("whole.vmc");
  prompt::ScriptReplies({Text(whole)});
  main->RunCommand("mnuSaveAs");
  const QByteArray bytes = readFile(whole);
  ASSERT_GT(bytes.size(), 700);
  struct Broken {
    const char* name;
    QByteArray bytes;
    QString refusal;  // the message's first line, after "The file could not be opened: "
  };
  QByteArray typo = bytes;
  typo.replace("\r\n109,100\r\n", "\r\n109,abc\r\n");
  const int cutLine = static_cast<int>(bytes.left(700).count('\n')) + 1;
  for (const Broken& broken :
       {Broken{"cut.vmc", bytes.left(700),
               "line " + QString::number(cutLine) +
                   " cannot be used (the file is cut short: its last line has no line end)."},
        Broken{"typo.vmc", typo, "line 25 cannot be used (the value is not a number)."}}) {
    SCOPED_TRACE(broken.name);
    writeFile(configPath(broken.name), broken.bytes);
    prompt::ClearShownPrompts();
    open(configPath(broken.name));
    ASSERT_EQ(shown().size(), 2) << shown().join("\n").toStdString();
    EXPECT_TRUE(
        shown()[1].startsWith("File Not Opened | The file could not be opened: " + broken.refusal))
        << shown()[1].toStdString();
    ASSERT_EQ(basMain::CurrentConfigPath, whole);
    for (int g = 0; g <= 4; ++g)
      for (int n = 0; n < 100; ++n) ASSERT_EQ(WorkingConfig.P(g, n), loaded.P(g, n)) << g << n;
  }
  QByteArray noGroup2;
  for (const QByteArray& line : bytes.split('\n'))
    if (!line.startsWith('2') && !line.isEmpty()) noGroup2 += line + '\n';
  writeFile(configPath("no group 2.vmc"), noGroup2);
  prompt::ClearShownPrompts();
  prompt::ScriptReplies({Text(configPath("no group 2.vmc")), Answer(prompt::Cancel)});
  main->RunCommand("mnuOpenDetailed");
  ASSERT_EQ(shown().size(), 2);
  EXPECT_TRUE(shown()[1].startsWith("Parameters Missing | " + configPath("no group 2.vmc") +
                                    " does not list 64 parameter(s) of its drive's parameter "
                                    "set:\rP2.00, P2.01, "))
      << shown()[1].toStdString();
  EXPECT_EQ(basMain::CurrentConfigPath, whole) << "declined: the configuration stays";

  // A jog speed above 3000 is a jog command, never taken from a file.
  const QString jog = configPath("jog.vmc");
  writeFile(jog, configFile("#212001", {"405,3001"}));
  open(jog);
  EXPECT_EQ(fieldText(405), "20");
  EXPECT_TRUE(statusListHas("Value For P4.05 Is Too High. Value Set To Parameter Default."));
  EXPECT_TRUE(
      eventLogHas("Value for P4.05 Too High While Opening Existing Config. Value Set To "
                  "Parameter Default."));
}

TEST_F(ConfigFilesTest, BoundaryValuesOpenAsTheyStandOrNotAtAll) {
  startProgram();
  QString opened;
  for (const boundary::Value& value : boundary::kValues) {
    SCOPED_TRACE(value.text);
    for (const auto& [key, expected] :
         {std::pair{"308", value.unsignedFiled}, std::pair{"144", value.signedParam}}) {
      SCOPED_TRACE(key);
      const QString path = configPath(QStringLiteral("%1 %2.vmc").arg(key, value.text));
      writeFile(path, configFile("#212101", {QByteArray(key) + "," + value.text}));
      prompt::ClearShownPrompts();
      open(path);
      const int k = QString(key).toInt();
      if (expected) {
        EXPECT_EQ(basMain::CurrentConfigPath, path) << shown().join("\n").toStdString();
        EXPECT_EQ(WorkingConfig.byIndex(k), *expected);
        EXPECT_EQ(fieldText(k), QString::number(*expected));
        opened = path;
      } else {
        EXPECT_TRUE(shown().value(1).startsWith(
            "File Not Opened | The file could not be opened: line 4 cannot be used ("))
            << shown().join("\n").toStdString();
        EXPECT_EQ(basMain::CurrentConfigPath, opened);
      }
    }
  }
}

TEST_F(ConfigFilesTest, SaveAsAddsTheExtensionAndAsksBeforeReplacingAFile) {
  startProgram();
  open(pumpFile());
  const QString pump2 = configPath("pump2");
  prompt::ScriptReplies({Text(pump2)});
  main->RunCommand("mnuSaveAs");
  EXPECT_TRUE(QFileInfo::exists(pump2 + ".vmc"));
  EXPECT_FALSE(QFileInfo::exists(pump2));
  EXPECT_EQ(basMain::CurrentConfigPath, pump2 + ".vmc");
  EXPECT_EQ(caption(), "VelumoPRO - Current Config File: pump2.vmc");
  EXPECT_TRUE(readFile(pump2 + ".vmc").contains("\r\n#" + pump2.toUtf8() + ".vmc\r\n"));

  const QByteArray first = readFile(pump2 + ".vmc");
  field(109)->setText("555");
  const QString replace = "Confirm Save As | " + pump2 +
                          ".vmc already exists.\rDo you want to "
                          "replace it?";
  prompt::ClearShownPrompts();
  prompt::ScriptReplies({Text(pump2), Answer(prompt::No)});
  main->RunCommand("mnuSaveAs");
  EXPECT_EQ(shown().value(1), replace);
  EXPECT_EQ(readFile(pump2 + ".vmc"), first);
  EXPECT_TRUE(basMain::ConfigDirty) << "not saved";
  prompt::ScriptReplies({Text(pump2), Answer(prompt::Yes)});
  main->RunCommand("mnuSaveAs");
  EXPECT_TRUE(readFile(pump2 + ".vmc").contains("\r\n109,555\r\n"));
  EXPECT_FALSE(basMain::ConfigDirty);
}

TEST_F(ConfigFilesTest, SaveDownloadAndCompareFirstCheckTextThatWasNeverConfirmed) {
  startProgram();
  const QString path = pumpFile();
  open(path);
  const QByteArray before = readFile(path);
  const QString refusal =
      "Value Out Of Range | The value entered for P1.11 is not a number!\rThe parameter will be "
      "set to the previous value.";
  for (const char* command : {"mnuSave", "mnuDownload", "mnuCompare"}) {
    SCOPED_TRACE(command);
    field(111)->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    field(111)->setText("abc");  // typed, still in the field: the toolbar takes no focus
    prompt::ClearShownPrompts();
    prompt::ScriptReplies({});
    main->RunCommand(command);
    EXPECT_EQ(shown(), QStringList{refusal});
    EXPECT_EQ(fieldText(111), "300");
    EXPECT_EQ(WorkingConfig.P(1, 11), 300);
  }
  EXPECT_EQ(readFile(path), before) << "nothing saved";
  EXPECT_FALSE(statusListHas("Comparing Configuration With Defaults"));
}

TEST_F(ConfigFilesTest, ASaveThatFailsKeepsTheOldFileAndSaysSo) {
  startProgram();
  const QString path = pumpFile();
  open(path);
  field(101)->setText("3");
  ASSERT_TRUE(basMain::ConfigDirty);
  const QByteArray old = readFile(path);
  folder.writeLog("Event.Log", {});
  folder.writeLog("Error.Log", {});
  // A disk with room for the logs but not for a configuration.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit original{};
  getrlimit(RLIMIT_FSIZE, &original);
  rlimit full = original;
  full.rlim_cur = 1200;
  setrlimit(RLIMIT_FSIZE, &full);
  prompt::ScriptReplies({});
  prompt::ClearShownPrompts();
  main->RunCommand("mnuSave");
  setrlimit(RLIMIT_FSIZE, &original);

  EXPECT_EQ(shown(), QStringList{"File Save Error | An error occured during the save operation. "
                                 "Please check the error log."});
  EXPECT_EQ(readFile(path), old);
  EXPECT_EQ(QDir(folder.path() + "/Configs").entryList(QDir::Files).size(), 1)
      << "no temporary file is left behind";
  EXPECT_TRUE(basMain::ConfigDirty) << "the changes are still unsaved";
  EXPECT_TRUE(errorLog().join("\n").contains("basFunctions, SaveFile(), Program, 75,"));
  EXPECT_FALSE(statusListHas("File Save Operation Complete"));
}

TEST_F(ConfigFilesTest, NewConfigurationForEveryAmplifierAndRevision) {
  startProgram();
  const std::array<int16_t, 5> limits200{8, 55, 63, 7, 23}, limits210{8, 56, 65, 8, 23};
  for (int amp = 0; amp < 3; ++amp) {
    for (int rev = 0; rev < 2; ++rev) {
      SCOPED_TRACE(amp * 10 + rev);
      const bool last = amp == 2 && rev == 1;
      const QString target = configPath("new.vmc");
      prompt::ScriptReplies(last ? QList<prompt::Reply>{Answer(prompt::Yes), Text(target)}
                                 : QList<prompt::Reply>{Answer(prompt::No)});
      prompt::ClearShownPrompts();
      // A file that was open before: a declined save must not leave its path for Save to use.
      basMain::CurrentConfigPath = configPath("open before.vmc");
      main->RunCommand("mnuNewDetailed");
      frmNewConfig* dialog = frmNewConfig::instance();
      ASSERT_NE(dialog, nullptr);
      EXPECT_EQ(dialog->windowTitle(), " New Configuration Dialog ");
      dialog->cmbAmp()->setCurrentIndex(amp);
      dialog->cmbAmp_Click();
      ASSERT_EQ(dialog->cmbRev()->count(), 2);
      dialog->cmbRev()->setCurrentIndex(rev);
      dialog->cmbRev_Click();
      const int motor = dialog->cmbMotor()->count() - 1;
      dialog->cmbMotor()->setCurrentIndex(motor);
      const QString code = dialog->cmbMotor()->currentText().left(2);
      dialog->cmdOpen_Click();

      EXPECT_EQ(WorkingConfig.P(1, 31), code.toInt());
      EXPECT_EQ(fieldText(131), code);
      EXPECT_EQ(basFunctions::GroupLimit, rev ? limits210 : limits200);
      EXPECT_EQ(WorkingConfig.P(0, 0), rev ? 2101 : 2001) << "every parameter at its default";
      EXPECT_EQ(fieldText(104), "100");
      EXPECT_EQ(shown().value(0),
                "Save Configuration | Would you like to save your new configuration?");
      EXPECT_TRUE(statusListHas("New Configuration Complete"));
      EXPECT_EQ(basMain::EditorTag, "1");
      if (!last) {
        EXPECT_TRUE(eventLogHas("Created new config without saving"));
        EXPECT_EQ(basMain::CurrentConfigPath, "");
        EXPECT_EQ(basMain::CurrentConfigTitle, " ");
      } else {
        EXPECT_TRUE(eventLogHas("Cerated new config and saved"));
        EXPECT_EQ(basMain::CurrentConfigPath, target);
        EXPECT_TRUE(readFile(target).startsWith("#" + code.toLatin1() + "2101\r\n"));
      }
    }
  }
}

}  // namespace
}  // namespace configtest
