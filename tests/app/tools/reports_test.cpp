// The comparison with the defaults and the configuration report: the engines on a catalogue
// of their own, and the two menu commands on a loaded configuration.
#include <QFile>
#include <QListWidget>
#include <QRegularExpression>

#include "editor_fixture.h"
#include "params/compare_values.h"
#include "params/config_report.h"
#include "params/param_catalog.h"

using basFunctions::ParamCatalog;
using basFunctions::ValueTable;
using configReport::ReportKind;

namespace editortest {
namespace {

void define(ParamCatalog& catalog, int k, std::optional<double> defaultValue, bool compare,
            float resolution = 1) {
  basFunctions::ParamInfo& info = catalog[k];
  info.loaded = true;
  info.Compare = compare;
  info.defaultValue = defaultValue;
  info.resolution = resolution;
}

TEST(CompareValues, ListsOnlyComparedParametersThatDiffer) {
  ParamCatalog catalog;
  ValueTable config;
  define(catalog, 3, 20, true);              // P0.03 differs
  define(catalog, 105, 100, true);           // P1.05 equal
  define(catalog, 131, 21, false);           // P1.31 differs but is not compared
  define(catalog, 137, 12.5, true, 10);      // P1.37 equal at resolution 10
  define(catalog, 140, std::nullopt, true);  // no default: never different
  define(catalog, 225, 0.15, true, 10);      // a default finer than the resolution, stored as 2
  config.P(0, 3) = 55;
  config.P(1, 5) = 100;
  config.P(1, 31) = 22;
  config.P(1, 37) = 125;
  config.P(1, 40) = 7;
  config.P(2, 25) = 2;
  config.P(2, 30) = 9;  // beyond the group limit below
  const std::array<int16_t, 5> limits = {8, 56, 29, 8, 23};
  EXPECT_EQ(compareValues::Differences(config, catalog, limits),
            QStringList({"P0.03 - Value different from default. Value = 55 Default = 20"}));
  config.P(1, 37) = 130;
  EXPECT_EQ(compareValues::Differences(config, catalog, limits).last(),
            "P1.37 - Value different from default. Value = 13 Default = 12.5");
}

TEST(ConfigReport, PathsValuesAndColumns) {
  EXPECT_EQ(configReport::ReportPath("/cfg/pump.vmc", ReportKind::Text), "/cfg/pump.txt");
  EXPECT_EQ(configReport::ReportPath("/cfg/pump.vmc", ReportKind::CommaSeparated), "/cfg/pump.csv");
  EXPECT_EQ(configReport::ReportPath("/cfg.d/pump", ReportKind::Text), "/cfg.d/pump.txt");
  EXPECT_EQ(configReport::ReportPath("", ReportKind::Text), "");
  EXPECT_EQ(configReport::NumberField(0.5), " .5 ");
  EXPECT_EQ(configReport::NumberField(-0.25), "-.25 ");
  EXPECT_EQ(configReport::NumberField(2), " 2 ");
  EXPECT_EQ(configReport::NumberField(-3000), "-3000 ");
  EXPECT_EQ(configReport::NumberField(2.001), " 2.001 ");
  EXPECT_EQ(configReport::HexField(255), "HEX FF");
  EXPECT_EQ(configReport::HexField(-1), "HEX FFFFFFFF");
  const QString row = configReport::TextRow("P1.01 - Control Mode   ", " 2 ");
  EXPECT_EQ(row.indexOf(" 2 "), 59);  // the value starts in column 60
  const QString exact = configReport::TextRow(QString(59, 'x'), " 1 ");
  EXPECT_EQ(exact.mid(59), " 1 ");
  const QString longLabel = configReport::TextRow(QString(60, 'x'), " 1 ");
  EXPECT_EQ(longLabel, QString(60, 'x') + "\r\n" + QString(59, ' ') + " 1 ");
}

class ReportCommandTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    frmMain::SetReportOpener([this](const QString& path) {
      opened.append(path);
      return true;
    });
  }
  void TearDown() override {
    frmMain::SetReportOpener({});
    basMain::ReportFormat = false;
    basMain::CurrentConfigPath.clear();
    EditorTest::TearDown();
  }
  static QStringList fileLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll()).split("\r\n");
  }
  QStringList opened;
};

