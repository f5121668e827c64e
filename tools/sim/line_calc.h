// The line calculator of mirtex-sim: one CPW cross-section given on the
// command line, solved by the model library through the host as a 1 mm
// CxLIN, and reported as ZL, effective permittivity, C', L' and the
// per-frequency R', G' and loss; and the synthesis of a width or slot for a
// target impedance by solving repeatedly.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "host.h"

namespace mirtex::sim {

// Keywords as in the netlist (W, S, GW, H1..H3, ER1..3, TAND1..3, DL,
// BOUND, L1) and the metal's t and rho; values with their units.
struct LineSpec {
    std::map<std::string, double> values;
};

// KEY=VALUE words over the defaults; std::invalid_argument on a bad word.
LineSpec parse_line_spec(const std::vector<std::string>& words);

struct LineResult {
    double W = 0, ZL = 0, er_eff = 0, C = 0, L = 0;
    struct Point {
        double f, R, G, loss_db_per_mm;
    };
    std::vector<Point> points;
};

class LineCalculator {
public:
    // library: the loaded model library (its line result and line
    // evaluation are read directly).
    LineCalculator(void* library, host::Host& host);
    LineResult solve(const LineSpec& spec, const std::vector<double>& freqs_hz);

private:
    using FreqLine = int (*)(const double*, double, double, double, double, double*, double*, COMPLEX*, COMPLEX*,
                             COMPLEX*);
    void build(const LineSpec& spec);
    host::Host& host_;
    double** dpar_out_ = nullptr;
    FreqLine freq_line_ = nullptr;
    UserInstDef* line_ = nullptr;
};

std::string format_result(const LineResult& r);

// The value of `vary` (W or S) that gives ZL = target: interpolated
// between the two grid values around it, and the nearest grid value.
struct Synthesis {
    double value = 0;         // interpolated [m]
    double below = 0, above = 0, z_below = 0, z_above = 0;
    double grid = 0, z_grid = 0;  // the nearest grid value and its ZL
};
Synthesis synthesise(LineCalculator& calc, LineSpec spec, const std::string& vary, double target);

}  // namespace mirtex::sim
