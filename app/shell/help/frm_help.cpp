#include "shell/help/frm_help.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHelpContentModel>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexWidget>
#include <QHelpLink>
#include <QHelpSearchEngine>
#include <QHelpSearchQueryWidget>
#include <QHelpSearchResultWidget>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "core/app_state.h"
#include "core/host.h"
#include "core/logs.h"
#include "core/pictures.h"
#include "core/prompt.h"

namespace basMain {
QPointer<frmHelp> HelpWindow;
}  // namespace basMain

namespace {

const QUrl kHomePage(QStringLiteral("qthelp://velumopro.help/doc/pages/index.html"));

// Shows pages from the help collection. A link between pages (a qthelp: address, or one
// relative to the page shown) is followed here; any other link goes to the desktop.
class HelpBrowser : public QTextBrowser {
 public:
  HelpBrowser(QHelpEngine* engine, QWidget* parent) : QTextBrowser(parent), engine_(engine) {
    setOpenLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &HelpBrowser::follow);
  }
  QVariant loadResource(int type, const QUrl& name) override {
    if (name.scheme() == QLatin1String("qthelp")) return engine_->fileData(name);
    return QTextBrowser::loadResource(type, name);
  }

 private:
  void follow(const QUrl& link) {
    const QUrl target = source().resolved(link);
    if (target.scheme() == QLatin1String("qthelp"))
      setSource(target);
    else
      QDesktopServices::openUrl(target);
  }

  QHelpEngine* engine_;
};

// Replaces `target` by `source` when the source is newer or the target is missing.
void refreshCopy(const QString& source, const QString& target) {
  const QFileInfo from(source), to(target);
  if (to.exists() && to.lastModified() >= from.lastModified()) return;
  QFile::remove(target);
  QFile::copy(source, target);
  QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
}

}  // namespace

