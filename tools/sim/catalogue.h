// The catalogue listing of mirtex-sim: every definition the library
// registered, with its node count and parameters, and which elements the
// library can evaluate.
#pragma once

#include <iosfwd>
#include <set>
#include <string>

#include "sim/netlist.h"

namespace mirtex::sim {

// The elements the loaded library says it cannot evaluate (its answer to
// the query "unavailableElements"); empty when it does not answer.
std::set<std::string> unavailable_elements(void* library);

void print_catalogue(std::ostream& out, const std::set<std::string>& unavailable = {});

// One definition with each parameter's unit and meaning; false when the
// library registered no definition of that name.
bool print_definition(std::ostream& out, const std::string& type);

// A NetlistError at the first item whose element cannot be evaluated.
void refuse_unavailable(const Netlist& nl, const std::set<std::string>& unavailable);

}  // namespace mirtex::sim
