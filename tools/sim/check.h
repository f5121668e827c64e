// The library's own input checks, run for every element of a netlist before
// the analysis, with each message placed at its statement.
#pragma once

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "host.h"
#include "sim/netlist.h"

namespace mirtex::sim {

// Runs the library's check of each element instance (range, technology and
// grid checks, without solving); every error and warning the library sends
// is written to out as "<file>:<line>: <Type>:<Name>: <message>", once: a
// data item's at the item's statement with the elements that use it, an
// element's at its own; a value at fault is repeated with its limit in the
// netlist's units.  False when an element failed.  A library without the
// check passes everything.
bool check_inputs(const Netlist& nl, const std::vector<UserInstDef*>& insts, void* library, host::Host& host,
                  std::FILE* out);

// After netlist errors: the library's checks of the elements that parsed
// whole and whose items are all there, so that one pass shows every error.
void check_sound_elements(const Netlist& partial, void* library, host::Host& host, std::FILE* out);

// One solved value as the library gives it: SI value and unit, and the
// factor and unit the summary shows it in.
struct SolvedValue {
    std::string name;  // "Cs", "ZL", "DL" (the grid step), "loss@f" (its frequency)
    double value = 0;
    std::string unit;
    double factor = 1;
    std::string shown_unit;
};

// One element's description: "<Type>:<Name>", the summary's text and the
// values behind it.
struct Described {
    std::string who, text;
    std::vector<SolvedValue> values;
};

// Every element the library describes at f, in netlist order.  Nothing
// without the library's description entries.
std::vector<Described> describe_instances(const Netlist& nl, const std::vector<UserInstDef*>& insts, void* library,
                                          double f);

// The centre frequency of the sweep, where the summary describes the
// elements (0 for an empty sweep).
double summary_frequency(const Netlist& nl);

// "solved:" and one line per distinct description (a cross-section shared
// by several lines is listed once, with all of them); "" when none.
std::string summary_text(const std::vector<Described>& d);

// The same as a JSON document for scripts: {"netlist", "frequency_hz",
// "solved": [{"instances": [...], "text", "values": {name: {"value",
// "unit"}}}]}, values in SI units.
std::string summary_json(const std::vector<Described>& d, const std::string& netlist, double f);

// "<file>:<line>: " of the statement that made the named instance, or "".
std::string statement_of(const Netlist& nl, const std::string& instance);

}  // namespace mirtex::sim
