#include "maint/frm_jog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <cmath>
#include <utility>

#include "core/host.h"
#include "core/logs.h"
#include "core/pictures.h"
#include "core/prompt.h"
#include "core/status.h"
#include "drive_facts.h"
#include "link/bas_comm.h"
#include "maint/frm_maintenance.h"
#include "maint/jog_control.h"
#include "maint/maint_polls.h"
#include "params/number_text.h"
#include "params/value_table.h"

using basFunctions::guarded;

namespace {

QPointer<frmJog> g_jog;

constexpr int kJogCodes[2] = {drive_facts::kJogForward, drive_facts::kJogReverse};

}  // namespace

frmJog* frmJog::Instance() { return g_jog && !host::IsUnloaded(g_jog) ? g_jog.data() : nullptr; }

frmJog* frmJog::Display() {
  if (Instance()) {
    host::ShowChild(g_jog);
    return g_jog;
  }
  g_jog = new frmJog();
  g_jog->Form_Load();
  host::ShowChild(g_jog);
  // Another child window taking the focus deactivates the jog window's frame.
  if (auto* frame = qobject_cast<QMdiSubWindow*>(g_jog->parentWidget()))
    QObject::connect(frame, &QMdiSubWindow::windowStateChanged, g_jog,
                     [](Qt::WindowStates before, Qt::WindowStates now) {
                       if ((before & Qt::WindowActive) && !(now & Qt::WindowActive) && g_jog)
                         g_jog->StopIfJogging();
                     });
  return g_jog;
}

void frmJog::Unload() {
  if (frmJog* jog = Instance()) host::UnloadWindow(jog);
}

frmJog::frmJog(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("frmJog"));
  setWindowTitle(QStringLiteral(" Jog Operation"));
  buildControls();
  basMaint::SubscribeToPolls();  // the stop at the first failed poll
  connect(qApp, &QGuiApplication::applicationStateChanged, this,
          [this](Qt::ApplicationState state) {
            if (state != Qt::ApplicationActive) StopIfJogging();
          });
}

frmJog::~frmJog() = default;

void frmJog::buildControls() {
  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel(QStringLiteral("Jog Speed (0 ~ 3000):")), 0, 0);
  txtJogSpeed = new QLineEdit;
  txtJogSpeed->setAccessibleName(QStringLiteral("Jog Speed"));
  txtJogSpeed->setObjectName(QStringLiteral("txtJogSpeed"));
  grid->addWidget(txtJogSpeed, 0, 1);
  cmdSendSpeed = new QPushButton(QStringLiteral("Write"));
  cmdSendSpeed->setObjectName(QStringLiteral("cmdSendSpeed"));
  grid->addWidget(cmdSendSpeed, 0, 2);
  const char* captions[2] = {"Jog Forward", "Jog Reverse"};
  for (int i = 0; i < 2; ++i) {
    cmdJog[i] = new QPushButton(QString::fromLatin1(captions[i]));
    cmdJog[i]->setObjectName(QStringLiteral("cmdJog_%1").arg(i));
    cmdJog[i]->installEventFilter(this);
    // Also when the pointer leaves the button with the mouse button still down, and when
    // the button is disabled while held.
    connect(cmdJog[i], &QPushButton::released, this, &frmJog::StopIfJogging);
    cmdJog[i]->setAccessibleName(QString::fromLatin1(captions[i]));
    grid->addWidget(cmdJog[i], 1, i);
  }
  cmdClose = new QPushButton(QStringLiteral("Close"));
  cmdClose->setObjectName(QStringLiteral("cmdClose"));
  grid->addWidget(cmdClose, 1, 2);
  connect(cmdSendSpeed, &QPushButton::clicked, this, &frmJog::cmdSendSpeed_Click);
  connect(cmdClose, &QPushButton::clicked, this, &frmJog::cmdClose_Click);
  installEventFilter(this);
}

void frmJog::Form_Load() {
  guarded("frmJog, Form_Load()", [&] {
    setWindowIcon(pictures::WindowIcon());
    const int32_t speed = basFunctions::DriveImage.P(4, 5);
    txtJogSpeed->setText(QString::number(speed));
    setJogButtonsEnabled(speed > 0);
  });
}

// A focused button that is disabled hands the focus to the next one, Close: the window keeps
// it while the buttons are off, so that the next Space neither closes the window nor jogs, and
// gives it back to the jog button.
void frmJog::setJogButtonsEnabled(bool enabled) {
  if (!enabled) {
    for (QPushButton* button : cmdJog)
      if (button->hasFocus()) {
        focusBeforeStop_ = button;
        setFocus(Qt::OtherFocusReason);
      }
  }
  for (QPushButton* button : cmdJog) button->setEnabled(enabled);
  if (enabled && focusBeforeStop_) {
    if (hasFocus()) focusBeforeStop_->setFocus(Qt::OtherFocusReason);
    focusBeforeStop_ = nullptr;
  }
}

