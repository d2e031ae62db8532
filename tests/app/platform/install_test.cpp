// The install into a temporary prefix, the installed programs run as a technician runs them (an
// unprivileged user, no options, no display for --help), and the Debian package as a
// distribution checks it: what a technician gets on a machine without a build tree.
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <memory>

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

QString fileText(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The programs of the program folder and their names in bin/.
const QList<QPair<QString, QString>>& programs() {
  static const QList<QPair<QString, QString>> list = [] {
    QList<QPair<QString, QString>> found;
    for (const QString& entry : QStringLiteral(VELUMO_INSTALLED_PROGRAMS).split(',')) {
      const QStringList names = entry.split(':');
      found.append({names.first(), names.last()});
    }
    return found;
  }();
  return list;
}

// The files that make the program, relative to the install prefix (or the package root): the
// program folder, a link and a manual page for every program, the desktop entry, the icon and
// the package's documents.
QStringList installedFiles() {
  QStringList files = {
      "lib/velumopro/libPortwright.so",
      "lib/velumopro/Data/VM.vmd",
      "lib/velumopro/Velumo_Help.qch",
      "lib/velumopro/Velumo_Help.qhc",
      "share/applications/velumopro.desktop",
      "share/icons/hicolor/scalable/apps/velumopro.svg",
      "share/doc/velumopro/copyright",
      "share/doc/velumopro/changelog.gz",
      "share/doc/velumopro/examples/99-velumopro-serial.rules",
  };
  for (const auto& [program, link] : programs())
    files << "lib/velumopro/" + program << "bin/" + link << "share/man/man1/" + link + ".1.gz";
  return files;
}

// A manual page as plain words: troff's escaped dashes and font changes taken out.
QString manualPageText(const QString& gzipped) {
  QProcess unzip;
  unzip.start("gzip", {"-dc", gzipped});
  unzip.waitForFinished(10000);
  QString page = QString::fromUtf8(unzip.readAllStandardOutput());
  page.replace("\\-", "-").remove(QRegularExpression("\\\\f[BIRP]"));
  return page;
}

// One install shared by the suite (cmake --install copies the program folder).
class InstallTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    work = std::make_unique<QTemporaryDir>();
    // Readable for the unprivileged user the tests run the programs as.
    QFile::setPermissions(work->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                            QFile::ReadOther | QFile::ExeOther | QFile::ReadGroup |
                                            QFile::ExeGroup);
    prefix = work->path() + "/usr";
    installOutput = run("cmake", {"--install", kBuildDir, "--prefix", prefix});
  }
  static void TearDownTestSuite() { work.reset(); }
  void SetUp() override { ASSERT_EQ(installOutput, QString()); }

  static inline std::unique_ptr<QTemporaryDir> work;
  static inline QString prefix;
  static inline QString installOutput;
};

