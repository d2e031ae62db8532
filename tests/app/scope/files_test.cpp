// What a capture leaves on disk: the CSV byte for byte, the plot's data and property files,
// the names a save chooses, and the viewer that shows a capture again.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

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
