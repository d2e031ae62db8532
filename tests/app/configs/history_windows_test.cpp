// The drive history's windows against the virtual drive: Compare Three Ways after a change at
// the drive, one in a file and an edit, and the Drive History of the download that followed;
// both windows whole in the main window's child area, and filters the wheel leaves alone.
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
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

// Every button and label of the window inside the area and showing its whole text.
void ExpectWhole(QWidget* window, const QRect& area, const QString& where) {
  const std::string at = where.toStdString();
  EXPECT_TRUE(area.contains(window->parentWidget()->geometry())) << at << ": cut off";
  for (QWidget* part : window->findChildren<QWidget*>()) {
    const auto* button = qobject_cast<QAbstractButton*>(part);
    const auto* label = qobject_cast<QLabel*>(part);
    if ((!button && !label) || !part->isVisible()) continue;
    const QRect inWindow(part->mapTo(window, QPoint(0, 0)), part->size());
    EXPECT_TRUE(window->rect().contains(inWindow))
        << at << ": " << part->objectName().toStdString();
    const QString text = button ? button->text() : label->wordWrap() ? QString() : label->text();
    EXPECT_LE(part->fontMetrics().horizontalAdvance(QString(text).remove('&')), part->width())
        << at << ": " << text.toStdString();
  }
}

TEST_F(HistoryWindowsTest, BothWindowsAreWholeInTheMainWindowAndTheWheelLeavesTheFilters) {
  startConnected();
  main->showNormal();
  for (const QSize& size : {main->size(), QSize(1366, 768)}) {
    main->resize(size);
    QCoreApplication::processEvents();
    const QRect area = main->findChild<QMdiArea*>()->viewport()->rect();
    const QString where = QString("main window %1 x %2").arg(size.width()).arg(size.height());
    main->RunCommand("mnuCompareThreeWays");
    ASSERT_NE(frmCompare3::instance(), nullptr);
    ExpectWhole(frmCompare3::instance(), area, where);
    frmCompare3::instance()->cmdClose_Click();
    main->RunCommand("mnuDriveHistory");
    frmDriveHistory* history = frmDriveHistory::instance();
    ASSERT_NE(history, nullptr);
    ExpectWhole(history, area, where);
    // As large as it wants within the area, not shrunk to its smallest layout by its frame.
    EXPECT_GE(history->parentWidget()->height(), std::min(area.height(), 520))
        << where.toStdString();
    history->cmdClose_Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  main->RunCommand("mnuDriveHistory");
  frmDriveHistory* history = frmDriveHistory::instance();
  auto* source = history->findChild<QComboBox*>("cmbSource");
  auto* since = history->findChild<QDateTimeEdit*>("dtpSince");
  history->findChild<QLineEdit*>("txtParameter")->setFocus(Qt::MouseFocusReason);
  const QDateTime sinceBefore = since->dateTime();
  apptest::WheelNotch(source);
  apptest::WheelNotch(since);
  EXPECT_EQ(source->currentIndex(), 0);
  EXPECT_EQ(since->dateTime(), sinceBefore);
  main->activateWindow();
  source->setFocus(Qt::MouseFocusReason);  // a list clicked into takes the wheel as a choice
  ASSERT_TRUE(apptest::WaitFor([&] { return source->hasFocus(); }, 2000));
  apptest::WheelNotch(source);
  EXPECT_EQ(source->currentIndex(), 1);
  history->cmdClose_Click();
}

}  // namespace
}  // namespace configtest
