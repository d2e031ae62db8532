// What the editor computes from a row's text, without widgets: the value stored into
// WorkingConfig, the hexadecimal and input/output meaning texts, the checks of a confirmed
// value and the P1.01 -> P1.36 rule.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace basFunctions {
struct ParamInfo;
}

namespace editorValues {

// A display value as the editor writes it into a field ("3000", "12.5", "2.001").
QString NumberText(double value);
// "(HEX " + hexadecimal of the field's number as one register word + ")" ("(HEX FFFF)" for
// 65535 and -1), or the empty text for an empty field.
QString HexText(const QString& fieldText);
// Stores the field's number x the row's resolution, rounded, into WorkingConfig (group = first
// digit of k, number = last two digits).
void StoreFieldValue(int k, const QString& fieldText);
// The settings lists of every list parameter of one amplifier and revision (qryExtraData), by
// parameter key, each in record order: one query for the whole catalogue load.
QHash<QString, QStringList> SettingsLists(int ampCode, int rev);
// The meaning of a digital input (P2.10..P2.17, qry7A) or output (P2.18..P2.22, qry7B)
// setting: "N.C. - " or "N.O. - " + the function text without its number prefix. None when
// the database has no such function for the amplifier and revision. The function lists are
// read once per amplifier and revision (they are product data and do not change).
std::optional<QString> InputOutputMeaning(int k, const QString& fieldText, int ampCode,
                                          const QString& revisionText);

// The check of a confirmed value (after the P2.65 guard).
enum class Verdict { Accepted, NotANumber, TooHigh, TooLow };
// A text that is not a number is refused unless it is the row's previous text (a row the user
// did not touch); a number must fit the parameter's range and its register (param_value).
Verdict CheckValue(int k, const QString& fieldText, const QString& previousText, double value,
                   const basFunctions::ParamInfo& info);
// The end of the message for a refused value: " is too high!", " is too low!",
// " is not a number!".
QString RefusalText(Verdict verdict);

// What a changed P1.01 does to P1.36 (raw values of WorkingConfig).
enum class P136Change { None, SetToZero, SetToTwenty };
P136Change DependencyOfP101(int32_t p101, int32_t p136);

}  // namespace editorValues
