// frmTabConfig: building the window. The rows come from the row table, one grid line per
// ParamIndex, each tab in a scroll area so that long groups scroll inside a small window.
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/wheel_guard.h"
#include "editor/editor_rows.h"
#include "editor/frm_tab_config.h"

namespace {

// Label, value field, then the row's details side by side right after the value: its list, or
// its unit, wizard button and meaning. Nothing stands in a column of its own far to the right.
enum Column { kLabel, kField, kDetails };

constexpr const char* kUnusedRowText = "   Parameter not used for selected drive model / rev.";
constexpr const char* kNoteText =
    "Note - The value in P4.06 in the drive is lost at power-down and must be set via the "
    "keypad or serial communications at runtime.";

QScrollArea* scrolling(QWidget* content) {
  auto* area = new QScrollArea;
  area->setWidgetResizable(true);
  area->setFrameShape(QFrame::NoFrame);
  area->setWidget(content);
  return area;
}

QString named(const char* prefix, int k) {
  return QString::fromLatin1(prefix) + "_" + QString::number(k);
}

}  // namespace

void frmTabConfig::buildRow(QGridLayout* grid, int gridRow, int k) {
  QWidget* parent = grid->parentWidget();
  const QString param = editorRows::ParamName(k);
  if (editorRows::IsReserved(k)) {
    auto* reserved = new QLabel(editorRows::ReservedCaption(k), parent);
    reserved->setObjectName(named("lblSpecial410", k));
    grid->addWidget(reserved, gridRow, kLabel, 1, 2);
    special410_.insert(k, reserved);
    return;
  }
  Row& r = rows_[static_cast<size_t>(k)];
  r.label = new QLabel(QString::fromLatin1(kUnusedRowText), parent);
  r.label->setObjectName(named("lblP", k));
  QPalette grey = r.label->palette();
  grey.setColor(QPalette::WindowText, palette().color(QPalette::Disabled, QPalette::WindowText));
  r.label->setPalette(grey);
  r.label->setMouseTracking(true);
  r.field = new QLineEdit(parent);
  r.field->setObjectName(named("txtP", k));
  r.field->setAccessibleName(param);
  r.field->setFixedWidth(90);
  r.field->setMouseTracking(true);
  r.label->setBuddy(r.field);
  grid->addWidget(r.label, gridRow, kLabel);
  grid->addWidget(r.field, gridRow, kField);
  auto* details = new QWidget(parent);
  auto* line = new QHBoxLayout(details);
  line->setContentsMargins(0, 0, 0, 0);
  if (editorRows::HasList(k)) {
    r.list = new QComboBox(details);
    r.list->setObjectName(named("cmbP", k));
    r.list->setAccessibleName(param);
    // As wide as its longest setting, so that every setting reads whole.
    r.list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    wheelGuard::Guard(r.list);
    r.list->hide();
    line->addWidget(r.list);
  }
  r.units = new QLabel(details);
  r.units->setObjectName(named("lblPUnits", k));
  r.units->hide();
  line->addWidget(r.units);
  if (editorRows::HasWizard(k)) {
    r.wizard = new QPushButton(QStringLiteral("..."), details);
    r.wizard->setObjectName(named("cmdParamWiz", k));
    r.wizard->setAccessibleName(param + " Wizard");
    r.wizard->setToolTip(param + " Wizard");
    r.wizard->setFixedWidth(32);
    line->addWidget(r.wizard);
  }
  if (editorRows::HasInputOutputMeaning(k)) {
    r.meaning = new QLabel(details);
    r.meaning->setObjectName(named("lblDODI", k));
  } else if (!editorRows::HexLabelName(k).isEmpty()) {
    r.meaning = new QLabel(details);
    r.meaning->setObjectName(editorRows::HexLabelName(k));
  }
  if (r.meaning) line->addWidget(r.meaning);
  line->addStretch(1);
  grid->addWidget(details, gridRow, kDetails);
  wireRow(k);
}

QWidget* frmTabConfig::buildRowGrid(int group, int first, int last) {
  auto* content = new QWidget;
  content->setObjectName(QStringLiteral("fraP%1_%2").arg(group).arg(first));
  auto* grid = new QGridLayout(content);
  grid->setVerticalSpacing(2);
  grid->setColumnStretch(kDetails, 1);
  for (int k = first; k <= last; ++k) buildRow(grid, k - first, k);
  grid->setRowStretch(last - first + 1, 1);
  return content;
}

void frmTabConfig::buildTabs() {
  tabDetails_ = new QTabWidget(this);
  tabDetails_->setObjectName(QStringLiteral("tabDetails"));
  for (int group = 0; group < 4; ++group)
    tabDetails_->addTab(
        scrolling(buildRowGrid(group, group * 100, group * 100 + editorRows::LastNumber(group))),
        QStringLiteral("P %1.xx").arg(group));
  // The two frames of P4 one above the other: side by side they need more width than the
  // window has, and the rows would hide behind a horizontal scroll bar.
  auto* p4 = new QWidget;
  auto* frames = new QVBoxLayout(p4);
  const int split = editorRows::kFirstOfSecondP4Frame;
  const struct {
    const char* caption;
    int first;
    int last;
  } parts[] = {{"P 4.00 - P 4.11", 400, split - 1}, {"P 4.12 - P 4.23", split, 423}};
  for (const auto& part : parts) {
    auto* frame = new QGroupBox(QString::fromLatin1(part.caption), p4);
    auto* inner = new QVBoxLayout(frame);
    inner->addWidget(buildRowGrid(4, part.first, part.last));
    frames->addWidget(frame);
  }
  frames->addStretch(1);
  tabDetails_->addTab(scrolling(p4), QStringLiteral("P 4.xx"));
}

void frmTabConfig::buildButtons() {
  auto* layout = static_cast<QVBoxLayout*>(this->layout());
  auto* note = new QLabel(QString::fromLatin1(kNoteText), this);
  note->setObjectName(QStringLiteral("lblNote"));
  note->setWordWrap(true);
  layout->addWidget(note);
  xWrites_ = new QLabel(QStringLiteral("  "), this);
  xWrites_->setObjectName(QStringLiteral("XWrites"));
  xWrites_->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
  layout->addWidget(xWrites_);
  auto* buttons = new QHBoxLayout;
  // The diagram, mode-matrix and truth-matrix pictures are not part of this program: their
  // buttons keep their names but stay hidden, so nothing on the window leads nowhere.
  const struct {
    const char* name;
    const char* caption;
  } diagrams[] = {
      {"cmdDiagram", "Diagram"}, {"cmdMatrix", "Mode Matrix"}, {"cmdTruthMatrix", "Truth Matrix"}};
  for (const auto& diagram : diagrams) {
    auto* button = new QPushButton(QString::fromLatin1(diagram.caption), this);
    button->setObjectName(QString::fromLatin1(diagram.name));
    button->setEnabled(false);
    button->hide();
    buttons->addWidget(button);
  }
  buttons->addStretch(1);
  auto* close = new QPushButton(QStringLiteral("Close"), this);
  close->setObjectName(QStringLiteral("cmdClose"));
  connect(close, &QPushButton::clicked, this, [this] { HideWindow(); });
  buttons->addWidget(close);
  layout->addLayout(buttons);
}
