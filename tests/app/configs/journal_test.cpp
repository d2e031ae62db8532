// The drive history's engines without a window: the journal file brought up from an earlier
// schema, the side-by-side comparison, and the commissioning report as a PDF read back with
// poppler's tools.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <optional>

#include "app_harness.h"
#include "params/commissioning_report.h"
#include "params/journal_store.h"
#include "params/param_catalog.h"
#include "params/report_pdf.h"
#include "params/three_way_compare.h"
#include "params/value_table.h"

namespace {

using basFunctions::ParamCatalog;
using basFunctions::ValueTable;

constexpr std::array<int16_t, 5> kLimits{0, 6, 0, 0, 0};

// P1.04-P1.06 with names, units and defaults; P1.05 reads in tenths.
ParamCatalog SmallCatalog() {
  ParamCatalog catalog;
  const char* names[] = {"Monitor 1 Scale", "Monitor 2 Scale", "Speed Smoothing"};
  for (int i = 0; i < 3; ++i) {
    basFunctions::ParamInfo& info = catalog[104 + i];
    info.loaded = true;
    info.ParamName = names[i];
    info.EU = i == 2 ? "ms" : "%";
    info.defaultValue = 10;
    info.resolution = i == 1 ? 10 : 1;
  }
  return catalog;
}

journal::DriveId Drive() { return {"KDA-1K", 2001, 21, 1, "COM1 (/dev/ttyUSB0)"}; }

TEST(JournalStore, AnEarlierJournalIsBroughtUpToDateAndKeepsItsEntries) {
  QTemporaryDir dir;
  const QString path = dir.filePath("Data/Journal.db");
  {
    const journal::Store create(dir.filePath("scratch.db"));  // makes Data/ and the driver
    QDir().mkpath(dir.filePath("Data"));
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "v1");
    db.setDatabaseName(path);
    ASSERT_TRUE(db.open());
    QString problem;
    ASSERT_TRUE(journal::Store::CreateSchema(db, 1, problem)) << problem.toStdString();
    QSqlQuery insert(db);
    ASSERT_TRUE(insert.exec(
        "INSERT INTO tblJournal (At, Source, Detail, Model, Firmware, Motor, Node, Port) VALUES "
        "('2026-05-17T14:03:52.000Z', 'Express write', '', 'KDA-1K', 2001, 21, 1, "
        "'COM1 (/dev/ttyUSB0)')"));
    ASSERT_TRUE(insert.exec("INSERT INTO tblJournalParams VALUES (1, 0, 105, 100, 7, 0)"));
    db.close();
  }
  QSqlDatabase::removeDatabase("v1");

  journal::Store store(path);
  ASSERT_TRUE(store.isOpen()) << store.problem().toStdString();
  EXPECT_EQ(store.version(), journal::Store::kVersion);
  journal::Entry added;
  added.at = QDateTime::currentDateTimeUtc();
  added.source = journal::Source::Jog;
  added.user = "tech";
  added.drive = Drive();
  added.params << journal::ParamChange{405, 0, 1, 0};
  ASSERT_TRUE(store.append(added)) << store.problem().toStdString();

  const QList<journal::Entry> entries = store.entries();
  ASSERT_EQ(entries.size(), 2);
  EXPECT_EQ(entries[0].user, "tech");
  const journal::Entry& old = entries[1];
  EXPECT_EQ(old.source, journal::Source::ExpressWrite);
  EXPECT_TRUE(old.user.isEmpty()) << "no one was recorded before version 2";
  EXPECT_TRUE(old.drive.sameDrive(Drive()));
  ASSERT_EQ(old.params.size(), 1);
  EXPECT_EQ(old.params[0].before, 100);
  EXPECT_EQ(old.params[0].written, 7);
  journal::Filter byParameter;
  byParameter.parameter = 105;
  EXPECT_EQ(store.entries(byParameter).size(), 1);
}

