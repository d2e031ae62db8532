#include "editor/frm_308.h"

#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

#include "core/host.h"
#include "params/param_digits.h"

namespace {

QPointer<frm308> g_308;

constexpr int kInputs = 16;
constexpr int kInputsWithTerminals = 8;  // DI1..DI8 have terminals, DI9..DI16 do not

constexpr const char* kFixedInputTexts[] = {
    "DI9 - Command Trigger (Pr Control Mode Only)",
    "DI10 - Position Command Select 0 (Pr Control Mode Only)",
    "DI11 - Position Command Select 1 (Pr Control Mode Only)",
    "DI12 - Position Command Select 2 (Pr Control Mode Only)",
    "DI13 - Alarm Reset",
    "DI14 - Start Home Move Trigger",
    "DI15 - Jog Forward",
    "DI16 - Jog Reverse",
};

QString description(int input) {
  if (input <= kInputsWithTerminals)
    return QStringLiteral("DI%1 - Functionality Set By Parameter P2.%2").arg(input).arg(9 + input);
  return QString::fromLatin1(kFixedInputTexts[input - kInputsWithTerminals - 1]);
}

}  // namespace

frm308::frm308() : frmBitEditor(308, "frm308") {
  buildCommon(QStringLiteral("Parameter: P3.08 Digital Input Control Source"));
  buildRows();
  g_308 = this;
}

frm308* frm308::instance() { return g_308.data(); }

frm308* frm308::Display() {
  frm308* window = g_308.data();
  if (!window || host::IsUnloaded(window)) window = new frm308;
  window->FormLoad();
  host::ShowChild(window);
  return window;
}

void frm308::buildRows() {
  auto* grid = new QGridLayout;
  for (int input = 1; input <= kInputs; ++input) {
    // DI1..DI8 on the left, DI9..DI16 on the right; each input a bit number and three lines.
    const bool terminal = input <= kInputsWithTerminals;
    const int row = ((input - 1) % kInputsWithTerminals) * 3;
    const int column = terminal ? 0 : 2;
    auto* bit = new QLabel(QStringLiteral("Bit %1:").arg(paramDigits::BitOfInput308(input)), this);
    grid->addWidget(bit, row, column);
    auto* desc = new QLabel(description(input), this);
    desc->setObjectName(QStringLiteral("lblDesc_%1").arg(input));
    grid->addWidget(desc, row, column + 1);
    grid->addWidget(
        new QLabel(terminal ? QStringLiteral("     0 = Input Controlled By Input Terminals")
                            : QStringLiteral("     0 = Input Disabled"),
                   this),
        row + 1, column + 1);
    grid->addWidget(new QLabel(QStringLiteral("     1 = Input Controlled via Modbus"), this),
                    row + 2, column + 1);
  }
  body()->addLayout(grid);
}

QLabel* frm308::lblDesc(int input) const {
  return findChild<QLabel*>(QStringLiteral("lblDesc_%1").arg(input));
}

bool frm308::togglesOnClick(int /*bit*/) const { return true; }

QString frm308::bitToolTip(int /*bit*/) const { return QStringLiteral("Click to toggle."); }
