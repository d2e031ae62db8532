// The parameter catalogue: what the drive database says about each parameter of one amplifier
// code and firmware revision (limits, default, resolution, flags, texts). No windows: the
// editor, the configuration files, upload/download and the command-line tools all read it.
#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <array>
#include <optional>

namespace basFunctions {

class ValueTable;

struct ParamInfo {
  std::optional<double> min;           // lowest allowed display value; none = no bound
  std::optional<double> max;           // highest allowed display value; none = no bound
  std::optional<double> defaultValue;  // factory value in display units; none = no default
  float resolution = 1;                // display = raw / resolution
  bool ReadOnly = false;               // never written to the drive, not editable
  bool Extra = false;                  // chosen from a settings list
  bool Compare = false;                // compared with the defaults
  bool HasList = false;                // shown as a list in the editor
  int Parts = 1;                       // wizard parts (digits)
  QString Function;                    // function text (empty when the column is null)
  bool HasFunction = false;            // the Function column was not null
  QString ParamName;
  QString EU;           // unit text, empty when null
  QString ToolTipText;  // empty when null
  bool loaded = false;  // part of the set last loaded
};

// One ParamInfo per ParamIndex 0..423 (P0.00..P4.23). Every access is checked (run-time
// error 9 outside the range), as for the value tables.
class ParamCatalog {
 public:
  static constexpr int kSize = 424;

  ParamInfo& operator[](int index);
  const ParamInfo& operator[](int index) const;
  // The indexes of the set last loaded, in the database's Parameter order.
  const QList<int>& loadedIndexes() const { return loaded_; }
  int ampCode() const { return ampCode_; }
  int rev() const { return rev_; }

  // Replaces the set with the records of `source` (tblDriveParameters or qryTabParams) for
  // one amplifier code and revision. Entries of parameters absent from the new set keep their
  // old values but are no longer marked loaded; HasList is cleared everywhere and set for
  // list parameters. P4.10..P4.21 are never loaded. Motor code 22 in either value table makes
  // the defaults of P1.40 and P1.55 2000. Database errors raise ProgramError.
  void load(const QSqlDatabase& db, const QString& source, int ampCode, int rev,
            const ValueTable& driveImage, const ValueTable& workingConfig);

 private:
  std::array<ParamInfo, kSize> entries_{};
  QList<int> loaded_;
  int ampCode_ = 0;
  int rev_ = 0;
};

// The program's catalogue: the set of the working configuration's amplifier and revision.
extern ParamCatalog Catalog;

// The raw value of a display value (display x resolution, rounded to the nearest integer,
// halves to even, clamped to 32 bits), and the display value of a raw one.
int32_t RawFromDisplay(double display, float resolution);
double DisplayFromRaw(int32_t raw, float resolution);
// The display text of a raw value as the editor shows it ("12.5", "3", "2.001").
QString DisplayText(int32_t raw, float resolution);

}  // namespace basFunctions
