// Coupled lines on the stand-in host: the solved matrices' physics, the
// mirror shortcut against the full solve, even and odd modes against the
// conformal mapping of coupled CPW, and a quarter-wave coupler end to end.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "drivers/drivers.h"
#include "host.h"
#include "numeric/memory.h"
#include "params/params.h"
#include "solver/solver.h"
#include "support/design.h"

namespace mirtex::test {
namespace {

using host::Host;
using cd = std::complex<double>;
constexpr double kEps0 = 8.8541843e-12, kC0 = 299792458.0;

class CoupledLines : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Host::get().boot_all());
        design.grid_params = with(design.grid_params, "DL", Value::Real(2.5e-6));
        design.grid_params = with(design.grid_params, "BOUND", Value::Real(1e-6));
        design.sub_params = with(design.sub_params, "H2", Value::Real(200e-6));
        // Thin metal, as the conformal mapping assumes.
        design.tech_params = with(design.tech_params, "t1", Value::Real(0.2e-6));
        design.build();
    }
    // A C_NL_TYP of n strips of width w, spacings s, ground gaps sg1, sg2.
    void multi_line(const std::string& name, int n, double w, double s, double sg1, double sg2, double gw = 100e-6) {
        Params p{{"GW", Value::Real(gw)}, {"GND_MET", Value::Int(1)}, {"SG1", Value::Real(sg1)},
                 {"SG2", Value::Real(sg2)}};
        for (int k = 1; k <= 10; ++k) {
            p.emplace_back("W" + std::to_string(k), Value::Real(k <= n ? w : 0.0));
            p.emplace_back("LEVEL" + std::to_string(k), Value::Int(k <= n ? 1 : 0));
            if (k < 10) p.emplace_back("S" + std::to_string(k) + "_" + std::to_string(k + 1), Value::Real(k < n ? s : 0.0));
        }
        design.item("C_NL_TYP", name, p);
    }
    UserInstDef* section(const std::string& name, int n, const std::string& item, double L) {
        return design.item("C_" + std::to_string(n) + "COUP", name,
                           {{"L", Value::Real(L)}, {"C_NL_TYP", Value::Mtrl(item)}, {"C_SUB", Value::Mtrl(design.sub)},
                            {"C_GRID", Value::Mtrl(design.grid)}, {"TEMP", Value::Real(16.85)}});
    }
    // Builds and solves the section's cross-section; the result vector.
    std::vector<double> solve(UserInstDef* inst, int n, int force_nsym = 0) {
        WARN* w = nullptr;
        double rho = 0, L = 0;
        EXPECT_EQ(cpw_coup_get(inst, &w, &rho, &L, n), 0);
        Delete_Warning(&w);
        if (force_nsym > 0) coup_ipar[1] = force_nsym;
        int iout[1] = {0};
        double* out = nullptr;
        int n_out = 0;
        EXPECT_EQ(Calc_Coup(coup_ipar, coup_dpar, coup_n_dpar, iout, &out, &n_out), 0);
        std::vector<double> r(out, out + n_out);
        g_free(reinterpret_cast<char*>(out));
        return r;
    }
    Design design;
};

TEST_F(CoupledLines, MaxwellMatricesAreSymmetricWithPositiveSelfAndNegativeMutualTerms) {
    // Three strips, symmetric item; solved once with the mirror shortcut
    // and once exciting every conductor: the same matrices to the bound.
    // (An odd number of half steps across the pattern puts its middle on
    // the box axis: 11 half steps for the middle strip.)
    multi_line("ML3", 3, 13.75e-6, 12.5e-6, 15e-6, 15e-6);
    UserInstDef* k3 = section("K3", 3, "ML3", 1e-3);
    const std::vector<double> half = solve(k3, 3);
    ASSERT_LT(coup_ipar[1], coup_ipar[0]) << "the symmetric item should be solved by halves";
    const std::vector<double> full = solve(k3, 3, 5);
    const int N = 5;
    ASSERT_EQ(half.size(), static_cast<std::size_t>(N + 3 * N * N + 1));
    for (int m = 0; m < 2; ++m)
        for (int i = 0; i < N; ++i)
            for (int j = 0; j < N; ++j) {
                const double c = half[1 + m * N * N + i * N + j];
                EXPECT_EQ(c, half[1 + m * N * N + j * N + i]);
                if (i == j)
                    EXPECT_GT(c, 0.0);
                else
                    EXPECT_LE(c, 0.0);
                EXPECT_NEAR(c, full[1 + m * N * N + i * N + j], 2e-3 * half[1 + m * N * N]) << m << i << j;
            }
    // The dielectric raises every self capacitance.
    for (int i = 0; i < N; ++i) EXPECT_GT(half[1 + i * N + i], half[1 + N * N + i * N + i]);
    // Ten lines solve too.
    multi_line("ML10", 10, 10e-6, 10e-6, 10e-6, 10e-6, 50e-6);
    EXPECT_EQ(solve(section("K10", 10, "ML10", 1e-3), 10).size(), static_cast<std::size_t>(12 + 3 * 144 + 1));
}

