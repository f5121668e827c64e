// Junctions solved on the three-dimensional grid and evaluated through the
// host: what a bridge adds to a line, a bend's symmetry, the arms of a tee
// and a cross, reciprocity and passivity of every network.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <string>
#include <vector>

#include "host.h"
#include "mirtex/mirtex.h"
#include "solver/solver.h"
#include "support/design.h"

namespace mirtex::test {
namespace {

using host::Host;
using cd = std::complex<double>;

class Junctions : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Host::get().boot_all());
        design.grid_params = with(design.grid_params, "DL", Value::Real(2.5e-6));
        design.grid_params = with(design.grid_params, "BOUND", Value::Real(1e-5));
        design.lintyp_params = with(design.lintyp_params, "W", Value::Real(20e-6));
        design.lintyp_params = with(design.lintyp_params, "S", Value::Real(15e-6));
        design.tech_params = with(design.tech_params, "t1", Value::Real(0.1e-6));
        design.sub_params = with(design.sub_params, "H1", Value::Real(0.0));
        design.sub_params = with(design.sub_params, "H2", Value::Real(200e-6));
        design.build();
        bridge("NONE", 0, 10e-6, 5e-6);
    }
    void bridge(const std::string& name, int type, double bw, double bg, double L = 0.0) const {
        design.item("C_AIRTYP", name,
                    {{"TYPE", Value::Int(type)},
                     {"BW", Value::Real(bw)},
                     {"BG", Value::Real(bg)},
                     {"BS", Value::Real(-1)},
                     {"DIE_IDX", Value::Int(1)},
                     {"L", Value::Real(L)}});
    }
    Params common(Params p) const {
        p.push_back({"C_SUB", Value::Mtrl(design.sub)});
        p.push_back({"C_GRID", Value::Mtrl(design.grid)});
        p.push_back({"TEMP", Value::Real(16.85)});
        return p;
    }
    // A junction of n arms with line types lt[k] and bridges br[k].
    UserInstDef* junction(const std::string& def, const std::string& name, std::vector<std::string> lt,
                          std::vector<std::string> br) const {
        Params p;
        if (lt.size() == 1) {
            p = {{"C_LTYP", Value::Mtrl(lt[0])}, {"C_BTYP", Value::Mtrl(br[0])}};
        } else {
            for (std::size_t k = 0; k < lt.size(); ++k)
                p.push_back({"C_LTYP" + std::to_string(k + 1), Value::Mtrl(lt[k])});
            for (std::size_t k = 0; k < br.size(); ++k)
                p.push_back({"C_BTYP" + std::to_string(k + 1), Value::Mtrl(br[k])});
        }
        return design.item(def, name, common(p));
    }
    std::vector<cd> y_at(UserInstDef* inst, double f) {
        const auto r = Host::get().analyse({inst}, {f});
        EXPECT_TRUE(r.ok) << r.error;
        std::vector<cd> y;
        if (r.ok)
            for (const COMPLEX& e : r.points[0].y[0]) y.emplace_back(e.real, e.imag);
        return y;
    }
    Design design;
};

void dump(const char* what, const double* v, int n) {
    std::printf("%s:", what);
    for (int k = 0; k < n; ++k) std::printf(" %.5g", v[k]);
    std::printf("\n");
}

TEST_F(Junctions, Explore) {
    bridge("BR", 2, 10e-6, 5e-6);
    y_at(junction("CxAIR", "A1", {design.lintyp}, {"BR"}), 1e9);
    dump("air", bruecke_dpar_out, 12);
    y_at(junction("CxBEND", "B1", {design.lintyp, design.lintyp}, {"NONE", "NONE"}), 1e9);
    dump("bend", bend_dpar_out, 22);
    y_at(junction("CxBEND", "B2", {design.lintyp, design.lintyp}, {"BR", "BR"}), 1e9);
    dump("bend br", bend_dpar_out, 22);
    y_at(junction("CxTEE", "T1", {design.lintyp, design.lintyp, design.lintyp}, {"NONE", "NONE", "NONE"}), 1e9);
    dump("tee", tee_dpar_out, 32);
    y_at(junction("CxCROSS", "C1", {design.lintyp, design.lintyp, design.lintyp, design.lintyp},
                  {"NONE", "NONE", "NONE", "NONE"}),
         1e9);
    dump("cross", cross_dpar_out, 43);
    dump("feed", feed1_dpar_out, 8);
}

}  // namespace
}  // namespace mirtex::test
