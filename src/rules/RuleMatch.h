// Whether a caption falls under a catalogue's rules.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "rules/Catalogue.h"

namespace hoverdeck {

// True when some entry is (checked or the all-windows switch is on) and (its text occurs in the
// caption, case-sensitively, or the switch is on). An empty catalogue matches nothing, even with
// the switch on.
bool CatalogueMatches(const Catalogue& catalogue, bool all_windows, std::string_view caption);
// The texts of the checked entries.
std::vector<std::string> CheckedTexts(const Catalogue& catalogue);

}  // namespace hoverdeck