TEST_F(ReportCommandTest, CompareAndReportOfTheLoadedConfiguration) {
  load(21, 210, 21);
  const QString config = folder.path() + "/Configs/pump.vmc";
  basMain::CurrentConfigPath = config;
  basMain::CurrentConfigTitle = "pump.vmc";
  basFunctions::WorkingConfig.P(2, 65) = 255;
  basFunctions::WorkingConfig.P(1, 1) = 2;
  basFunctions::WorkingConfig.P(1, 37) = 5;
  basFunctions::WorkingConfig.P(2, 51) = 1;  // P2.51 is not compared
  main->LoadTab();

  main->RunCommand("mnuCompare");
  auto* list = main->findChild<QListWidget*>("lstMain");
  QStringList status;
  for (int i = list->count() - 1; i >= 0; --i)
    status.append(list->item(i)->text().section(" - ", 1, -1));
  ASSERT_GE(status.size(), 2);
  EXPECT_EQ(status.first(), "Comparing Configuration With Defaults");
  EXPECT_EQ(status.last(), "Compare Complete");
  const QString differences = status.join("\n");
  EXPECT_TRUE(differences.contains("P1.01 - Value different from default. Value = 2 Default = 0"))
      << differences.toStdString();
  EXPECT_TRUE(differences.contains("P2.65 - Value different from default. Value = 255"));
  EXPECT_FALSE(differences.contains("P2.51"));

  main->RunCommand("mnuPrintConfig");
  const QString text = folder.path() + "/Configs/pump.txt";
  ASSERT_EQ(opened, QStringList({text}));
  EXPECT_TRUE(list->item(0)->text().endsWith(" - Configuration report written to " + text));
  EXPECT_TRUE(prompt::ShownPrompts().isEmpty()) << apptest::ShownSummary().join("\n").toStdString();
  const QStringList lines = fileLines(text);
  ASSERT_GT(lines.size(), 12);
  EXPECT_EQ(lines.mid(0, 3),
            QStringList({"", "", "Quorvane Velumo PRO Drives Configuration Report"}));
  EXPECT_EQ(lines.at(4), "Config Name: pump.vmc");
  EXPECT_EQ(lines.at(5), "Motor Code: 21");
  EXPECT_EQ(lines.at(6), "Firmware Rev: 2.101");
  EXPECT_TRUE(lines.at(7).startsWith("Velumo Pro Version "));
  EXPECT_EQ(lines.at(9), "Parameter" + QString(50, ' ') + "Value");
  EXPECT_TRUE(lines.contains(QString("P1.01 - Control Mode   ").leftJustified(59) + " 2 "));
  EXPECT_TRUE(lines.contains(QString("P1.37 - Inertia Ratio   ").leftJustified(59) + " .5 "));
  EXPECT_EQ(lines.filter(QRegularExpression("^P2\\.65 - .*HEX FF$")).size(), 1);
  EXPECT_EQ(lines.filter(QRegularExpression("^P4\\.15 - Reserved +0 $")).size(), 1);
  EXPECT_EQ(lines.last(), "");  // CR LF after the last row

  // No launcher on this desktop: the technician is told where the report is and how to open it.
  frmMain::SetReportOpener([](const QString&) { return false; });
  basMain::ReportFormat = true;
  main->RunCommand("mnuPrintConfig");
  ASSERT_EQ(prompt::ShownPrompts().size(), 1);
  EXPECT_EQ(prompt::ShownPrompts()[0].title, "Print Current Config");
  EXPECT_TRUE(prompt::ShownPrompts()[0].text.startsWith(
      "The configuration report was written to:\r" + folder.path() + "/Configs/pump.csv\r"));
  EXPECT_TRUE(prompt::ShownPrompts()[0].text.contains("install xdg-utils"));
  const QStringList csv = fileLines(folder.path() + "/Configs/pump.csv");
  ASSERT_GT(csv.size(), 10);
  EXPECT_EQ(csv.at(9), "Parameter,Value (In Decimal unless otherwise marked)");
  EXPECT_TRUE(csv.contains("P2.65 - Special Input Functions   ,HEX FF"));
  EXPECT_TRUE(csv.contains("P1.01 - Control Mode   , 2 "));
}

}  // namespace
}  // namespace editortest
