// The one rule for a parameter's value: does it fit the drive's register and the parameter's
// own range? A register is one 16-bit word: signed (-32768..32767), or unsigned (0..65535) for
// a parameter whose catalogue range is unsigned and needs the sixteenth bit (P2.65, P3.08,
// P4.07 and P4.08 of 2.10). The file reader, the editor, the wizard, the bit editors, the
// download and velumo-config all ask here, so a value is refused the same way everywhere and
// never sent as another value. No widgets, no program globals.
#pragma once

#include <QString>
#include <cstdint>

namespace basFunctions {
struct ParamInfo;
class ParamCatalog;
class ValueTable;
}  // namespace basFunctions

namespace param_value {

enum class Verdict { Fits, NotANumber, TooHigh, TooLow };

// True when the parameter's register is read and written as 0..65535.
bool IsUnsigned(const basFunctions::ParamInfo& info);
// The raw values the parameter's register can carry.
int32_t RegisterMin(const basFunctions::ParamInfo& info);
int32_t RegisterMax(const basFunctions::ParamInfo& info);
// The raw value of a word read from the drive: 0..65535 for an unsigned parameter.
int32_t FromWord(int16_t word, const basFunctions::ParamInfo& info);
// Earlier versions read unsigned registers as signed words ("265,-1"): such a value stands
// for the same word and is taken as 0..65535. Other values are returned as they are.
int32_t FromStored(int32_t raw, const basFunctions::ParamInfo& info);

// FromStored for every parameter of the catalogue's set in the table (words read from the
// drive, values of files).
void ReadAsRegisters(basFunctions::ValueTable& table, const basFunctions::ParamCatalog& catalog);

// A raw value of parameter `index`: the register first, then the catalogue range (display
// units; a missing bound never refuses). 99 in P0.03-P0.08 means "not set" and fits.
Verdict Check(int index, const basFunctions::ParamInfo& info, int32_t raw);
// A display value as typed or composed: the catalogue range, then the register of its raw
// value (display x resolution, rounded); "not set" as for Check.
Verdict CheckDisplay(int index, const basFunctions::ParamInfo& info, double display);
// A typed text: a number, then CheckDisplay of its value.
Verdict CheckText(int index, const basFunctions::ParamInfo& info, const QString& text);
// Read-only parameters are never written: for them only the register counts.
Verdict CheckRegister(const basFunctions::ParamInfo& info, int32_t raw);

// What the parameter takes, in display units: "-5000 to 5000".
QString RangeText(const basFunctions::ParamInfo& info);
// The reason for files and tools: "P1.09 takes -5000 to 5000" or "not a number".
QString ReasonText(int index, const basFunctions::ParamInfo& info, Verdict verdict);

}  // namespace param_value
