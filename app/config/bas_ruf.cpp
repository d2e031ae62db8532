#include "config/bas_ruf.h"

#include <QAction>
#include <QMenu>
#include <cmath>

#include "core/app_state.h"
#include "core/host.h"
#include "core/logs.h"

namespace basRUF {

int16_t RecentCount = 0;
int16_t RecentMax = 0;
std::function<void(int index)> RecentFileChosen;

namespace {

using basFunctions::guarded;

const QString kRecentFiles = QStringLiteral("Recent Files");
const QString kConfig = QStringLiteral("Config");
const QString kCount = QStringLiteral("noRUF");
const QString kMax = QStringLiteral("MAX_FILES");
constexpr int kDefaultMax = 4;
constexpr int kMaxAllowed = 21;  // a limit of 21 or more is not taken

QString elementName(int index) { return QStringLiteral("mnuRUF_%1").arg(index); }

QMenu* fileMenu() {
  QWidget* main = host::MainWindow();
  return main ? main->findChild<QMenu*>(QStringLiteral("mnuFile")) : nullptr;
}

QString recentKey(int index) { return GetSetting(kRecentFiles, QString::number(index)); }

int16_t storedNumber(const QString& key, int16_t fallback) {
  bool ok = false;
  const int value = GetSetting(kConfig, key, QString::number(fallback)).toInt(&ok);
  return ok ? static_cast<int16_t>(value) : fallback;
}

// Element i of the menu-item array; element 1 is part of the design (hidden, no caption).
QAction* loadElement(int index) {
  QMenu* menu = fileMenu();
  if (!menu) return nullptr;
  if (QAction* existing = mnuRUF(index)) return existing;
  auto* element = new QAction(menu);
  element->setObjectName(elementName(index));
  element->setVisible(index > 1);
  QObject::connect(element, &QAction::triggered, menu, [index] {
    if (RecentFileChosen) RecentFileChosen(index);
  });
  menu->addAction(element);
  return element;
}

void unloadElement(int index) {
  if (QAction* element = mnuRUF(index)) {
    if (QMenu* menu = fileMenu()) menu->removeAction(element);
    delete element;
  }
}

void setCaption(int index, const QString& path) {
  QAction* element = loadElement(index);
  if (!element) return;
  element->setData(path);
  QString shown = path;
  element->setText(shown.replace(QLatin1Char('&'), QStringLiteral("&&")));
}

void showStoredEntries(int count) {
  for (int i = 1; i <= count; ++i) {
    setCaption(i, recentKey(i));
    if (QAction* element = mnuRUF(i)) element->setVisible(true);
  }
}

}  // namespace

QAction* mnuRUF(int index) {
  QMenu* menu = fileMenu();
  return menu ? menu->findChild<QAction*>(elementName(index), Qt::FindDirectChildrenOnly) : nullptr;
}

int MenuUpperBound() {
  loadElement(1);
  int upper = 1;
  while (mnuRUF(upper + 1)) ++upper;
  return upper;
}

QString MenuCaption(int index) {
  const QAction* element = mnuRUF(index);
  return element ? element->data().toString() : QString();
}

void getMaxFiles() {
  guarded("basRUF, getMaxFiles()", [] {
    int limit = static_cast<int>(std::nearbyint(basMain::MaxRecentFiles));
    if (limit < 1 || limit >= kMaxAllowed) limit = kDefaultMax;
    RecentMax = static_cast<int16_t>(limit);
    SaveSetting(kConfig, kMax, QString::number(RecentMax));
    RecentMax = storedNumber(kMax, RecentMax);
  });
}

void checkForPrevious() {
  guarded("basRUF, checkForPrevious()", [] {
    loadElement(1);
    if (!recentKey(1).isEmpty()) {
      RecentMax = storedNumber(kMax, RecentMax);
      RecentCount = storedNumber(kCount, RecentCount);
      showStoredEntries(RecentCount);
    } else {
      SaveSetting(kConfig, kCount, QString::number(RecentCount));
      RecentMax = static_cast<int16_t>(std::nearbyint(basMain::MaxRecentFiles));
      SaveSetting(kConfig, kMax, QString::number(RecentMax));
    }
  });
}

void doCheckFiles(const QString& path) {
  guarded("basRUF, doCheckFiles()", [&] {
    const int upper = MenuUpperBound();
    int found = 0;
    for (int i = 1; i <= upper && found == 0; ++i) {
      if (MenuCaption(i) == path) {
        found = i;
      } else if (i == upper) {
        addNewFile(path);
        doRationaliseMenu();
        return;
      }
    }
    for (int k = found - 1; k >= 1; --k) setCaption(k + 1, MenuCaption(k));
    setCaption(1, path);
    doRationaliseMenu();
  });
}

void addNewFile(const QString& path) {
  guarded("basRUF, addNewFile()", [&] {
    doLoadMenuItem();
    doRotatateFiles(path);
    doMenu();
  });
}

void doLoadMenuItem() {
  guarded("basRUF, doLoadMenuItem()", [] {
    getMaxFiles();
    if (RecentCount >= RecentMax) return;
    ++RecentCount;
    if (RecentCount > 1) loadElement(RecentCount);
    SaveSetting(kConfig, kCount, QString::number(RecentCount));
  });
}

void doRotatateFiles(const QString& path) {
  guarded("basRUF, doRotatateFiles()", [&] {
    if (recentKey(1) == path) return;
    for (int i = RecentMax - 1; i >= 1; --i)
      SaveSetting(kRecentFiles, QString::number(i + 1), recentKey(i));
    SaveSetting(kRecentFiles, QStringLiteral("1"), path);
  });
}

void doMenu() {
  guarded("basRUF, doMenu()", [] {
    if (RecentCount > RecentMax) {
      doRationaliseMenu();
      // The cut leaves RecentCount at the limit; show what is left.
      if (RecentCount > RecentMax) return;
    }
    showStoredEntries(RecentCount);
  });
}

void doRationaliseMenu() {
  guarded("basRUF, doRationaliseMenu()", [] {
    getMaxFiles();
    if (RecentCount <= RecentMax) return;
    SaveSetting(kConfig, kMax, QString::number(RecentMax));
    for (int i = RecentMax + 1; i <= RecentCount; ++i) {
      unloadElement(i);
      DeleteSetting(kRecentFiles, QString::number(i));
    }
    RecentCount = storedNumber(kMax, RecentMax);
    SaveSetting(kConfig, kCount, QString::number(RecentCount));
  });
}

}  // namespace basRUF