TEST(ThreeWayCompare, MarksTheOneSideThatStandsApart) {
  const ParamCatalog catalog = SmallCatalog();
  ValueTable working, drive, file;
  for (ValueTable* side : {&working, &drive, &file})
    for (int number = 0; number <= 6; ++number) side->P(1, number) = 10;
  working.P(1, 4) = 20;  // an edit not yet written
  drive.P(1, 5) = 75;    // changed at the drive's keypad
  file.P(1, 6) = 3;      // the file differs
  const QList<threeWay::Row> rows =
      threeWay::Compare(catalog, kLimits, {&working, &drive, &file}, true);
  ASSERT_EQ(rows.size(), 3);
  EXPECT_EQ(rows[0].label, "P1.04 - Monitor 1 Scale");
  EXPECT_EQ(rows[0].marked, (std::array<bool, 3>{true, false, false}));
  EXPECT_EQ(rows[1].shown, (std::array<QString, 3>{"1", "7.5", "1"}));
  EXPECT_EQ(rows[1].marked, (std::array<bool, 3>{false, true, false}));
  EXPECT_EQ(rows[2].units, "ms");
  EXPECT_EQ(rows[2].marked, (std::array<bool, 3>{false, false, true}));
  // Two sides: both are marked.
  const QList<threeWay::Row> two = threeWay::Compare(catalog, kLimits, {&working, &drive}, true);
  ASSERT_EQ(two.size(), 2);
  EXPECT_EQ(two[0].marked, (std::array<bool, 3>{true, true, false}));
}

// One of poppler's tools; its output, none when it failed.
std::optional<QString> Poppler(const QString& tool, const QStringList& args) {
  QProcess process;
  process.start(tool, args);
  if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
      process.exitCode() != 0)
    return std::nullopt;
  return QString::fromUtf8(process.readAllStandardOutput());
}

TEST(CommissioningReport, ThePdfHoldsTheIdentityTheChangesAndTheVisit) {
  const ParamCatalog catalog = SmallCatalog();
  ValueTable config;
  for (int number = 0; number <= 6; ++number) config.P(1, number) = 10;
  config.P(1, 5) = 75;
  journal::Entry visit;
  visit.at = QDateTime::currentDateTimeUtc();
  visit.source = journal::Source::Tuning;
  visit.user = "tech";
  visit.drive = Drive();
  visit.params << journal::ParamChange{105, 10, 75, 0};
  const commissioning::Report report =
      commissioning::Build({Drive(),
                            "21 - 1KW, Low Inertia",
                            "read from the drive",
                            config,
                            catalog,
                            kLimits,
                            {visit},
                            QDateTime::currentDateTime().addSecs(-3600),
                            QDateTime::currentDateTime(),
                            "1.0.0"});
  QTemporaryDir dir;
  const QString pdf = dir.filePath("report.pdf");
  QString problem;
  ASSERT_TRUE(commissioning::WritePdf(report, pdf, problem)) << problem.toStdString();

  const QString text = Poppler("pdftotext", {"-layout", pdf, "-"}).value_or("").simplified();
  ASSERT_FALSE(text.isEmpty()) << "pdftotext (poppler-utils, scripts/setup) read nothing";
  for (const char* expected :
       {"Commissioning Report", "KDA-1K", "21 - 1KW, Low Inertia", "COM1 (/dev/ttyUSB0)",
        "P1.05 Monitor 2 Scale 7.5 %", "Tuning", "tech"})
    EXPECT_TRUE(text.contains(expected)) << expected << " not in: " << text.toStdString();

  ASSERT_TRUE(
      Poppler("pdftoppm", {"-r", "50", "-png", "-f", "1", "-l", "1", pdf, dir.filePath("page")}));
  const QImage page(dir.filePath("page-1.png"));
  ASSERT_FALSE(page.isNull());
  EXPECT_LT(page.width(), page.height()) << "an upright page";
  int dark = 0;
  for (int y = 0; y < page.height(); ++y)
    for (int x = 0; x < page.width(); ++x) dark += qGray(page.pixel(x, y)) < 128;
  EXPECT_GT(dark, 500) << "the page shows text";

  EXPECT_FALSE(commissioning::WritePdf(report, dir.filePath("missing/folder/r.pdf"), problem));
  EXPECT_FALSE(problem.isEmpty());
}

}  // namespace
