#include "core/prompt.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

#include "core/host.h"

namespace prompt {
namespace {

std::function<Reply(const Shown&)> g_responder;
QList<Shown> g_shown;
QList<Reply> g_queue;

struct ButtonDef {
  QMessageBox::StandardButton standard;
  Answer answer;
};

QList<ButtonDef> buttonsOf(Buttons buttons) {
  switch (buttons) {
    case Buttons::OK:
      return {{QMessageBox::Ok, Ok}};
    case Buttons::OKCancel:
      return {{QMessageBox::Ok, Ok}, {QMessageBox::Cancel, Cancel}};
    case Buttons::AbortRetryIgnore:
      return {
          {QMessageBox::Abort, Abort}, {QMessageBox::Retry, Retry}, {QMessageBox::Ignore, Ignore}};
    case Buttons::YesNoCancel:
      return {{QMessageBox::Yes, Yes}, {QMessageBox::No, No}, {QMessageBox::Cancel, Cancel}};
    case Buttons::YesNo:
      return {{QMessageBox::Yes, Yes}, {QMessageBox::No, No}};
    case Buttons::RetryCancel:
      return {{QMessageBox::Retry, Retry}, {QMessageBox::Cancel, Cancel}};
  }
  return {{QMessageBox::Ok, Ok}};
}

QMessageBox::Icon iconOf(Icon icon) {
  switch (icon) {
    case Icon::Critical:
      return QMessageBox::Critical;
    case Icon::Question:
      return QMessageBox::Question;
    case Icon::Exclamation:
      return QMessageBox::Warning;
    case Icon::Information:
      return QMessageBox::Information;
    case Icon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

// A message box without a title shows the application's title, as the platform's default.
QString captionOr(const QString& title) {
  return title.isEmpty() ? QApplication::applicationName() : title;
}

// Classic message boxes take CR as the line break; Qt wants LF.
QString displayText(const QString& text) {
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown.replace(QChar('\r'), QChar('\n'));
  return shown;
}

QWidget* parentWindow() {
  QWidget* active = QApplication::activeWindow();
  return active ? active : host::MainWindow();
}

Reply respond(const Shown& shown) {
  g_shown.append(shown);
  return g_responder(shown);
}

bool scripted() { return static_cast<bool>(g_responder); }

}  // namespace

Answer MsgBox(const QString& text, Buttons buttons, Icon icon, const QString& title,
              int defaultButton) {
  if (scripted()) return respond({"MsgBox", captionOr(title), text, buttons, icon}).answer;
  QMessageBox box(iconOf(icon), captionOr(title), displayText(text), QMessageBox::NoButton,
                  parentWindow());
  box.setObjectName(QStringLiteral("MsgBox"));
  const QList<ButtonDef> defs = buttonsOf(buttons);
  for (const ButtonDef& def : defs) box.addButton(def.standard);
  if (defaultButton >= 1 && defaultButton <= defs.size())
    box.setDefaultButton(defs[defaultButton - 1].standard);
  const auto clicked = static_cast<QMessageBox::StandardButton>(box.exec());
  for (const ButtonDef& def : defs)
    if (def.standard == clicked) return def.answer;
  // Closing the box with Escape answers Cancel where there is one, else the only button.
  for (const ButtonDef& def : defs)
    if (def.answer == Cancel || def.answer == No) return def.answer;
  return defs.front().answer;
}

QString InputBox(const QString& text, const QString& title, const QString& defaultText) {
  if (scripted()) return respond({"InputBox", captionOr(title), text}).text;
  QInputDialog dialog(parentWindow());
  dialog.setObjectName(QStringLiteral("InputBox"));
  dialog.setWindowTitle(captionOr(title));
  dialog.setLabelText(displayText(text));
  dialog.setTextValue(defaultText);
  if (dialog.exec() != QDialog::Accepted) return QString();
  return dialog.textValue();
}

QString GetOpenFileName(const QString& title, const QString& folder, const QString& filter) {
  if (scripted()) return respond({"Open", title, folder}).text;
  return QFileDialog::getOpenFileName(parentWindow(), title, folder, filter);
}

QString GetSaveFileName(const QString& title, const QString& folder, const QString& filter) {
  if (scripted()) return respond({"Save", title, folder}).text;
  return QFileDialog::getSaveFileName(parentWindow(), title, folder, filter);
}

void SetResponder(std::function<Reply(const Shown&)> responder) {
  g_responder = std::move(responder);
}

void ScriptReplies(const QList<Reply>& replies) {
  g_queue = replies;
  SetResponder([](const Shown&) {
    if (g_queue.isEmpty()) return Reply{};
    return g_queue.takeFirst();
  });
}

const QList<Shown>& ShownPrompts() { return g_shown; }

void ClearShownPrompts() { g_shown.clear(); }

}  // namespace prompt
