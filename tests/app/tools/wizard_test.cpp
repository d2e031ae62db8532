// The parameter wizard: part letters, digits read from short editor values, the settings each
// part selects, the empty-digit refusal, P1.01 with its P1.36 rule, and P2.48 with the slider.
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>

#include "core/prompt.h"
#include "editor/frm_param_wiz.h"
#include "editor/frm_scroll.h"
#include "editor_fixture.h"
#include "params/param_digits.h"

using basFunctions::WorkingConfig;

namespace editortest {
namespace {

using paramDigits::PaddedDigits;

class WizardTest : public EditorTest {
 protected:
  frmParamWiz* open(int k) {
    editor->cmdParamWiz(k)->click();
    return frmParamWiz::instance();
  }
  // The digit fields of the visible parts, left to right.
  static QStringList digits(frmParamWiz* wizard) {
    QStringList shown;
    for (int p = 1; p <= frmParamWiz::kMaxParts; ++p)
      if (!wizard->txtVal(p)->isHidden()) shown.append(wizard->txtVal(p)->text());
    return shown;
  }
  QStringList statusLines() const {
    QStringList lines;
    auto* list = main->findChild<QListWidget*>("lstMain");
    for (int i = 0; i < list->count(); ++i) lines.append(list->item(i)->text());
    return lines;
  }
};

TEST(WizardDigits, LettersPaddingAndComposition) {
  EXPECT_EQ(paramDigits::PartLetters(5), QStringList({"E", "D", "C", "B", "A"}));
  EXPECT_EQ(paramDigits::PartLetters(2), QStringList({"B", "A"}));
  // Short texts are read as padded with leading zeros: the settings belong to the right.
  EXPECT_EQ(PaddedDigits(3, "5", 2), "05");
  EXPECT_EQ(PaddedDigits(248, "80", 3), "080");
  EXPECT_EQ(PaddedDigits(101, "106", 4), "0106");
  EXPECT_EQ(PaddedDigits(101, "", 4), "0000");
  EXPECT_EQ(PaddedDigits(231, "68", 2), "44");  // hexadecimal digits
  EXPECT_EQ(PaddedDigits(231, "10", 2), "0A");
  const auto layout = paramDigits::WizardLayout(101, 4);
  ASSERT_EQ(layout.size(), 3);  // D, C and the two-digit mode
  EXPECT_EQ(layout.at(2).letter, "B A");
  EXPECT_EQ(paramDigits::SplitDigits(layout, "0106"), QStringList({"0", "1", "06"}));
  EXPECT_EQ(paramDigits::ComposeValue(101, 4, {"0", "1", "6"}), 106);  // "6" is mode 06
  EXPECT_EQ(paramDigits::ComposeValue(231, 2, {"F", "F"}), 255);
  EXPECT_EQ(paramDigits::ComposeValue(248, 3, {"0", "", "0"}), std::nullopt);
}

TEST_F(WizardTest, PartsOpenOnThePaddedDigitsOfTheEditorValue) {
  load(21, 210, 21);
  field(3)->setText("5");  // one character: its digit belongs to the last part
  frmParamWiz* wizard = open(3);
  ASSERT_NE(wizard, nullptr);
  EXPECT_EQ(wizard->windowTitle(), " Parameter Wizard");
  EXPECT_EQ(wizard->lblPartLetter(1)->text(), "B");
  EXPECT_EQ(wizard->lblPart(2)->text(), "Part A");
  EXPECT_EQ(digits(wizard), QStringList({"0", "5"}));
  EXPECT_EQ(wizard->cmbPart(2)->currentText(), "5 - MON1: DC Bus Voltage");
  EXPECT_TRUE(wizard->findChild<QPushButton*>("cmdScroll")->isHidden());

  field(101)->setText("106");
  wizard = open(101);
  EXPECT_EQ(wizard->findChild<QLabel*>("lblParam")->text().left(8), "P1.01 - ");
  EXPECT_EQ(digits(wizard), QStringList({"0", "1", "06"}));
  EXPECT_EQ(wizard->lblPartLetter(3)->text(), "B A");
  EXPECT_EQ(wizard->cmbPart(3)->currentText(), "06: Pt - V Dual Mode ");
  EXPECT_EQ(wizard->cmbPart(2)->currentText(), "1 - Forward Is Clockwise");
  EXPECT_FALSE(wizard->cmbPart(1)->isEnabled());  // a single setting
  EXPECT_TRUE(wizard->txtVal(4)->isHidden());

  field(210)->setText("131");  // a normally closed input with a function of revision 2.10
  wizard = open(210);
  EXPECT_EQ(digits(wizard), QStringList({"1", "31"}));
  EXPECT_EQ(wizard->cmbPart(2)->currentText(), "31: Motion Stop (STOP)");

  wizard = open(231);  // default 68 is hexadecimal 44
  EXPECT_EQ(digits(wizard), QStringList({"4", "4"}));
  wizard->cmbPart(1)->setCurrentIndex(15);
  EXPECT_EQ(wizard->txtVal(1)->text(), "F");
  prompt::ScriptReplies({apptest::Answer(prompt::Ok)});
  wizard->cmdUpdate_Click();
  EXPECT_EQ(field(231)->text(), "244");
  EXPECT_EQ(WorkingConfig.P(2, 31), 244);
}

TEST_F(WizardTest, AnEmptyDigitIsRefusedAndChangesNothing) {
  load(21, 200, 21);
  frmParamWiz* wizard = open(102);
  wizard->txtVal(2)->clear();
  wizard->cmdUpdate_Click();
  ASSERT_EQ(prompt::ShownPrompts().size(), 1);
  EXPECT_EQ(prompt::ShownPrompts().first().title, "Additional Information Needed");
  EXPECT_EQ(prompt::ShownPrompts().first().text, "You must select a value for each digit.");
  EXPECT_EQ(prompt::ShownPrompts().first().icon, prompt::Icon::Exclamation);
  EXPECT_EQ(field(102)->text(), "0");
  EXPECT_EQ(frmParamWiz::instance(), wizard);  // still open
}

TEST_F(WizardTest, ControlModeThroughTheWizardBringsP136InLine) {
  load(21, 200, 21);
  frmParamWiz* wizard = open(101);
  wizard->cmbPart(3)->setCurrentIndex(1);  // Position Register mode
  EXPECT_EQ(wizard->txtVal(3)->text(), "01");
  prompt::ScriptReplies({apptest::Answer(prompt::Cancel)});
  wizard->cmdUpdate_Click();
  EXPECT_EQ(field(101)->text(), "0");  // cancelled: nothing changed

  prompt::ClearShownPrompts();
  prompt::ScriptReplies({apptest::Answer(prompt::Ok), apptest::Answer(prompt::Ok)});
  wizard->cmdUpdate_Click();
  ASSERT_EQ(prompt::ShownPrompts().size(), 2) << prompts().join("\n").toStdString();
  EXPECT_EQ(prompt::ShownPrompts().at(0).title, "Configuration About To Change");
  EXPECT_EQ(prompt::ShownPrompts().at(0).text, "The value for P1.01 will now be updated to 1.");
  EXPECT_EQ(prompt::ShownPrompts().at(1).text,
            "You have changed the setting of P1.01 to 1.\rAs a result, the value in P1.36 will "
            "be set to 20.");
  EXPECT_EQ(WorkingConfig.P(1, 1), 1);
  EXPECT_EQ(WorkingConfig.P(1, 36), 20);
  EXPECT_TRUE(statusLines().first().endsWith("Updated P1.01 to 1 from the Parameter Wizard"));
  EXPECT_TRUE(folder.logLines("Event.Log").join("\n").contains("Updated P1.01 to 1 from ParamWiz"));
  QApplication::processEvents();
  EXPECT_EQ(frmParamWiz::instance(), nullptr);  // closed
}

TEST_F(WizardTest, ScrollWindowFillsTheThreeDigitsOfP248) {
  load(21, 200, 21);  // P2.48 default 80
  frmParamWiz* wizard = open(248);
  EXPECT_EQ(digits(wizard), QStringList({"0", "8", "0"}));
  ASSERT_FALSE(wizard->findChild<QPushButton*>("cmdScroll")->isHidden());
  wizard->cmdScroll_Click();
  frmScroll* scroll = frmScroll::instance();
  ASSERT_NE(scroll, nullptr);
  QScrollBar* slider = scroll->FlatScrollBar1();
  EXPECT_EQ(slider->value(), 80);
  EXPECT_EQ(slider->maximum(), 100);
  slider->setValue(95);
  EXPECT_EQ(digits(wizard), QStringList({"0", "9", "5"}));
  scroll->cmdCancel_Click();  // back to the editor's value
  EXPECT_EQ(digits(wizard), QStringList({"0", "8", "0"}));

  wizard->cmdScroll_Click();
  scroll = frmScroll::instance();
  scroll->FlatScrollBar1()->triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(digits(wizard), QStringList({"1", "0", "0"}));
  EXPECT_EQ(wizard->cmbPart(1)->currentText(), "1 - Hundreds: 1 (100 %)");
  scroll->cmdClose_Click();
  prompt::ScriptReplies({apptest::Answer(prompt::Ok)});
  wizard->cmdUpdate_Click();
  EXPECT_EQ(field(248)->text(), "100");
  EXPECT_EQ(WorkingConfig.P(2, 48), 100);
}

}  // namespace
}  // namespace editortest
