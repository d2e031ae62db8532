// The bit-field editors of P2.65 and P3.08: bits shown from the editor field, toggles and the
// fast-function options, the hexadecimal value, and the confirmed update of the field.
#include <QPushButton>
#include <QRadioButton>

#include "core/prompt.h"
#include "editor/frm_265.h"
#include "editor/frm_308.h"
#include "editor_fixture.h"

using basFunctions::WorkingConfig;

namespace editortest {
namespace {

TEST_F(EditorTest, P265EditorShowsAndSetsTheFastInputFunction) {
  load(21, 210, 21);
  WorkingConfig.P(2, 65) = 8;  // as a file or the drive holds it
  main->LoadTab();
  editor->cmdParamWiz(265)->click();
  frm265* bits = frm265::instance();
  ASSERT_NE(bits, nullptr);
  EXPECT_EQ(bits->windowTitle(), " Parameter Wizard");
  EXPECT_EQ(bits->lblBits(3)->text(), "1");
  EXPECT_EQ(bits->lblHexVal()->text(), "8");
  EXPECT_TRUE(bits->opt543(1)->isChecked());
  EXPECT_EQ(bits->opt543(1)->text(), "001: Position Latch on DI8");
  EXPECT_NE(field(265)->styleSheet(), QString());  // the edited field is highlighted

  bits->opt543_Click(0);  // "000: Fast DI Function Disabled"
  EXPECT_EQ(bits->Value(), 0);
  bits->lblBits_Click(10);  // a toggle bit
  bits->lblBits_Click(4);   // a fast-function bit: only the options set it
  bits->lblBits_Click(7);   // reserved
  EXPECT_EQ(bits->Value(), 1024);
  EXPECT_EQ(bits->lblHexVal()->text(), "400");

  prompt::ScriptReplies({apptest::Answer(prompt::Cancel)});
  bits->cmdUpdate_Click();
  EXPECT_EQ(prompt::ShownPrompts().first().text,
            "The value for P2.65 will now be updated to 1024 (Dec).");
  EXPECT_EQ(field(265)->text(), "8");  // cancelled: field and window as they were
  EXPECT_EQ(frm265::instance(), bits);

  prompt::ScriptReplies({apptest::Answer(prompt::Ok)});
  bits->cmdUpdate_Click();
  QApplication::processEvents();
  EXPECT_EQ(frm265::instance(), nullptr);
  EXPECT_EQ(field(265)->text(), "1024");
  EXPECT_EQ(WorkingConfig.P(2, 65), 1024);
  EXPECT_EQ(field(265)->styleSheet(), QString());
}

TEST_F(EditorTest, P308EditorPutsInputsUnderModbusControlBitByBit) {
  load(21, 210, 21);
  editor->cmdParamWiz(308)->click();
  frm308* bits = frm308::instance();
  ASSERT_NE(bits, nullptr);
  EXPECT_EQ(bits->lblDesc(1)->text(), "DI1 - Functionality Set By Parameter P2.10");
  EXPECT_EQ(bits->lblDesc(16)->text(), "DI16 - Jog Reverse");
  QTest::mouseClick(bits->lblBits(15), Qt::LeftButton);  // DI16
  EXPECT_EQ(bits->Value(), 32768);
  EXPECT_EQ(bits->lblHexVal()->text(), "8000");
  prompt::ScriptReplies({apptest::Answer(prompt::Ok)});
  bits->cmdUpdate_Click();
  EXPECT_EQ(prompt::ShownPrompts().first().text,
            "The value for P3.08 will now be updated to 32768 (Dec).");
  EXPECT_EQ(field(308)->text(), "32768");
  EXPECT_EQ(WorkingConfig.P(3, 8), 32768);
  EXPECT_EQ(editor->hexLabel(308)->text(), "(HEX 8000)");
}

}  // namespace
}  // namespace editortest
