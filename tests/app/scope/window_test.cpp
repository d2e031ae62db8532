// The scope window without a drive: its lists and defaults, the handlers that shape the
// display, the duplicate-source guard, printing without colour, the Y-axis click, names a
// screen reader tells apart, and a layout readable at its size and on a 1366 x 768 screen.
#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionComboBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app_harness.h"
#include "core/host.h"
#include "params/drive_identity.h"
#include "params/value_table.h"
#include "scope/frm_scope.h"
#include "scope/maint_interlock.h"
#include "scope/scope_plot.h"
#include "shell/frm_main.h"

namespace scopetest {
namespace {

QStringList items(QComboBox* list) {
  QStringList texts;
  for (int i = 0; i < list->count(); ++i) texts << list->itemText(i);
  return texts;
}

class ScopeWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    basScope::Pauses.sourceListFill = 0;
    basScope::ScopeChannelCount = 2;
    basFunctions::DriveImage.P(0, 0) = 2101;
    basFunctions::GetDriveType();
    basFunctions::ConnectedAmpCode = 21;
    prompt::ScriptReplies({});
    prompt::ClearShownPrompts();
    scope = frmScope::Display();
    plot = scope->plot();
  }
  void TearDown() override {
    host::UnloadWindow(scope);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  template <class T>
  T* find(const QString& name) const {
    T* widget = scope->findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name.toStdString();
    return widget;
  }
  QComboBox* list(const QString& name) const { return find<QComboBox>(name); }
  QCheckBox* box(const QString& name) const { return find<QCheckBox>(name); }

  apptest::ProgramFolder folder;
  frmScope* scope = nullptr;
  ScopePlot* plot = nullptr;
};

TEST_F(ScopeWindowTest, LoadFillsTheListsWithTheirDefaults) {
  EXPECT_EQ(items(list("cmbScopeMode")),
            (QStringList{"One-Shot/Single Capture", "Triggered Single Capture", "Free Running"}));
  EXPECT_EQ(list("cmbBufferSize")->count(), 120);
  EXPECT_EQ(list("cmbBufferSize")->currentText(), "4");
  EXPECT_EQ(items(list("cmbVisibleTimeAmount")), (QStringList{"1", "2", "3", "4"}));
  EXPECT_EQ(list("cmbVisibleTimeAmount")->currentText(), "4");
  EXPECT_EQ(items(list("cmbTriggerLimitCompare")), (QStringList{">", ">=", "<", "<="}));
  EXPECT_EQ(find<QLabel>("lblTriggerLimitPreface")->text(), "Start Capturing When Channel 1");
  EXPECT_FALSE(find<QLabel>("lblTriggerLimitPreface")->isVisible());
  EXPECT_TRUE(find<QRadioButton>("optVisibleTimeRange_0")->isChecked());
  EXPECT_EQ(find<QPushButton>("cmdStartStopScope")->text(), "Start");
  EXPECT_FALSE(find<QPushButton>("cmdSaveLog")->isEnabled());

  QComboBox* source1 = list("cmbChannelSource_0");
  ASSERT_EQ(source1->count(), 17);
  EXPECT_EQ(source1->currentText(), "06 - Motor Speed (RPM)");
  EXPECT_EQ(list("cmbChannelSource_1")->currentIndex(), 11);
  EXPECT_EQ(list("cmbChannelSource_2")->currentIndex(), 4);
  EXPECT_EQ(plot->ChannelTitle(0), "06 - Motor Speed (RPM)");
  EXPECT_EQ(plot->YTitle(0), "06 - Motor Speed (RPM)");
  EXPECT_EQ(plot->YMinimum(0), -5000);
  EXPECT_EQ(plot->YSpan(0), 10000);
  EXPECT_EQ(plot->YSpan(1), 100);  // 11 - Average Load (%)
  EXPECT_FALSE(plot->LabelVisible(1));
  EXPECT_EQ(plot->XSpan(), 4);

  // Two channels at this speed: the third is off and cannot be turned on.
  EXPECT_FALSE(box("ckChannelEnabled_2")->isChecked());
  EXPECT_FALSE(box("ckChannelEnabled_2")->isEnabled());
  EXPECT_FALSE(list("cmbChannelSource_2")->isEnabled());
  EXPECT_FALSE(plot->ChannelVisible(2));
  EXPECT_FALSE(plot->YAxisVisible(2));
  EXPECT_EQ(plot->ChannelTitle(2), "Channel Not Used");
}

TEST_F(ScopeWindowTest, ASourceTakenByAnotherEnabledChannelIsRefused) {
  list("cmbChannelSource_1")->setCurrentIndex(6);
  ASSERT_EQ(prompt::ShownPrompts().size(), 1);
  EXPECT_EQ(prompt::ShownPrompts()[0].title, "Duplicate Channel Configuration");
  EXPECT_EQ(prompt::ShownPrompts()[0].text,
            "This parameter is already assigned to another channel. Please pick a unique "
            "parameter for this channel.");
  EXPECT_EQ(list("cmbChannelSource_1")->currentIndex(), 11);
  EXPECT_EQ(prompt::ShownPrompts().size(), 1);

  // Channel 3's list is disabled: its source may be taken.
  list("cmbChannelSource_1")->setCurrentIndex(4);
  EXPECT_EQ(prompt::ShownPrompts().size(), 1);
  EXPECT_EQ(plot->ChannelTitle(1), list("cmbChannelSource_1")->itemText(4));
  EXPECT_EQ(plot->YSpan(1), 9999);

  // Unchecking (or clicking the channel's name) turns a channel off.
  scope->lblChannelName_Click(1);
  EXPECT_FALSE(box("ckChannelEnabled_1")->isChecked());
  EXPECT_EQ(plot->ChannelTitle(1), "Channel Not Used");
  EXPECT_FALSE(plot->YAxisVisible(1));
  box("ckChannelEnabled_1")->setChecked(true);
  EXPECT_EQ(plot->ChannelTitle(1), list("cmbChannelSource_1")->itemText(4));
}

TEST_F(ScopeWindowTest, BufferAndModeShapeTheChoices) {
  list("cmbBufferSize")->setCurrentText("3");
  EXPECT_EQ(items(list("cmbVisibleTimeAmount")), (QStringList{"1", "2", "3"}));
  EXPECT_EQ(list("cmbVisibleTimeAmount")->currentText(), "3");
  EXPECT_EQ(scope->capture().HiddenSeconds, 0);
  EXPECT_EQ(plot->XSpan(), 3);

  list("cmbBufferSize")->setCurrentText("100");
  EXPECT_EQ(list("cmbVisibleTimeAmount")->count(), 60);
  EXPECT_EQ(list("cmbVisibleTimeAmount")->itemText(0), "1");
  EXPECT_EQ(list("cmbVisibleTimeAmount")->currentText(), "60");
  EXPECT_EQ(scope->capture().HiddenSeconds, 40);

  list("cmbScopeMode")->setCurrentIndex(1);
  EXPECT_TRUE(find<QLabel>("lblTriggerLimitUnits")->isVisible());
  EXPECT_EQ(find<QLabel>("lblTriggerLimitUnits")->text(), "RPM");
  list("cmbScopeMode")->setCurrentIndex(2);
  EXPECT_FALSE(find<QLabel>("lblTriggerLimitUnits")->isVisible());
  EXPECT_FALSE(find<QRadioButton>("optVisibleTimeRange_1")->isEnabled());

  box("chkLog")->setChecked(true);
  find<QPushButton>("cmdSaveLog")->setEnabled(true);
  box("chkLog")->setChecked(false);
  EXPECT_FALSE(find<QPushButton>("cmdSaveLog")->isEnabled());
}

TEST_F(ScopeWindowTest, MonochromePrintingShowsTheLegendAndRestoresTheScreen) {
  QTemporaryDir dir;
  box("ckShowLegend")->setChecked(false);
  bool legendOnPaper = false;
  QColor channel3OnPaper;
  int widthOnPaper = 0;
  QObject::connect(plot, &ScopePlot::beforePrint, scope, [&] {
    legendOnPaper = plot->LegendVisible();
    channel3OnPaper = plot->ChannelColour(2);
    widthOnPaper = plot->TraceWidth(0);
  });
  QPrinter printer;
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(dir.filePath("scope.pdf"));
  plot->Print(printer);
  // The window's handler runs first (connected at load); ours sees the paper settings.
  EXPECT_TRUE(legendOnPaper);
  EXPECT_EQ(channel3OnPaper, QColor(Qt::black));
  EXPECT_EQ(widthOnPaper, 2);
  EXPECT_FALSE(plot->LegendVisible());
  EXPECT_EQ(plot->ChannelColour(2), ScopePlot::DefaultColour(2));
  EXPECT_EQ(plot->TraceWidth(0), 1);

  box("ckPrintColor")->setChecked(true);
  plot->Print(printer);
  EXPECT_FALSE(legendOnPaper);
  EXPECT_EQ(channel3OnPaper, ScopePlot::DefaultColour(2));
}

TEST_F(ScopeWindowTest, ATriggerLimitThatIsNoSixteenBitNumberIsRefusedWhereItIsEntered) {
  list("cmbScopeMode")->setCurrentIndex(1);
  scope->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(scope));
  QLineEdit* limit = find<QLineEdit>("txtTriggerLimit");
  const struct {
    const char* typed;
    const char* kept;  // what the field and the capture hold afterwards
  } rows[] = {{"-32769", "0"},    {"-32768", "-32768"}, {"-1", "-1"},       {"0", "0"},
              {"32767", "32767"}, {"32768", "32767"},   {"65535", "32767"}, {"65536", "32767"},
              {"abc", "32767"},   {"12.4", "12.4"},     {"", "12.4"},       {" 100 ", " 100 "}};
  for (const auto& row : rows) {
    prompt::ClearShownPrompts();
    limit->setFocus();
    limit->selectAll();
    QTest::keyClick(limit, Qt::Key_Backspace);
    QTest::keyClicks(limit, row.typed);
    QTest::keyClick(limit, Qt::Key_Return);
    const bool refused = QString(row.kept) != row.typed;
    EXPECT_EQ(apptest::ShownSummary(),
              refused ? QStringList{"MsgBox: " + basScope::kTriggerLimitCaption + " | " +
                                    basScope::kTriggerLimitRefused}
                      : QStringList())
        << row.typed;
    EXPECT_EQ(limit->text(), row.kept) << row.typed;
    EXPECT_EQ(scope->capture().setup().triggerLimit, row.kept) << row.typed;
  }
  // A second wrong entry after a refusal, left by moving the focus away.
  QTest::keyClicks(limit, "x");
  prompt::ClearShownPrompts();
  list("cmbBufferSize")->setFocus();
  QCoreApplication::processEvents();
  EXPECT_EQ(prompt::ShownPrompts().size(), 1);
  EXPECT_EQ(limit->text(), " 100 ");
  EXPECT_TRUE(folder.logLines("Error.Log").isEmpty());
}

