// The About window, the diagnostics report and the system-information button.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include "app_harness.h"
#include "core/app_state.h"
#include "shell/diagnostics_report.h"
#include "shell/frm_about.h"
#include "shell/frm_main.h"

using apptest::Answer;

namespace {

class AboutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    main = program.start();
    ASSERT_NE(main, nullptr);
    main->tmrMain_Timer();
    main->tmrMain2Sec_Timer();
    prompt::ClearShownPrompts();
  }
  QStringList reports() const {
    return QDir(folder.path() + "/Data").entryList({"Diags_*.Log"}, QDir::Files);
  }
  apptest::ProgramFolder folder;
  apptest::Program program;
  frmMain* main = nullptr;
};

TEST_F(AboutTest, AboutIsModalAndListsTheDatabaseModelsAndVersion) {
  QString shown;
  QTimer::singleShot(0, [&] {
    if (auto* about = qobject_cast<frmAbout*>(QApplication::activeModalWidget())) {
      shown = about->windowTitle();
      about->cmdOK_Click();
    }
  });
  main->RunCommand("mnuAbout");
  EXPECT_EQ(shown, " About Velumo PRO");

  frmAbout about(main);
  EXPECT_TRUE(QRegularExpression("^Version \\d+\\.\\d+\\.\\d+$")
                  .match(about.lblVersion()->text())
                  .hasMatch())
      << about.lblVersion()->text().toStdString();
  EXPECT_EQ(about.lblPlatform()->text(), "Debian 12, Ubuntu 24.04");
  EXPECT_EQ(about.lblDBVER()->text(), "dB Version: 1.02, 2007-06-04.");
  ASSERT_EQ(about.lstDrives()->count(), 6);
  EXPECT_EQ(about.lstDrives()->item(0)->text(), "Model KDA-20-400 rev. 2.00 - 2006-05-15");
  EXPECT_EQ(about.lstDrives()->item(5)->text(), "Model KDA-23-3K rev. 2.10 - 2007-02-20");
}

