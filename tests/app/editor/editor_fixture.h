// The editor tests' surroundings: a main window (which loads the editor hidden) in a private
// program folder, the specified pauses taken out, prompts answered by script, and the shared
// program-wide values set back after every test.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTabWidget>
#include <QTimer>
#include <QtTest/QTest>
#include <memory>

#include "app_harness.h"
#include "core/app_state.h"
#include "core/status.h"
#include "editor/frm_tab_config.h"
#include "editor/param_editor.h"
#include "params/drive_identity.h"
#include "params/value_table.h"
#include "shell/frm_main.h"

namespace editortest {

class EditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    basFunctions::PauseScale = 0;
    prompt::ClearShownPrompts();
    prompt::ScriptReplies({});
    main = std::make_unique<frmMain>();
    editor = frmTabConfig::instance();
    ASSERT_NE(editor, nullptr);
    main->show();
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
  }
  void TearDown() override {
    main.reset();
    basFunctions::PauseScale = 1;
    basMain::ExpressActive = false;
    basMain::ConfirmExpress = false;
    basMain::TextTip = false;
    basMain::ConfigDirty = false;
    basMain::CurrentConfigTitle = QStringLiteral(" ");
    basMain::EditorTag = QStringLiteral("0");
    basFunctions::P101Changed = false;
    basMain::ResetNeeded101 = basMain::ResetNeeded133 = false;
  }

  // A new configuration of one amplifier, revision and motor, shown in the editor.
  void load(int ampCode, int rev, int motor) {
    basFunctions::WorkingConfig.clear();
    basFunctions::WorkingConfig.P(1, 31) = motor;
    basFunctions::ConfigIdentity.revision = QString::number(rev);
    ASSERT_TRUE(basFunctions::getParamData(editor, "tblDriveParameters", ampCode, rev));
    basMain::EditorTag = QStringLiteral("1");
    main->LoadTab();
    editor->ShowWindow();
  }
  QLineEdit* field(int k) const { return editor->txtP(k); }
  // The user puts the cursor into row k and types a new text over the old one.
  void type(int k, const QString& text) {
    editor->findChild<QTabWidget*>("tabDetails")->setCurrentIndex(k / 100);
    field(k)->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    field(k)->selectAll();
    QTest::keyClicks(field(k), text);
  }
  void ctrlEnter(int k) { QTest::keyClick(field(k), Qt::Key_Return, Qt::ControlModifier); }
  // Every prompt shows as a real modal window that closes itself once it has been shown, as
  // a technician's OK: the window takes the focus from the editor, and the window it came
  // from is active again once it has closed (as a window manager makes it).
  static void answerWithRealBoxes() {
    prompt::SetResponder([](const prompt::Shown& shown) {
      const QPointer<QWidget> before = QApplication::activeWindow();
      QMessageBox box(QMessageBox::Warning, shown.title, shown.text, QMessageBox::Ok, before);
      QTimer closer;
      int ticks = 0;
      QObject::connect(&closer, &QTimer::timeout, &box, [&] {
        if ((box.isVisible() && box.isActiveWindow()) || ++ticks > 40) box.accept();
      });
      closer.start(25);
      box.exec();
      if (before) before->activateWindow();
      return prompt::Reply{prompt::Ok, QString()};
    });
  }
  // Moves the focus on and lets the check of the field just left run.
  void leave(int k) {
    QTest::keyClick(field(k), Qt::Key_Tab);
    QApplication::processEvents();
  }
  static QStringList prompts() { return apptest::ShownSummary(); }

  apptest::ProgramFolder folder;
  std::unique_ptr<frmMain> main;
  frmTabConfig* editor = nullptr;
};

}  // namespace editortest
