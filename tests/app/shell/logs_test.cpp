// The event and error logs: line format, the error box, and trimming at close.
#include "core/logs.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "app_harness.h"
#include "core/prompt.h"

namespace {

QStringList numberedLines(int count) {
  QStringList lines;
  for (int i = 1; i <= count; ++i) lines << QStringLiteral("line %1").arg(i);
  return lines;
}

class LogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    prompt::ScriptReplies({});
    prompt::ClearShownPrompts();
  }
  apptest::ProgramFolder folder;
};

TEST_F(LogsTest, LinesAreAppendedWithDateTimeAndCrLf) {
  basFunctions::EventLog("Connection to drive closed");
  basFunctions::ErrorLog("Lost communication to drive", "Communication", 0, "0");
  basFunctions::ErrorLog("basMain, ConnectDB()", "Program", -2147467259, "Could not find file");

  QFile event(folder.dataFile("Event.Log"));
  ASSERT_TRUE(event.open(QIODevice::ReadOnly));
  const QByteArray bytes = event.readAll();
  EXPECT_TRUE(bytes.endsWith(" - Connection to drive closed\r\n")) << bytes.constData();
  EXPECT_TRUE(bytes.startsWith(basFunctions::GeneralDateTime().left(6).toUtf8()));
  EXPECT_EQ(basFunctions::LogFilePath, folder.dataFile("Error.Log"));

  const QStringList errors = folder.logLines("Error.Log");
  ASSERT_EQ(errors.size(), 2);
  EXPECT_TRUE(errors[0].endsWith(" - Lost communication to drive, Communication, 0, 0"));
  // Numbers beyond 16 bits (database and component errors) are logged whole.
  EXPECT_TRUE(errors[1].endsWith(", Program, -2147467259, Could not find file"));
  EXPECT_TRUE(prompt::ShownPrompts().isEmpty());
}

TEST_F(LogsTest, ErrHandlerShowsTheGeneratingErrorBoxOnlyWhenAskedAndAlwaysLogs) {
  basFunctions::ErrHandler(9, "Subscript out of range", "frmMain, Mod1_OnPoll", false);
  EXPECT_TRUE(prompt::ShownPrompts().isEmpty());

  basFunctions::ErrHandler(13, "Type mismatch", "basComm, WriteData()", true);
  ASSERT_EQ(prompt::ShownPrompts().size(), 1);
  const prompt::Shown& box = prompt::ShownPrompts().front();
  EXPECT_EQ(box.title, "Generating Error");
  EXPECT_EQ(box.icon, prompt::Icon::Information);
  EXPECT_EQ(box.text,
            "An error has occurred and is being logged.\rError Number: 13\r"
            "Description: Type mismatch\rLocation: basComm, WriteData()");

  const QStringList errors = folder.logLines("Error.Log");
  ASSERT_EQ(errors.size(), 2);
  EXPECT_TRUE(errors[0].endsWith(" - frmMain, Mod1_OnPoll, Program, 9, Subscript out of range"));
  EXPECT_TRUE(errors[1].endsWith(" - basComm, WriteData(), Program, 13, Type mismatch"));
}

TEST_F(LogsTest, GuardedReportsTheTrappedErrorWithItsLocation) {
  basFunctions::guarded("frmMain, tmrMain", [] {
    throw basFunctions::ProgramError(91, "Object variable or With block variable not set");
  });
  basFunctions::guarded("frmMain, tmrMain2Sec", [] { throw std::out_of_range("index 100"); });
  const QStringList errors = folder.logLines("Error.Log");
  ASSERT_EQ(errors.size(), 2);
  EXPECT_TRUE(errors[0].contains(" - frmMain, tmrMain, Program, 91, Object variable"));
  EXPECT_TRUE(errors[1].contains(" - frmMain, tmrMain2Sec, Program, 9, index 100"));
}

TEST_F(LogsTest, AMissingDataFolderShowsTheWritersOwnBox) {
  QDir(folder.path() + "/Data").removeRecursively();
  basFunctions::EventLog("anything");
  ASSERT_EQ(prompt::ShownPrompts().size(), 1);
  const prompt::Shown& box = prompt::ShownPrompts().front();
  EXPECT_EQ(box.title, "Error Generated");
  EXPECT_EQ(box.icon, prompt::Icon::Critical);
  EXPECT_TRUE(box.text.startsWith("An error has occurred in sub EventLog()\rError Number: 75\r"));
  EXPECT_TRUE(box.text.endsWith("\rPlease contact your software vendor."));
}

TEST_F(LogsTest, TrimmingAtCloseKeepsTheNewest999LinesFrom1500On) {
  folder.writeLog("Event.Log", numberedLines(1499));
  folder.writeLog("Error.Log", numberedLines(1500));
  basFunctions::LogFileMaint();

  EXPECT_EQ(folder.logLines("Event.Log"), numberedLines(1499));
  const QStringList trimmed = folder.logLines("Error.Log");
  ASSERT_EQ(trimmed.size(), 999);
  EXPECT_EQ(trimmed.front(), "line 502");
  EXPECT_EQ(trimmed.back(), "line 1500");
  EXPECT_FALSE(QFile::exists(folder.dataFile("Error1.log")));
  EXPECT_FALSE(QFile::exists(folder.dataFile("Event1.log")));

  folder.writeLog("Event.Log", numberedLines(4000));
  basFunctions::LogFileMaint();
  const QStringList events = folder.logLines("Event.Log");
  ASSERT_EQ(events.size(), 999);
  EXPECT_EQ(events.front(), "line 3002");
  EXPECT_EQ(events.back(), "line 4000");
}

TEST_F(LogsTest, ACopyLeftFromAnEarlierRunReplacesTheLog) {
  folder.writeLog("Error.Log", numberedLines(3));
  folder.writeLog("Error1.log", {"kept from before"});
  basFunctions::LogFileMaint();
  EXPECT_EQ(folder.logLines("Error.Log"), QStringList{"kept from before"});
  EXPECT_FALSE(QFile::exists(folder.dataFile("Error1.log")));
}

TEST_F(LogsTest, AnEmptyLogStopsTheTrimmingAndIsReported) {
  folder.writeLog("Event.Log", {});
  folder.writeLog("Error.Log", numberedLines(1600));
  basFunctions::LogFileMaint();
  const QStringList errors = folder.logLines("Error.Log");
  ASSERT_EQ(errors.size(), 1601);  // untouched, plus the report of the failed step
  EXPECT_TRUE(errors.last().contains(" - basFunctions, LogFileMaint(), Program, 62, "));
}

TEST_F(LogsTest, FileCheckTellsWhetherAFileExists) {
  folder.writeLog("Event.Log", {"x"});
  EXPECT_TRUE(basFunctions::fileCheck(folder.dataFile("Event.Log")));
  EXPECT_FALSE(basFunctions::fileCheck(folder.dataFile("Nothing.Log")));
  EXPECT_FALSE(basFunctions::fileCheck(folder.path() + "/Data"));
}

}  // namespace