frmHelp::frmHelp(const QString& collection) : QWidget(host::MainWindow(), Qt::Window) {
  setObjectName(QStringLiteral("frmHelp"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral(" Velumo PRO Help"));
  setWindowIcon(pictures::WindowIcon());
  engine_ = new QHelpEngine(collection, this);
  engine_->setUsesFilterEngine(true);
  if (!engine_->setupData()) throw basFunctions::ProgramError(75, engine_->error().toStdString());
  browser_ = new HelpBrowser(engine_, this);
  browser_->setObjectName(QStringLiteral("txtHelpPage"));

  tabNavigation_ = new QTabWidget(this);
  tabNavigation_->setObjectName(QStringLiteral("tabNavigation"));
  tabNavigation_->addTab(buildContentsTab(), QStringLiteral("&Contents"));
  tabNavigation_->addTab(buildIndexTab(), QStringLiteral("I&ndex"));
  tabNavigation_->addTab(buildSearchTab(), QStringLiteral("&Search"));

  auto* splitter = new QSplitter(this);
  splitter->addWidget(tabNavigation_);
  splitter->addWidget(browser_);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({260, 560});
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(splitter);
  resize(880, 620);
  // The search index is built (or brought up to date) in the background.
  engine_->searchEngine()->scheduleIndexDocumentation();
  showPage(kHomePage);
}

frmHelp::~frmHelp() = default;

frmHelp* frmHelp::instance() { return basMain::HelpWindow.data(); }

QWidget* frmHelp::buildContentsTab() {
  QHelpContentWidget* contents = engine_->contentWidget();
  contents->setObjectName(QStringLiteral("tvwContents"));
  connect(contents, &QHelpContentWidget::linkActivated, this, &frmHelp::showPage);
  // One click on a topic opens it (a double click or Enter also unfolds its subtopics).
  connect(contents, &QHelpContentWidget::clicked, this, [this](const QModelIndex& index) {
    if (const QHelpContentItem* item = engine_->contentModel()->contentItemAt(index))
      showPage(item->url());
  });
  return contents;
}

QWidget* frmHelp::buildIndexTab() {
  auto* tab = new QWidget(this);
  tab->setObjectName(QStringLiteral("tabIndex"));
  auto* label = new QLabel(QStringLiteral("&Look for:"), tab);
  txtLookFor_ = new QLineEdit(tab);
  txtLookFor_->setObjectName(QStringLiteral("txtLookFor"));
  label->setBuddy(txtLookFor_);
  QHelpIndexWidget* index = engine_->indexWidget();
  index->setObjectName(QStringLiteral("lstIndex"));
  connect(txtLookFor_, &QLineEdit::textChanged, index,
          [index](const QString& text) { index->filterIndices(text); });
  connect(txtLookFor_, &QLineEdit::returnPressed, index, &QHelpIndexWidget::activateCurrentItem);
  connect(index, &QHelpIndexWidget::documentActivated, this,
          [this](const QHelpLink& document, const QString&) { showPage(document.url); });
  connect(index, &QHelpIndexWidget::documentsActivated, this,
          [this](const QList<QHelpLink>& documents, const QString&) {
            if (!documents.isEmpty()) showPage(documents.first().url);
          });
  auto* layout = new QVBoxLayout(tab);
  layout->addWidget(label);
  layout->addWidget(txtLookFor_);
  layout->addWidget(index, 1);
  return tab;
}

QWidget* frmHelp::buildSearchTab() {
  auto* tab = new QWidget(this);
  tab->setObjectName(QStringLiteral("tabSearch"));
  QHelpSearchEngine* search = engine_->searchEngine();
  QHelpSearchQueryWidget* query = search->queryWidget();
  query->setObjectName(QStringLiteral("txtSearch"));
  QHelpSearchResultWidget* results = search->resultWidget();
  results->setObjectName(QStringLiteral("lstSearchResults"));
  connect(query, &QHelpSearchQueryWidget::search, search,
          [search, query] { search->search(query->searchInput()); });
  connect(results, &QHelpSearchResultWidget::requestShowLink, this, &frmHelp::showPage);
  auto* layout = new QVBoxLayout(tab);
  layout->addWidget(query);
  layout->addWidget(results, 1);
  return tab;
}

void frmHelp::showPage(const QUrl& url) {
  basFunctions::guarded("frmHelp, showPage", [&] { browser_->setSource(url); });
}

QString frmHelp::CollectionInUse(const QString& helpFile, bool installed) {
  if (!installed) return helpFile;
  const QFileInfo collection(helpFile);
  const QString cache =
      QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/help");
  QDir().mkpath(cache);
  const QString documentation = collection.completeBaseName() + QStringLiteral(".qch");
  refreshCopy(collection.absolutePath() + "/" + documentation, cache + "/" + documentation);
  refreshCopy(helpFile, cache + "/" + collection.fileName());
  return cache + "/" + collection.fileName();
}

frmHelp* frmHelp::ShowTab(Tab tab) {
  frmHelp* window = basMain::HelpWindow.data();
  if (!window) {
    if (!QFileInfo::exists(basMain::HelpFile)) {
      prompt::MsgBox("The help file " + basMain::HelpFile + " could not be found.",
                     prompt::Buttons::OK, prompt::Icon::Exclamation,
                     QStringLiteral("Velumo PRO Help"));
      return nullptr;
    }
    try {
      window = new frmHelp(CollectionInUse(basMain::HelpFile, host::IsInstalled()));
    } catch (const std::exception& e) {
      basFunctions::ErrorLog(QStringLiteral("frmHelp, ShowTab"), QStringLiteral("Program"),
                             basFunctions::errorNumber(e), QString::fromUtf8(e.what()));
      prompt::MsgBox("The help file " + basMain::HelpFile + " could not be opened.",
                     prompt::Buttons::OK, prompt::Icon::Exclamation,
                     QStringLiteral("Velumo PRO Help"));
      return nullptr;
    }
    basMain::HelpWindow = window;
  }
  window->tabNavigation_->setCurrentIndex(tab);
  window->show();
  window->raise();
  window->activateWindow();
  if (tab == Index) window->txtLookFor_->setFocus();
  if (tab == Search) window->engine_->searchEngine()->queryWidget()->setFocus();
  return window;
}
