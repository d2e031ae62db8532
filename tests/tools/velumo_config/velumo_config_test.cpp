// velumo-config end to end: the built tool as a child process against one virtual drive on a
// pseudo-terminal (unpaced, writes unpaced), its files read back with the program's reader.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <memory>
#include <sstream>
#include <tuple>

#include "boundary_values.h"
#include "params/config_file.h"
#include "params/value_table.h"
#include "shared_line.h"
#include "vdrive_process.h"

namespace {

struct Result {
  int code = -1;
  QString out;
  QString err;
};

// The drive history the runs write, away from the build's own data folder.
QString JournalFile() {
  static QTemporaryDir folder;
  return folder.filePath("Journal.db");
}

Result RunTool(const QString& port, const QStringList& args, const QString& workingDir = {}) {
  QProcess process;
  if (!workingDir.isEmpty()) process.setWorkingDirectory(workingDir);
  process.start(VELUMO_CONFIG,
                QStringList{"--port", port, "--pace", "0", "--journal", JournalFile()} + args);
  Result result;
  if (!process.waitForFinished(60000)) {
    process.kill();
    process.waitForFinished();
    return result;
  }
  result.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  result.out = QString::fromUtf8(process.readAllStandardOutput());
  result.err = QString::fromUtf8(process.readAllStandardError());
  return result;
}

int GetOf(vdtest::VdriveProcess& drive, const std::string& reg) {
  std::istringstream reply(drive.Command("get " + reg));
  std::string ok;
  int value = -99999;
  reply >> ok >> value;
  return value;
}

class VelumoConfig : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    drive_ = std::make_unique<vdtest::VdriveProcess>();
    ASSERT_TRUE(drive_->Start({"--no-map", "--no-pacing"})) << "the virtual drive did not start";
    folder_ = std::make_unique<QTemporaryDir>();
  }
  static void TearDownTestSuite() {
    drive_.reset();
    folder_.reset();
  }
  void SetUp() override { ASSERT_EQ(Drive("factory"), "OK"); }

  // The tool on the drive's line, writes unpaced.
  static Result Tool(const QStringList& args, const QString& workingDir = {}) {
    return RunTool(QString::fromStdString(drive_->Device()), args, workingDir);
  }
  static std::string Drive(const std::string& command) { return drive_->Command(command); }
  // One register as the drive holds it ("P1.05").
  static int Get(const std::string& reg) { return GetOf(*drive_, reg); }
  static QString Path(const QString& name) { return folder_->filePath(name); }
  static QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  static void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }

  static std::unique_ptr<vdtest::VdriveProcess> drive_;
  static std::unique_ptr<QTemporaryDir> folder_;
};

std::unique_ptr<vdtest::VdriveProcess> VelumoConfig::drive_;
std::unique_ptr<QTemporaryDir> VelumoConfig::folder_;

constexpr std::array<int16_t, 5> kLimits200{8, 55, 63, 7, 23};

TEST_F(VelumoConfig, UploadSavesEveryValueOfTheDriveInTheProgramsOwnFormat) {
  ASSERT_EQ(Drive("set P1.05 7"), "OK");
  ASSERT_EQ(Drive("set P0.05 3"), "OK");  // a monitor selection the program's upload leaves out
  // A name without a folder: line 2 still names the full path, as the program writes it.
  const Result run = Tool({"upload", "up.vmc"}, folder_->path());
  ASSERT_EQ(run.code, 0) << run.err.toStdString();
  EXPECT_TRUE(run.err.isEmpty()) << "no progress line when stderr is not a terminal";

  const QByteArray bytes = Bytes(Path("up.vmc"));
  const config_file::Contents read = config_file::Read(bytes);
  ASSERT_TRUE(read.ok());
  EXPECT_TRUE(bytes.startsWith("#212001\r\n#" + Path("up.vmc").toUtf8() + "\r\n"))
      << bytes.left(80).constData();
  ASSERT_EQ(read.params.size(), 9 + 56 + 64 + 8 + 24);
  basFunctions::ValueTable table;
  config_file::Apply(read, table, 0);
  for (const config_file::ParamLine& line : read.params) {
    const std::string reg = "P" + std::to_string(line.group) + "." + (line.number < 10 ? "0" : "") +
                            std::to_string(line.number);
    EXPECT_EQ(line.value, Get(reg)) << reg;
  }
  EXPECT_EQ(table.P(1, 5), 7);
  EXPECT_EQ(table.P(0, 5), 3);
  // The program's writer gives the same bytes back: header, order and line ends unchanged.
  const QList<QByteArray> lines = bytes.split('\n');
  EXPECT_EQ(config_file::Write(table, kLimits200, QString::fromLatin1(lines[1].mid(1).chopped(1)),
                               QString::fromLatin1(lines[2].mid(1).chopped(1))),
            bytes);
}

