// The install into a temporary prefix and a start of the installed program, and the Debian
// package: what a technician gets on a machine without a build tree.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "app_harness.h"
#include "portwright/activation.h"

namespace {

const QString kBuildDir = QStringLiteral(VELUMO_BUILD_DIR);

// Runs a command to its end; its output when it failed, for the failure message.
QString run(const QString& program, const QStringList& arguments, int timeoutMs = 240000) {
  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(program, arguments);
  if (!process.waitForFinished(timeoutMs)) return program + " did not finish";
  const QString output = QString::fromLocal8Bit(process.readAll());
  return process.exitCode() == 0 ? QString() : output;
}

QString canonical(const QString& path) { return QFileInfo(path).canonicalFilePath(); }

// The files that make the program, relative to the install prefix (or the package root): the
// program folder, a link in bin/ for every program, the desktop entry and the icon.
QStringList installedFiles() {
  QStringList files = {
      "lib/velumopro/libPortwright.so",       "lib/velumopro/Data/VM.vmd",
      "lib/velumopro/Velumo_Help.qch",        "lib/velumopro/Velumo_Help.qhc",
      "share/applications/velumopro.desktop", "share/icons/hicolor/scalable/apps/velumopro.svg",
  };
  for (const QString& program : QStringLiteral(VELUMO_INSTALLED_PROGRAMS).split(','))
    files << "lib/velumopro/" + program << "bin/" + program;
  return files;
}

TEST(Install, InstalledProgramFindsItsDatabaseAndWritesIntoTheUserDataFolder) {
  QTemporaryDir work;
  const QString prefix = work.path() + "/usr";
  ASSERT_EQ(run("cmake", {"--install", kBuildDir, "--prefix", prefix}), QString());
  for (const QString& file : installedFiles())
    EXPECT_TRUE(QFileInfo::exists(prefix + "/" + file)) << file.toStdString();
  const QString programDir = prefix + "/lib/velumopro";

  // A build tree registered earlier.
  const QString built = apptest::BuiltProgramFolder() + "/libPortwright.so";
  ASSERT_EQ(portwright::RegisterLibrary(built.toStdString()), portwright::S_OK);
  // Nothing that moves a motor may be reached from the environment: the shipped program has no
  // test start.
  QFile executable(programDir + "/VelumoPRO");
  ASSERT_TRUE(executable.open(QIODevice::ReadOnly));
  EXPECT_FALSE(executable.readAll().contains("VELUMO_TEST"));

  const QString data = work.path() + "/data";
  QDir().mkpath(work.path() + "/run");
  QFile::setPermissions(work.path() + "/run",
                        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("XDG_DATA_HOME", data);
  environment.insert("XDG_RUNTIME_DIR", work.path() + "/run");
  environment.insert("QT_QPA_PLATFORM", "offscreen");
  QProcess program;
  program.setProcessEnvironment(environment);
  program.start(prefix + "/bin/VelumoPRO", {});
  ASSERT_TRUE(program.waitForStarted(10000));

  // The registration is renewed once the main window has created the control, after the data
  // folder was prepared.
  auto started = [&] {
    return canonical(QString::fromStdString(portwright::RegisteredLibrary())) ==
           canonical(programDir + "/libPortwright.so");
  };
  for (int waited = 0; waited < 60000 && !started(); waited += 100) program.waitForFinished(100);
  program.kill();
  program.waitForFinished(5000);

  EXPECT_TRUE(started()) << program.readAllStandardError().toStdString();
  EXPECT_TRUE(QFileInfo(data + "/VelumoPRO/Data/VM.vmd").isFile());
  EXPECT_TRUE(QFileInfo(data + "/VelumoPRO/Configs").isDir());
  EXPECT_TRUE(QFileInfo(data + "/VelumoPRO/ScopeLogs").isDir());
  EXPECT_EQ(QDir(programDir + "/Data").entryList(QDir::Files), QStringList{"VM.vmd"});
  portwright::UnregisterLibrary(built.toStdString());
}

TEST(Install, DebianPackageHoldsTheProgramFolderLinksAndDesktopEntry) {
  QTemporaryDir work;
  ASSERT_EQ(
      run("cpack", {"--config", kBuildDir + "/CPackConfig.cmake", "-G", "DEB", "-B", work.path()}),
      QString());
  const QStringList packages = QDir(work.path()).entryList({"velumopro_*.deb"}, QDir::Files);
  ASSERT_EQ(packages.size(), 1) << packages.join(' ').toStdString();
  QProcess list;
  list.start("dpkg-deb", {"-c", work.path() + "/" + packages.first()});
  ASSERT_TRUE(list.waitForFinished(60000));
  const QString contents = QString::fromLocal8Bit(list.readAll());
  for (const QString& file : installedFiles())
    EXPECT_TRUE(contents.contains(" ./usr/" + file)) << file.toStdString();
  QProcess fields;
  fields.start("dpkg-deb", {"-f", work.path() + "/" + packages.first(), "Depends"});
  ASSERT_TRUE(fields.waitForFinished(60000));
  EXPECT_TRUE(fields.readAll().contains("libqt6widgets6"));
}

}  // namespace
