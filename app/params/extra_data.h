// The settings lists of list-type parameters (qryExtraData).
#pragma once

#include <QString>
#include <QStringList>

class QComboBox;

namespace basFunctions {

// Each Setting of qryExtraData for one parameter of one amplifier code and revision, in
// record order. `source` is accepted for the callers' sake and not used.
QStringList ExtraDataSettings(int ampCode, int rev, const QString& parameter);
// Appends those settings to a list control.
void getExtraData(const QString& source, int ampCode, int rev, const QString& parameter,
                  QComboBox* list);

}  // namespace basFunctions
