// The recent-files list in the per-user store and the Program Options window, end to end
// without a drive: limits, order, restarts, options stored and in force.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>

#include "config/bas_ruf.h"
#include "config_fixture.h"
#include "core/app_state.h"
#include "shell/frm_main.h"
#include "shell/frm_options.h"

namespace configtest {
namespace {

QSettings store() {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, "Velumo Pro", "Velumo Pro");
}

class ConfigSettingsTest : public ConfigProgramTest {
 protected:
  void SetUp() override {
    ConfigProgramTest::SetUp();
    store().clear();
    basRUF::RecentCount = 0;
    basRUF::RecentMax = 0;
  }
  void restart() {
    program.stop();
    basRUF::RecentCount = 0;
    startProgram();
  }
  // The visible entries of the recent-files list, top first.
  QStringList menu() const {
    QStringList paths;
    for (int i = 1; basRUF::mnuRUF(i); ++i)
      if (basRUF::mnuRUF(i)->isVisible()) paths << basRUF::MenuCaption(i);
    return paths;
  }
  // The paths in the store (rotating leaves empty keys up to the old limit).
  QStringList stored() const {
    QStringList paths;
    const QSettings settings = store();
    for (int i = 1; i <= 25; ++i) {
      const QString path = settings.value(QStringLiteral("Recent Files/%1").arg(i)).toString();
      if (!path.isEmpty()) paths << path;
    }
    return paths;
  }
  QVariant setting(const QString& column) const {
    QVariant value;
    {
      QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "settings-check");
      db.setDatabaseName(folder.dataFile("VM.vmd"));
      db.open();
      QSqlQuery query(db);
      query.exec("select " + column + " from tblCustInfo where RecNum = 1");
      if (query.next()) value = query.value(0);
    }
    QSqlDatabase::removeDatabase("settings-check");
    return value;
  }
};

TEST_F(ConfigSettingsTest, RecentFilesKeepTheirLimitAndStoredOrderAcrossRestarts) {
  startProgram();
  EXPECT_EQ(menu(), QStringList{});
  basRUF::doCheckFiles("/c/a.vmc");
  EXPECT_EQ(menu(), QStringList{"/c/a.vmc"});
  EXPECT_EQ(store().value("Recent Files/1").toString(), "/c/a.vmc");
  EXPECT_EQ(store().value("Config/noRUF").toString(), "1");
  basRUF::doCheckFiles("/c/b.vmc");
  basRUF::doCheckFiles("/c/c&d.vmc");
  EXPECT_EQ(menu(), (QStringList{"/c/c&d.vmc", "/c/b.vmc", "/c/a.vmc"}));
  EXPECT_EQ(basRUF::mnuRUF(1)->text(), "/c/c&&d.vmc") << "an ampersand is no shortcut mark";
  basRUF::doCheckFiles("/c/c&d.vmc");
  EXPECT_EQ(menu(), (QStringList{"/c/c&d.vmc", "/c/b.vmc", "/c/a.vmc"}));

  // Used again from position 3: top of the menu, but the store keeps its order.
  basRUF::doCheckFiles("/c/a.vmc");
  EXPECT_EQ(menu(), (QStringList{"/c/a.vmc", "/c/c&d.vmc", "/c/b.vmc"}));
  restart();
  EXPECT_EQ(menu(), (QStringList{"/c/c&d.vmc", "/c/b.vmc", "/c/a.vmc"}));

  // A limit of 2: the oldest path leaves the menu and the store.
  basMain::MaxRecentFiles = 2;
  basRUF::doCheckFiles("/c/e.vmc");
  EXPECT_EQ(menu(), (QStringList{"/c/e.vmc", "/c/c&d.vmc"}));
  EXPECT_EQ(stored(), (QStringList{"/c/e.vmc", "/c/c&d.vmc"}));
  restart();
  EXPECT_EQ(menu(), (QStringList{"/c/e.vmc", "/c/c&d.vmc"}));
  for (float chosen : {0.f, 25.f}) {
    basMain::MaxRecentFiles = chosen;
    basRUF::getMaxFiles();
    EXPECT_EQ(basRUF::RecentMax, 4) << chosen;
  }
}

TEST_F(ConfigSettingsTest, OptionsShowTheStoredSettingsAndSaveTakesEffectAtOnce) {
  folder.setSetting("ExpressWrites", 0);
  folder.setSetting("TextTip", 1);
  startProgram();
  basMain::TextTip = false;
  for (const char* path : {"/c/1.vmc", "/c/2.vmc", "/c/3.vmc", "/c/4.vmc"})
    basRUF::doCheckFiles(path);
  ASSERT_EQ(menu().size(), 4);

  main->RunCommand("mnuOptions");
  frmOptions* options = frmOptions::instance();
  ASSERT_NE(options, nullptr);
  EXPECT_EQ(options->windowTitle(), " Program Options");
  EXPECT_TRUE(basMain::TextTip) << "opening the window puts a stored TextTip in force";
  EXPECT_EQ(options->lblOptions(3)->text(), "Enable Express Writes");
  EXPECT_EQ(options->lblOptions(10)->text(), "Number of Previous Files:");
  EXPECT_TRUE(options->chkOptions(1)->isChecked());
  EXPECT_FALSE(options->chkOptions(3)->isChecked());
  EXPECT_FALSE(options->chkOptions(4)->isEnabled()) << "confirmations need express writes";
  EXPECT_EQ(options->cmbFiles()->currentText(), "4");

  options->chkOptions(3)->setChecked(true);
  EXPECT_TRUE(options->chkOptions(4)->isEnabled());
  EXPECT_TRUE(options->lblOptions(4)->isEnabled());
  options->chkOptions(5)->setChecked(false);
  options->cmbFiles()->setCurrentIndex(1);  // "2"
  options->cmdSave_Click();
  EXPECT_TRUE(statusListHas("Options Saved to Disk"));
  EXPECT_EQ(setting("ExpressWrites").toInt(), 1);
  EXPECT_EQ(setting("ConfirmTuning").toInt(), 0);
  EXPECT_EQ(setting("PreviousFiles").toInt(), 1);
  EXPECT_TRUE(basMain::ExpressWritesOption);
  EXPECT_TRUE(basMain::ExpressActive);
  EXPECT_FALSE(basMain::ConfirmTuning);
  EXPECT_EQ(basMain::MaxRecentFiles, 2);
  EXPECT_EQ(menu(), (QStringList{"/c/4.vmc", "/c/3.vmc"})) << "the list follows the new length";
  EXPECT_EQ(stored().size(), 2);

  options->chkOptions(3)->setChecked(false);
  EXPECT_FALSE(options->chkOptions(4)->isEnabled());
  options->cmdSave_Click();
  EXPECT_FALSE(basMain::ExpressActive);
  options->cmdClose_Click();
  EXPECT_TRUE(prompt::ShownPrompts().isEmpty()) << shown().join("\n").toStdString();
  restart();
  EXPECT_EQ(menu().size(), 2);
}

}  // namespace
}  // namespace configtest
