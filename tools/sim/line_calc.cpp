#include "sim/line_calc.h"

#include <dlfcn.h>
#include <fmt/format.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <map>
#include <stdexcept>

#include "sim/units.h"

namespace mirtex::sim {

namespace {

using host::Value;

// Defaults of the cross-section: the CPW of examples/cpw_line.net, on 200 um
// of GaAs in air.  Written as a netlist writes them, so that the same
// values give the same vectors, bit for bit.
const std::map<std::string, std::string> kDefaults = {
    {"W", "16.25um"}, {"S", "15um"},  {"GW", "50um"},   {"H1", "-1"},     {"H2", "200um"}, {"H3", "-1"},
    {"ER1", "1"},  {"ER2", "12.9"}, {"ER3", "1"},    {"TAND1", "0"},   {"TAND2", "5e-4"}, {"TAND3", "0"},
    {"t", "3um"},  {"rho", "1"},   {"DL", "2.5um"},  {"BOUND", "1e-5"}, {"L1", "-1"},
};

}  // namespace

LineSpec parse_line_spec(const std::vector<std::string>& words) {
    LineSpec s;
    for (const auto& [k, text] : kDefaults) {
        std::string why;
        s.values[k] = *parse_quantity(text, why);
    }
    for (const std::string& w : words) {
        const auto eq = w.find('=');
        if (eq == std::string::npos) throw std::invalid_argument("'" + w + "': KEY=VALUE expected");
        const std::string key = w.substr(0, eq);
        if (!kDefaults.count(key)) {
            std::string keys;
            for (const auto& [k, v] : kDefaults) keys += (keys.empty() ? "" : " ") + k;
            throw std::invalid_argument("unknown keyword '" + key + "' (" + keys + ")");
        }
        std::string why;
        const auto v = parse_quantity(w.substr(eq + 1), why);
        if (!v) throw std::invalid_argument(key + ": " + why);
        s.values[key] = *v;
    }
    return s;
}

LineCalculator::LineCalculator(void* library, host::Host& host) : host_(host) {
    dpar_out_ = static_cast<double**>(dlsym(library, "line_dpar_out"));
    freq_line_ = reinterpret_cast<FreqLine>(dlsym(library, "Freq_Line"));
    if (dpar_out_ == nullptr || freq_line_ == nullptr)
        throw std::runtime_error("the model library does not offer the line solver");
}

void LineCalculator::build(const LineSpec& s) {
    auto v = [&](const char* k) { return Value::Real(s.values.at(k)); };
    if (line_ == nullptr) {
        host_.create("C_SUB", "LC_SUB",
                     {{"H1", v("H1")}, {"H2", v("H2")}, {"H3", v("H3")}, {"ER1", v("ER1")}, {"ER2", v("ER2")},
                      {"ER3", v("ER3")}, {"TAND1", v("TAND1")}, {"TAND2", v("TAND2")}, {"TAND3", v("TAND3")}});
        // ACC 100: every width is taken and snapped to the grid; the
        // calculator says which grid value it used.
        host_.create("C_GRID", "LC_GRID",
                     {{"BOUND", v("BOUND")}, {"L1", v("L1")}, {"L2", Value::Real(-1)}, {"DL", v("DL")},
                      {"ACC", Value::Int(100)}});
        host_.create("C_LINTYP", "LC_LT",
                     {{"W", v("W")}, {"S", v("S")}, {"GW", v("GW")}, {"CEN_MET", Value::Int(1)},
                      {"GND_MET", Value::Int(1)}});
        if (get_user_inst("C_PROCES_DEFAULT") == nullptr)
            host_.create("C_PROCES", "C_PROCES_DEFAULT",
                         {{"FOUNDRY", Value::Strg("LINECALC")}, {"GW_DEF", Value::Real(0)}, {"count", Value::Int(0)}});
        host::Params tech;
        for (auto [k, x] : {std::pair{"die_h0", 0.2e-6}, {"die_er0", 6.8}, {"die_td0", 1e-3}, {"cap_os1", 1e-6},
                            {"cap_l1", 1e-6}, {"die_h1", 3e-6}, {"die_er1", 1.0}, {"die_td1", 1e-4},
                            {"cap_os2", 1e-6}, {"cap_l2", 1e-6}, {"die_h2", 0.3e-6}, {"die_er2", 6.8},
                            {"die_td2", 2e-3}, {"res_l", 1e-6}, {"res_rs", 50.0}, {"t1", s.values.at("t")},
                            {"rho1", s.values.at("rho")}, {"t2", 1e-6}, {"rho2", 1.0}})
            tech.emplace_back(k, Value::Real(x));
        if (get_user_inst("C_TECH_LINECALC") == nullptr) host_.create("C_TECH", "C_TECH_LINECALC", tech);
        line_ = host_.create("CxLIN", "LC_LINE",
                             {{"L", Value::Real(1e-3)}, {"C_LTYP", Value::Mtrl("LC_LT")}, {"C_SUB", Value::Mtrl("LC_SUB")},
                              {"C_GRID", Value::Mtrl("LC_GRID")}, {"TEMP", Value::Real(16.85)}});
    }
    // The widths of the line type change between solves.
    UserInstDef* lt = get_user_inst("LC_LT");
    for (int i = 0; i < lt->def->numPars; ++i)
        if (const auto it = s.values.find(lt->def->params[i].keyword); it != s.values.end())
            lt->params[i].value.r = it->second;
}

LineResult LineCalculator::solve(const LineSpec& s, const std::vector<double>& freqs_hz) {
    build(s);
    const host::AnalysisResult r = host_.analyse({line_}, {freqs_hz.empty() ? 1e9 : freqs_hz.front()});
    if (!r.ok) throw std::runtime_error(r.error);
    LineResult out;
    const double* d = *dpar_out_;
    out.C = d[0];
    out.L = d[1];
    out.ZL = d[4];
    out.er_eff = d[5];
    out.W = d[6];
    for (double f : freqs_hz) {
        double R = 0, G = 0;
        COMPLEX z{}, g{};
        COMPLEX y[4];
        freq_line_(d, s.values.at("TAND2"), 1e-3, 4.5e7 / s.values.at("rho"), f, &R, &G, &z, &g, y);
        // Attenuation of the wave: Re(gamma) in Np/m, as dB per millimetre.
        const std::complex<double> gamma = std::sqrt(std::complex<double>(R, 6.283185307179586 * f * out.L) *
                                                     std::complex<double>(G, 6.283185307179586 * f * out.C));
        out.points.push_back({f, R, G, 8.685889638065037 * gamma.real() * 1e-3});
    }
    return out;
}

std::string format_result(const LineResult& r) {
    std::string s = fmt::format("W = {:.6g} um (snapped)  ZL = {:.4f} ohm  eps_eff = {:.4f}  C' = {:.5g} F/m  L' = {:.5g} H/m\n",
                                r.W * 1e6, r.ZL, r.er_eff, r.C, r.L);
    s += fmt::format("{:>12} {:>14} {:>14} {:>14}\n", "f/GHz", "R'/(ohm/m)", "G'/(S/m)", "loss/(dB/mm)");
    for (const auto& p : r.points)
        s += fmt::format("{:>12.6g} {:>14.6g} {:>14.6g} {:>14.6g}\n", p.f / 1e9, p.R, p.G, p.loss_db_per_mm);
    return s;
}

Synthesis synthesise(LineCalculator& calc, LineSpec spec, const std::string& vary, double target) {
    if (vary != "W" && vary != "S") throw std::invalid_argument("--vary takes W or S");
    const double half = spec.values.at("DL") / 2;
    // ZL rises with S and falls with W: walk the grid values (half steps)
    // from the given start towards the target, then interpolate between
    // the two grid values around it.
    auto z_at = [&](int steps) {
        spec.values[vary] = steps * half;
        return calc.solve(spec, {}).ZL;
    };
    int k = std::max(2, static_cast<int>(std::lround(spec.values.at(vary) / half)));
    double zk = z_at(k);
    const int dir = ((zk > target) == (vary == "W")) ? 1 : -1;  // the way that brings ZL to the target
    for (int n = 0; n < 2000; ++n) {
        const int next = k + dir;
        if (next < 2) break;
        const double zn = z_at(next);
        if ((zk - target) * (zn - target) <= 0) {
            Synthesis out;
            // Linear between the two grid values.
            const double t = (target - zk) / (zn - zk);
            out.value = (k + t * dir) * half;
            out.below = std::min(k, next) * half;
            out.above = std::max(k, next) * half;
            out.z_below = k < next ? zk : zn;
            out.z_above = k < next ? zn : zk;
            out.grid = std::abs(zk - target) <= std::abs(zn - target) ? k * half : next * half;
            out.z_grid = std::abs(zk - target) <= std::abs(zn - target) ? zk : zn;
            return out;
        }
        k = next;
        zk = zn;
    }
    throw std::runtime_error(fmt::format("no {} on this grid gives ZL = {} ohm", vary, target));
}

}  // namespace mirtex::sim
