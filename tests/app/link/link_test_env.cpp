#include "link_test_env.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include "core/app_state.h"
#include "core/host.h"
#include "core/prompt.h"
#include "link/bas_comm.h"
#include "link/connect_sequence.h"
#include "link/frm_comm_settings.h"
#include "link/poll_groups.h"
#include "params/drive_identity.h"
#include "params/value_table.h"

namespace linktest {
namespace {

QTemporaryDir* g_folder = nullptr;

void run(QSqlQuery& query, const QString& statement) {
  if (!query.exec(statement)) ADD_FAILURE() << statement.toStdString();
}

void createDatabase(const QString& path) {
  {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "fixture");
    db.setDatabaseName(path);
    db.open();
    QSqlQuery q(db);
    run(q,
        "create table tblDriveParameters (AmpCode integer, Rev integer, Parameter text, "
        "Address integer)");
    for (auto [key, address] : {std::pair{"101", kAddressP101},
                                {"110", kAddressP110},
                                {"111", 268},
                                {"112", 269},
                                {"208", kAddressP208}})
      run(q, QStringLiteral("insert into tblDriveParameters values (21, 200, '%1', %2)")
                 .arg(key)
                 .arg(address));
    run(q,
        "create table qryExtraData (AmpCode integer, Rev integer, Parameter text, "
        "Setting text)");
    run(q, "insert into qryExtraData values (21, 200, '101', '00 Position')");
    run(q, "insert into qryExtraData values (21, 200, '101', '01 Speed')");
    run(q, "insert into qryExtraData values (20, 200, '101', '00 Other amp')");
    run(q,
        "create table tblComSet (Code integer, Address integer, Port text, PortDefault "
        "integer, Baud text, BaudDefault integer, Bits text, Parity text, StopBit text, "
        "Description text, ProtocolDefault integer)");
    const char* protocols[][3] = {{"7", "N", "2"}, {"7", "E", "1"}, {"7", "O", "1"},
                                  {"8", "N", "2"}, {"8", "E", "1"}, {"8", "O", "1"},
                                  {"8", "N", "2"}, {"8", "E", "1"}, {"8", "O", "1"}};
    const char* bauds[] = {"4800", "9600", "19200", "38400", "", "", "", "", ""};
    for (int code = 1; code <= 9; ++code) {
      const auto* p = protocols[code - 1];
      run(q, QStringLiteral("insert into tblComSet values (%1, null, '%2', %3, '%4', %5, '%6', "
                            "'%7', '%8', '%9', %10)")
                 .arg(code)
                 .arg(QStringLiteral("COM%1").arg(code))
                 .arg(code == 1 ? 1 : 0)
                 .arg(bauds[code - 1])
                 .arg(code == 3 ? 1 : 0)
                 .arg(p[0], p[1], p[2], code <= 6 ? "Modbus ASCII" : "Modbus RTU")
                 .arg(code == 8 ? 1 : 0));
    }
    run(q, "insert into tblComSet (Code, Address) values (99, 1)");
  }
  QSqlDatabase::removeDatabase("fixture");
}

QStringList readLines(const QString& name) {
  QFile file(host::ProgramFolder() + "/Data/" + name);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll()).split("\r\n", Qt::SkipEmptyParts);
}

}  // namespace

void PrepareProgramFolder() {
  g_folder = new QTemporaryDir;
  QDir(g_folder->path()).mkpath("Data");
  createDatabase(g_folder->path() + "/Data/VM.vmd");
  host::SetProgramFolderForTests(g_folder->path());
}

StandInMainWindow::StandInMainWindow() : window_(std::make_unique<QMainWindow>()) {
  auto* central = new QWidget;
  auto* layout = new QVBoxLayout(central);
  layout->addWidget(new QMdiArea, 1);
  statusList = new QListWidget;
  statusList->setObjectName("lstMain");
  layout->addWidget(statusList);
  ledBar = new LedBar;
  ledBar->setObjectName("ledBar");
  layout->addWidget(ledBar);
  window_->setCentralWidget(central);
  window_->resize(1024, 720);
  window_->show();
  host::SetMainWindow(window_.get());
}

StandInMainWindow::~StandInMainWindow() {
  frmCommSettings::Unload();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  host::SetMainWindow(nullptr);
}

void LinkTest::SetUp() {
  mod1 = std::make_unique<FakeModbus>();
  host::SetMod1(mod1.get());
  prompt::ScriptReplies({});
  prompt::ClearShownPrompts();
  QFile::remove(host::ProgramFolder() + "/Data/Event.Log");
  QFile::remove(host::ProgramFolder() + "/Data/Error.Log");
  basFunctions::DriveImage.clear();
  basFunctions::WorkingConfig.clear();
  basFunctions::DriveIdentity = {};
  basFunctions::PollGroup = 0;
  basFunctions::PollItemSeen.fill(0);
  basFunctions::InitComplete = false;
  basFunctions::PollFailCount = 0;
  basFunctions::ScopeLogonNeeded = false;
  basFunctions::MaintLogonNeeded = false;
  basFunctions::ScopeChannelCount = 0;
  basComm::DriveConnected = 0;
  basComm::ConnectTesting = 0;
  basComm::DriveNodeAddress = 1;
  basMain::ExpressActive = false;
  commSettings::LastCommSelection.fill(0);
}

void LinkTest::TearDown() {
  frmCommSettings::Unload();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QApplication::processEvents();
  host::SetMod1(nullptr);
}

QStringList LinkTest::EventLog() const { return readLines("Event.Log"); }
QStringList LinkTest::ErrorLog() const { return readLines("Error.Log"); }

QStringList LinkTest::ErrorsAt(const QString& location) const {
  return ErrorLog().filter(" - " + location + ", ");
}

}  // namespace linktest
