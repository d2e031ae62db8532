// An installed program's writable files: the install layout is recognised by its place, the
// user's data folder is made, and its database follows a new shipped one with the settings kept.
#include "core/program_folders.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>

#include "app_harness.h"

namespace {

// Runs one statement on a database file and returns the first column of its first row.
QVariant sql(const QString& path, const QString& statement) {
  QVariant result;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("t"));
    db.setDatabaseName(path);
    EXPECT_TRUE(db.open());
    QSqlQuery query(db);
    EXPECT_TRUE(query.exec(statement)) << statement.toStdString();
    if (query.next()) result = query.value(0);
  }
  QSqlDatabase::removeDatabase(QStringLiteral("t"));
  return result;
}

TEST(ProgramFolders, InstallLayoutIsKnownByItsPlaceNotByWhoMayWrite) {
  QTemporaryDir prefix;
  const QString installed = prefix.path() + "/usr/lib/velumopro";
  QDir().mkpath(installed + "/Data");
  EXPECT_FALSE(programFolders::IsInstalledLayout(installed));  // no database: not a program
  QFile::copy(apptest::BuiltProgramFolder() + "/Data/VM.vmd", installed + "/Data/VM.vmd");
  EXPECT_TRUE(programFolders::IsInstalledLayout(installed));
  EXPECT_TRUE(programFolders::IsInstalledLayout(installed + "/"));
  EXPECT_FALSE(programFolders::IsInstalledLayout(apptest::BuiltProgramFolder()));
  EXPECT_TRUE(programFolders::UserDataFolder().endsWith("/VelumoPRO"));
}

TEST(ProgramFolders, UserCopyFollowsTheShippedDatabaseAndKeepsTheSettings) {
  QTemporaryDir work;
  const QString shipped = work.path() + "/shipped.vmd";
  const QString data = work.path() + "/data/VelumoPRO";
  const QString copy = data + "/Data/VM.vmd";
  ASSERT_TRUE(QFile::copy(apptest::BuiltProgramFolder() + "/Data/VM.vmd", shipped));
  QFile::setPermissions(shipped, QFile::ReadOwner | QFile::WriteOwner);

  QString problem;
  ASSERT_TRUE(programFolders::PrepareDataFolder(shipped, data, &problem)) << problem.toStdString();
  for (const char* sub : {"Data", "Configs", "ScopeLogs"})
    EXPECT_TRUE(QFileInfo(data + "/" + sub).isDir()) << sub;
  // The user changes a setting; a start with the same shipped database leaves the copy alone.
  sql(copy, "UPDATE tblCustInfo SET PreviousFiles = 2, TextTip = 0 WHERE RecNum = 1");
  ASSERT_TRUE(programFolders::PrepareDataFolder(shipped, data, &problem));
  EXPECT_EQ(sql(copy, "SELECT PreviousFiles FROM tblCustInfo").toInt(), 2);

  // A package upgrade brings a new catalogue: the copy follows it, the settings stay.
  sql(shipped,
      "INSERT INTO tblDBVER (Version, VersionDate, Notes) VALUES ('9.99', '2031-01-01', 'x')");
  ASSERT_TRUE(programFolders::PrepareDataFolder(shipped, data, &problem)) << problem.toStdString();
  EXPECT_EQ(sql(copy, "SELECT MAX(Version) FROM tblDBVER").toString(), "9.99");
  EXPECT_EQ(sql(copy, "SELECT PreviousFiles FROM tblCustInfo").toInt(), 2);
  EXPECT_EQ(sql(copy, "SELECT TextTip FROM tblCustInfo").toInt(), 0);
  EXPECT_EQ(sql(copy, "SELECT COUNT(*) FROM tblCustInfo").toInt(), 1);
  EXPECT_FALSE(QFileInfo::exists(copy + ".new"));

  // A folder that cannot be made is told, not ignored.
  EXPECT_FALSE(programFolders::PrepareDataFolder(shipped, shipped + "/below-a-file", &problem));
  EXPECT_TRUE(problem.startsWith("Cannot create the folder ")) << problem.toStdString();
}

}  // namespace
