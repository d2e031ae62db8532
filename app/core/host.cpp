#include "core/host.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QWidget>
#include <algorithm>

#include "core/program_error.h"
#include "core/program_folders.h"

namespace host {
namespace {
portwright::IModbusAtl* g_mod1 = nullptr;
QPointer<QWidget> g_mainWindow;
QString g_programFolderOverride;
MainWindowCommands g_commands;
}  // namespace

portwright::IModbusAtl& Mod1() {
  if (!g_mod1)
    throw basFunctions::ProgramError(91, "Object variable or With block variable not set");
  return *g_mod1;
}

bool HasMod1() { return g_mod1 != nullptr; }

void SetMod1(portwright::IModbusAtl* control) { g_mod1 = control; }

void SetMainWindow(QWidget* window) { g_mainWindow = window; }

QWidget* MainWindow() { return g_mainWindow.data(); }

void SetMainWindowCommands(MainWindowCommands commands) { g_commands = std::move(commands); }

void RunCommand(const QString& name) {
  if (g_commands.run) g_commands.run(name);
}

void SetCommandEnabled(const QString& name, bool enabled) {
  if (g_commands.setEnabled) g_commands.setEnabled(name, enabled);
}

void SetStatusPanel(int panel, const QString& text) {
  if (!g_mainWindow) return;
  auto* label = g_mainWindow->findChild<QLabel*>(QStringLiteral("stbMain_%1").arg(panel));
  if (label) label->setText(text);
}

QString ExecutableFolder() {
  if (!g_programFolderOverride.isEmpty()) return g_programFolderOverride;
  return QCoreApplication::applicationDirPath();
}

bool IsInstalled() {
  static const bool installedLayout =
      programFolders::IsInstalledLayout(QCoreApplication::applicationDirPath());
  return g_programFolderOverride.isEmpty() && installedLayout;
}

QString ProgramFolder() {
  if (IsInstalled()) return programFolders::UserDataFolder();
  return ExecutableFolder();
}

void SetProgramFolderForTests(const QString& folder) { g_programFolderOverride = folder; }

}  // namespace host

namespace host {

void ShowChild(QWidget* window) {
  window->setAttribute(Qt::WA_DeleteOnClose);
  QMdiArea* area = g_mainWindow ? g_mainWindow->findChild<QMdiArea*>() : nullptr;
  if (!area) {
    window->show();
    return;
  }
  QMdiSubWindow* frame = nullptr;
  for (QMdiSubWindow* sub : area->subWindowList())
    if (sub->widget() == window) frame = sub;
  if (!frame) {
    frame = area->addSubWindow(window);
    frame->setAttribute(Qt::WA_DeleteOnClose);
  }
  frame->show();
  window->show();
  area->setActiveSubWindow(frame);
}

void FitIntoChildArea(QWidget* window, const QSize& preferred) {
  auto* frame = qobject_cast<QMdiSubWindow*>(window->parentWidget());
  if (!frame || !frame->mdiArea()) return;
  const QSize area = frame->mdiArea()->viewport()->size();
  const QSize decoration = frame->size() - window->size();
  frame->resize((preferred + decoration).boundedTo(area).expandedTo(frame->minimumSizeHint()));
  frame->move(std::clamp(frame->x(), 0, std::max(0, area.width() - frame->width())),
              std::clamp(frame->y(), 0, std::max(0, area.height() - frame->height())));
}

}  // namespace host

namespace host {

void UnloadWindow(QWidget* window) {
  if (!window || IsUnloaded(window)) return;
  window->setProperty("unloaded", true);
  if (auto* frame = qobject_cast<QMdiSubWindow*>(window->parentWidget())) {
    frame->setProperty("unloaded", true);
    frame->close();
    frame->deleteLater();
  } else {
    window->close();
  }
  window->deleteLater();
}

bool IsUnloaded(const QWidget* window) { return window->property("unloaded").toBool(); }

}  // namespace host
