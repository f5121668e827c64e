// Numbers as netlists write them: a decimal number, an optional SI prefix
// and an optional unit ("200um", "40GHz", "2.5meg", "1e-6").
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mirtex::sim {

// The factor of a suffix written after a number: an optional prefix
// (f p n u m k M G T, or meg) followed by an optional unit (m Hz Ohm ohm F H
// S s).  A lone prefix letter is a prefix, so "5m" is 5e-3, not 5 metres.
// Empty suffix: 1.  Unknown suffix: nullopt.
std::optional<double> suffix_factor(std::string_view suffix);

// A whole quantity, number and suffix joined.  On failure, why says what is
// wrong ("bad number", "unknown unit 'x'").
std::optional<double> parse_quantity(std::string_view text, std::string& why);

// True when text is a bare decimal number, without prefix or unit.
bool is_bare_number(std::string_view text);

// An integer value: a quantity (prefixes allowed) that is whole and fits an int.
std::optional<int> parse_whole(std::string_view text, std::string& why);

// Whether a parameter keyword names a length: of the elements and items,
// and of the technology's thicknesses and lengths.
bool is_length_keyword(std::string_view keyword);

// v in the prefix and unit of a value as the netlist wrote it ("150 um"
// for v = 1.5e-4 after "50um"); a bare number gives a length in um and
// anything else plain.
std::string in_written_units(double v, std::string_view written, bool length);

// Shortest text that reads back to the same double ("%.17g" trimmed).
std::string exact_text(double v);

}  // namespace mirtex::sim
