#include "editor/frm_bit_editor.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/host.h"
#include "core/logs.h"
#include "core/prompt.h"
#include "editor/frm_tab_config.h"
#include "editor/param_editor.h"
#include "params/conversions.h"
#include "params/param_catalog.h"
#include "params/param_digits.h"
#include "params/param_value.h"

using basFunctions::guarded;

namespace {

constexpr const char* kBitProperty = "bit";
constexpr const char* kHighlight = "background-color: #ffff99;";

}  // namespace

frmBitEditor::frmBitEditor(int k, const char* windowName) : k_(k), windowName_(windowName) {
  setObjectName(QString::fromLatin1(windowName));
  setWindowTitle(QStringLiteral(" Parameter Wizard"));
}

QString frmBitEditor::location(const char* procedure) const {
  return QString::fromLatin1(windowName_) + ", " + procedure;
}

void frmBitEditor::buildCommon(const QString& title) {
  auto* layout = new QVBoxLayout(this);
  auto* heading = new QLabel(title, this);
  heading->setObjectName(QStringLiteral("lblTitle"));
  heading->setStyleSheet(QStringLiteral("font-weight: bold;"));
  layout->addWidget(heading);
  auto* strip = new QGridLayout;
  for (int bit = 0; bit < kBits; ++bit) {
    const int column = kBits - 1 - bit;  // most significant bit on the left
    auto* number = new QLabel(QString::number(bit), this);
    number->setAlignment(Qt::AlignCenter);
    strip->addWidget(number, 0, column);
    auto* label = new QLabel(QStringLiteral("0"), this);
    label->setObjectName(QStringLiteral("lblBits_%1").arg(bit));
    label->setAlignment(Qt::AlignCenter);
    label->setFrameShape(QFrame::Box);
    label->setMinimumWidth(22);
    label->setProperty(kBitProperty, bit);
    label->setToolTip(bitToolTip(bit));
    if (isReserved(bit)) label->setStyleSheet(QStringLiteral("color: red;"));
    if (togglesOnClick(bit)) label->setCursor(Qt::PointingHandCursor);
    label->installEventFilter(this);
    strip->addWidget(label, 1, column);
    bits_[static_cast<size_t>(bit)] = label;
  }
  layout->addLayout(strip);
  auto* hex = new QHBoxLayout;
  hex->addWidget(new QLabel(QStringLiteral("Value (HEX):"), this));
  lblHexVal_ = new QLabel(QStringLiteral("0"), this);
  lblHexVal_->setObjectName(QStringLiteral("lblHexVal"));
  hex->addWidget(lblHexVal_);
  hex->addStretch(1);
  layout->addLayout(hex);
  body_ = new QVBoxLayout;
  layout->addLayout(body_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  auto* update = new QPushButton(QStringLiteral("Update"), this);
  update->setObjectName(QStringLiteral("cmdUpdate"));
  connect(update, &QPushButton::clicked, this, [this] { cmdUpdate_Click(); });
  auto* close = new QPushButton(QStringLiteral("Close"), this);
  close->setObjectName(QStringLiteral("cmdCancel"));
  connect(close, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
  buttons->addWidget(update);
  buttons->addWidget(close);
  layout->addLayout(buttons);
}

QLabel* frmBitEditor::lblBits(int bit) const {
  return bit >= 0 && bit < kBits ? bits_[static_cast<size_t>(bit)] : nullptr;
}

QLineEdit* frmBitEditor::editorField() const {
  frmTabConfig* editor = frmTabConfig::instance();
  QLineEdit* field = editor ? editor->txtP(k_) : nullptr;
  if (!field)
    throw basFunctions::ProgramError(91, "Object variable or With block variable not set");
  return field;
}

int frmBitEditor::Value() const {
  QString digits;
  for (int bit = kBits - 1; bit >= 0; --bit) digits += lblBits(bit)->text();
  return static_cast<int>(basFunctions::ConvertToDec(digits));
}

void frmBitEditor::showValue(int bits) {
  for (int bit = 0; bit < kBits; ++bit)
    lblBits(bit)->setText(paramDigits::BitIsSet(bits, bit) ? QStringLiteral("1")
                                                           : QStringLiteral("0"));
  lblHexVal_->setText(paramDigits::HexOf(bits));
  valueShown(bits);
}

void frmBitEditor::Recalc() {
  const int bits = Value();
  lblHexVal_->setText(paramDigits::HexOf(bits));
  valueShown(bits);
}

void frmBitEditor::FormLoad() {
  guarded(location("FormLoad").toUtf8().constData(), [&] {
    QLineEdit* field = editorField();
    if (highlighted_ != field) {
      highlighted_ = field;
      fieldStyle_ = field->styleSheet();
      field->setStyleSheet(QString::fromLatin1(kHighlight));
    }
    showValue(paramDigits::BitsOfText(field->text()));
  });
}

void frmBitEditor::lblBits_Click(int bit) {
  guarded(location("lblBits_Click").toUtf8().constData(), [&] {
    if (!togglesOnClick(bit)) return;
    QLabel* label = lblBits(bit);
    label->setText(label->text() == QLatin1String("1") ? QStringLiteral("0") : QStringLiteral("1"));
    Recalc();
  });
}

void frmBitEditor::cmdUpdate_Click() {
  guarded(location("cmdUpdate_Click").toUtf8().constData(), [&] {
    const QString value = QString::number(Value());
    const basFunctions::ParamInfo& info = basFunctions::Catalog[k_];
    const param_value::Verdict verdict = param_value::Check(k_, info, Value());
    if (verdict != param_value::Verdict::Fits) {
      prompt::MsgBox(
          "The value entered for " + basFunctions::ParamMessageLabel(k_) +
              (verdict == param_value::Verdict::TooHigh ? " is too high!" : " is too low!") + "\r" +
              "The parameter will be set to the previous value.",
          prompt::Buttons::OK, prompt::Icon::Critical, QStringLiteral("Value Out Of Range"));
      return;
    }
    const QString text = "The value for P" + paramDigits::ParameterNumber(k_) +
                         " will now be updated to " + value + " (Dec).";
    if (prompt::MsgBox(text, prompt::Buttons::OKCancel, prompt::Icon::Information,
                       QStringLiteral("Configuration About To Change")) != prompt::Ok)
      return;
    QLineEdit* field = editorField();
    field->setText(value);
    // The bit editor is the one way to change this field: the editor's check must take the
    // new value as the row's own, not as a typed edit to refuse.
    frmTabConfig::instance()->setPrevValue(k_, value);
    host::UnloadWindow(this);
  });
}

void frmBitEditor::cmdCancel_Click() {
  guarded(location("cmdCancel_Click").toUtf8().constData(), [&] { host::UnloadWindow(this); });
}

void frmBitEditor::Form_QueryUnload() {
  guarded(location("Form_QueryUnload").toUtf8().constData(), [&] {
    if (highlighted_) highlighted_->setStyleSheet(fieldStyle_);
    highlighted_ = nullptr;
  });
}

bool frmBitEditor::eventFilter(QObject* watched, QEvent* event) {
  const QVariant bit = watched->property(kBitProperty);
  if (bit.isValid() && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    lblBits_Click(bit.toInt());
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void frmBitEditor::closeEvent(QCloseEvent* event) {
  Form_QueryUnload();
  QWidget::closeEvent(event);
}
