#include "editor/wheel_guard.h"

#include <QComboBox>
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
    auto* list = qobject_cast<QComboBox*>(watched);
    if (!list || event->type() != QEvent::Wheel || list->hasFocus()) return false;
    if (QScrollArea* area = scrollAreaOf(list))
      QCoreApplication::sendEvent(area->verticalScrollBar(), event);
    return true;
  }
};

}  // namespace

void Guard(QComboBox* list) {
  // The default focus policy lets the wheel itself give the list the focus (and the value).
  list->setFocusPolicy(Qt::StrongFocus);
  list->installEventFilter(new WheelFilter(list));
}

}  // namespace wheelGuard
