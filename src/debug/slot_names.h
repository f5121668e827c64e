// The names of every slot of every element's input and result vectors, as
// the static debug report prints them.  They are the one place where the
// meaning of each slot is written down next to its position.
#pragma once

#include <string_view>
#include <vector>

namespace mirtex::debug {

// Markers inside a name list.
inline constexpr std::string_view kEnd = "*";       // the list ends; a longer vector is an error
inline constexpr std::string_view kUnnamed = "+";   // all remaining values follow without names
inline constexpr std::string_view kStopInts = "#";  // the integer inputs are not printed further

struct SlotNames {
    std::vector<std::string_view> ipar, ipar_out, dpar, dpar_out;
};

// The lists of a report label ("C_LIN", "C_GAP", ...); null for a label
// without lists.  Each list ends with one of the markers.
const SlotNames* slot_names(std::string_view label);

}  // namespace mirtex::debug
