// The catalogue listing of mirtex-sim: every definition the library
// registered, with its node count and parameters.
#pragma once

#include <iosfwd>

namespace mirtex::sim {

void print_catalogue(std::ostream& out);

}  // namespace mirtex::sim
