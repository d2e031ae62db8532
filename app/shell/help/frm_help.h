// frmHelp, the program's help window: the help collection (Velumo_Help.qhc with its
// Velumo_Help.qch, built from app/shell/help/pages) with Contents, Index and Search tabs beside
// the page shown. The three Help menu entries open it on their tab.
#pragma once

#include <QPointer>
#include <QWidget>

class QHelpEngine;
class QLineEdit;
class QTabWidget;
class QTextBrowser;

class frmHelp : public QWidget {
  Q_OBJECT

 public:
  enum Tab { Contents = 0, Index = 1, Search = 2 };

  // Opens the help file in the window (loading it when needed) on the given tab. A help file
  // that is missing or unreadable is told, and the result is null.
  static frmHelp* ShowTab(Tab tab);
  static frmHelp* instance();
  // The collection file the window reads. The search index is written beside it, so an
  // installed program reads a copy in the user's cache folder (kept up to date with the
  // shipped one) whoever runs it; a program run from its build reads HelpFile itself.
  static QString CollectionInUse(const QString& helpFile, bool installed);

  QTabWidget* navigation() const { return tabNavigation_; }
  QTextBrowser* browser() const { return browser_; }
  QHelpEngine* engine() const { return engine_; }
  QLineEdit* indexLookFor() const { return txtLookFor_; }

 private:
  explicit frmHelp(const QString& collection);
  ~frmHelp() override;
  QWidget* buildContentsTab();
  QWidget* buildIndexTab();
  QWidget* buildSearchTab();
  void showPage(const QUrl& url);

  QHelpEngine* engine_ = nullptr;
  QTabWidget* tabNavigation_ = nullptr;
  QTextBrowser* browser_ = nullptr;
  QLineEdit* txtLookFor_ = nullptr;
};

namespace basMain {
// The help window while it is open.
extern QPointer<frmHelp> HelpWindow;
}  // namespace basMain