TEST_F(ScopeWindowTest, AYAxisClickMovesAShownDataCursor) {
  scope->Scope1_ClickYAxis(1);
  EXPECT_EQ(plot->DataCursorChannel(), 0);
  plot->SetDataCursorShown(true);
  scope->Scope1_ClickYAxis(1);
  EXPECT_EQ(plot->DataCursorChannel(), 1);
  scope->Scope1_ClickYAxis(3);
  EXPECT_EQ(plot->DataCursorChannel(), 1);
}

TEST_F(ScopeWindowTest, TheMaintenanceScreenIsHeldWhileTheScopeOwnsThePolling) {
  // A stand-in for the 2.10 maintenance screen with its timers and held controls.
  QWidget screen;
  screen.setObjectName("frmMaintenance_210");
  QTimer tmrMaint(&screen), tmrMaint2(&screen);
  tmrMaint.setObjectName("tmrMaint");
  tmrMaint2.setObjectName("tmrMaint2");
  QStringList held{"cmdEnable", "cmdJog", "cmdPosMove", "chkDI_16", "cmdDI_9", "cmdDO_5"};
  for (const QString& name : held) (new QPushButton(&screen))->setObjectName(name);
  auto* forceOuts = new QPushButton(&screen);
  forceOuts->setObjectName("cmdForceOuts");
  screen.findChild<QPushButton*>("cmdPosMove")->setEnabled(false);
  screen.show();
  tmrMaint.start(100);
  tmrMaint2.start(100);

  basScope::Maint_Interlock(true);
  EXPECT_FALSE(tmrMaint.isActive());
  EXPECT_FALSE(tmrMaint2.isActive());
  for (const QString& name : held)
    EXPECT_FALSE(screen.findChild<QPushButton*>(name)->isEnabled()) << name.toStdString();
  EXPECT_TRUE(forceOuts->isEnabled());

  basScope::Maint_Interlock(false);
  EXPECT_TRUE(tmrMaint.isActive());
  EXPECT_TRUE(screen.findChild<QPushButton*>("cmdJog")->isEnabled());
  EXPECT_FALSE(screen.findChild<QPushButton*>("cmdPosMove")->isEnabled());
}

