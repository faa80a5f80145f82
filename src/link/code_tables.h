#pragma once

#include <string>

namespace corvane {

// The sensor names substances by wire codes; the program keeps list indexes. These map one to
// the other for the current-output source list and the digital range list.

// Source list index -> wire code; an index outside the list gives 13 (temperature).
int SourceCodeFromIndex(int index);
// Wire code -> source list index; a code outside the table gives 2 (temperature).
int SourceIndexFromCode(int code);

// Digital range index <-> wire code; the table is its own inverse and anything else gives 0.
int DigitalCodeFromIndex(int index);
int DigitalIndexFromCode(int code);

// Unit of the concentration reading for a digital range index: empty when no concentration is
// used, "p.p.t." for sea water and total dissolved solids, "%" for the rest.
std::string DigitalUnitForIndex(int index);

}  // namespace corvane
