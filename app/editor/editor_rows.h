// The table the editor's rows are made from (no widgets): which parameters the window has a
// row for, which rows carry a settings list, a wizard button, an input/output meaning label
// or a hexadecimal label, and where the fixed "Reserved" labels stand.
#pragma once

#include <QList>
#include <QString>

namespace editorRows {

// The highest parameter number of each group any revision has (P0.08, P1.56, P2.65, P3.08,
// P4.23): the window has a place for each of them.
int LastNumber(int group);
// Every ParamIndex with a row or a fixed label, group by group in ascending order.
const QList<int>& AllIndexes();
// P4.10..P4.21: a fixed "Reserved" label instead of a row.
bool IsReserved(int k);
bool HasList(int k);
bool HasWizard(int k);
bool HasInputOutputMeaning(int k);  // P2.10..P2.22 (lblDODI)
// objectName of the hexadecimal label beside row k, or the empty text when it has none.
QString HexLabelName(int k);
// "P1.05": the parameter a row's field, list and wizard button stand for.
QString ParamName(int k);
// "   P4.10 - Reserved"
QString ReservedCaption(int k);

// The frames of the P4 tab.
constexpr int kFirstOfSecondP4Frame = 412;

}  // namespace editorRows
