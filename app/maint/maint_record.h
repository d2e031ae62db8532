// The values a maintenance screen saved at opening, kept in the per-user store while the drive
// is armed (module basMaint, no widgets). A program that dies with the screen open cannot put
// the drive back; the record outlives it, so that the next connection to that drive offers the
// restore, and a screen opened meanwhile restores what the drive held before, not its armed
// values. One record per drive: COM port, node address and model (P1.31, firmware P0.00).
#pragma once

#include <QString>
#include <optional>

#include "maint/maint_drive.h"

namespace basMaint {

// Written before the screen arms the drive; cleared once its restore has been answered.
void RecordSavedSettings(const SavedSettings& saved);
void ClearSavedSettingsRecord();
// The record left for the connected drive, if any.
std::optional<SavedSettings> LeftoverRecord();

// After a connection's reads are in: a record left for this drive is offered for restoring
// (and logged either way); it is cleared once answered or declined. Nothing while a
// maintenance screen is open (it restores the recorded values itself).
void OfferLeftoverRestore();

}  // namespace basMaint