void frmJog::cmdSendSpeed_Click() {
  guarded("frmJog, cmdSendSpeed_Click()", [&] {
    const QString text = txtJogSpeed->text().trimmed();
    const double speed = number_text::LeadingNumber(text);
    // Text that is not a number is refused like a speed out of range, never read as 0.
    if (!number_text::IsNumber(text) || speed < drive_facts::kJogSpeedMin ||
        speed > drive_facts::kJogSpeedMax) {
      prompt::MsgBox(
          QStringLiteral("Incorrect jog speed requested.") + "\r" + "Value must be 0 ~ 3000.",
          prompt::Buttons::OK, prompt::Icon::Exclamation, QStringLiteral("Incorrect Entry"));
      setJogButtonsEnabled(false);
      return;
    }
    basFunctions::WorkingConfig.P(4, 5) = static_cast<int32_t>(std::nearbyint(speed));
    basComm::WriteData(QStringLiteral("405"), 1);
    basFunctions::WaitaWhile(0.25);
    setJogButtonsEnabled(true);
  });
}

// Events run while a write waits for the line: the window may close meanwhile (its closing
// sends the stop), so nothing of it is touched after a wait without checking it still exists.
void frmJog::cmdJog_MouseDown(int index) {
  guarded("frmJog, cmdJog_MouseDown()", [&] {
    if (index < 0 || index > 1 || stopping_ || closing_) return;
    jogging_ = true;
    basMaint::SendJogCommand(kJogCodes[index]);
  });
}

void frmJog::cmdJog_MouseUp() {
  const QPointer<frmJog> self(this);
  guarded("frmJog, cmdJog_MouseUp()", [&] {
    if (stopping_) return;
    stopping_ = true;
    // No new jog can start until the drive has taken the stop.
    setJogButtonsEnabled(false);
    const bool stopped = sendStop();
    if (!self) return;
    basFunctions::WaitaWhile(0.75);
    if (self && stopped && !closing_) setJogButtonsEnabled(true);
  });
  if (self) stopping_ = false;
}

// The application object, which outlives the window, carries the queued call: the window may be
// deleted while it serves.
void frmJog::RequestPress(int index) {
  pending_ = index;
  if (!serving_)
    QTimer::singleShot(0, qApp, [self = QPointer<frmJog>(this)] {
      if (self) self->serveRequests();
    });
}

void frmJog::RequestRelease() {
  if (stopping_ && pending_ == kNoRequest) return;  // the stop under way answers it
  RequestPress(kRelease);
}

// One request at a time, the latest first: a release noted while the press is still being
// written is served right after it, a press and release that came together end in the stop.
void frmJog::serveRequests() {
  if (serving_) return;
  const QPointer<frmJog> self(this);
  serving_ = true;
  while (self && !closing_ && pending_ != kNoRequest) {
    const int request = std::exchange(pending_, kNoRequest);
    if (request == kRelease)
      cmdJog_MouseUp();
    else
      cmdJog_MouseDown(request);
  }
  if (self) serving_ = false;
}

bool frmJog::sendStop() {
  const QPointer<frmJog> self(this);
  basMaint::WaitWhileControlBusy();
  const basMaint::JogStopOutcome outcome = basMaint::StopJog();
  if (!self) return outcome.confirmed;  // closed meanwhile: its closing stopped the jog too
  if (outcome.confirmed) {
    jogging_ = false;
    return true;
  }
  if (jogging_) {
    jogging_ = false;                                // told once; nothing more this window can do
    if (basMaint::JogStopFailureTold) return false;  // the lost connection's last stop told it
    prompt::MsgBox(
        basMaint::JogStopFailedText(frmMaintenance::OpenScreen() ? basMaint::kWatchdogSeconds : 0),
        prompt::Buttons::OK, prompt::Icon::Critical, basMaint::kJogStopFailedTitle);
  }
  return false;
}

void frmJog::StopIfJogging() {
  if (jogging_ || pending_ >= 0) RequestRelease();
}

void frmJog::cmdClose_Click() {
  guarded("frmJog, cmdClose_Click()", [&] { host::UnloadWindow(this); });
}

void frmJog::closeEvent(QCloseEvent* event) {
  if (!closing_) {
    closing_ = true;
    pending_ = kNoRequest;
    guarded("frmJog, Form_Unload()", [&] {
      if (stopping_) return;  // a stop is already on its way
      if (basComm::DriveConnected == 1 || jogging_) {
        stopping_ = true;
        sendStop();
        stopping_ = false;
      }
    });
  }
  host::UnloadWindow(this);
  event->accept();
}

int frmJog::jogButtonIndex(QObject* watched) const {
  for (int i = 0; i < 2; ++i)
    if (watched == cmdJog[i]) return i;
  return -1;
}

bool frmJog::eventFilter(QObject* watched, QEvent* event) {
  const int index = jogButtonIndex(watched);
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      if (index >= 0 && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
          cmdJog[index]->isEnabled())
        RequestPress(index);
      break;
    case QEvent::MouseButtonRelease:
      if (index >= 0 && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        RequestRelease();
      break;
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      auto* key = static_cast<QKeyEvent*>(event);
      if (index < 0 || key->key() != Qt::Key_Space || key->isAutoRepeat()) break;
      if (event->type() == QEvent::KeyPress && cmdJog[index]->isEnabled())
        RequestPress(index);
      else if (event->type() == QEvent::KeyRelease)
        RequestRelease();
      break;
    }
    case QEvent::FocusOut:
    case QEvent::WindowDeactivate:
    case QEvent::Hide:
      StopIfJogging();
      break;
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}
