// The status list, the responsive pause and the window test.
#include "core/status.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QListWidget>
#include <QTimer>
#include <memory>

#include "app_harness.h"
#include "core/led_bar.h"
#include "core/logs.h"
#include "shell/frm_main.h"

namespace {

class StatusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    prompt::ScriptReplies({});
    main = std::make_unique<frmMain>();
    main->show();
    list = main->findChild<QListWidget*>("lstMain");
    bar = main->findChild<LedBar*>("ledBar");
    lower = main->findChild<QWidget*>("bmpLowerPic");
  }
  apptest::ProgramFolder folder;
  std::unique_ptr<frmMain> main;
  QListWidget* list = nullptr;
  LedBar* bar = nullptr;
  QWidget* lower = nullptr;
};

TEST_F(StatusTest, StatusAddsTimestampedLinesOnTopAndMovesTheBar) {
  ASSERT_TRUE(list && bar && lower);
  lower->hide();
  basFunctions::Status(0, 0, "");
  EXPECT_TRUE(lower->isVisible());
  EXPECT_EQ(list->count(), 0);
  EXPECT_EQ(bar->position(), 0);

  bar->hide();
  basFunctions::Status(1, 460, "Initializing, please be patient......");
  EXPECT_TRUE(bar->isVisible());
  EXPECT_EQ(bar->position(), 460);
  ASSERT_EQ(list->count(), 1);
  EXPECT_TRUE(list->item(0)->text().endsWith(" - Initializing, please be patient......"));

  basFunctions::Status(0, 0, "Initialization Complete");
  EXPECT_EQ(bar->position(), 0);
  EXPECT_TRUE(bar->isVisible());  // mode 0 leaves the visibility alone
  ASSERT_EQ(list->count(), 2);
  EXPECT_TRUE(list->item(0)->text().endsWith(" - Initialization Complete"));
  EXPECT_TRUE(list->item(0)->text().startsWith(basFunctions::GeneralDateTime().left(6)));
}

TEST_F(StatusTest, LedBarKeepsItsPositionWithinRange) {
  bar->setPosition(1500);
  EXPECT_EQ(bar->position(), LedBar::kMaximum);
  EXPECT_EQ(bar->litSegments(), LedBar::kSegments);
  bar->setPosition(-3);
  EXPECT_EQ(bar->position(), 0);
  EXPECT_EQ(bar->litSegments(), 0);
}

TEST_F(StatusTest, WaitaWhileKeepsTimersRunningWhileItWaits) {
  int ticks = 0;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
  timer.start(50);
  QElapsedTimer clock;
  clock.start();
  basFunctions::WaitaWhile(0.5);
  EXPECT_GE(clock.elapsed(), 490);
  EXPECT_GE(ticks, 3);
  clock.restart();
  basFunctions::WaitaWhile(0.01);
  EXPECT_GE(clock.elapsed(), 9);
}

TEST_F(StatusTest, FormIsOpenMatchesLoadedWindowsByExactName) {
  EXPECT_TRUE(basFunctions::FormIsOpen("frmMain"));
  EXPECT_FALSE(basFunctions::FormIsOpen("frmScope"));
  auto scope = std::make_unique<QWidget>();
  scope->setObjectName("frmScope");
  EXPECT_TRUE(basFunctions::FormIsOpen("frmScope"));  // loaded, even while hidden
  EXPECT_FALSE(basFunctions::FormIsOpen("FRMSCOPE"));
  EXPECT_FALSE(basFunctions::FormIsOpen("lstMain"));  // a control is not a window
  scope.reset();
  EXPECT_FALSE(basFunctions::FormIsOpen("frmScope"));
}

}  // namespace
