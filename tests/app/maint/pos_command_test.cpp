// Position commands against the virtual drive: the commands the position-select inputs can
// reach, a write confirmed by the read-back and taken into the configuration on request, a
// number beyond the 16-bit register or a text that is not a number refused, and a read-back
// mismatch reported.
#include <QLabel>
#include <QLineEdit>

#include "core/app_state.h"
#include "core/status.h"
#include "maint/frm_maintenance.h"
#include "maint/frm_pos_command.h"
#include "maint_fixture.h"
#include "params/value_table.h"

namespace mainttest {
namespace {

using apptest::Answer;
using basFunctions::WorkingConfig;

class PosCommandTest : public MaintTest {
 protected:
  QLineEdit* box(frmPosCommand* window, int index) {
    return find<QLineEdit>(window, QString("txtPosCommand_%1").arg(index));
  }
  // Writes with the specified 2 s for the polls to bring the values back.
  void write(frmPosCommand* window) {
    prompt::ClearShownPrompts();
    basFunctions::PauseScale = 1;
    find(window, "cmdWrite")->click();
    basFunctions::PauseScale = 0;
  }
};

TEST_F(PosCommandTest, CommandsAreEditableAsTheSelectInputsReachThemAndWritesAreReadBack) {
  startConnected(200);
  frmMaintenance* screen = openScreen();
  ASSERT_NE(screen, nullptr);
  prompt::ClearShownPrompts();
  screen->cmdPosMove_Click();  // mode Pt
  EXPECT_EQ(shown(), QStringList{" Function Not Available | This function is only available in "
                                 "Pr mode."});
  closeScreen();

  // Pr mode with POS1 (P2.11 = 112) and POS2 (P2.12 = 13): commands 1, 3, 5 and 7.
  preset("P1.01", 1);
  preset("P2.11", 112);
  preset("P2.12", 13);
  preset("P1.33", 1);
  screen = openScreen();
  ASSERT_NE(screen, nullptr);
  ASSERT_TRUE(find(screen, "cmdPosMove")->isEnabled());
  find(screen, "cmdPosMove")->click();
  frmPosCommand* window = frmPosCommand::Instance();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(find<QLabel>(window, "lblMoveType")->text(), "Incremental Position Command");
  for (int k = 1; k <= 8; ++k) {
    const bool editable = k == 1 || k == 3 || k == 5 || k == 7;
    EXPECT_EQ(box(window, 113 + 2 * k)->isEnabled(), editable) << k;
    EXPECT_EQ(box(window, 114 + 2 * k)->isEnabled(), editable) << k;
  }

  const int32_t configured = WorkingConfig.P(1, 19);
  box(window, 119)->setText("12");
  box(window, 120)->setText("-345");
  write(window);
  EXPECT_EQ(shown(), QStringList{" Action Confirmed | Write to drive was successful."});
  EXPECT_EQ(reg("P1.19"), 12);
  EXPECT_EQ(reg("P1.20"), -345);
  EXPECT_EQ(WorkingConfig.P(1, 19), configured);  // until the technician takes them

  // The closing offers to take the written values into the configuration.
  basMain::ConfigDirty = false;
  prompt::ClearShownPrompts();
  closeScreen({Answer(prompt::Ok), Answer(prompt::Yes), Answer(prompt::No)});
  EXPECT_EQ(shown().value(0).section(" | ", 0, 0), "Drive Settings May Have Changed");
  EXPECT_EQ(shown().value(1).section(" | ", 0, 0), "Data has changed");
  EXPECT_EQ(shown().value(2).section(" | ", 0, 0), "Save Configuration");
  EXPECT_EQ(WorkingConfig.P(1, 19), 12);
  EXPECT_EQ(WorkingConfig.P(1, 20), -345);
  EXPECT_TRUE(basMain::ConfigDirty);
  EXPECT_TRUE(errorLog().isEmpty()) << errorLog().join("\n").toStdString();
}

TEST_F(PosCommandTest, AnOutOfRangeNumberIsRefusedAndAMismatchReported) {
  startConnected(200);
  preset("P1.01", 1);
  ASSERT_NE(openScreen(), nullptr);
  frmPosCommand* window = frmPosCommand::Display();
  ASSERT_NE(window, nullptr);
  QLineEdit* revolutions = box(window, 115);
  revolutions->setText("4000");
  prompt::ClearShownPrompts();
  revolutions->setText("40000");
  EXPECT_EQ(shown(), QStringList{"Incorrect Entry | A position command must be a whole number "
                                 "from -32768 to 32767."});
  EXPECT_EQ(revolutions->text(), "4000");
  EXPECT_EQ(basMaint::PosCommandEdit[115], 4000);
  EXPECT_EQ(reg("P1.15"), 0);  // nothing written
  // Text that is not a number is refused at Write, never sent as its leading digits or 0.
  for (const char* text : {"12abc", "xyz", ""}) {
    box(window, 116)->setText(text);
    write(window);
    EXPECT_EQ(shown(), QStringList{"Incorrect Entry | A position command must be a whole "
                                   "number from -32768 to 32767."})
        << text;
    EXPECT_EQ(reg("P1.15"), 0) << text;
  }
  box(window, 116)->setText("0");

  // The drive refuses 20000 pulses (at most 9999): the read-back differs in P1.30 only.
  revolutions->setText("0");
  box(window, 130)->setText("20000");
  write(window);
  EXPECT_EQ(shown(), QStringList{" Action Confirmed | Write to drive was not successful."});
  EXPECT_EQ(reg("P1.30"), 0);
  EXPECT_FALSE(basMaint::PosCommandChanged);
  EXPECT_TRUE(errorLog().isEmpty()) << errorLog().join("\n").toStdString();
}

}  // namespace
}  // namespace mainttest
