#include "editor/frm_param_wiz.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSqlError>
#include <QSqlQuery>
#include <QVBoxLayout>

#include "core/database.h"
#include "core/host.h"
#include "core/logs.h"
#include "core/prompt.h"
#include "core/status.h"
#include "core/wheel_guard.h"
#include "drive_facts.h"
#include "editor/frm_scroll.h"
#include "editor/frm_tab_config.h"
#include "editor/param_editor.h"
#include "params/drive_identity.h"
#include "params/number_text.h"
#include "params/param_catalog.h"
#include "params/value_table.h"

using basFunctions::guarded;
using paramDigits::PartSource;
using paramDigits::WizardPart;

namespace {

QPointer<frmParamWiz> g_wizard;

constexpr int kScrollParameter = 248;  // P2.48: three digits filled by the slider

const QStringList kControlModes = {"00: Position Terminal Mode (Pt)",
                                   "01: Position Register mode (Pr)",
                                   "02: Velocity Mode (V)",
                                   "03: Torque Mode (T)",
                                   "04: Velocity Register Mode (Vz)",
                                   "05: Torque Register Mode(Tz)",
                                   "06: Pt - V Dual Mode ",
                                   "07: Pt - T Dual Mode",
                                   "08: Pr - V Dual Mode",
                                   "09: Pr - T Dual Mode",
                                   "10: S - T Dual Mode"};

QStringList settingsOf(QSqlQuery& query) {
  if (!query.exec())
    throw basFunctions::ProgramError(-2147217900, query.lastError().text().toStdString());
  QStringList settings;
  while (query.next()) settings.append(query.value(QStringLiteral("Setting")).toString());
  return settings;
}

// The choices of one part: the control modes, the input or output functions of the
// amplifier and revision, or the part's settings in qryParts (keys are three-digit texts).
QStringList partSettings(const WizardPart& part, int k, int ampCode, int rev) {
  if (part.source == PartSource::Modes) return kControlModes;
  const basMain::DbConnection db = basMain::ConnectDB();
  if (!db)
    throw basFunctions::ProgramError(3704, "Operation is not allowed when the object is closed.");
  QSqlQuery query = db.query();
  if (part.source == PartSource::Parts) {
    query.prepare(QStringLiteral(
        "Select * From qryParts WHERE AmpCode = ? AND Rev = ? AND Parameter = ? AND Part = ?"));
  } else {
    query.prepare(QStringLiteral("Select * From ") +
                  (part.source == PartSource::Inputs ? "qry7A" : "qry7B") +
                  " WHERE AmpCode = ? AND Rev = ?");
  }
  query.addBindValue(ampCode);
  query.addBindValue(rev);
  if (part.source == PartSource::Parts) {
    query.addBindValue(basFunctions::ParamKeyText(k));
    query.addBindValue(part.part);
  }
  return settingsOf(query);
}

QStringList itemsOf(const QComboBox* list) {
  QStringList items;
  for (int i = 0; i < list->count(); ++i) items.append(list->itemText(i));
  return items;
}

// The picture beside P1.00..P1.02: the digits of the value with their letters.
QPixmap digitsPicture(const QStringList& letters) {
  constexpr int kBox = 34;
  QPixmap picture(kBox * static_cast<int>(letters.size()) + 2, kBox * 2);
  picture.fill(Qt::white);
  QPainter painter(&picture);
  for (int i = 0; i < letters.size(); ++i) {
    const QRect box(i * kBox + 1, kBox - 1, kBox - 4, kBox - 4);
    painter.drawRect(box);
    painter.drawText(QRect(i * kBox, 0, kBox, kBox - 4), Qt::AlignCenter, letters.at(i));
    painter.drawText(box, Qt::AlignCenter, QStringLiteral("0"));
  }
  return picture;
}

}  // namespace

frmParamWiz::frmParamWiz() {
  setObjectName(QStringLiteral("frmParamWiz"));
  setWindowTitle(QStringLiteral(" Parameter Wizard"));
  build();
  g_wizard = this;
}

frmParamWiz* frmParamWiz::instance() { return g_wizard.data(); }

frmParamWiz* frmParamWiz::Open(int k) {
  frmParamWiz* window = g_wizard.data();
  if (!window || host::IsUnloaded(window)) window = new frmParamWiz;
  window->Prepare(k);
  host::ShowChild(window);
  return window;
}

