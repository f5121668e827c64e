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

// After an analysis: what was solved, one line per distinct description
// (a cross-section shared by several lines is listed once, with all of
// them), at the sweep's centre frequency.  Nothing without the library's
// description entry.
void print_summary(const Netlist& nl, const std::vector<UserInstDef*>& insts, void* library, std::FILE* out);

// "<Type>:<Name>" and the library's description at f of every element it
// describes, in netlist order.
std::vector<std::pair<std::string, std::string>> describe_instances(const Netlist& nl,
                                                                  const std::vector<UserInstDef*>& insts,
                                                                  void* library, double f);

// "<file>:<line>: " of the statement that made the named instance, or "".
std::string statement_of(const Netlist& nl, const std::string& instance);

}  // namespace mirtex::sim
