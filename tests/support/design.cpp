#include "support/design.h"

#include <gtest/gtest.h>

#include <cmath>

namespace mirtex::test {

Params with(Params p, const std::string& key, const Value& v) {
    for (auto& [k, val] : p)
        if (k == key) {
            val = v;
            return p;
        }
    p.emplace_back(key, v);
    return p;
}

Design::Design() {
    sub_params = {{"H1", Value::Real(-1)},    {"H2", Value::Real(100e-6)}, {"H3", Value::Real(-1)},
                  {"ER1", Value::Real(1.0)},  {"ER2", Value::Real(12.9)},  {"ER3", Value::Real(1.0)},
                  {"TAND1", Value::Real(0)},  {"TAND2", Value::Real(6e-4)}, {"TAND3", Value::Real(0)}};
    grid_params = {{"BOUND", Value::Real(1e-4)}, {"L1", Value::Real(-1)}, {"L2", Value::Real(-1)},
                   {"DL", Value::Real(1e-6)},    {"ACC", Value::Int(5)}};
    lintyp_params = {{"W", Value::Real(15e-6)}, {"S", Value::Real(10e-6)}, {"GW", Value::Real(50e-6)},
                     {"CEN_MET", Value::Int(1)}, {"GND_MET", Value::Int(1)}};
    tech_params = {{"die_h0", Value::Real(0.2e-6)}, {"die_er0", Value::Real(6.8)},  {"die_td0", Value::Real(1e-3)},
                   {"cap_os1", Value::Real(2e-6)},  {"cap_l1", Value::Real(1e-6)},  {"die_h1", Value::Real(3e-6)},
                   {"die_er1", Value::Real(1.0)},   {"die_td1", Value::Real(1e-4)}, {"cap_os2", Value::Real(3e-6)},
                   {"cap_l2", Value::Real(2e-6)},   {"die_h2", Value::Real(0.3e-6)}, {"die_er2", Value::Real(6.8)},
                   {"die_td2", Value::Real(2e-3)},  {"res_l", Value::Real(2e-6)},   {"res_rs", Value::Real(50.0)},
                   {"t1", Value::Real(1e-6)},       {"rho1", Value::Real(1.0)},     {"t2", Value::Real(3e-6)},
                   {"rho2", Value::Real(0.9)}};
}

void Design::build() {
    host::Host& h = host::Host::get();
    h.create("C_SUB", sub, sub_params);
    h.create("C_GRID", grid, grid_params);
    h.create("C_LINTYP", lintyp, lintyp_params);
    h.create("C_PROCES", "C_PROCES_DEFAULT",
             {{"FOUNDRY", Value::Strg(foundry)}, {"GW_DEF", Value::Real(0)}, {"count", Value::Int(0)}});
    h.create(tech_type, "C_TECH_" + foundry, tech_params);
}

UserInstDef* Design::item(const std::string& def, const std::string& name, const Params& params) const {
    return host::Host::get().create(def, name, params);
}

UserInstDef* Design::line_type(const std::string& name, const Params& overrides) const {
    Params p = lintyp_params;
    for (const auto& [k, v] : overrides) p = with(p, k, v);
    return item("C_LINTYP", name, p);
}

UserInstDef* Design::line(const std::string& name, double length, const std::string& def) const {
    return item(def, name,
                {{"L", Value::Real(length)}, {"C_LTYP", Value::Mtrl(lintyp)}, {"C_SUB", Value::Mtrl(sub)},
                 {"C_GRID", Value::Mtrl(grid)}, {"TEMP", Value::Real(16.85)}});
}

UserInstDef* Design::via(const std::string& name, const std::string& lt1, const std::string& lt2,
                         double length) const {
    return item("CxMETVIA", name,
                {{"L", Value::Real(length)}, {"C_LTYP1", Value::Mtrl(lt1)}, {"C_LTYP2", Value::Mtrl(lt2)},
                 {"C_SUB", Value::Mtrl(sub)}, {"C_GRID", Value::Mtrl(grid)}, {"TEMP", Value::Real(16.85)}});
}

void Design::cpw50_on_gaas() {
    grid_params = with(grid_params, "DL", Value::Real(2.5e-6));
    grid_params = with(grid_params, "BOUND", Value::Real(1e-5));
    lintyp_params = with(lintyp_params, "W", Value::Real(20e-6));
    lintyp_params = with(lintyp_params, "S", Value::Real(15e-6));
    tech_params = with(tech_params, "t1", Value::Real(0.1e-6));
    sub_params = with(sub_params, "H1", Value::Real(0.0));
    sub_params = with(sub_params, "ER1", Value::Real(12.9));
    sub_params = with(sub_params, "H2", Value::Real(200e-6));
}

std::vector<std::complex<double>> y_at(UserInstDef* inst, double f) {
    const auto r = host::Host::get().analyse({inst}, {f});
    EXPECT_TRUE(r.ok) << r.error;
    std::vector<std::complex<double>> y;
    if (r.ok)
        for (const COMPLEX& e : r.points[0].y[0]) y.emplace_back(e.real, e.imag);
    return y;
}

double ellip_k(double k) {
    double a = 1, b = std::sqrt(1 - k * k);
    for (int i = 0; i < 40; ++i) {
        const double an = 0.5 * (a + b);
        b = std::sqrt(a * b);
        a = an;
    }
    return 3.14159265358979323846 / (2 * a);
}

double ellip_ratio(double k) {
    return ellip_k(k) / ellip_k(std::sqrt(1 - k * k));
}

}  // namespace mirtex::test
