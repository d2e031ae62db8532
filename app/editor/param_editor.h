// The parameter editor's procedures (module basFunctions): preparing the rows from the
// catalogue, clearing them, filling them from WorkingConfig, checking a confirmed value and
// the express write of one row. They work on the editor window through its row accessors.
#pragma once

#include <QList>
#include <QString>

class frmTabConfig;
class QLabel;
class QLineEdit;

namespace basFunctions {

// Set when the P1.01 field changes; the P1.01 -> P1.36 rule of Validate clears it once it has
// brought P1.36 in line.
extern bool P101Changed;
// Rows that the P1.01 -> P1.36 rule changed while express writes were on and that the drive
// does not hold yet: the express write of P1.01 writes them with it.
extern QList<int> DependentWrites;

// Loads Catalog for one amplifier code and revision from `source` (tblDriveParameters or
// qryTabParams) and prepares the editor rows: every loaded parameter's default goes into its
// value field and, through the change handling, into WorkingConfig. P4.10..P4.21 are never
// loaded. Pauses (0.3 s twice, 0.01 s per parameter) keep the window live. True when the load
// ran to its end.
bool getParamData(frmTabConfig* form, const QString& source, int ampCode, int rev);
// Empties and hides every row (WorkingConfig is left as it is).
void ClearObjects(frmTabConfig* form);
// Fills every row of the loaded revision from WorkingConfig (pauses 1 s per group step).
// A row that fails is logged and the next rows still fill.
void LoadTab(frmTabConfig* form);
// Checks a value the user confirmed in row k: the P2.65 guard, a text that is not a number,
// the catalogue range, then the P1.01 -> P1.36 rule. False when the value was refused (the
// previous value is back in the field).
bool Validate(double value, QLineEdit* field, QLabel* label, int k);
// Express write of row k (only while ExpressActive): confirmation when ConfirmExpress is on,
// WriteData, pause 0.4 s, status line. A write the drive did not take is reported. The rows
// of DependentWrites go with P1.01 under the same confirmation; declined, they are put back.
void SubXWrites(int k);

// Checks the editor's fields that hold text not yet confirmed (Save, Download, Compare run it
// first); false when one was refused, with its message shown. True without an editor.
bool ConfirmEditorFields();

// "P1.01" for k = 101, "P0.05" for k = 5: the parameter label of the messages.
QString ParamMessageLabel(int k);

}  // namespace basFunctions
