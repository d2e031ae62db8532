// What a capture leaves on disk: the CSV byte for byte, the plot's data and property files,
// the names a save chooses, and the viewer that shows a capture again.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "app_harness.h"
#include "core/app_state.h"
#include "core/logs.h"
#include "scope/frm_scope_viewer.h"
#include "scope/scope_capture.h"
#include "scope/scope_log.h"
#include "scope/scope_plot.h"
#include "scope/scope_save.h"
#include "shell/frm_main.h"

namespace scopetest {
namespace {

using basScope::ScopeLogTable;

QByteArray readAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeLines(const QString& path, const QStringList& lines) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Append));
  for (const QString& line : lines) file.write((line + "\r\n").toUtf8());
}

class ScopeFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    basMain::CurrentConfigPath.clear();
    basMain::CurrentConfigTitle = " ";
    basScope::Pauses.viewerLoad = 0;
    prompt::ScriptReplies({});
    prompt::ClearShownPrompts();
    log.Reset(40, {"6", "Not Used", "15"});
    log.Put(8, 0, 123);
    log.Put(8, 2, -40);
    log.Put(16, 2, 7);
    EXPECT_FALSE(log.Put(41, 0, 1));  // past the table: not logged, no error
    plot.SetChannelTitle(0, "06 - Motor Speed (RPM)");
    plot.SetYRange(0, -5000, 10000);
    plot.SetYTitle(0, "06 - Motor Speed (RPM)");
    plot.SetChannelVisible(1, false);
    plot.SetChannelColour(2, QColor("#123456"));
    plot.SetXAxis(6, 4);
    plot.SetLabel(0, "Last Capture Done. Scope Stopped. Setup and Press Start to Capture.");
    plot.AppendPoints(0, {0.008, 0.016, 0.024}, {1, -2, 3});
    plot.AppendPoints(2, {0.008}, {-4.5});
  }
  void TearDown() override { basMain::CurrentConfigPath.clear(); }
  QString logs() const { return folder.path() + "/ScopeLogs"; }

  apptest::ProgramFolder folder;
  ScopeLogTable log;
  ScopePlot plot;
};

TEST_F(ScopeFilesTest, CsvLinesHoldTheRawSamplesWithEmptyFieldsAndCrLf) {
  const QString path = logs() + "/run.csv";
  basScope::WriteScopeCsv(log, path);
  const QList<QByteArray> lines = readAll(path).split('\n');
  ASSERT_EQ(lines.size(), 6);
  EXPECT_EQ(lines[0], path.toUtf8() + "\r");
  EXPECT_TRUE(lines[1].startsWith("Created ") && lines[1].endsWith("\r"));
  EXPECT_EQ(lines[2], "6,Not Used,15\r");
  EXPECT_EQ(lines[3], "8,123,,-40\r");
  EXPECT_EQ(lines[4], "16,,,7\r");
  EXPECT_EQ(lines[5], "");
}

TEST_F(ScopeFilesTest, SaveUnderTheConfigurationMovesAnEarlierCaptureAside) {
  basMain::CurrentConfigPath = folder.path() + "/Configs/press1.vcf";
  basMain::CurrentConfigTitle = folder.path() + "/Configs/press1.vcf";
  basScope::SaveCapture(plot, log);
  for (const char* ext : {".scl", ".scp", ".csv"})
    EXPECT_TRUE(QFileInfo::exists(logs() + "/press1" + ext)) << ext;
  ASSERT_EQ(prompt::ShownPrompts().size(), 1);  // no dialog, only the message
  EXPECT_EQ(prompt::ShownPrompts()[0].title, "File Saved");
  EXPECT_EQ(prompt::ShownPrompts()[0].text, logs() + "/press1.csv has been saved.");

  const QByteArray first = readAll(logs() + "/press1.csv");
  log.Put(24, 0, 99);
  basScope::SaveCapture(plot, log);
  const QStringList files = QDir(logs()).entryList(QDir::Files, QDir::Name);
  ASSERT_EQ(files.size(), 6) << files.join(", ").toStdString();
  const QStringList older = files.filter(
      QRegularExpression("^press1 \\d{4}-\\d\\d-\\d\\d \\d\\d-\\d\\d-\\d\\d\\.(csv|scl|scp)$"));
  EXPECT_EQ(older.size(), 3) << files.join(", ").toStdString();
  EXPECT_EQ(readAll(logs() + "/" + older.filter(".csv").value(0)), first);
  EXPECT_TRUE(readAll(logs() + "/press1.csv").contains("24,99,,"));
}

