// The parameter sets of drives other than the working configuration's, for the windows that
// show a drive's history or report on it: the catalogue of one amplifier and firmware revision
// from the program's database (loaded once per run), and the group limits of a revision.
#pragma once

#include <array>
#include <cstdint>

namespace basFunctions {
class ParamCatalog;
}

namespace driveSets {

// The catalogue of the amplifier and revision; an empty catalogue (nothing loaded) when the
// database has no such set or cannot be read.
const basFunctions::ParamCatalog& CatalogFor(int ampCode, int revision);
// All 0 for a revision the drive family does not have.
std::array<int16_t, 5> LimitsFor(int revision);

}  // namespace driveSets
