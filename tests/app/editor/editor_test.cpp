// The parameter editor offscreen: rows from the catalogue, typing, the checks of a confirmed
// value and their messages, the P1.01 -> P1.36 rule, the input/output and hexadecimal labels,
// accessibility and the keyboard.
#include <QtTest/qtestspontaneevent.h>

#include <QAccessible>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

#include "boundary_values.h"
#include "core/host.h"
#include "core/prompt.h"
#include "editor/editor_values.h"
#include "editor/frm_308.h"
#include "editor/frm_param_wiz.h"
#include "editor_fixture.h"
#include "params/param_catalog.h"

using basFunctions::WorkingConfig;

namespace editortest {
namespace {

const QString kPrevious = QStringLiteral("The parameter will be set to the previous value.");

// Shown on its tab (the rows of the tabs behind are off screen, whatever their own state).
bool shown(const QWidget* part) { return !part->isHidden(); }

TEST_F(EditorTest, CatalogueLoadShowsTheRowsOfItsRevision) {
  load(21, 200, 21);
  EXPECT_EQ(editor->lblP(101)->text(), "P1.01 - Control Mode   ");
  EXPECT_TRUE(shown(editor->lblP(155)));
  EXPECT_FALSE(shown(editor->lblP(156)));  // P1.56 comes with 2.10
  EXPECT_FALSE(shown(field(265)));
  EXPECT_FALSE(shown(editor->cmdParamWiz(265)));
  EXPECT_FALSE(shown(editor->hexLabel(308)));
  EXPECT_EQ(editor->lblSpecial410(415)->text(), "   P4.15 - Reserved");
  EXPECT_EQ(editor->txtP(415), nullptr);
  EXPECT_EQ(WorkingConfig.P(0, 0), 2001);  // the defaults went into the configuration
  EXPECT_EQ(field(0)->text(), "2.001");
  EXPECT_FALSE(field(0)->isEnabled());  // read-only
  EXPECT_TRUE(editor->cmbP(131)->currentText().startsWith("21"));

  load(21, 210, 22);
  EXPECT_TRUE(shown(field(156)));
  EXPECT_TRUE(shown(editor->cmdParamWiz(265)));
  EXPECT_TRUE(shown(editor->cmdParamWiz(308)));
  EXPECT_TRUE(editor->cmdParamWiz(308)->isEnabled());
  EXPECT_EQ(field(140)->text(), "2000");  // motor 22 has its own defaults
  EXPECT_EQ(field(131)->text(), "21");    // the load put the catalogue's default motor in
  editor->cmbP(131)->setCurrentIndex(2);  // a motor chosen by position, as a new configuration does
  EXPECT_EQ(field(131)->text(), "22");
  EXPECT_EQ(WorkingConfig.P(1, 31), 22);
}

TEST_F(EditorTest, LoadTabFillsEveryRowEvenAfterOneFails) {
  load(21, 210, 21);
  WorkingConfig.P(1, 31) = 99;  // no such motor in the list
  WorkingConfig.P(1, 37) = 125;
  WorkingConfig.P(4, 23) = 7;
  main->LoadTab();
  EXPECT_EQ(field(131)->text(), "99");
  EXPECT_EQ(field(137)->text(), "12.5");
  EXPECT_EQ(field(423)->text(), "7");
  EXPECT_TRUE(folder.logLines("Error.Log").join("\n").contains("frmMain, LoadTab"));
}

TEST_F(EditorTest, TypingKeepsTheConfigurationInStepAndFillingTheRowsChangesNothing) {
  load(21, 200, 21);
  // Filling the rows is not an edit: nothing unsaved, no P1.01 rule, no servo reset.
  EXPECT_FALSE(basMain::ConfigDirty);
  EXPECT_FALSE(basFunctions::P101Changed);
  EXPECT_FALSE(basMain::ResetNeeded101 || basMain::ResetNeeded133);
  basMain::CurrentConfigTitle = QStringLiteral(" ");  // no file yet (after an upload)
  type(137, "12.5");
  EXPECT_EQ(WorkingConfig.P(1, 37), 125);  // display x resolution 10
  EXPECT_TRUE(basMain::ConfigDirty) << "a configuration without a file has unsaved changes too";
}

TEST_F(EditorTest, ValuesOutsideTheRangeAreRefusedAndTheOldValueReturns) {
  load(21, 200, 21);
  type(105, "101");
  ctrlEnter(105);
  ASSERT_EQ(prompt::ShownPrompts().size(), 1) << prompts().join("\n").toStdString();
  const prompt::Shown shown = prompt::ShownPrompts().first();
  EXPECT_EQ(shown.title, "Value Out Of Range");
  EXPECT_EQ(shown.text, "The value entered for P1.05 is too high!\r" + kPrevious);
  EXPECT_EQ(shown.icon, prompt::Icon::Critical);
  EXPECT_EQ(field(105)->text(), "100");
  EXPECT_EQ(WorkingConfig.P(1, 5), 100);

  prompt::ClearShownPrompts();
  type(109, "-5001");
  leave(109);  // leaving the field checks it as well, and the focus comes back
  ASSERT_EQ(prompt::ShownPrompts().size(), 1);
  EXPECT_EQ(prompt::ShownPrompts().first().text,
            "The value entered for P1.09 is too low!\r" + kPrevious);
  EXPECT_EQ(field(109)->text(), "100");
  EXPECT_TRUE(field(109)->hasFocus());

  prompt::ClearShownPrompts();
  type(105, "100");  // the maximum itself is fine
  ctrlEnter(105);
  EXPECT_TRUE(prompt::ShownPrompts().isEmpty());
}

TEST_F(EditorTest, TextThatIsNotANumberIsRefusedAndNeverWritten) {
  load(21, 200, 21);
  basMain::ExpressActive = true;  // no drive: a write would end in the lost-connection prompts
  for (const QString& typo : {QStringLiteral("abc"), QStringLiteral("1O0")}) {
    prompt::ClearShownPrompts();
    type(104, typo);
    ctrlEnter(104);
    ASSERT_EQ(prompt::ShownPrompts().size(), 1) << prompts().join("\n").toStdString();
    EXPECT_EQ(prompt::ShownPrompts().first().title, "Value Out Of Range");
    EXPECT_EQ(prompt::ShownPrompts().first().text,
              "The value entered for P1.04 is not a number!\r" + kPrevious);
    EXPECT_EQ(field(104)->text(), "100");
    EXPECT_EQ(WorkingConfig.P(1, 4), 100);
    EXPECT_TRUE(field(104)->hasFocus());
  }
}

TEST_F(EditorTest, EveryLeaveOfAChangedFieldIsCheckedHoweverTheFocusCameBack) {
  load(21, 200, 21);
  answerWithRealBoxes();  // the refusal is a window of its own: the focus leaves and returns
  type(105, "150");
  leave(105);
  ASSERT_TRUE(apptest::WaitFor(
      [&] { return QApplication::activeWindow() == main.get() && field(105)->hasFocus(); }, 5000))
      << prompts().join("\n").toStdString() << " active "
      << (QApplication::activeWindow() ? QApplication::activeWindow()->objectName().toStdString()
                                       : "none")
      << " focus "
      << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString()
                                      : "none");
  ASSERT_EQ(prompt::ShownPrompts().size(), 1);
  EXPECT_EQ(field(105)->text(), "100");
  // The next value goes straight into the field the focus came back to.
  QWidget* typing = QApplication::focusWidget();
  QTest::keyClick(typing, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(typing, "1007");
  QTest::keyClick(typing, Qt::Key_Tab);
  ASSERT_TRUE(apptest::WaitFor([] { return prompt::ShownPrompts().size() == 2; }, 5000))
      << "the second leave was not checked";
  EXPECT_EQ(prompt::ShownPrompts()[1].text,
            "The value entered for P1.05 is too high!\r" + kPrevious);
  EXPECT_EQ(field(105)->text(), "100");
  EXPECT_EQ(WorkingConfig.P(1, 5), 100);
}

TEST_F(EditorTest, TheWheelOverAFieldWithoutTheFocusScrollsThePage) {
  load(21, 200, 21);
  editor->findChild<QTabWidget*>("tabDetails")->setCurrentIndex(2);
  QComboBox* list = editor->cmbP(251);  // "00 - Servo Off"
  QScrollBar* bar = nullptr;
  for (QWidget* w = list; w && !bar; w = w->parentWidget())
    if (auto* area = qobject_cast<QScrollArea*>(w)) bar = area->verticalScrollBar();
  ASSERT_NE(bar, nullptr);
  ASSERT_GT(bar->maximum(), 0);
  field(249)->setFocus(Qt::MouseFocusReason);
  for (QWidget* over : {static_cast<QWidget*>(list), static_cast<QWidget*>(field(250))}) {
    const int scrolled = bar->value();
    apptest::WheelNotch(over);
    EXPECT_GT(bar->value(), scrolled) << over->objectName().toStdString();
  }
  EXPECT_EQ(list->currentIndex(), 0);
  EXPECT_EQ(field(251)->text(), "0");
  EXPECT_EQ(WorkingConfig.P(2, 51), 0);
  EXPECT_TRUE(field(249)->hasFocus());
  // A list the technician has clicked into takes the wheel as a choice.
  list->setFocus(Qt::MouseFocusReason);
  apptest::WheelNotch(list);
  EXPECT_EQ(field(251)->text(), "1");
}

TEST(P101Rule, P136FollowsTheControlMode) {
  using editorValues::P136Change;
  struct Row {
    int32_t p101, p136;
    P136Change change;
  };
  for (const Row& row : {
           Row{0, 1, P136Change::SetToZero},  // leaving a position-register mode, P1.36 = 1
           Row{2, 1, P136Change::SetToZero},
           Row{102, 20, P136Change::SetToZero},
           Row{0, 0, P136Change::None},
           Row{0, -1, P136Change::None},
           Row{1, 0, P136Change::SetToTwenty},
           Row{101, 0, P136Change::SetToTwenty},
           Row{1, -5, P136Change::SetToTwenty},
           Row{1, 1, P136Change::None},
           Row{101, 20, P136Change::None},
       }) {
    EXPECT_EQ(editorValues::DependencyOfP101(row.p101, row.p136), row.change)
        << row.p101 << ", " << row.p136;
  }
}

TEST_F(EditorTest, BoundaryValuesAreTakenAsShownOrRefusedWhereverTheyAreEntered) {
  load(21, 210, 21);
  for (const boundary::Value& value : boundary::kValues) {
    SCOPED_TRACE(value.text);
    for (const auto& [k, expected] :
         {std::pair{308, value.unsignedParam}, std::pair{144, value.signedParam}}) {
      SCOPED_TRACE(k);
      const int32_t before = WorkingConfig.byIndex(k);
      const QString shownBefore = field(k)->text();
      prompt::ClearShownPrompts();
      type(k, value.text);
      leave(k);
      if (expected) {
        EXPECT_EQ(prompts(), QStringList());
        EXPECT_EQ(WorkingConfig.byIndex(k), *expected);
        EXPECT_EQ(field(k)->text(), QString::number(*expected)) << "the value that is stored";
      } else {
        ASSERT_EQ(prompt::ShownPrompts().size(), 1);
        EXPECT_EQ(prompt::ShownPrompts()[0].title, "Value Out Of Range");
        EXPECT_EQ(WorkingConfig.byIndex(k), before);
        EXPECT_EQ(field(k)->text(), shownBefore);
      }
    }
    // The bit editor and the wizard start from their row: text not yet confirmed is checked
    // first. P2.31 (0..255) takes only 0 of these.
    for (const auto& [k, fits] : {std::pair{308, value.unsignedParam.has_value()},
                                  std::pair{231, QLatin1String(value.text) == "0"}}) {
      SCOPED_TRACE(k);
      prompt::ClearShownPrompts();
      type(k, value.text);
      editor->cmdParamWiz_Click(k);
      QWidget* opened = k == 308 ? static_cast<QWidget*>(frm308::instance())
                                 : static_cast<QWidget*>(frmParamWiz::instance());
      EXPECT_EQ(opened != nullptr, fits);
      EXPECT_EQ(prompt::ShownPrompts().size(), fits ? 0 : 1);
      if (k == 308 && opened) {
        EXPECT_EQ(frm308::instance()->Value(), value.unsignedParam.value_or(-1));
      }
      if (opened) host::UnloadWindow(opened);
      QApplication::processEvents();
    }
  }
}

TEST_F(EditorTest, ControlModeBringsP136InLine) {
  load(21, 200, 21);
  type(101, "1");
  ctrlEnter(101);
  EXPECT_EQ(field(136)->text(), "20");
  EXPECT_EQ(WorkingConfig.P(1, 36), 20);
  ASSERT_EQ(prompt::ShownPrompts().size(), 1);
  EXPECT_EQ(prompt::ShownPrompts().first().title, "Parameter Dependency");
  EXPECT_EQ(prompt::ShownPrompts().first().text,
            "You have changed the setting of P1.01 to 1.\rAs a result, the value in P1.36 will "
            "be set to 20.");
  EXPECT_TRUE(basMain::ResetNeeded101);

  prompt::ClearShownPrompts();
  type(101, "2");
  ctrlEnter(101);
  EXPECT_EQ(field(136)->text(), "0");
  ASSERT_EQ(prompt::ShownPrompts().size(), 1);
  EXPECT_EQ(prompt::ShownPrompts().first().text, "The value in P1.36 will be set to 0.");
  EXPECT_FALSE(basFunctions::P101Changed);
}

TEST_F(EditorTest, BitParameterP265OnlyChangesThroughItsEditor) {
  load(21, 210, 21);
  type(265, "5");
  ctrlEnter(265);
  ASSERT_EQ(prompt::ShownPrompts().size(), 1);
  EXPECT_EQ(prompt::ShownPrompts().first().title, "Edit Not Allowed");
  EXPECT_EQ(prompt::ShownPrompts().first().text,
            "Please use the wizard to make changes to this parameter.");
  EXPECT_EQ(field(265)->text(), "0");
  EXPECT_EQ(WorkingConfig.P(2, 65), 0);
}

TEST_F(EditorTest, MeaningAndHexadecimalLabelsFollowTheFields) {
  load(21, 200, 21);
  field(210)->setText("108");
  EXPECT_EQ(editor->lblDODI(210)->text(), "N.C. - Command Trigger (CTRG)");
  field(210)->setText("018");
  EXPECT_EQ(editor->lblDODI(210)->text(), "N.O. - Position / Velocity Mode Switch (S-P)");
  // The contact type is the hundreds digit of the value, however many characters it has.
  for (const char* value : {"8", "08", "008"}) {
    field(210)->setText(value);
    EXPECT_EQ(editor->lblDODI(210)->text(), "N.O. - Command Trigger (CTRG)") << value;
  }
  field(218)->setText("1");
  EXPECT_TRUE(editor->lblDODI(218)->text().startsWith("N.O. - "))
      << editor->lblDODI(218)->text().toStdString();
  field(218)->setText("101");
  EXPECT_TRUE(editor->lblDODI(218)->text().startsWith("N.C. - "));
  load(21, 210, 21);
  field(308)->setText("255");
  EXPECT_EQ(editor->hexLabel(308)->text(), "(HEX FF)");
  for (const char* word : {"65535", "-1"}) {  // one register word either way
    field(308)->setText(word);
    EXPECT_EQ(editor->hexLabel(308)->text(), "(HEX FFFF)") << word;
  }
  EXPECT_EQ(editor->hexLabel(308)->objectName(), "lbl308Hex");
  field(308)->setText("");
  EXPECT_EQ(editor->hexLabel(308)->text(), "");
}

TEST_F(EditorTest, RowsNameTheirParameterAndWorkFromTheKeyboard) {
  load(21, 200, 21);
  EXPECT_EQ(field(105)->accessibleName(), "P1.05");
  EXPECT_EQ(editor->cmbP(131)->accessibleName(), "P1.31");
  EXPECT_EQ(editor->cmdParamWiz(101)->accessibleName(), "P1.01 Wizard");

  // Enter moves on like Tab and writes nothing; the tab order is the catalogue's.
  basMain::ExpressActive = true;
  type(129, "5");
  QTest::keyClick(field(129), Qt::Key_Return);
  EXPECT_EQ(QApplication::focusWidget(), field(130));
  QTest::keyClick(field(130), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), editor->cmbP(131));  // a list row takes its list
  QTest::keyClick(editor->cmbP(131), Qt::Key_Down);
  EXPECT_EQ(field(131)->text(), "22");
  QTest::keyClick(editor->cmbP(131), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), field(132));
  QApplication::processEvents();
  EXPECT_TRUE(prompt::ShownPrompts().isEmpty()) << prompts().join("\n").toStdString();
}