TEST_F(ScopeFilesTest, SaveWithoutConfigurationAsksAndACancelWritesNothing) {
  prompt::ScriptReplies({apptest::Text(QString())});
  basFunctions::guarded("frmScope, cmdSaveLog_Click", [&] { basScope::SaveCapture(plot, log); });
  EXPECT_TRUE(QDir(logs()).entryList(QDir::Files).isEmpty());
  ASSERT_EQ(prompt::ShownPrompts().size(), 1);
  EXPECT_EQ(prompt::ShownPrompts()[0].kind, "Save");
  EXPECT_EQ(folder.logLines("Error.Log").filter("frmScope, cmdSaveLog_Click").size(), 1);

  // A name typed without its extension keeps all its letters.
  prompt::ScriptReplies({apptest::Text(logs() + "/bench"), apptest::Answer(prompt::Ok)});
  basScope::SaveCapture(plot, log);
  EXPECT_TRUE(QFileInfo::exists(logs() + "/bench.scl"));
  EXPECT_TRUE(QFileInfo::exists(logs() + "/bench.csv"));
}

TEST_F(ScopeFilesTest, AFailedSaveIsToldKeepsTheCaptureAndOffersAnotherFolder) {
  apptest::Program program;  // for the status list
  frmMain* main = program.start();
  ASSERT_NE(main, nullptr);
  prompt::ClearShownPrompts();
  ASSERT_TRUE(QDir(logs()).removeRecursively());
  writeLines(logs(), {"a file where the folder should be"});
  basMain::CurrentConfigPath = folder.path() + "/Configs/press1.vcf";
  basMain::CurrentConfigTitle = "press1.vcf";
  const QString refused = logs() + "/press1.csv could not be saved: " + logs() +
                          " is a file, not a folder.\rThe capture is kept. Do you want to save "
                          "it in another folder?";
  QTemporaryDir other;
  prompt::ScriptReplies(
      {apptest::Answer(prompt::Yes), apptest::Text(other.path() + "/press1.scl")});
  basScope::SaveCapture(plot, log);
  EXPECT_EQ(apptest::ShownSummary(),
            (QStringList{"MsgBox: File Not Saved | " + refused,
                         "Save: Save Scope Data | " + QDir::homePath() + "/press1",
                         "MsgBox: File Saved | " + other.path() + "/press1.csv has been saved."}));
  EXPECT_EQ(readAll(other.path() + "/press1.csv").count("\r\n"), 5);
  const QListWidget* status = main->findChild<QListWidget*>("lstMain");
  ASSERT_NE(status, nullptr);
  EXPECT_TRUE(status->item(2)->text().endsWith(" - Scope log not saved: " + logs() +
                                               " is a file, not a folder"))
      << status->item(2)->text().toStdString();

  // Declined: nothing written, the status list says so, and the capture can be saved later.
  prompt::ClearShownPrompts();
  prompt::ScriptReplies({apptest::Answer(prompt::No)});
  basScope::SaveCapture(plot, log);
  EXPECT_EQ(apptest::ShownSummary(), QStringList{"MsgBox: File Not Saved | " + refused});
  EXPECT_TRUE(status->item(0)->text().contains("Scope log not saved"));
  EXPECT_EQ(plot.PointCount(0), 3);
}

TEST_F(ScopeFilesTest, TheViewerShowsWhatCanBeReadAndNamesEveryLineLeftOut) {
  plot.SaveData(logs() + "/run.scl");
  writeLines(logs() + "/run.scl", {"1\t0.0x6\t2", "4\t0.032\t1", "1\t0.04"});
  basScope::WriteScopeCsv(log, logs() + "/run.csv");
  writeLines(logs() + "/run.csv", {"24,5,,x", "32,40000,,", "40,6,,8"});
  struct Row {
    const char* file;
    std::array<int, 3> points;
    QStringList told;
  };
  const Row rows[] = {
      {"run.scl",
       {3, 0, 1},
       {"run.scp was not found: the plot shows its default appearance.",
        "Line 6 of run.scl was left out: time \"0.0x6\" is not a number.",
        "Line 7 of run.scl was left out: channel \"4\" is not 1, 2 or 3.",
        "Line 8 of run.scl was left out: it holds 2 tab-separated fields, not 3."}},
      {"run.csv",
       {2, 0, 3},
       {"Line 6 of run.csv was left out: channel 3 value \"x\" is not a 16-bit whole number.",
        "Line 7 of run.csv was left out: channel 1 value \"40000\" is not a 16-bit whole "
        "number."}},
  };
  for (const Row& row : rows) {
    prompt::ClearShownPrompts();
    frmScopeViewer viewer;
    const QString path = logs() + "/" + row.file;
    viewer.OpenLog(path);
    ScopePlot* shown = viewer.plot();
    EXPECT_EQ(shown->Label(0), "Displaying Logged Data From " + path);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(shown->PointCount(c), row.points[c]) << row.file << c;
    ASSERT_EQ(prompt::ShownPrompts().size(), 1) << row.file;
    EXPECT_EQ(prompt::ShownPrompts()[0].title, "Scope Log Partly Read");
    EXPECT_EQ(prompt::ShownPrompts()[0].text,
              QString(row.file) + " was opened, but not all of it could be read:\r" +
                  row.told.join('\r'));
    EXPECT_GE(shown->XStart() + shown->XSpan(), shown->Points(0).last().x());
  }
  // The sample table as the scope plotted it: the 0.1-pulse source divided by ten, the unused
  // channel hidden.
  frmScopeViewer viewer;
  viewer.OpenLog(logs() + "/run.csv");
  EXPECT_EQ(viewer.plot()->Points(2), (QVector<QPointF>{{0.008, -4}, {0.016, 0.7}, {0.04, 0.8}}));
  EXPECT_EQ(viewer.plot()->Points(0), (QVector<QPointF>{{0.008, 123}, {0.04, 6}}));
  EXPECT_EQ(viewer.plot()->TraceBreaks(0), 1);
  EXPECT_FALSE(viewer.plot()->ChannelVisible(1));

  prompt::ClearShownPrompts();
  viewer.OpenLog(logs() + "/gone.scl");
  EXPECT_EQ(apptest::ShownSummary(),
            QStringList{"MsgBox: Scope Log Not Opened | " + logs() +
                        "/gone.scl could not be opened: there is no such file."});
  EXPECT_EQ(viewer.plot()->Label(0), "Nothing Loaded: " + logs() + "/gone.scl Could Not Be Read");
  EXPECT_EQ(viewer.plot()->PointCount(0), 0);
}