TEST_F(AboutTest, DiagnosticsReportIsNamedForItsTimeAndHoldsEverySection) {
  EXPECT_EQ(
      diagnostics::ReportFileName("/opt/velumo", QDateTime(QDate(2026, 12, 6), QTime(7, 10, 5))),
      "/opt/velumo/Data/Diags_120626071005.Log");
  EXPECT_EQ(diagnostics::PlatformLines(
                {"linux", "Debian GNU/Linux 12 (bookworm)", "12", "6.1.0-18-amd64"}),
            QStringList({"OS Platform & Version: Debian GNU/Linux 12 (bookworm), version 12",
                         "OS Build: 6.1.0-18-amd64"}));
  EXPECT_EQ(diagnostics::PlatformLines({"freebsd", "FreeBSD 14.0", "14.0", "14.0-RELEASE"})[0],
            "OS Platform & Version: Unidentified 14.0");

  frmAbout about(main);
  // Cancel writes nothing.
  prompt::ScriptReplies({Answer(prompt::Cancel)});
  about.cmdDiagnostics_Click();
  EXPECT_TRUE(reports().isEmpty());

  folder.writeLog("Error.Log", {"first error", "second error"});
  QFile::remove(folder.dataFile("Event.Log"));
  prompt::ClearShownPrompts();
  prompt::ScriptReplies({Answer(prompt::Ok)});
  const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
  about.cmdDiagnostics_Click();
  ASSERT_EQ(reports().size(), 1);
  const QString name = reports().first();
  const QDateTime stamp = QDateTime::fromString(name.mid(6, 12), "MMddyyHHmmss").addYears(100);
  EXPECT_GE(stamp, before.addSecs(-1));
  EXPECT_LE(stamp, QDateTime::currentDateTime());
  ASSERT_EQ(prompt::ShownPrompts().size(), 2) << apptest::ShownSummary().join("\n").toStdString();
  EXPECT_EQ(prompt::ShownPrompts()[0].title, "Generating Diagnostic Data");
  EXPECT_EQ(prompt::ShownPrompts()[0].text,
            "The following diagnostic file will be created:\r" + folder.dataFile(name) + "\r");
  EXPECT_EQ(prompt::ShownPrompts()[1].text,
            "Diagnostic Information Has Been Successfully Generated");

  QFile file(folder.dataFile(name));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString content = QString::fromUtf8(file.readAll());
  ASSERT_TRUE(content.endsWith("\r\n \r\nEnd of diagnostic file\r\n"));
  QStringList lines = content.split("\r\n");
  lines.removeLast();
  EXPECT_TRUE(lines[0].startsWith("Diagnostic file created "));
  EXPECT_EQ(lines[1], " ");
  EXPECT_TRUE(lines[2].startsWith("OS Platform & Version: "));
  EXPECT_TRUE(lines[3].startsWith("OS Build: "));
  const QStringList application = {" ",
                                   "Application info follows --------------------------",
                                   "Application Path = " + folder.path(),
                                   about.lblVersion()->text(),
                                   "dB Version: 1.02, 2007-06-04.",
                                   "Help File = " + folder.path() + "/Velumo_Help.qhc",
                                   " ",
                                   "Connected Drive info follows ----------------------",
                                   "Drive Status - Offline",
                                   "Connection: Off-Line",
                                   "Model: ",
                                   "Rev: ",
                                   " ",
                                   "Config in pc memory follows------------------------",
                                   "Current config file = ",
                                   "Current status of Dirty Data: False",
                                   "Not connected ",
                                   " ",
                                   "Param - Value",
                                   "-------------"};
  EXPECT_EQ(lines.mid(4, application.size()), application);
  // Editor fields in ascending order, then the logs.
  const int errorHeading = lines.indexOf("Error Log Follows ----------------------------------");
  ASSERT_GT(errorHeading, 0);
  int previous = -1;
  for (int i = 4 + application.size(); i < errorHeading - 1; ++i) {
    ASSERT_TRUE(QRegularExpression("^\\d{3} - ").match(lines[i]).hasMatch()) << i;
    EXPECT_GT(lines[i].left(3).toInt(), previous);
    previous = lines[i].left(3).toInt();
  }
  EXPECT_EQ(
      lines.mid(errorHeading - 1),
      QStringList({" ", "Error Log Follows ----------------------------------", " ", "first error",
                   "second error", " ", "Event Log Follows ----------------------------------", " ",
                   "Could not find event log.", " ", "End of diagnostic file"}));

  // An event log that cannot be read (a root-owned one, modes 0600, read by this user; root
  // reads anything, so for root a folder stands where the log should be): the report is still
  // written, says which part is missing and why, and the message does not pass it for whole.
  const QString eventLog = folder.dataFile("Event.Log");
  folder.writeLog("Event.Log", {"an event"});
  QFile::setPermissions(eventLog, QFileDevice::Permissions());
  if (QFile(eventLog).open(QIODevice::ReadOnly)) {
    QFile::remove(eventLog);
    QDir().mkpath(eventLog);
  }
  file.close();
  QFile::remove(folder.dataFile(name));
  prompt::ClearShownPrompts();
  prompt::ScriptReplies({Answer(prompt::Ok)});
  about.cmdDiagnostics_Click();
  ASSERT_EQ(reports().size(), 1);
  QFile partial(folder.dataFile(reports().first()));
  ASSERT_TRUE(partial.open(QIODevice::ReadOnly));
  QStringList tail = QString::fromUtf8(partial.readAll()).split("\r\n");
  tail = tail.mid(tail.size() - 4);
  EXPECT_TRUE(tail[0].startsWith("Could not read event log " + eventLog + ": "))
      << tail.join("\n").toStdString();
  EXPECT_EQ(tail.mid(1), QStringList({" ", "End of diagnostic file", ""}));
  ASSERT_EQ(prompt::ShownPrompts().size(), 2);
  EXPECT_EQ(prompt::ShownPrompts()[1].text,
            "Diagnostic Information Has Been Successfully Generated\rThe event log could not be "
            "read; the report says why and holds everything else.");
}

TEST_F(AboutTest, SystemInformationStartsAnInstalledToolOrIsUnavailable) {
  const QByteArray path = qgetenv("PATH");
  QTemporaryDir bin;
  qputenv("PATH", bin.path().toUtf8());
  frmAbout about(main);
  prompt::ScriptReplies({});
  about.cmdSysInfo_Click();
  ASSERT_EQ(prompt::ShownPrompts().size(), 1);
  EXPECT_EQ(prompt::ShownPrompts()[0].text, "System Information Is Unavailable At This Time");

  // A known tool on PATH is started with its arguments.
  const QString marker = bin.path() + "/started";
  QFile tool(bin.path() + "/gnome-control-center");
  ASSERT_TRUE(tool.open(QIODevice::WriteOnly));
  tool.write(("#!/bin/sh\necho \"$@\" > " + marker + "\n").toUtf8());
  tool.close();
  tool.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  prompt::ClearShownPrompts();
  about.cmdSysInfo_Click();
  EXPECT_TRUE(prompt::ShownPrompts().isEmpty());
  EXPECT_TRUE(apptest::WaitFor([&] { return QFileInfo(marker).size() > 0; }));
  QFile started(marker);
  started.open(QIODevice::ReadOnly);
  EXPECT_EQ(started.readAll().trimmed(), "info-overview");
  qputenv("PATH", path);
}

}  // namespace