// What a technician must be able to read, after a 120 s capture with lost samples and the data
// cursor at the top of the plot.
void ExpectReadable(frmScope* scope, const char* where) {
  scope->findChild<QComboBox*>("cmbBufferSize")->setCurrentText("120");
  scope->findChild<QComboBox*>("cmbVisibleTimeAmount")->setCurrentText("10");
  ScopePlot* plot = scope->plot();
  for (int c = 0; c < 2; ++c) {
    QVector<double> seconds, values;
    for (int i = 1; i <= 15000; ++i) seconds << i * 0.008, values << (i == 7500 ? 4990 : 50);
    plot->AppendPoints(c, seconds, values);
  }
  plot->SetLabel(0, basScope::kStoppedTitle);
  plot->SetLabel(1, basScope::kLostDataWarning +
                        "\n(21 samples lost per channel, 0.168 s in 1 "
                        "gap; 6 failed polls, 0 full blocks)");
  plot->SetLabelVisible(1, true);
  plot->SetXAxis(0, 120);
  plot->SetDataCursorShown(true);
  plot->SetDataCursorTime(60);
  apptest::WaitFor([] { return false; }, 100);
  plot->ReplotNow();

  QCustomPlot* custom = plot->customPlot();
  EXPECT_GE(custom->axisRect()->width(), 500) << where;
  auto* title = qobject_cast<QCPTextElement*>(custom->plotLayout()->element(0, 0));
  ASSERT_NE(title, nullptr);
  for (const QString& line : title->text().split('\n'))
    EXPECT_LE(QFontMetrics(title->font()).horizontalAdvance(line), title->rect().width()) << where;
  EXPECT_FALSE(custom->legend->outerRect().intersects(custom->axisRect()->outerRect())) << where;
  const QVector<double> ticks = custom->xAxis->tickVector();
  const QVector<QString> labels = custom->xAxis->tickVectorLabels();
  const QFontMetrics tickFont(custom->xAxis->tickLabelFont());
  EXPECT_EQ(labels.value(labels.size() - 1), "2:00.000") << where;
  for (int i = 1; i < ticks.size(); ++i)
    EXPECT_GT(custom->xAxis->coordToPixel(ticks[i]) - tickFont.horizontalAdvance(labels[i]) / 2,
              custom->xAxis->coordToPixel(ticks[i - 1]) +
                  tickFont.horizontalAdvance(labels[i - 1]) / 2 + 4)
        << where << ": " << labels[i - 1].toStdString() << " runs into " << labels[i].toStdString();
  for (int i = 0; i < custom->itemCount(); ++i) {
    auto* text = qobject_cast<QCPItemText*>(custom->item(i));
    if (!text || !text->visible() || !text->text().startsWith("X:")) continue;
    EXPECT_TRUE(custom->rect().contains(
        QRectF(text->topLeft->pixelPosition(), text->bottomRight->pixelPosition()).toRect()))
        << where << ": the cursor readout is cut off";
  }
  for (QComboBox* box : scope->findChildren<QComboBox*>()) {
    if (!box->isVisible()) continue;
    QStyleOptionComboBox option;
    option.initFrom(box);
    const QRect field = box->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                     QStyle::SC_ComboBoxEditField, box);
    EXPECT_LE(box->fontMetrics().horizontalAdvance(box->currentText()), field.width())
        << where << ": " << box->objectName().toStdString() << " cuts "
        << box->currentText().toStdString();
  }
  QLabel* lostData = scope->findChild<QLabel*>("lblLostData");
  ASSERT_NE(lostData, nullptr);
  EXPECT_TRUE(lostData->isVisible());
  EXPECT_EQ(lostData->text(), plot->Label(1));
  EXPECT_GE(lostData->width(),
            lostData->fontMetrics().horizontalAdvance(basScope::kLostDataWarning) / 2);
}