TEST_F(VelumoConfig, DownloadWritesVerifiesBacksUpAndKeepsTheDrivesOwnLine) {
  ASSERT_EQ(Drive("set P1.05 7"), "OK");
  ASSERT_EQ(Drive("set P3.00 5"), "OK");  // the file's drive sat at node 5
  ASSERT_EQ(Tool({"upload", Path("down.vmc")}).code, 0);
  ASSERT_EQ(Drive("factory"), "OK");
  const int ownNode = Get("P3.00");
  ASSERT_NE(ownNode, 5);

  const Result run = Tool({"--backup-dir", Path("backups"), "download", Path("down.vmc")});
  ASSERT_EQ(run.code, 0) << run.out.toStdString() << run.err.toStdString();
  EXPECT_EQ(Get("P1.05"), 7);
  EXPECT_EQ(Get("P3.00"), ownNode) << "node address kept without --with-comm";
  EXPECT_TRUE(run.out.contains("0 not")) << run.out.toStdString();
  const QStringList backups = QDir(Path("backups")).entryList({"Backup *.vmc"}, QDir::Files);
  ASSERT_EQ(backups.size(), 1);
  const config_file::Contents backup = config_file::Read(Bytes(Path("backups/" + backups[0])));
  basFunctions::ValueTable before;
  config_file::Apply(backup, before, 0);
  EXPECT_EQ(before.P(1, 5), 100) << "the backup holds the drive as it was: factory P1.05";

  ASSERT_EQ(
      Tool({"--with-comm", "--backup-dir", Path("backups"), "download", Path("down.vmc")}).code, 0);
  EXPECT_EQ(Get("P3.00"), 5) << "--with-comm writes the file's node address";
}

TEST_F(VelumoConfig, DownloadRefusesAnotherDrivesFileAValueItCannotTakeAndLeftOutParameters) {
  ASSERT_EQ(Tool({"upload", Path("mine.vmc")}).code, 0);
  QByteArray bytes = Bytes(Path("mine.vmc"));
  QByteArray other = bytes;
  other.replace(0, 3, "#10");  // motor code 10: a KDA-400 file
  WriteBytes(Path("other.vmc"), other);
  ASSERT_EQ(Drive("set P1.06 9"), "OK");
  Result run = Tool({"--backup-dir", Path("refused"), "download", Path("other.vmc")});
  EXPECT_EQ(run.code, 5);
  EXPECT_TRUE(run.err.contains("KDA-400") && run.err.contains("KDA-1K") &&
              run.err.contains("--force"))
      << run.err.toStdString();
  EXPECT_FALSE(QDir(Path("refused")).exists()) << "nothing done, not even the backup";

  bytes.replace("\r\n105,100\r\n", "\r\n105,150\r\n");  // above P1.05's maximum of 100
  WriteBytes(Path("range.vmc"), bytes);
  run = Tool({"--backup-dir", Path("refused"), "download", Path("range.vmc")});
  EXPECT_EQ(run.code, 5);
  EXPECT_TRUE(run.err.contains("line 21 cannot be used (P1.05 takes 0 to 100): 105,150"))
      << run.err.toStdString();
  EXPECT_EQ(Get("P1.06"), 9) << "nothing written";

  // A short hand-written file: refused until told what the left-out parameters get.
  WriteBytes(Path("short.vmc"), "#212001\r\n105,42\r\n");
  run = Tool({"--backup-dir", Path("refused"), "download", Path("short.vmc")});
  EXPECT_EQ(run.code, 5);
  EXPECT_TRUE(run.err.contains("leaves out 148 parameter(s) of the drive's set: P0.00, P0.01") &&
              run.err.contains(" and 128 more (--missing drive keeps the drive's own values"))
      << run.err.toStdString();
  EXPECT_FALSE(QDir(Path("refused")).exists());
  run =
      Tool({"--missing", "drive", "--backup-dir", Path("backups"), "download", Path("short.vmc")});
  EXPECT_EQ(run.code, 0) << run.out.toStdString() << run.err.toStdString();
  EXPECT_TRUE(run.out.contains(": 1 parameters written from ")) << run.out.toStdString();
  EXPECT_EQ(Get("P1.05"), 42);
  EXPECT_EQ(Get("P1.06"), 9) << "the drive keeps its own value";
  run =
      Tool({"--missing=defaults", "--backup-dir", Path("backups"), "download", Path("short.vmc")});
  EXPECT_EQ(run.code, 0) << run.out.toStdString() << run.err.toStdString();
  EXPECT_EQ(Get("P1.06"), 0) << "the default, as the program opens such a file";
  EXPECT_EQ(Tool({"--missing", "some", "download", Path("short.vmc")}).code, 2);
}