// Text that a widget shows cut: what it needs is wider than what it has.
QStringList cutTexts(QWidget* page) {
  QStringList cut;
  for (QLabel* label : page->findChildren<QLabel*>()) {
    if (!label->isVisible() || label->text().isEmpty() || label->wordWrap()) continue;
    if (label->width() < label->fontMetrics().horizontalAdvance(label->text()))
      cut << label->objectName() + ": " + label->text();
  }
  for (QComboBox* list : page->findChildren<QComboBox*>())
    if (list->isVisible() && list->width() < list->sizeHint().width())
      cut << list->objectName() + ": " + list->currentText();
  return cut;
}

TEST_F(EditorTest, EveryRowReadsWholeAndTheWindowKeepsToTheChildWindowArea) {
  load(21, 210, 21);
  auto* frame = qobject_cast<QMdiSubWindow*>(editor->parentWidget());
  ASSERT_NE(frame, nullptr);
  auto* tabs = editor->findChild<QTabWidget*>("tabDetails");
  for (const QSize size : {QSize(1024, 720), QSize(1366, 768)}) {
    SCOPED_TRACE(size.width());
    main->resize(size);
    QApplication::processEvents();
    editor->ShowWindow();
    QApplication::processEvents();
    const QRect area = frame->mdiArea()->viewport()->rect();
    EXPECT_LE(area.height(), size.width() == 1024 ? 430 : 480);
    EXPECT_TRUE(area.contains(frame->geometry())) << frame->height() << " in " << area.height();
    QWidget* close = editor->findChild<QPushButton*>("cmdClose");
    EXPECT_TRUE(
        area.contains(QRect(close->mapTo(frame->mdiArea()->viewport(), QPoint()), close->size())));
    EXPECT_FALSE(QAccessible::queryAccessibleInterface(frame)->state().offscreen);
    EXPECT_FALSE(QAccessible::queryAccessibleInterface(editor)->state().invisible);
    if (size.width() < 1366) continue;
    for (int tab = 0; tab < tabs->count(); ++tab) {
      tabs->setCurrentIndex(tab);
      QApplication::processEvents();
      auto* page = qobject_cast<QScrollArea*>(tabs->currentWidget());
      ASSERT_NE(page, nullptr);
      EXPECT_FALSE(page->horizontalScrollBar()->isVisible()) << "tab " << tab;
      EXPECT_EQ(cutTexts(page->widget()), QStringList()) << "tab " << tab;
      for (int k = tab * 100; k < tab * 100 + 100; ++k) {
        QLabel* units = editor->lblPUnits(k);
        if (!units || !units->isVisible()) continue;
        const int gap = units->mapTo(page, QPoint()).x() -
                        field(k)->mapTo(page, QPoint(field(k)->width(), 0)).x();
        EXPECT_LT(gap, 20) << "the unit of P" << k << " stands apart from its value";
      }
    }
  }
  EXPECT_TRUE(editor->findChild<QPushButton*>("cmdDiagram")->isHidden());
}

TEST_F(EditorTest, DetailedViewShowsTheEditorAndClosingOnlyHidesIt) {
  load(21, 200, 21);
  editor->HideWindow();
  main->RunCommand("mnuDetail");
  EXPECT_TRUE(editor->isVisible());
  EXPECT_EQ(editor->windowTitle(), "  Detailed Configuration");
  editor->parentWidget()->close();
  EXPECT_FALSE(editor->isVisible());
  EXPECT_EQ(frmTabConfig::instance(), editor);

  basMain::ExpressActive = true;
  main->tmrMain_Timer();
  EXPECT_EQ(editor->findChild<QLabel*>("XWrites")->text(),
            "Express Writes Functionality is Enabled, Ctrl-Enter to Write to Servo");
}

}  // namespace
}  // namespace editortest
