// The drive history's windows against the virtual drive: Compare Three Ways after a change at
// the drive, one in a file and an edit, and the Drive History of the download that followed.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTreeWidget>

#include "config_fixture.h"
#include "history/frm_compare3.h"
#include "history/frm_drive_history.h"
#include "journal_probe.h"
#include "params/config_file.h"
#include "params/drive_identity.h"
#include "params/value_table.h"
#include "shell/frm_main.h"

namespace configtest {
namespace {

using apptest::Answer;
using basFunctions::WorkingConfig;

class HistoryWindowsTest : public ConfigProgramTest {
 protected:
  // The compare window's rows as "label | units | side | side | side", marked values in [].
  static QStringList rows(const QTableWidget* grid) {
    QStringList lines;
    for (int r = 0; r < grid->rowCount(); ++r) {
      QStringList cells;
      for (int c = 0; c < grid->columnCount(); ++c) {
        const QTableWidgetItem* item = grid->item(r, c);
        cells << (item->font().bold() ? "[" + item->text() + "]" : item->text());
      }
      lines << cells.join(" | ");
    }
    return lines;
  }
};

TEST_F(HistoryWindowsTest, CompareThreeWaysMarksEachSideThatChangedAndTheHistoryShowsTheWrites) {
  startConnected();
  prompt::ScriptReplies({Answer(prompt::Yes)});
  main->RunCommand("mnuUpload");
  basFunctions::ValueTable site = WorkingConfig;
  site.P(1, 6) = 7;  // the file differs
  const QString sitePath = configPath("site.vmc");
  writeFile(sitePath, config_file::Write(site, basFunctions::GroupLimit, sitePath, "today"));
  field(137)->setText("12.5");  // an edit not yet written
  setDriveValue(1, 5, 42);      // changed at the drive

  main->RunCommand("mnuCompareThreeWays");
  frmCompare3* compare = frmCompare3::instance();
  ASSERT_NE(compare, nullptr);
  prompt::ScriptReplies({apptest::Text(sitePath)});
  compare->findChild<QPushButton*>("cmdFile")->click();
  EXPECT_EQ(rows(compare->grdCompare()),
            (QStringList{"P1.05 - Monitor 2 Scale | % | 100 | [42] | 100",
                         "P1.06 - Speed Smoothing | ms | 0 | 0 | [7]",
                         "P1.37 - Inertia Ratio | times | [12.5] | 10 | 10"}))
      << compare->lblCompareStatus()->text().toStdString();
  EXPECT_EQ(compare->lblCompareStatus()->text(), "3 parameter(s) differ.");
  compare->cmdClose_Click();

  prompt::ScriptReplies({Answer(prompt::Yes)});
  main->RunCommand("mnuDownload");
  ASSERT_TRUE(apptest::WaitForEntry(journal::Source::Download, 137, 125));
  main->RunCommand("mnuDriveHistory");
  frmDriveHistory* history = frmDriveHistory::instance();
  ASSERT_NE(history, nullptr);
  history->cmdRefresh_Click();
  QTreeWidget* tree = history->tvwHistory();
  ASSERT_EQ(tree->topLevelItemCount(), 2) << history->lblHistoryStatus()->text().toStdString();
  EXPECT_EQ(tree->topLevelItem(0)->text(1), "Download");
  EXPECT_EQ(tree->topLevelItem(1)->text(1), "Upload");
  history->findChild<QRadioButton*>("optChanges")->setChecked(true);
  history->cmdRefresh_Click();
  QStringList changes;
  for (int i = 0; i < tree->topLevelItemCount(); ++i)
    changes << tree->topLevelItem(i)->text(0) + ": " + tree->topLevelItem(i)->text(1) + " -> " +
                   tree->topLevelItem(i)->text(2) + " " + tree->topLevelItem(i)->text(3);
  // The download put the drive-side change back and wrote the edit.
  EXPECT_EQ(changes, (QStringList{"P1.05 - Monitor 2 Scale: 42 -> 100 %",
                                  "P1.37 - Inertia Ratio: 10 -> 12.5 times"}));
  history->cmdClose_Click();
}

}  // namespace
}  // namespace configtest