TEST_F(VelumoConfig, BoundaryValuesReachTheDriveAsTheyStandOrNotAtAll) {
  vdtest::VdriveProcess drive;  // 2.10: P3.08 is a register of range 0..65535
  ASSERT_TRUE(drive.Start({"--no-map", "--no-pacing", "--firmware", "210"}));
  const QString port = QString::fromStdString(drive.Device());
  for (const boundary::Value& value : boundary::kValues) {
    SCOPED_TRACE(value.text);
    for (const auto& [reg, key, expected] : {std::tuple{"P3.08", "308", value.unsignedFiled},
                                             std::tuple{"P1.44", "144", value.signedParam}}) {
      SCOPED_TRACE(reg);
      const int before = GetOf(drive, reg);
      WriteBytes(Path("boundary.vmc"), QByteArray("#212101\r\n") + key + "," + value.text + "\r\n");
      const Result run = RunTool(port, {"--missing", "drive", "--backup-dir", Path("boundary"),
                                        "download", Path("boundary.vmc")});
      if (expected) {
        EXPECT_EQ(run.code, 0) << run.out.toStdString() << run.err.toStdString();
        EXPECT_EQ(static_cast<uint16_t>(GetOf(drive, reg)), static_cast<uint16_t>(*expected));
      } else {
        EXPECT_EQ(run.code, 5) << run.out.toStdString();
        EXPECT_TRUE(run.err.contains("line 2 cannot be used")) << run.err.toStdString();
        EXPECT_EQ(GetOf(drive, reg), before);
      }
    }
  }
}

TEST_F(VelumoConfig, CompareListsExactlyTheChangedParameter) {
  ASSERT_EQ(Tool({"upload", Path("same.vmc")}).code, 0);
  Result run = Tool({"compare", Path("same.vmc")});
  EXPECT_EQ(run.code, 0) << run.out.toStdString() << run.err.toStdString();

  ASSERT_EQ(Drive("set P1.05 42"), "OK");
  run = Tool({"compare", Path("same.vmc")});
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.out, "P1.05: file 100, drive 42\n1 parameter(s) differ\n");
  run = Tool({"--csv", "compare", Path("same.vmc")});
  EXPECT_EQ(run.out, "parameter,file,drive\nP1.05,100,42\n");

  run = Tool({"--defaults", "compare", Path("same.vmc")});
  EXPECT_EQ(run.code, 0) << "a factory drive's file holds the defaults: " << run.out.toStdString();
  ASSERT_EQ(Tool({"upload", Path("changed.vmc")}).code, 0);
  run = Tool({"--defaults", "--csv", "compare", Path("changed.vmc")});
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.out, "parameter,file,default\nP1.05,42,100\n");

  // Three sides after a change at the drive and one in a file: each marks the odd one out.
  QByteArray edited = Bytes(Path("changed.vmc"));
  edited.replace("\n104,100\r", "\n104,55\r");
  WriteBytes(Path("edited.vmc"), edited);
  ASSERT_EQ(Drive("set P1.07 5"), "OK");
  run = Tool(
      {"--csv", "compare", "--file", Path("same.vmc"), "--file", Path("edited.vmc"), "--drive"});
  EXPECT_EQ(run.code, 1) << run.err.toStdString();
  EXPECT_EQ(run.out,
            "parameter,units,same.vmc,edited.vmc,drive\n"
            "P1.04 - Monitor 1 Scale,%,100,55 *,100\n"
            "P1.05 - Monitor 2 Scale,%,100 *,42,42\n"
            "P1.07 - Torque Smoothing,ms,0,0,5 *\n");
}