void frmParamWiz::build() {
  auto* layout = new QVBoxLayout(this);
  lblParamNum_ = new QLabel(this);
  lblParamNum_->setObjectName(QStringLiteral("lblParamNum"));
  lblParamNum_->setStyleSheet(QStringLiteral("font-weight: bold;"));
  lblParam_ = new QLabel(this);
  lblParam_->setObjectName(QStringLiteral("lblParam"));
  lblParam_->setWordWrap(true);
  layout->addWidget(lblParamNum_);
  layout->addWidget(lblParam_);
  auto* middle = new QHBoxLayout;
  auto* grid = new QGridLayout;
  for (int p = 1; p <= kMaxParts; ++p) {
    PartWidgets& part = parts_[static_cast<size_t>(p - 1)];
    part.caption = new QLabel(this);
    part.caption->setObjectName(QStringLiteral("lblPart_%1").arg(p));
    part.letter = new QLabel(this);
    part.letter->setObjectName(QStringLiteral("lblPartLetter_%1").arg(p));
    part.digits = new QLineEdit(this);
    part.digits->setObjectName(QStringLiteral("txtVal_%1").arg(p));
    part.digits->setFixedWidth(40);
    part.digits->setAlignment(Qt::AlignCenter);
    part.list = new QComboBox(this);
    part.list->setObjectName(QStringLiteral("cmbPart_%1").arg(p));
    part.list->setMinimumWidth(320);
    wheelGuard::Guard(part.list);
    part.digits->setAccessibleName(QStringLiteral("Digit %1").arg(p));
    connect(part.digits, &QLineEdit::textChanged, this, [this] { showComposedValue(); });
    connect(part.list, &QComboBox::currentIndexChanged, this, [this, p](int index) {
      if (index >= 0) cmbPart_Click(p);
    });
    grid->addWidget(part.caption, p - 1, 0);
    grid->addWidget(part.letter, p - 1, 1);
    grid->addWidget(part.digits, p - 1, 2);
    grid->addWidget(part.list, p - 1, 3);
  }
  middle->addLayout(grid, 1);
  picHelp_ = new QLabel(this);
  picHelp_->setObjectName(QStringLiteral("picHelp"));
  middle->addWidget(picHelp_, 0, Qt::AlignTop);
  layout->addLayout(middle);
  lblValue_ = new QLabel(this);
  lblValue_->setObjectName(QStringLiteral("lblValue"));
  layout->addWidget(lblValue_);
  auto* buttons = new QHBoxLayout;
  cmdScroll_ = new QPushButton(QStringLiteral("Scroll"), this);
  cmdScroll_->setObjectName(QStringLiteral("cmdScroll"));
  connect(cmdScroll_, &QPushButton::clicked, this, [this] { cmdScroll_Click(); });
  buttons->addWidget(cmdScroll_);
  buttons->addStretch(1);
  const struct {
    const char* name;
    const char* caption;
    void (frmParamWiz::*handler)();
  } commands[] = {{"cmdUpdate", "Update", &frmParamWiz::cmdUpdate_Click},
                  {"cmdCancel", "Close", &frmParamWiz::cmdCancel_Click}};
  for (const auto& command : commands) {
    auto* button = new QPushButton(QString::fromLatin1(command.caption), this);
    button->setObjectName(QString::fromLatin1(command.name));
    const auto handler = command.handler;
    connect(button, &QPushButton::clicked, this, [this, handler] { (this->*handler)(); });
    buttons->addWidget(button);
  }
  layout->addLayout(buttons);
}

QLineEdit* frmParamWiz::txtVal(int p) const {
  return p >= 1 && p <= kMaxParts ? parts_[static_cast<size_t>(p - 1)].digits : nullptr;
}
QComboBox* frmParamWiz::cmbPart(int p) const {
  return p >= 1 && p <= kMaxParts ? parts_[static_cast<size_t>(p - 1)].list : nullptr;
}
QLabel* frmParamWiz::lblPartLetter(int p) const {
  return p >= 1 && p <= kMaxParts ? parts_[static_cast<size_t>(p - 1)].letter : nullptr;
}
QLabel* frmParamWiz::lblPart(int p) const {
  return p >= 1 && p <= kMaxParts ? parts_[static_cast<size_t>(p - 1)].caption : nullptr;
}

QLineEdit* frmParamWiz::editorField() const {
  frmTabConfig* editor = frmTabConfig::instance();
  QLineEdit* field = editor ? editor->txtP(k_) : nullptr;
  if (!field)
    throw basFunctions::ProgramError(91, "Object variable or With block variable not set");
  return field;
}

QString frmParamWiz::EditorText() const { return editorField()->text(); }

void frmParamWiz::Prepare(int k) {
  k_ = k;
  const basFunctions::ParamInfo& info = basFunctions::Catalog[k];
  layout_ = paramDigits::WizardLayout(k, info.Parts);
  const QString number = paramDigits::ParameterNumber(k);
  lblParamNum_->setText("P" + number);
  lblParam_->setText("P" + number + " - " + info.Function);
  for (int p = 1; p <= kMaxParts; ++p) {
    const bool shown = p <= layout_.size();
    const QString letter = shown ? layout_.at(p - 1).letter : QString();
    lblPart(p)->setText(shown ? "Part " + letter : QString());
    lblPartLetter(p)->setText(letter);
    for (QWidget* widget :
         {static_cast<QWidget*>(lblPart(p)), static_cast<QWidget*>(lblPartLetter(p)),
          static_cast<QWidget*>(txtVal(p)), static_cast<QWidget*>(cmbPart(p))})
      widget->setVisible(shown);
    txtVal(p)->setMaxLength(shown ? layout_.at(p - 1).width : 1);
  }
  cmdScroll_->setVisible(k == kScrollParameter);
  const bool picture = k >= 100 && k <= 102;
  picHelp_->setVisible(picture);
  if (picture) picHelp_->setPixmap(digitsPicture(paramDigits::PartLetters(info.Parts)));
  fillLists();
  ShowDigits(EditorText());
}

