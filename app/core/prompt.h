// The one prompt seam: every message box, input box and file dialog of the program goes
// through here. Tests install a scripted responder that answers in order and records every
// caption and text.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace prompt {

enum class Buttons { OK, OKCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };
enum class Icon { None, Critical, Question, Exclamation, Information };
// Answers keep the classic message-box values.
enum Answer { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

// defaultButton: 1-based position of the default button.
Answer MsgBox(const QString& text, Buttons buttons = Buttons::OK, Icon icon = Icon::None,
              const QString& title = QString(), int defaultButton = 1);
// Returns the entered text, or the empty text when cancelled.
QString InputBox(const QString& text, const QString& title = QString(),
                 const QString& defaultText = QString());
// Return the chosen path, or the empty text when cancelled.
QString GetOpenFileName(const QString& title, const QString& folder, const QString& filter);
QString GetSaveFileName(const QString& title, const QString& folder, const QString& filter);

// What a prompt showed, as a test reads it back.
struct Shown {
  QString kind;  // "MsgBox", "InputBox", "Open", "Save"
  QString title;
  QString text;
  Buttons buttons = Buttons::OK;
  Icon icon = Icon::None;
};
// A scripted reply: the answer for a message box, the text or path for the others.
struct Reply {
  Answer answer = Ok;
  QString text;
};
// Installs a responder for tests (an empty function restores the real dialogs).
void SetResponder(std::function<Reply(const Shown&)> responder);
// Convenience for tests: answers from a queue in order (Ok / empty text once it runs out)
// and records every prompt.
void ScriptReplies(const QList<Reply>& replies);
const QList<Shown>& ShownPrompts();
void ClearShownPrompts();

}  // namespace prompt