TEST_F(VelumoConfig, DownloadsAndUploadsAreInTheDriveHistoryWithTheValuesBefore) {
  QFile::remove(JournalFile());
  ASSERT_EQ(Drive("set P1.05 7"), "OK");
  ASSERT_EQ(Tool({"upload", Path("history.vmc")}).code, 0);
  ASSERT_EQ(Drive("factory"), "OK");
  ASSERT_EQ(Tool({"--backup-dir", Path("backups"), "download", Path("history.vmc")}).code, 0);

  Result run = Tool({"history", "--parameter", "P1.05"});
  ASSERT_EQ(run.code, 0) << run.err.toStdString();
  const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 5) << run.out.toStdString();
  EXPECT_TRUE(lines[0].contains("velumo-config download " + Path("history.vmc")))
      << lines[0].toStdString();
  EXPECT_TRUE(lines[0].contains("KDA-1K, firmware 2.00, motor 21, node 1 on COM1"))
      << lines[0].toStdString();
  EXPECT_EQ(lines[1], "  P1.05 - Monitor 2 Scale: 100 -> 7 % (OK)");
  EXPECT_TRUE(lines[2].contains("velumo-config upload")) << lines[2].toStdString();
  EXPECT_EQ(lines[3], "  P1.05 - Monitor 2 Scale: 7 % (OK)");

  run = Tool({"--csv", "history", "--since", "2020-01-01", "--changes"});
  EXPECT_TRUE(run.out.contains(",P1.05 - Monitor 2 Scale,100,7,%,1,")) << run.out.toStdString();
  run = Tool({"report", Path("visit.csv")});
  ASSERT_EQ(run.code, 0) << run.err.toStdString();
  const QString report = QString::fromUtf8(Bytes(Path("visit.csv")));
  EXPECT_TRUE(report.startsWith("Commissioning Report\r\nDrive,KDA-1K\r\n"))
      << report.left(80).toStdString();
  EXPECT_TRUE(report.contains(",velumo-config,download " + Path("history.vmc")))
      << report.toStdString();

  // A history that cannot be written (here a folder) is told; the download stands.
  ASSERT_EQ(Drive("factory"), "OK");
  run = Tool({"--journal", folder_->path(), "--backup-dir", Path("backups"), "download",
              Path("history.vmc")});
  EXPECT_EQ(run.code, 0) << run.err.toStdString();
  EXPECT_EQ(Get("P1.05"), 7);
  EXPECT_TRUE(run.err.contains("the drive history " + folder_->path() + " could not be written"))
      << run.err.toStdString();
}

TEST_F(VelumoConfig, ABusOfThreeDrivesIsScannedBackedUpResetAndRestored) {
  const std::vector<std::vector<std::string>> models{
      {"--node", "2"},
      {"--node", "5", "--amp", "20", "--firmware", "210"},
      {"--node", "9", "--amp", "23"}};
  std::vector<std::unique_ptr<vdtest::VdriveProcess>> drives;
  std::vector<std::string> devices;
  for (const auto& model : models) {
    std::vector<std::string> args{"--no-map", "--no-pacing", "--no-line-check"};
    args.insert(args.end(), model.begin(), model.end());
    drives.push_back(std::make_unique<vdtest::VdriveProcess>());
    ASSERT_TRUE(drives.back()->Start(args));
    devices.push_back(drives.back()->Device());
  }
  vctest::SharedLine line;
  ASSERT_TRUE(line.Start(devices));
  const QString bus = QString::fromStdString(line.Device());
  const QStringList range{"--timeout", "200", "--nodes", "1-9"};

  Result run = RunTool(bus, QStringList{"--csv", "scan"} + range);
  ASSERT_EQ(run.code, 0) << run.err.toStdString();
  const QStringList rows = run.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(rows.size(), 4) << run.out.toStdString();
  EXPECT_TRUE(rows[1].startsWith("2,KDA-1K,2.00,21,")) << rows[1].toStdString();
  EXPECT_TRUE(rows[2].startsWith("5,KDA-400,2.10,")) << rows[2].toStdString();
  EXPECT_TRUE(rows[3].startsWith("9,KDA-3K,2.00,")) << rows[3].toStdString();

  for (size_t i = 0; i < drives.size(); ++i)
    ASSERT_EQ(drives[i]->Command("set P1.05 " + std::to_string(11 + i)), "OK");
  run = RunTool(bus, QStringList{"backup-bus"} + range + QStringList{Path("bus")});
  ASSERT_EQ(run.code, 0) << run.err.toStdString();
  const QStringList files = QDir(Path("bus")).entryList({"*.vmc"}, QDir::Files, QDir::Name);
  ASSERT_EQ(files.size(), 3);
  EXPECT_TRUE(files[0].startsWith("Node 002 KDA-1K 20")) << files[0].toStdString();
  EXPECT_TRUE(files[1].startsWith("Node 005 KDA-400 20")) << files[1].toStdString();
  EXPECT_TRUE(files[2].startsWith("Node 009 KDA-3K 20")) << files[2].toStdString();

  for (auto& drive : drives) ASSERT_EQ(drive->Command("factory"), "OK");
  run = RunTool(bus, {"--backup-dir", Path("backups"), "restore-bus", Path("bus")});
  EXPECT_EQ(run.code, 0) << run.out.toStdString() << run.err.toStdString();
  EXPECT_TRUE(run.out.contains("3 of 3 drive(s) restored and verified"));
  for (size_t i = 0; i < drives.size(); ++i)
    EXPECT_EQ(GetOf(*drives[i], "P1.05"), static_cast<int>(11 + i)) << "drive " << i;
}

