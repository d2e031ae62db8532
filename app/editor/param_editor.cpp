#include "editor/param_editor.h"

namespace basFunctions {

bool getParamData(frmTabConfig*, const QString&, int, int) { return false; }
void ClearObjects(frmTabConfig*) {}
void LoadTab(frmTabConfig*) {}
bool Validate(double, QLineEdit*, QLabel*, int) { return false; }
void SubXWrites(int) {}
QString ParamMessageLabel(int) { return QString(); }

}  // namespace basFunctions
