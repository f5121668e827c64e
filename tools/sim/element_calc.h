// The element calculator of mirtex-sim: one element given on the command
// line, solved by the model library alone between ports at its nodes, on
// the example technology or on the data items of a netlist file, and
// reported as its solved values with the feed lines' impedance and
// effective permittivity; optionally solved again at half the grid step,
// the change of each value estimating its discretisation error.
#pragma once

#include <string>
#include <vector>

#include "host.h"
#include "sim/analysis.h"
#include "sim/check.h"

namespace mirtex::sim {

struct ElementSpec {
    std::string type;                // "CxOPEN"
    std::vector<std::string> words;  // KEY=VALUE, as a netlist writes them
    std::string items_file;          // a netlist of data items; "" for the example technology
    double f_hz = 10e9;              // where frequency-dependent values are given
};

// The netlist text: the data items, the element as X1 with a port at every
// node, a 100 um line of each line type at its ports (which the library
// then describes), and the one frequency.  Reference parameters not given
// take the example items (with items_file: the file's first item of the
// kind).  std::invalid_argument for an unknown type or a bad word.
std::string element_netlist(const ElementSpec& s, const UserElemDef& def);

// The example technology: the process of examples/tech/gaas.inc, 200 um of
// GaAs on a metal back, the grid of the examples and their 50-ohm line.
extern const char* const kExampleItems;

// The element's and the feed lines' descriptions after a run.
struct ElementValues {
    Described element;
    std::vector<Described> feeds;
};
ElementValues element_values(const Netlist& nl, const std::vector<UserInstDef*>& insts, void* library, double f);

// Runs the analysis at each grid step and describes the element after
// each; std::runtime_error when a run fails.
std::vector<ElementValues> solve_element(const Netlist& nl, const std::vector<UserInstDef*>& insts, host::Host& host,
                                         void* library, const std::vector<double>& steps, double f);

// Sets the grid step DL of every C_GRID instance; returns the first one's
// step before (0 when there is none).
double set_grid_step(const Netlist& nl, const std::vector<UserInstDef*>& insts, double dl);

// The values as a table, one column per solution (the first at the grid
// step dl[0], ...), and with two solutions the change of each value from
// the first to the second.
std::string element_table(const std::vector<ElementValues>& runs, const std::vector<double>& dl);

}  // namespace mirtex::sim
