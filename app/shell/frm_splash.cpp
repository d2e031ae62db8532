#include "shell/frm_splash.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include "core/host.h"
#include "core/logs.h"
#include "core/pictures.h"

using basFunctions::guarded;

namespace {
QPointer<frmSplash> g_splash;
}

frmSplash::frmSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::WindowStaysOnTopHint),
      imgSplash_(new QLabel(this)),
      tmrSplash_(new QTimer(this)) {
  setObjectName(QStringLiteral("frmSplash"));
  setAttribute(Qt::WA_DeleteOnClose);
  setFocusPolicy(Qt::StrongFocus);
  g_splash = this;
  imgSplash_->setObjectName(QStringLiteral("imgSplash"));
  imgSplash_->installEventFilter(this);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(imgSplash_);
  tmrSplash_->setObjectName(QStringLiteral("tmrSplash"));
  tmrSplash_->setInterval(1000);
  connect(tmrSplash_, &QTimer::timeout, this, &frmSplash::tmrSplash_Timer);
  Form_Load();
  tmrSplash_->start();
}

// Form_QueryUnload: drop the global reference.
frmSplash::~frmSplash() {
  guarded("frmSplash, Form_QueryUnload", [] { g_splash = nullptr; });
}

frmSplash* frmSplash::instance() { return g_splash.data(); }

void frmSplash::Form_Load() {
  guarded("frmSplash, FormLoad", [&] { imgSplash_->setPixmap(pictures::Splash()); });
}

void frmSplash::maximiseMainWindowAndUnload() {
  if (QWidget* main = host::MainWindow()) main->showMaximized();
  unload();
}

void frmSplash::unload() {
  tmrSplash_->stop();
  g_splash = nullptr;
  host::UnloadWindow(this);
}

void frmSplash::tmrSplash_Timer() {
  guarded("frmSplash, tmrSplash_Timer", [&] {
    ++ticks_;
    if (ticks_ == 6) maximiseMainWindowAndUnload();
  });
}

void frmSplash::imgSplash_Click() {
  guarded("frmSplash, imgSplash_Click", [&] { maximiseMainWindowAndUnload(); });
}

void frmSplash::cmdClose_Click() {
  guarded("frmSplash, cmdClose_Click", [&] { unload(); });
}

void frmSplash::cmdCancel_Click() {
  guarded("frmSplash, cmdCancel_Click", [] { QApplication::exit(0); });
}

void frmSplash::keyPressEvent(QKeyEvent*) {
  guarded("frmSplash, Form_KeyPress", [&] { cmdClose_Click(); });
}

bool frmSplash::eventFilter(QObject* watched, QEvent* event) {
  if (watched == imgSplash_ && event->type() == QEvent::MouseButtonRelease) {
    imgSplash_Click();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}
