#include "editor/frm_265.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "core/host.h"
#include "core/logs.h"
#include "params/param_digits.h"

using basFunctions::guarded;

namespace {

QPointer<frm265> g_265;

struct BitText {
  int bit;
  const char* caption;
  const char* off;
  const char* on;
};

constexpr BitText kBitTexts[] = {
    {0, "Bit 0: DI VCS0/VCS1 Velocity Command Select Mode", "0 = Inputs Are Level Sensitive",
     "1 = Inputs Are Edge Sensitive"},
    {1, "Bit 1: DI TCS0/TCS1 Torque Command Select Mode", "0 = Inputs Are Level Sensitive",
     "1 = Inputs Are Edge Sensitive"},
    {2, "Bit 2: Fast DI Contact Type", "0 = Rising Edge Trigger (N.O.)",
     "1 = Falling Edge Trigger (N.C.)"},
    {6, "Bit 6: Input Pulse Out-Of-Range Detection", "0 = Enabled", "1 = Disabled"},
    {10, "Bit 10: Low Velocity Clamp Mode", "0 = Instant Halt", "1 = Use Ramps to Stop"},
};

constexpr const char* kOptionTexts[] = {"000: Fast DI Function Disabled",
                                        "001: Position Latch on DI8", "010: Fast Inhibit on DI8"};

}  // namespace

frm265::frm265() : frmBitEditor(265, "frm265") {
  buildCommon(QStringLiteral("Parameter: P2.65 Special Input Function"));
  buildRows();
  g_265 = this;
}

frm265* frm265::instance() { return g_265.data(); }

frm265* frm265::Display() {
  frm265* window = g_265.data();
  if (!window || host::IsUnloaded(window)) window = new frm265;
  window->FormLoad();
  host::ShowChild(window);
  return window;
}

void frm265::buildRows() {
  auto* grid = new QGridLayout;
  int row = 0;
  for (const BitText& text : kBitTexts) {
    grid->addWidget(new QLabel(QString::fromLatin1(text.caption), this), row, 0, 1, 2);
    grid->addWidget(new QLabel(QString::fromLatin1(text.off), this), row + 1, 1);
    grid->addWidget(new QLabel(QString::fromLatin1(text.on), this), row + 2, 1);
    row += 3;
  }
  body()->addLayout(grid);
  auto* fast = new QGroupBox(QStringLiteral("Bits 5, 4, and 3: Fast DI Function"), this);
  auto* inner = new QVBoxLayout(fast);
  for (int option = 0; option < paramDigits::kFastFunctionOptions; ++option) {
    auto* button = new QRadioButton(QString::fromLatin1(kOptionTexts[option]), fast);
    button->setObjectName(QStringLiteral("opt543_%1").arg(option));
    inner->addWidget(button);
    connect(button, &QRadioButton::clicked, this, [this, option] { opt543_Click(option); });
    options_[static_cast<size_t>(option)] = button;
  }
  body()->addWidget(fast);
  auto* note = new QLabel(QStringLiteral("Bits in red are reserved for future use."), this);
  note->setObjectName(QStringLiteral("lblReserved"));
  note->setStyleSheet(QStringLiteral("color: red;"));
  body()->addWidget(note);
}

QRadioButton* frm265::opt543(int option) const {
  return option >= 0 && option < paramDigits::kFastFunctionOptions
             ? options_[static_cast<size_t>(option)]
             : nullptr;
}

void frm265::opt543_Click(int option) {
  guarded("frm265, opt543_Click", [&] {
    const int bits = paramDigits::WithFastFunctionOption(Value(), option);
    for (int bit = 3; bit <= 5; ++bit)
      lblBits(bit)->setText(paramDigits::BitIsSet(bits, bit) ? QStringLiteral("1")
                                                             : QStringLiteral("0"));
    Recalc();
  });
}

bool frm265::togglesOnClick(int bit) const { return paramDigits::IsToggleBit265(bit); }

QString frm265::bitToolTip(int bit) const {
  if (paramDigits::IsToggleBit265(bit)) return QStringLiteral("Click to toggle.");
  if (paramDigits::IsFastFunctionBit265(bit))
    return QStringLiteral("Use the radio buttons below to set.");
  return QStringLiteral("Bits in red are reserved for future use.");
}

bool frm265::isReserved(int bit) const {
  return !paramDigits::IsToggleBit265(bit) && !paramDigits::IsFastFunctionBit265(bit);
}

void frm265::valueShown(int bits) {
  const int selected = paramDigits::FastFunctionOption(bits);
  for (int option = 0; option < paramDigits::kFastFunctionOptions; ++option) {
    QRadioButton* button = options_[static_cast<size_t>(option)];
    if (!button) return;  // still building
    const QSignalBlocker quiet(button);
    // Bits 5-3 outside the three functions leave no option chosen.
    button->setAutoExclusive(false);
    button->setChecked(option == selected);
    button->setAutoExclusive(true);
  }
}
