#include "maint/frm_pos_command.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <cmath>

#include "core/app_state.h"
#include "core/host.h"
#include "core/logs.h"
#include "core/main_window_access.h"
#include "core/pictures.h"
#include "core/prompt.h"
#include "core/status.h"
#include "drive_facts.h"
#include "editor/frm_tab_config.h"
#include "link/bas_comm.h"
#include "params/number_text.h"
#include "params/value_table.h"

using basFunctions::DriveImage;
using basFunctions::guarded;
using basFunctions::WorkingConfig;
using namespace basMaint;

namespace basMaint {

std::array<int16_t, kLastPosCommand + 1> PosCommandEdit{};
bool PosCommandChanged = false;

namespace {

constexpr int kCommands = 8;
constexpr int kWords = drive_facts::kPositionCommandWords;
std::array<int32_t, kWords> g_written{};  // the values of the last confirmed write

int32_t& configValue(int index) { return WorkingConfig.byIndex(index); }

}  // namespace

void CopyWrittenPosCommandsToConfig() {
  frmTabConfig* editor = frmTabConfig::instance();
  if (editor) editor->setChangeHandling(false);
  for (int i = 0; i < kWords; ++i) {
    const int index = kFirstPosCommand + i;
    configValue(index) = g_written[i];
    if (QLineEdit* field = editor ? editor->txtP(index) : nullptr) {
      field->setText(QString::number(g_written[i]));
      editor->setPrevValue(index, field->text());
    }
  }
  if (editor) editor->setChangeHandling(true);
  basMain::ConfigDirty = true;
}

int PositionSelectMask() {
  int mask = 0;
  for (int n = 0; n < drive_facts::kInputsWithFunction; ++n) {
    const int32_t function = DriveImage.P(2, drive_facts::kInputFunctionFirst + n);
    for (int bit = 0; bit < 3; ++bit) {
      const int code = drive_facts::kInputFunctionPositionSelect0 + bit;
      if (function == code || function == 100 + code) mask |= 1 << bit;
    }
  }
  return mask;
}

bool CommandSelectable(int k, int mask) { return ((k - 1) & ~mask) == 0; }

QString MoveTypeText(int32_t mode) {
  static const char* const texts[] = {
      "Absolute Position Command",          "Incremental Position Command",
      "Forward Operation Search Feed Step", "Reverse Operation Search Feed Step",
      "Short-Pass Search Feed Step",        "Absolute Auto Position Command",
      "Incremental Auto Position Command"};
  return mode >= 0 && mode <= 6 ? QString::fromLatin1(texts[mode]) : QString();
}

}  // namespace basMaint

namespace {

QPointer<frmPosCommand> g_window;

// The number a box holds, as the drive's 16-bit register takes it; false for a text that is not
// wholly a number ("12abc", "xyz", nothing) and outside that range.
bool boxNumber(const QString& text, int16_t& value) {
  if (!number_text::IsNumber(text)) return false;
  const double number = std::nearbyint(number_text::LeadingNumber(text));
  if (number < -32768 || number > 32767) return false;
  value = static_cast<int16_t>(number);
  return true;
}

void refuseOutOfRange() {
  prompt::MsgBox(QStringLiteral("A position command must be a whole number from -32768 to 32767."),
                 prompt::Buttons::OK, prompt::Icon::Exclamation, QStringLiteral("Incorrect Entry"));
}

}  // namespace

frmPosCommand* frmPosCommand::Instance() {
  return g_window && !host::IsUnloaded(g_window) ? g_window.data() : nullptr;
}

frmPosCommand* frmPosCommand::Display() {
  if (!Instance()) {
    g_window = new frmPosCommand();
    g_window->Form_Load();
  }
  host::ShowChild(g_window);
  return g_window;
}

void frmPosCommand::Unload() {
  if (frmPosCommand* window = Instance()) host::UnloadWindow(window);
}

frmPosCommand::frmPosCommand(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("frmPosCommand"));
  setWindowTitle(QStringLiteral(" Position Command Setup"));
  buildControls();
}

frmPosCommand::~frmPosCommand() = default;

