// The interdigital capacitor solved on the three-dimensional grid and
// evaluated through the host: its series capacitance against the
// conformal-mapping model of Igreja and Dias, its growth with the fingers'
// count and length, and a reciprocal, passive two-port.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
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
constexpr double kPi = 3.14159265358979323846, kEps0 = 8.8541843e-12;

// Igreja and Dias (2004), a thick substrate of permittivity er under air:
// the capacitance of an interdigital structure of N fingers of width w and
// spacing s overlapping over the length l, from the interior unit cell
// C_I = eps0 (er + 1) K(k_I)/K(k_I') with k_I = sin(pi eta/2), the
// exterior one C_E with k_E = 2 sqrt(eta)/(1 + eta), eta = w/(w + s):
// C = l [(N - 3) C_I / 2 + 2 C_I C_E / (C_I + C_E)].
double igreja_dias(int n, double w, double s, double l, double er) {
    const double eta = w / (w + s);
    const double ci = kEps0 * (er + 1) * ellip_ratio(std::sin(kPi * eta / 2));
    const double ce = kEps0 * (er + 1) * ellip_ratio(2 * std::sqrt(eta) / (1 + eta));
    return l * ((n - 3) * ci / 2 + 2 * ci * ce / (ci + ce));
}

class Components : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Host::get().boot_all());
        design.cpw50_on_gaas();
        design.build();
    }
    UserInstDef* idc(const std::string& name, int nf, double lf) const {
        return design.item("CxIDC", name,
                           {{"L1", Value::Real(50e-6)},
                            {"L2", Value::Real(50e-6)},
                            {"WF", Value::Real(5e-6)},
                            {"SF", Value::Real(5e-6)},
                            {"LF", Value::Real(lf)},
                            {"NF", Value::Int(nf)},
                            {"S", Value::Real(15e-6)},
                            {"G", Value::Real(5e-6)},
                            {"WL", Value::Real(10e-6)},
                            {"IDCLEVEL", Value::Int(1)},
                            {"C_LTYP1", Value::Mtrl(design.lintyp)},
                            {"C_LTYP2", Value::Mtrl(design.lintyp)},
                            {"C_SUB", Value::Mtrl(design.sub)},
                            {"C_GRID", Value::Mtrl(design.grid)},
                            {"TEMP", Value::Real(16.85)}});
    }
    Design design;
};

TEST_F(Components, InterdigitalCapacitanceIsIgrejaDiasAndGrowsWithTheFingers) {
    struct Case {
        int nf;
        double lf;
    };
    std::vector<double> cs;
    for (const Case c : {Case{6, 100e-6}, Case{10, 100e-6}, Case{6, 150e-6}}) {
        UserInstDef* inst = idc("C" + std::to_string(c.nf) + "_" + std::to_string(int(c.lf * 1e6)), c.nf, c.lf);
        for (double f : {1e9, 30e9}) {
            const std::vector<cd> y = y_at(inst, f);
            ASSERT_EQ(y.size(), 4u);
            EXPECT_LE(std::abs(y[1] - y[2]), 1e-12 * std::abs(y[1]));
            EXPECT_GT(y[0].real(), 0.0);
            EXPECT_GT(y[0].real() * y[3].real() - std::norm(0.5 * (y[1] + std::conj(y[2]))), 0.0);
        }
        const double* r = idc_dpar_out;
        cs.push_back(r[2]);
        const double model = igreja_dias(c.nf, 5e-6, 5e-6, c.lf - 5e-6, 12.9);
        RecordProperty("idc_" + std::to_string(c.nf) + "x" + std::to_string(int(c.lf * 1e6)) + "um_Cs_over_model",
                       std::to_string(r[2] / model));
        EXPECT_NEAR(r[2] / model, 1.0, 0.15) << c.nf << " fingers, " << c.lf;
        // The finger pair's inductance matrix is positive definite; the
        // lines' values at the ports are the feed line's.
        EXPECT_GT(r[3] * r[4] - r[5] * r[5], 0.0);
        EXPECT_NEAR(r[12] / feed1_dpar_out[0], 1.0, 0.01);
        EXPECT_NEAR(r[13] / feed1_dpar_out[1], 1.0, 0.02);
    }
    EXPECT_GT(cs[1], cs[0]);
    EXPECT_GT(cs[2], cs[0]);
}

}  // namespace
}  // namespace mirtex::test