TEST_F(CoupledLines, EvenAndOddModesAgreeWithTheConformalMappingOfCoupledCpw) {
    // Two strips of width b - a, a distance 2a apart, grounds from c on, on
    // a substrate of height h with air below (coupled CPW on a finite
    // substrate, quasi-static conformal mapping as in Simons, "Coplanar
    // Waveguide Circuits, Components and Systems", ch. 7): with q(x) = x in
    // air and q(x) = sinh(pi x / 2h) in the substrate,
    //   even: k = sqrt((q_b² - q_a²) / (q_c² - q_a²)),
    //   odd:  k = (q_c / q_b) sqrt((q_b² - q_a²) / (q_c² - q_a²)),
    // C_air = 4 eps0 K(k)/K(k') per strip pair half, eps_eff = 1 + (er - 1)/2
    // K(k1)/K(k1') / (K(k)/K(k')), Z = 1 / (c0 sqrt(eps_eff) C_air).
    const double a = 5e-6, b = 25e-6, c = 40e-6, h = 200e-6, er = 12.9;
    multi_line("Pair", 2, b - a, 2 * a, c - b, c - b, 300e-6);
    const std::vector<double> r = solve(section("K2", 2, "Pair", 1e-3), 2);
    // Inner 2 x 2 block (conductors 2, 3) of the 4-conductor matrices.
    const int N = 4;
    auto at = [&](int m, int i, int j) { return r[1 + m * N * N + i * N + j]; };
    const double ce = at(0, 1, 1) + at(0, 1, 2), co = at(0, 1, 1) - at(0, 1, 2);
    const double ae = at(1, 1, 1) + at(1, 1, 2), ao = at(1, 1, 1) - at(1, 1, 2);
    const double ze = 1 / (kC0 * std::sqrt(ce * ae)), zo = 1 / (kC0 * std::sqrt(co * ao));

    auto mode = [&](bool even) {
        auto k_of = [&](double qa, double qb, double qc) {
            const double base = std::sqrt((qb * qb - qa * qa) / (qc * qc - qa * qa));
            return even ? base : qc / qb * base;
        };
        auto q = [&](double x) { return std::sinh(M_PI * x / (2 * h)); };
        const double k = k_of(a, b, c), k1 = k_of(q(a), q(b), q(c));
        const double cair = 2 * kEps0 * ellip_ratio(k);  // per strip, both half spaces
        const double eeff = 1 + (er - 1) / 2 * ellip_ratio(k1) / ellip_ratio(k);
        return 1 / (kC0 * std::sqrt(eeff) * cair);
    };
    EXPECT_NEAR(ze / mode(true), 1.0, 0.03) << "even " << ze << " vs " << mode(true);
    EXPECT_NEAR(zo / mode(false), 1.0, 0.03) << "odd " << zo << " vs " << mode(false);
}