TEST_F(ScopeFilesTest, PropertiesKeepATwoLineLabelWholeAndOlderFilesStillRead) {
  const QString lostData = basScope::kLostDataWarning + "\n(21 samples lost per channel)";
  plot.SetLabel(1, lostData);
  plot.SetChannelTitle(0, "C:\\new\\table");
  plot.SaveProperties(logs() + "/run.scp");
  ScopePlot again;
  EXPECT_TRUE(again.LoadProperties(logs() + "/run.scp").isEmpty());
  EXPECT_EQ(again.Label(1), lostData);
  EXPECT_EQ(again.ChannelTitle(0), "C:\\new\\table");

  writeLines(
      logs() + "/old.scp",
      {"; Scope plot properties", "", "[Plot]", "LostData=" + basScope::kLostDataWarning,
       "(2 blocks arrived full and may have "
       "dropped samples)",
       "LostDataVisible=true", "", "[Channel1]", "Title=C:\\new", "Colour=#12zz", "Width=2"});
  EXPECT_EQ(again.LoadProperties(logs() + "/old.scp"),
            QStringList{"Line 10 of old.scp was left out: Colour \"#12zz\" is not a colour."});
  EXPECT_EQ(again.Label(1),
            basScope::kLostDataWarning + "\n(2 blocks arrived full and may have dropped samples)");
  EXPECT_TRUE(again.LabelVisible(1));
  EXPECT_EQ(again.ChannelTitle(0), "C:\\new");
  EXPECT_EQ(again.TraceWidth(0), 2);
}

TEST_F(ScopeFilesTest, ViewerShowsTheSavedPointsAndAppearance) {
  plot.SaveData(logs() + "/run.scl");
  plot.SaveProperties(logs() + "/run.scp");
  EXPECT_TRUE(
      readAll(logs() + "/run.scl").startsWith("Channel\tSeconds\tValue\r\n1\t0.008\t1\r\n"));

  apptest::Program program;
  frmMain* main = program.start();
  ASSERT_NE(main, nullptr);
  prompt::ScriptReplies({apptest::Text(logs() + "/run.scl")});
  main->RunCommand("mnuScopeViewer");
  prompt::ScriptReplies({apptest::Text(logs() + "/run.scl")});
  main->RunCommand("mnuScopeViewer");
  QList<frmScopeViewer*> viewers = main->findChildren<frmScopeViewer*>();
  ASSERT_EQ(viewers.size(), 2);  // several at once
  ScopePlot* shown = viewers[0]->plot();
  for (int c = 0; c < 3; ++c) EXPECT_EQ(shown->Points(c), plot.Points(c)) << c;
  EXPECT_EQ(shown->Label(0), "Displaying Logged Data From " + logs() + "/run.scl");
  EXPECT_EQ(shown->ChannelTitle(0), "06 - Motor Speed (RPM)");
  EXPECT_EQ(shown->YTitle(0), "06 - Motor Speed (RPM)");
  EXPECT_EQ(shown->YMinimum(0), -5000);
  EXPECT_EQ(shown->YSpan(0), 10000);
  EXPECT_FALSE(shown->ChannelVisible(1));
  EXPECT_EQ(shown->ChannelColour(2), QColor("#123456"));
  EXPECT_EQ(shown->XStart(), 6);
  EXPECT_TRUE(shown->LegendVisible());
  EXPECT_TRUE(viewers[0]->findChild<QCheckBox*>("ckShowLegend")->isChecked());

  // A cancelled choice leaves no viewer and logs the cancel.
  prompt::ScriptReplies({apptest::Text(QString())});
  main->RunCommand("mnuScopeViewer");
  EXPECT_EQ(main->findChildren<frmScopeViewer*>().size(), 2);
  EXPECT_EQ(folder.logLines("Error.Log").filter("frmScope, mnuScopeViewer_Click").size(), 1);
}

}  // namespace
}  // namespace scopetest
