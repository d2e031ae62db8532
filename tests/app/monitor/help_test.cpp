// The help window: the three Help entries open it on their tab, and the help built at build
// time has its contents, index and search.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QHelpContentModel>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexModel>
#include <QHelpIndexWidget>
#include <QHelpSearchEngine>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>

#include "app_harness.h"
#include "core/app_state.h"
#include "shell/frm_main.h"
#include "shell/help/frm_help.h"

namespace {

// Pages found by the search engine for a word, once the index built in the background is there
// (a search before that finds nothing and is asked again).
int searchHits(QHelpEngine* engine, const QString& word) {
  int hits = 0;
  bool searching = false;
  const auto connection = QObject::connect(engine->searchEngine(),
                                           &QHelpSearchEngine::searchingFinished, [&](int count) {
                                             hits = count;
                                             searching = false;
                                           });
  apptest::WaitFor(
      [&] {
        if (hits == 0 && !searching) {
          searching = true;
          engine->searchEngine()->search(word);
        }
        return hits > 0;
      },
      60000);
  QObject::disconnect(connection);
  return hits;
}

class HelpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* file : {"Velumo_Help.qhc", "Velumo_Help.qch"})
      ASSERT_TRUE(
          QFile::copy(apptest::BuiltProgramFolder() + "/" + file, folder.path() + "/" + file))
          << file;
    main = program.start();
    ASSERT_NE(main, nullptr);
  }
  apptest::ProgramFolder folder;
  apptest::Program program;
  frmMain* main = nullptr;
};

TEST_F(HelpTest, EachHelpEntryOpensItsTabOfTheProgramsHelp) {
  EXPECT_EQ(basMain::HelpFile, folder.path() + "/Velumo_Help.qhc");
  const struct {
    const char* entry;
    int tab;
    const char* caption;
  } entries[] = {{"mnuIndex", frmHelp::Index, "I&ndex"},
                 {"mnuContents", frmHelp::Contents, "&Contents"},
                 {"mnuSearch", frmHelp::Search, "&Search"}};
  for (const auto& entry : entries) {
    main->action(entry.entry)->trigger();
    frmHelp* help = basMain::HelpWindow;
    ASSERT_NE(help, nullptr) << entry.entry;
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->navigation()->currentIndex(), entry.tab) << entry.entry;
    EXPECT_EQ(help->navigation()->tabText(entry.tab), entry.caption);
  }
  // The toolbar's help button opens the contents of the same window.
  frmHelp* help = basMain::HelpWindow;
  main->tbrMain_ButtonClick(18);
  EXPECT_EQ(basMain::HelpWindow, help);
  EXPECT_EQ(help->navigation()->currentIndex(), frmHelp::Contents);

  // The opening page, the contents and an index entry that shows its page.
  EXPECT_EQ(help->browser()->documentTitle(), "Velumo PRO Help");
  QHelpEngine* engine = help->engine();
  ASSERT_TRUE(apptest::WaitFor([&] { return engine->contentModel()->rowCount() > 0; }, 30000));
  ASSERT_TRUE(apptest::WaitFor([&] { return engine->indexModel()->rowCount() > 20; }, 30000));
  help->indexLookFor()->setText("Auto Detect");
  engine->indexWidget()->activateCurrentItem();
  EXPECT_EQ(help->browser()->documentTitle(), "Finding a drive with Auto Detect");

  // Search finds the pages that mention a word: connecting and auto-detect for "passcode", the
  // page on adapters for the words a Linux newcomer looks for.
  EXPECT_GE(searchHits(engine, "passcode"), 2);
  for (const char* word : {"permission", "dialout", "USB"}) EXPECT_GE(searchHits(engine, word), 1);
}

TEST_F(HelpTest, LinksBetweenPagesAndOneClickInContentsOpenThePage) {
  frmHelp* help = frmHelp::ShowTab(frmHelp::Contents);
  ASSERT_NE(help, nullptr);
  QHelpContentWidget* contents = help->engine()->contentWidget();
  ASSERT_TRUE(
      apptest::WaitFor([&] { return help->engine()->contentModel()->rowCount() > 0; }, 30000));
  contents->expandAll();
  const QModelIndex adapters =
      contents->indexOf(QUrl("qthelp://velumopro.help/doc/pages/serial_adapters.html"));
  ASSERT_TRUE(adapters.isValid());
  QTest::mouseClick(contents->viewport(), Qt::LeftButton, {},
                    contents->visualRect(adapters).center());
  EXPECT_EQ(help->browser()->documentTitle(), "Serial adapters and permissions");

  // A link of the page is followed in the window, not handed to the desktop.
  QTextBrowser* page = help->browser();
  QTextCursor link = page->document()->find("Connecting to a drive");
  ASSERT_FALSE(link.isNull());
  page->show();
  page->ensureCursorVisible();
  QTextCursor middle(page->document());
  middle.setPosition((link.selectionStart() + link.selectionEnd()) / 2);
  page->setTextCursor(middle);
  page->ensureCursorVisible();
  QTest::mouseClick(page->viewport(), Qt::LeftButton, {}, page->cursorRect(middle).center());
  EXPECT_EQ(page->documentTitle(), "Connecting to a drive");
  EXPECT_EQ(page->source().scheme(), "qthelp");
}

TEST_F(HelpTest, AnInstalledProgramReadsItsHelpFromTheUsersCacheWhoeverRunsIt) {
  // The build's folder here is writable (CI runs as root): the install layout decides, not that.
  const QString shipped = folder.path() + "/Velumo_Help.qhc";
  EXPECT_EQ(frmHelp::CollectionInUse(shipped, false), shipped);
  const QString copy = frmHelp::CollectionInUse(shipped, true);
  EXPECT_TRUE(copy.startsWith(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)))
      << copy.toStdString();
  EXPECT_TRUE(QFileInfo(copy).isFile());
  EXPECT_TRUE(QFileInfo(QFileInfo(copy).path() + "/Velumo_Help.qch").isFile());
}

TEST_F(HelpTest, AMissingHelpFileIsTold) {
  QFile::remove(folder.path() + "/Velumo_Help.qhc");
  prompt::ScriptReplies({});
  main->RunCommand("mnuContents");
  EXPECT_EQ(basMain::HelpWindow, nullptr);
  ASSERT_EQ(prompt::ShownPrompts().size(), 1);
  EXPECT_EQ(prompt::ShownPrompts()[0].text,
            "The help file " + folder.path() + "/Velumo_Help.qhc could not be found.");
}

}  // namespace
