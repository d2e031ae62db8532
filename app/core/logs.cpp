#include "core/logs.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTimer>
#include <QWidget>

#include "core/host.h"
#include "core/prompt.h"
#include "portwright/modbus_atl.h"

namespace basFunctions {

QString LogFilePath;

namespace {

const QString kCr = QStringLiteral("\r");

QString dataFile(const QString& name) {
  return host::ProgramFolder() + QStringLiteral("/Data/") + name;
}

void appendLine(const QString& path, const QString& line) {
  LogFilePath = path;
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
    throw ProgramError(75, "Path/File access error");
  file.write((line + QStringLiteral("\r\n")).toUtf8());
}

// The box a log writer shows for its own failure (logging it could recurse).
void showWriterFailure(const char* writer, const std::exception& e) {
  prompt::MsgBox(QStringLiteral("An error has occurred in sub ") + writer + "()" + kCr +
                     "Error Number: " + QString::number(errorNumber(e)) + kCr +
                     "Error Description: " + QString::fromUtf8(e.what()) + kCr +
                     "Please contact your software vendor.",
                 prompt::Buttons::OK, prompt::Icon::Critical, QStringLiteral("Error Generated"));
}

void restoreMainWindow() {
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
  QWidget* main = host::MainWindow();
  if (!main) return;
  if (auto* timer = main->findChild<QTimer*>(QStringLiteral("tmrMain"));
      timer && !timer->isActive())
    timer->start();
}

}  // namespace

QString GeneralDateTime() {
  return QLocale::system().toString(QDateTime::currentDateTime(), QLocale::ShortFormat);
}

int32_t errorNumber(const std::exception& e) {
  if (dynamic_cast<const portwright::AutomationError*>(&e))
    return static_cast<int32_t>(portwright::DISP_E_EXCEPTION);
  if (auto* own = dynamic_cast<const ProgramError*>(&e)) return own->number();
  if (dynamic_cast<const std::out_of_range*>(&e)) return 9;
  if (dynamic_cast<const std::bad_alloc*>(&e)) return 7;
  return 5;  // invalid procedure call or argument
}

void ErrHandler(int32_t number, const QString& description, const QString& location, bool show) {
  try {
    if (QWidget* main = host::MainWindow()) main->setEnabled(true);
    if (show)
      prompt::MsgBox(QStringLiteral("An error has occurred and is being logged.") + kCr +
                         "Error Number: " + QString::number(number) + kCr +
                         "Description: " + description + kCr + "Location: " + location,
                     prompt::Buttons::OK, prompt::Icon::Information,
                     QStringLiteral("Generating Error"));
    ErrorLog(location, QStringLiteral("Program"), number, description);
    restoreMainWindow();
  } catch (const std::exception& e) {
    showWriterFailure("ErrHandler", e);
  }
}

void ErrorLog(const QString& location, const QString& source, int32_t number,
              const QString& description) {
  try {
    appendLine(dataFile(QStringLiteral("Error.Log")), GeneralDateTime() + " - " + location + ", " +
                                                          source + ", " + QString::number(number) +
                                                          ", " + description);
  } catch (const std::exception& e) {
    showWriterFailure("ErrorLog", e);
  }
}

void EventLog(const QString& message) {
  try {
    appendLine(dataFile(QStringLiteral("Event.Log")), GeneralDateTime() + " - " + message);
  } catch (const std::exception& e) {
    showWriterFailure("EventLog", e);
  }
}

bool fileCheck(const QString& path) {
  bool exists = false;
  guarded("basFunctions, fileCheck()", [&] { exists = QFileInfo(path).isFile(); });
  return exists;
}

}  // namespace basFunctions
