// The drive's numbered parameters in memory: the value tables and the parameter keys.
#pragma once

#include <QString>
#include <array>
#include <cstdint>

namespace basFunctions {

// 100 rows (parameter number 0..99) by 7 columns (group 0..6) of raw drive values. Groups 0..4
// hold the configuration parameters, 5..6 the drive's internal and monitor registers.
// Every access is checked: an index outside the table raises run-time error 9 ("Subscript out
// of range") for the caller's error trap, never an access outside the storage.
class ValueTable {
 public:
  static constexpr int kRows = 100;
  static constexpr int kGroups = 7;

  // Parameter P<group>.<number>.
  int32_t& P(int group, int number);
  int32_t P(int group, int number) const;
  // The same by ParamIndex (group * 100 + number, 0..699).
  int32_t& byIndex(int index);
  void clear();

 private:
  std::array<std::array<int32_t, kGroups>, kRows> values_{};
};

// The values last read from the connected drive (filled by the poll handler and by reads).
extern ValueTable DriveImage;
// The configuration being edited, saved, compared and downloaded.
extern ValueTable WorkingConfig;

// ParamIndex of P<group>.<number>: group * 100 + number.
int ParamIndex(int group, int number);
// The three-digit key text of a ParamIndex ("005" for P0.05, "101" for P1.01).
QString ParamKeyText(int index);
// ParamIndex of a key text: first character is the group, the last two the number.
int ParamIndexOfKey(const QString& key);
// Display label of a key text: "P" + group + "." + number ("P1.01").
QString ParamLabel(const QString& key);
// P4.10..P4.21 are shown with fixed labels and are never part of the catalogue.
bool HasFixedLabel(int index);
// Raises run-time error 9 unless 0 <= index <= 423 (the catalogue's range).
void CheckCatalogIndex(int index);

}  // namespace basFunctions