void frmParamWiz::fillLists() {
  // The configuration's amplifier (from its motor code) and revision select the settings.
  basFunctions::ConfigAmpCode =
      static_cast<int16_t>(drive_facts::AmpCodeOfMotor(basFunctions::WorkingConfig.P(1, 31)));
  const int rev =
      static_cast<int>(number_text::LeadingNumber(basFunctions::ConfigIdentity.revision));
  for (int p = 1; p <= layout_.size(); ++p) {
    const QStringList settings =
        partSettings(layout_.at(p - 1), k_, basFunctions::ConfigAmpCode, rev);
    QComboBox* list = cmbPart(p);
    const QSignalBlocker quiet(list);
    list->clear();
    list->addItems(settings);
    list->setCurrentIndex(-1);
    list->setEnabled(settings.size() > 1);
  }
}

void frmParamWiz::ShowDigits(const QString& fieldText) {
  const QString digits = paramDigits::PaddedDigits(k_, fieldText, basFunctions::Catalog[k_].Parts);
  const QStringList partDigits = paramDigits::SplitDigits(layout_, digits);
  for (int p = 1; p <= partDigits.size(); ++p) {
    txtVal(p)->setText(partDigits.at(p - 1));
    QComboBox* list = cmbPart(p);
    const QSignalBlocker quiet(list);
    list->setCurrentIndex(paramDigits::SettingPosition(itemsOf(list), partDigits.at(p - 1)));
  }
}

void frmParamWiz::SetLeadingDigits(const QString& digits) {
  for (int p = 1; p <= digits.size() && p <= layout_.size(); ++p) {
    txtVal(p)->setText(digits.mid(p - 1, 1));
    QComboBox* list = cmbPart(p);
    const QSignalBlocker quiet(list);
    list->setCurrentIndex(paramDigits::SettingPosition(itemsOf(list), digits.mid(p - 1, 1)));
  }
}

qint64 frmParamWiz::ComposedValue() const {
  QStringList digits;
  for (int p = 1; p <= layout_.size(); ++p) digits.append(txtVal(p)->text());
  return paramDigits::ComposeValue(k_, basFunctions::Catalog[k_].Parts, digits).value_or(-1);
}

void frmParamWiz::showComposedValue() {
  if (!lblValue_) return;
  const qint64 value = ComposedValue();
  lblValue_->setText(value < 0 ? QString() : QString::number(value));
}

void frmParamWiz::cmbPart_Click(int p) {
  guarded("frmParamWiz, cmbPart_Click", [&] {
    if (p < 1 || p > layout_.size()) return;
    txtVal(p)->setText(
        paramDigits::SettingDigits(cmbPart(p)->currentText(), layout_.at(p - 1).width));
  });
}

void frmParamWiz::cmdUpdate_Click() {
  guarded("frmParamWiz, cmdUpdate_Click", [&] {
    const qint64 composed = ComposedValue();
    if (composed < 0) {
      prompt::MsgBox(QStringLiteral("You must select a value for each digit."), prompt::Buttons::OK,
                     prompt::Icon::Exclamation, QStringLiteral("Additional Information Needed"));
      return;
    }
    const QString value = QString::number(composed);
    const QString number = paramDigits::ParameterNumber(k_);
    if (prompt::MsgBox("The value for P" + number + " will now be updated to " + value + ".",
                       prompt::Buttons::OKCancel, prompt::Icon::Information,
                       QStringLiteral("Configuration About To Change")) != prompt::Ok)
      return;
    QLineEdit* field = editorField();
    field->setText(value);
    basFunctions::EventLog("Updated P" + number + " to " + value + " from ParamWiz");
    basFunctions::Status(0, 0,
                         "Updated P" + number + " to " + value + " from the Parameter Wizard");
    const int k = k_;
    host::UnloadWindow(this);
    basFunctions::Validate(static_cast<double>(composed), field, frmTabConfig::instance()->lblP(k),
                           k);
  });
}

void frmParamWiz::cmdCancel_Click() {
  guarded("frmParamWiz, cmdCancel_Click", [&] { host::UnloadWindow(this); });
}

void frmParamWiz::cmdScroll_Click() {
  guarded("frmParamWiz, cmdScroll_Click", [&] { frmScroll::Display(this); });
}

namespace basFunctions {

void ParamWiz(int k) {
  guarded("basFunctions, ParamWiz()", [&] { frmParamWiz::Open(k); });
}

}  // namespace basFunctions