TEST_F(InstallTest, InstalledProgramFindsItsDatabaseAndWritesIntoTheUserDataFolder) {
  for (const QString& file : installedFiles())
    EXPECT_TRUE(QFileInfo::exists(prefix + "/" + file)) << file.toStdString();
  const QString programDir = prefix + "/lib/velumopro";
  // A prefix whose bin/ the desktop's PATH may not hold: the entry names the program by path.
  EXPECT_TRUE(fileText(prefix + "/share/applications/velumopro.desktop")
                  .contains("\nExec=" + prefix + "/bin/VelumoPRO\n"));

  // A build tree registered earlier.
  const QString built = apptest::BuiltProgramFolder() + "/libPortwright.so";
  ASSERT_EQ(portwright::RegisterLibrary(built.toStdString()), portwright::S_OK);
  // Nothing that moves a motor may be reached from the environment: the shipped program has no
  // test start.
  QFile executable(programDir + "/VelumoPRO");
  ASSERT_TRUE(executable.open(QIODevice::ReadOnly));
  EXPECT_FALSE(executable.readAll().contains("VELUMO_TEST"));

  QTemporaryDir user;
  const QString data = user.path() + "/data";
  QDir().mkpath(user.path() + "/run");
  QFile::setPermissions(user.path() + "/run",
                        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("XDG_DATA_HOME", data);
  environment.insert("XDG_RUNTIME_DIR", user.path() + "/run");
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

TEST_F(InstallTest, EveryProgramAnswersHelpWithoutADisplayAndItsManualPageHasEveryOption) {
  QProcessEnvironment noDisplay = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) noDisplay.remove(name);
  for (const auto& [program, link] : programs()) {
    SCOPED_TRACE(link.toStdString());
    QProcess help;
    help.setProcessEnvironment(noDisplay);
    help.setProcessChannelMode(QProcess::MergedChannels);
    help.start(prefix + "/bin/" + link, {"--help"});
    ASSERT_TRUE(help.waitForFinished(10000));
    const QString usage = QString::fromLocal8Bit(help.readAll());
    EXPECT_EQ(help.exitCode(), 0) << usage.toStdString();
    const QString page = manualPageText(prefix + "/share/man/man1/" + link + ".1.gz");
    EXPECT_TRUE(page.startsWith(".TH " + link.toUpper() + " 1 "));
    for (const auto& option : QRegularExpression("--[a-z][a-z-]+").globalMatch(usage))
      EXPECT_TRUE(page.contains(option.captured())) << option.captured().toStdString();
  }
  QProcess version;
  version.setProcessEnvironment(noDisplay);
  version.start(prefix + "/bin/VelumoPRO", {"--version"});
  ASSERT_TRUE(version.waitForFinished(10000));
  EXPECT_TRUE(QRegularExpression("^VelumoPRO \\d+\\.\\d+\\.\\d+\n$")
                  .match(QString::fromLocal8Bit(version.readAll()))
                  .hasMatch());
}

// A technician's home: data, configuration, cache and runtime folders of their own, and the
// programs run there as that user (nobody when the tests run as root, else the user running
// them), without a display.
class TechnicianHome {
 public:
  TechnicianHome() {
    const passwd* nobody = ::geteuid() == 0 ? ::getpwnam("nobody") : nullptr;
    if (nobody) uid_ = nobody->pw_uid, gid_ = nobody->pw_gid;
    for (const char* sub : {"", "data", "config", "cache", "run", "files"}) {
      QDir().mkpath(path(sub));
      if (switched()) {
        EXPECT_EQ(::chown(path(sub).toLocal8Bit().constData(), uid_, gid_), 0);
      }
    }
    QFile::setPermissions(path("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
  bool switched() const { return uid_ != ::getuid(); }
  QString path(const QString& sub) const { return dir_.path() + "/" + sub; }
  void start(QProcess& process, const QString& program, const QStringList& arguments) const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", dir_.path());
    environment.insert("XDG_DATA_HOME", path("data"));
    environment.insert("XDG_CONFIG_HOME", path("config"));
    environment.insert("XDG_CACHE_HOME", path("cache"));
    environment.insert("XDG_RUNTIME_DIR", path("run"));
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(path("files"));
    const uid_t uid = uid_;
    const gid_t gid = gid_;
    if (switched())
      process.setChildProcessModifier([uid, gid] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0) ::_exit(125);
      });
    process.start(program, arguments);
  }
  // Runs a program to its end: its output, stdout and stderr together.
  QString run(const QString& program, const QStringList& arguments) const {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    start(process, program, arguments);
    if (!process.waitForFinished(120000)) process.kill();
    process.waitForFinished();
    return QString::fromLocal8Bit(process.readAll()) + "exit " +
           QString::number(process.exitCode());
  }

 private:
  QTemporaryDir dir_;
  uid_t uid_ = ::getuid();
  gid_t gid_ = ::getgid();
};

TEST_F(InstallTest, AnUnprivilegedUserBacksUpOpensTheHelpAndReportsWithoutAnyOptions) {
  const TechnicianHome home;
  if (::geteuid() == 0 && !home.switched())
    GTEST_SKIP() << "running as root, and there is no user nobody to run the programs as";
  const QString data = home.path("data") + "/VelumoPRO";

  // The installed virtual drive on COM1 at the factory line, and velumo-config with its
  // defaults: the backup of a download goes into the user's data folder.
  QProcess drive;
  home.start(drive, prefix + "/bin/velumo-vdrive", {"--no-stdin", "--no-pacing"});
  ASSERT_TRUE(drive.waitForReadyRead(10000)) << drive.readAllStandardError().toStdString();
  const QString upload = home.run(prefix + "/bin/velumo-config", {"upload", "drive.vmc"});
  EXPECT_TRUE(upload.endsWith("exit 0")) << upload.toStdString();
  // (writes unpaced, only to keep the test short)
  const QString download =
      home.run(prefix + "/bin/velumo-config", {"--pace", "0", "download", "drive.vmc"});
  drive.terminate();
  drive.waitForFinished(5000);
  EXPECT_TRUE(download.endsWith("exit 0")) << download.toStdString();
  const QString backup =
      QRegularExpression("drive settings saved to (\\S.*\\.vmc)").match(download).captured(1);
  EXPECT_TRUE(backup.startsWith(data + "/Configs/Backups/")) << download.toStdString();
  EXPECT_TRUE(QFileInfo(backup).isFile());

  // The installed program's help opens from the user's cache.
  const QString probe = prefix + "/lib/velumopro/installed_probe";
  QFile::remove(probe);
  ASSERT_TRUE(QFile::copy(QStringLiteral(VELUMO_INSTALLED_PROBE), probe));
  const QString help = home.run(probe, {"help"});
  EXPECT_TRUE(help.contains("VELUMO_PROBE data folder " + data + "\n")) << help.toStdString();
  const QRegularExpressionMatch opened =
      QRegularExpression("VELUMO_PROBE help (\\S+) (\\d+)").match(help);
  EXPECT_TRUE(opened.captured(1).startsWith(home.path("cache") + "/")) << help.toStdString();
  EXPECT_GT(opened.captured(2).toInt(), 0);

  // An event log the user cannot read (root's, 0600; a file of one's own with no modes when
  // the test is not root): the diagnostics report is written and names the missing part.
  const QString eventLog = data + "/Data/Event.Log";
  QFile::remove(eventLog);
  QFile log(eventLog);
  ASSERT_TRUE(log.open(QIODevice::WriteOnly));
  log.close();
  log.setPermissions(home.switched() ? QFile::ReadOwner | QFile::WriteOwner
                                     : QFileDevice::Permissions());
  const QString report = home.run(probe, {"diagnostics"});
  const QString written = QRegularExpression(
                              "VELUMO_PROBE prompt The following diagnostic file will be "
                              "created: \\| (\\S+) \\|")
                              .match(report)
                              .captured(1);
  EXPECT_TRUE(written.startsWith(data + "/Data/Diags_")) << report.toStdString();
  EXPECT_TRUE(fileText(written).contains("\r\nCould not read event log " + eventLog));
  EXPECT_TRUE(
      report.contains("VELUMO_PROBE prompt Diagnostic Information Has Been Successfully "
                      "Generated | The event log could not be read"))
      << report.toStdString();
  QFile::remove(probe);
}

TEST(Package, DebianPackageHoldsTheInstallAndIsLintianClean) {
  QTemporaryDir work;
  ASSERT_EQ(
      run("cpack", {"--config", kBuildDir + "/CPackConfig.cmake", "-G", "DEB", "-B", work.path()}),
      QString());
  const QStringList packages = QDir(work.path()).entryList({"velumopro_*.deb"}, QDir::Files);
  ASSERT_EQ(packages.size(), 1) << packages.join(' ').toStdString();
  const QString package = work.path() + "/" + packages.first();
  QProcess list;
  list.start("dpkg-deb", {"-c", package});
  ASSERT_TRUE(list.waitForFinished(60000));
  const QString contents = QString::fromLocal8Bit(list.readAll());
  for (const QString& file : installedFiles())
    EXPECT_TRUE(contents.contains(" ./usr/" + file)) << file.toStdString();
  QProcess fields;
  fields.start("dpkg-deb", {"-f", package, "Depends", "Recommends"});
  ASSERT_TRUE(fields.waitForFinished(60000));
  const QString control = QString::fromLocal8Bit(fields.readAll());
  EXPECT_TRUE(control.contains("libqt6widgets6"));
  EXPECT_TRUE(control.contains("xdg-utils"));

  // As a distribution checks it: no error and no warning.
  const QString lintian = QStandardPaths::findExecutable("lintian");
  if (lintian.isEmpty())
    GTEST_SKIP() << "lintian is not installed here (scripts/setup installs it): the package "
                    "was not checked";
  QProcess check;
  check.setProcessChannelMode(QProcess::MergedChannels);
  check.start(lintian, {"--fail-on", "error,warning", "--tag-display-limit", "0", package});
  ASSERT_TRUE(check.waitForFinished(240000));
  const QString findings = QString::fromLocal8Bit(check.readAll());
  EXPECT_EQ(check.exitCode(), 0) << findings.toStdString();
  EXPECT_FALSE(
      QRegularExpression("^[EW]: ", QRegularExpression::MultilineOption).match(findings).hasMatch())
      << findings.toStdString();
}

}  // namespace