void frmPosCommand::buildControls() {
  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel(QStringLiteral("Type From P1.33")), 0, 0);
  grid->addWidget(new QLabel(QStringLiteral("Move Type:")), 1, 0);
  lblMoveType = new QLabel;
  lblMoveType->setObjectName(QStringLiteral("lblMoveType"));
  grid->addWidget(lblMoveType, 1, 1, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("Revolutions")), 2, 1);
  grid->addWidget(new QLabel(QStringLiteral("Pulses")), 2, 2);
  for (int k = 1; k <= kCommands; ++k) {
    grid->addWidget(new QLabel(QStringLiteral("Position Command %1").arg(k)), 2 + k, 0);
    for (int part = 0; part < 2; ++part) {
      const int index = 113 + 2 * k + part;
      auto* field = new QLineEdit;
      field->setObjectName(QStringLiteral("txtPosCommand_%1").arg(index));
      txtPosCommand[index - kFirstPosCommand] = field;
      connect(field, &QLineEdit::textChanged, this, [this, index] { txtPosCommand_Change(index); });
      grid->addWidget(field, 2 + k, 1 + part);
    }
  }
  auto* note = new QLabel(QStringLiteral(
      "Only the registers selectable with POS0, POS1, POS2 are available for editing - All 8 "
      "registers are available if POS0, 1, and 2 are defined."));
  note->setObjectName(QStringLiteral("lblNote"));
  note->setWordWrap(true);
  grid->addWidget(note, 3 + kCommands, 0, 1, 3);
  cmdWrite = new QPushButton(QStringLiteral("Write Values To Drive"));
  cmdWrite->setObjectName(QStringLiteral("cmdWrite"));
  cmdClose = new QPushButton(QStringLiteral("Done"));
  cmdClose->setObjectName(QStringLiteral("cmdClose"));
  grid->addWidget(cmdWrite, 4 + kCommands, 0, 1, 2);
  grid->addWidget(cmdClose, 4 + kCommands, 2);
  connect(cmdWrite, &QPushButton::clicked, this, &frmPosCommand::cmdWrite_Click);
  connect(cmdClose, &QPushButton::clicked, this, &frmPosCommand::cmdClose_Click);
}

void frmPosCommand::Form_Load() {
  guarded("frmPosCommand, Form_Load()", [&] {
    setWindowIcon(pictures::WindowIcon());
    const QString moveType = MoveTypeText(DriveImage.P(1, 33));
    if (!moveType.isEmpty()) lblMoveType->setText(moveType);
    for (int index = kFirstPosCommand; index <= kLastPosCommand; ++index)
      box(index)->setText(QString::number(PosCommandEdit[index]));
    for (int index = kFirstPosCommand; index <= kLastPosCommand; ++index)
      box(index)->setText(QString::number(DriveImage.P(1, index - 100)));
    const int mask = PositionSelectMask();
    for (int k = 1; k <= 8; ++k)
      for (int part = 0; part < 2; ++part)
        box(113 + 2 * k + part)->setEnabled(CommandSelectable(k, mask));
  });
}

// A number outside the drive's 16-bit register is refused at once: the box goes back to its
// last good text and nothing is kept.
void frmPosCommand::txtPosCommand_Change(int index) {
  if (reverting_) return;
  guarded("frmPosCommand, txtPosCommand_Change()", [&] {
    QLineEdit* field = box(index);
    // A text on its way to a number ("-") is left alone; Write refuses what is not a number.
    if (!number_text::IsNumber(field->text())) return;
    int16_t value = 0;
    if (!boxNumber(field->text(), value)) {
      reverting_ = true;
      field->setText(acceptedText_[index - kFirstPosCommand]);
      reverting_ = false;
      refuseOutOfRange();
      return;
    }
    acceptedText_[index - kFirstPosCommand] = field->text();
    PosCommandEdit[index] = value;
  });
}

// One write of all sixteen registers; the polling brings them back for the comparison. The
// configuration keeps its own values until the maintenance screen's closing question.
void frmPosCommand::cmdWrite_Click() {
  guarded("frmPosCommand, cmdWrite_Click()", [&] {
    std::array<int32_t, kWords> values{};
    for (int i = 0; i < kWords; ++i) {
      int16_t value = 0;
      if (!boxNumber(box(kFirstPosCommand + i)->text(), value)) {
        refuseOutOfRange();
        return;
      }
      values[i] = value;
    }
    mainWindow::SetBusyPointer();
    std::array<int32_t, kWords> kept{};
    for (int i = 0; i < kWords; ++i) {
      kept[i] = configValue(kFirstPosCommand + i);
      configValue(kFirstPosCommand + i) = values[i];
    }
    basComm::WriteData(QStringLiteral("115"), kWords);
    for (int i = 0; i < kWords; ++i) configValue(kFirstPosCommand + i) = kept[i];
    basFunctions::WaitaWhile(2);
    mainWindow::SetNormalPointer();
    for (int i = 0; i < kWords; ++i) {
      if (DriveImage.P(1, 15 + i) != values[i]) {
        prompt::MsgBox(QStringLiteral("Write to drive was not successful."), prompt::Buttons::OK,
                       prompt::Icon::Critical, QStringLiteral(" Action Confirmed"));
        return;
      }
    }
    g_written = values;
    prompt::MsgBox(QStringLiteral("Write to drive was successful."), prompt::Buttons::OK,
                   prompt::Icon::Information, QStringLiteral(" Action Confirmed"));
    PosCommandChanged = true;
  });
  mainWindow::SetNormalPointer();
}

void frmPosCommand::cmdClose_Click() {
  guarded("frmPosCommand, cmdClose_Click()", [&] { host::UnloadWindow(this); });
}

void frmPosCommand::closeEvent(QCloseEvent* event) {
  host::UnloadWindow(this);
  event->accept();
}