TEST_F(CoupledLines, QuarterWaveCouplerCouplesAsItsEvenAndOddImpedancesPredict) {
    multi_line("Pair", 2, 20e-6, 10e-6, 15e-6, 15e-6);
    const std::vector<double> r = solve(section("Kx", 2, "Pair", 1e-3), 2);
    const int N = 4;
    auto at = [&](int m, int i, int j) { return r[1 + m * N * N + i * N + j]; };
    const double ce = at(0, 1, 1) + at(0, 1, 2), co = at(0, 1, 1) - at(0, 1, 2);
    const double ae = at(1, 1, 1) + at(1, 1, 2), ao = at(1, 1, 1) - at(1, 1, 2);
    const double ze = 1 / (kC0 * std::sqrt(ce * ae)), zo = 1 / (kC0 * std::sqrt(co * ao));
    const double ve = kC0 * std::sqrt(ae / ce), vo = kC0 * std::sqrt(ao / co);

    // Quarter wave at 10 GHz for the mean phase velocity.
    const double len = 0.5 * (ve + vo) / (4 * 10e9);
    UserInstDef* k = section("K1", 2, "Pair", len);
    // The textbook coupler is lossless: a metal a thousand times better
    // than gold takes the strips' resistance out of the comparison.
    UserInstDef* tech = get_user_inst(("C_TECH_" + design.foundry).c_str());
    for (int i = 0; i < tech->def->numPars; ++i)
        if (std::string(tech->def->params[i].keyword) == "rho1") tech->params[i].value.r = 1e-3;
    foundries.resolve_pending = 1;
    // Reference impedance sqrt(ze zo), where the coupler is matched.
    const double z0 = std::sqrt(ze * zo);
    const auto res = Host::get().analyse({k}, {10e9});
    ASSERT_TRUE(res.ok) << res.error;
    const std::vector<COMPLEX>& y = res.points[0].y[0];
    // S = (I - z0 Y)(I + z0 Y)^-1 of the four ports (1, 2 near ends; 3, 4
    // far ends), by Gauss-Jordan on the 4 x 4.
    cd A[4][8];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            const cd zy = z0 * cd(y[i * 4 + j].real, y[i * 4 + j].imag);
            A[i][j] = (i == j ? 1.0 : 0.0) + zy;
            A[i][4 + j] = (i == j ? 1.0 : 0.0) - zy;
        }
    for (int p = 0; p < 4; ++p) {
        const cd d = A[p][p];
        for (int j = 0; j < 8; ++j) A[p][j] /= d;
        for (int i = 0; i < 4; ++i)
            if (i != p) {
                const cd f = A[i][p];
                for (int j = 0; j < 8; ++j) A[i][j] -= f * A[p][j];
            }
    }
    // (I + zY)^-1 (I - zY) = S; the coupled port of port 1 is port 2 (the
    // near end of the other line).  Textbook: C = (ze - zo)/(ze + zo) at
    // the quarter wave.
    const double coupled_db = 20 * std::log10(std::abs(A[1][4 + 0]));
    const double predicted_db = 20 * std::log10((ze - zo) / (ze + zo));
    EXPECT_NEAR(coupled_db, predicted_db, 0.2) << "ze " << ze << " zo " << zo;
    // Reciprocal and lossy-passive.
    for (int i = 0; i < 4; ++i) {
        EXPECT_GT(y[i * 5].real, 0.0);
        for (int j = 0; j < 4; ++j) {
            EXPECT_NEAR(y[i * 4 + j].real, y[j * 4 + i].real, 1e-9 * std::abs(y[0].imag));
            EXPECT_NEAR(y[i * 4 + j].imag, y[j * 4 + i].imag, 1e-9 * std::abs(y[0].imag));
        }
    }
}

TEST_F(CoupledLines, ItemRulesReportTheLastViolation) {
    // Both the GW and the SG1 rule are broken: the item's messages overwrite
    // one another and the SG1 one is reported.
    multi_line("Bad", 2, 20e-6, 10e-6, 1e-6, 15e-6, 1e-6);
    WARN* w = nullptr;
    double rho = 0, L = 0;
    EXPECT_EQ(cpw_coup_get(section("KB", 2, "Bad", 1e-3), &w, &rho, &L, 2), 1);
    ASSERT_NE(w, nullptr);
    EXPECT_STREQ(w->text, "C_2COUP(KB): C_NL_TYP(Bad): SG1 < DL/2 invalid value !");
    EXPECT_EQ(w->next, nullptr);
    Delete_Warning(&w);
}

}  // namespace
}  // namespace mirtex::test
