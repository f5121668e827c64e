// The names of every slot of every element's input and result vectors, as
// the static debug report prints them.  They are the one place where the
// meaning of each slot is written down next to its position.
#pragma once

#include <string>
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

// The names of a list up to its first marker, without line breaks.
std::vector<std::string> plain_names(const std::vector<std::string_view>& names);

// A value under its slot name ("C_end[F]") as designers read it: the name
// without its unit ("C_end"), the value scaled (1.87e-15 -> 1.87) and the
// unit it is then in ("fF"); names without a unit keep their value.
struct Shown {
    std::string word;
    double value;
    const char* unit;
};
Shown shown(std::string_view name, double v);

// The lumped values (capacitances, inductances, resistances) among an
// element's results, "Cs = 1.478 fF, Cp1 = 0.66 fF, ...", and the grid
// step they were solved at, " (DL 2.5 um)", or for values extrapolated to
// the fine-grid limit the two steps, " (extrapolated from DL 2.5 and 5
// um)"; empty for a label without names.
std::string lumped_values(std::string_view label, const double* dpar, int n_dpar, const double* dpar_out, int n_out,
                          bool extrapolated = false);

}  // namespace mirtex::debug