TEST_F(ScopeWindowTest, IsReadableAtItsSizeAndInAMainWindowOf1366By768) {
  ExpectReadable(scope, "at the window's own size");
  host::UnloadWindow(scope);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

  apptest::Program program;
  frmMain* main = program.start();
  ASSERT_NE(main, nullptr);
  main->showNormal();
  main->resize(1366, 768);
  scope = frmScope::Display();
  plot = scope->plot();
  ExpectReadable(scope, "in a main window of 1366 x 768");
  const QRect area = main->findChild<QMdiArea*>()->viewport()->rect();
  EXPECT_TRUE(area.contains(scope->parentWidget()->geometry())) << "the window is cut off";
  host::UnloadWindow(scope);
  scope = nullptr;
  program.stop();
}

TEST_F(ScopeWindowTest, EveryControlHasANameOfItsOwnForAScreenReader) {
  QStringList names;
  for (QWidget* control : scope->findChildren<QWidget*>()) {
    if (!qobject_cast<QAbstractButton*>(control) && !qobject_cast<QComboBox*>(control) &&
        !qobject_cast<QLineEdit*>(control))
      continue;
    if (control->objectName().startsWith("qt_")) continue;  // Qt's own parts of a toolbar
    const auto* button = qobject_cast<QAbstractButton*>(control);
    const QString name = !control->accessibleName().isEmpty() ? control->accessibleName()
                         : button                             ? button->text()
                                                              : QString();
    EXPECT_FALSE(name.isEmpty()) << control->objectName().toStdString();
    EXPECT_FALSE(names.contains(name)) << name.toStdString() << " twice";
    names << name;
  }
  EXPECT_TRUE(names.contains("Channel 2 enabled"));
  EXPECT_TRUE(names.contains("Trigger limit"));
  EXPECT_TRUE(names.contains("Visible seconds"));
  EXPECT_EQ(scope->findChild<QLabel*>("lblLostData")->accessibleName(), "Lost data warning");
}

}  // namespace
}  // namespace scopetest
