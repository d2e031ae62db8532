#include "core/wheel_guard.h"

#include <QCoreApplication>
#include <QEvent>
#include <QScrollArea>
#include <QScrollBar>

namespace wheelGuard {
namespace {

QScrollArea* scrollAreaOf(QWidget* widget) {
  for (QWidget* w = widget->parentWidget(); w; w = w->parentWidget())
    if (auto* area = qobject_cast<QScrollArea*>(w)) return area;
  return nullptr;
}

class WheelFilter : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* field = qobject_cast<QWidget*>(watched);
    if (!field || event->type() != QEvent::Wheel || field->hasFocus()) return false;
    if (QScrollArea* area = scrollAreaOf(field))
      QCoreApplication::sendEvent(area->verticalScrollBar(), event);
    return true;
  }
};

}  // namespace

void Guard(QWidget* field) {
  // The default focus policy lets the wheel itself give the field the focus (and the value).
  field->setFocusPolicy(Qt::StrongFocus);
  field->installEventFilter(new WheelFilter(field));
}

}  // namespace wheelGuard
