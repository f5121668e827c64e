// A small valid design on the stand-in host: substrate, grid, line type,
// process and technology with realistic GaAs values, every value
// overridable.  Tests of any subsystem build on it.
#pragma once

#include <complex>
#include <string>
#include <vector>

#include "host.h"

namespace mirtex::test {

using host::Params;
using host::Value;

// p with key set to v (added when p has no such key).
Params with(Params p, const std::string& key, const Value& v);

struct Design {
    // Item names; the technology item is "C_TECH_" + foundry.
    std::string sub = "SUB1";
    std::string grid = "GRID1";
    std::string lintyp = "LT1";
    std::string foundry = "GAAS1";

    // 100 um GaAs (er 12.9) between air layers of automatic height.
    Params sub_params;
    // 1 um grid, automatic box, 5 % grid-fit tolerance.
    Params grid_params;
    // 15 um strip, 10 um slots, 50 um grounds, both on metal level 1.
    Params lintyp_params;
    // Two metal levels (1 um and 3 um gold), two bridge/capacitor
    // dielectrics (air bridge, SiN), one resistor layer.
    Params tech_params;
    std::string tech_type = "C_TECH";

    Design();

    // The 50-ohm line of the closed forms (W 20 um, S 15 um) on 200 um of
    // GaAs on a metal back, a thin metal (0.1 um), DL 2.5 um and BOUND
    // 1e-5 (at 1e-4 a gap's end capacitance is still 0.7 % from its limit;
    // 1e-5 takes it within 0.02 %).  Call before build().
    void cpw50_on_gaas();

    // Creates the items above; throws host::Error like Host::create.
    void build();

    // A further instance of any item or element.
    UserInstDef* item(const std::string& def, const std::string& name, const Params& params) const;
    // A further line type: the design's one with overrides.
    UserInstDef* line_type(const std::string& name, const Params& overrides = {}) const;
    // A CxLIN (or CxFEED) instance on the design's items.
    UserInstDef* line(const std::string& name, double length = 100e-6, const std::string& def = "CxLIN") const;
    // A CxMETVIA between two line types.
    UserInstDef* via(const std::string& name, const std::string& lt1, const std::string& lt2,
                     double length = 20e-6) const;
};

// The host's Y matrix of one instance analysed alone at f, row by row
// (empty after a failed analysis, which fails the test).
std::vector<std::complex<double>> y_at(UserInstDef* inst, double f);

// The complete elliptic integral of the first kind by the arithmetic-
// geometric mean, and the ratio K(k)/K(k') of the conformal maps.
double ellip_k(double k);
double ellip_ratio(double k);

}  // namespace mirtex::test
