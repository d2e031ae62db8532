// Lists and value fields change only when the technician has put the focus there on purpose (a
// click or Tab): the mouse wheel over one without the focus scrolls the page around it instead.
#pragma once

class QWidget;

namespace wheelGuard {

// Takes the focus only by click or Tab, and passes the wheel on while the field (a list, a
// spin or date box) has no focus: to the scroll bar of the scroll area around it, or nowhere
// when there is none.
void Guard(QWidget* field);

}  // namespace wheelGuard