// Two drives behind one Modbus gateway: scanned through the port map, uploaded from by the
// endpoint itself; a lost connection and a refused one are told with their reasons.
TEST_F(VelumoConfig, DrivesBehindAGatewayAreReachedThroughTheMapAndDirectly) {
  vdtest::VdriveProcess gateway;
  ASSERT_TRUE(gateway.Start({"--listen", "mbtcp:127.0.0.1:0", "--nodes", "2,5", "--com", "9",
                             "--no-pacing", "--gateway-delay", "2"}));
  Result run = RunTool("COM9", {"--csv", "scan", "--nodes", "1-6"});
  ASSERT_EQ(run.code, 0) << run.err.toStdString();
  const QStringList rows = run.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(rows.size(), 3) << run.out.toStdString();
  EXPECT_TRUE(rows[1].startsWith("2,") && rows[2].startsWith("5,")) << run.out.toStdString();

  const QString endpoint = QString::fromStdString(gateway.Device());
  ASSERT_EQ(gateway.Command("node 5"), "OK node 5");
  ASSERT_EQ(gateway.Command("set P1.05 9"), "OK");
  run = RunTool(endpoint, {"--node", "5", "upload", Path("gateway.vmc")});
  ASSERT_EQ(run.code, 0) << run.err.toStdString();
  EXPECT_TRUE(Bytes(Path("gateway.vmc")).contains("\r\n105,9\r\n"));

  ASSERT_EQ(gateway.Command("drop"), "OK planned drop x1");
  run = RunTool(endpoint, {"--node", "5", "upload", Path("lost.vmc")});
  EXPECT_EQ(run.code, 4);
  EXPECT_TRUE(run.err.contains("was closed by the other end")) << run.err.toStdString();
  gateway.Stop();
  run = RunTool(endpoint, {"--node", "5", "upload", Path("lost.vmc")});
  EXPECT_EQ(run.code, 3);
  EXPECT_TRUE(run.err.contains(" refused the connection")) << run.err.toStdString();
}

TEST_F(VelumoConfig, EachKindOfFailureHasItsOwnExitCodeAndMessage) {
  EXPECT_EQ(Tool({"upload"}).code, 2);
  EXPECT_EQ(Tool({"--pace", "x", "scan"}).code, 2);

  QProcess missing;
  missing.start(VELUMO_CONFIG, {"--port", "/dev/velumo-no-such-port", "scan", "--nodes", "1"});
  ASSERT_TRUE(missing.waitForFinished(30000));
  EXPECT_EQ(missing.exitCode(), 3);
  EXPECT_TRUE(missing.readAllStandardError().contains("does not exist on this computer"));

  Result run = Tool({"--node", "7", "--timeout", "100", "upload", Path("none.vmc")});
  EXPECT_EQ(run.code, 4);
  EXPECT_TRUE(run.err.contains("no drive answers at node 7")) << run.err.toStdString();

  WriteBytes(Path("damaged.vmc"), "#212001\r\n101,2\r\n905,1\r\n");
  run = Tool({"compare", Path("damaged.vmc")});
  EXPECT_EQ(run.code, 5);
  EXPECT_TRUE(run.err.contains("line 3")) << run.err.toStdString();
  EXPECT_EQ(Tool({"download", Path("absent.vmc")}).code, 5);
}

}  // namespace

int main(int argc, char** argv) {
  // A private component store: the tool registers the library there, never in the user's.
  QTemporaryDir store;
  qputenv("XDG_CONFIG_HOME", store.path().toLocal8Bit());
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
