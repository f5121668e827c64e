// The CPW line example through the real library: the phase of S21 must be
// the phase the solved effective permittivity gives the line.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "sim_support.h"

namespace {

TEST(Example, CpwLinePhaseMatchesTheSolvedEffectivePermittivity) {
    mirtex::test::load_model(mirtex::test::kMirtexLibrary);
    auto& h = mirtex::host::Host::get();
    const mirtex::sim::Netlist nl =
        mirtex::sim::read_netlist(std::string(MIRTEX_SOURCE_DIR) + "/examples/cpw_line.net", h);
    mirtex::sim::Circuit c(nl, mirtex::sim::create_instances(nl, h));
    const mirtex::sim::RunResult r = mirtex::sim::run_sweep(c, nl, h);
    ASSERT_EQ(r.status, mirtex::sim::RunResult::Status::Ok) << r.why;

    // The line's solved result: C', L', R', G', ZL, ER_eff, W, T.
    void* lib = dlopen(mirtex::test::kMirtexLibrary.c_str(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(lib, nullptr);
    auto* out = static_cast<double**>(dlsym(lib, "line_dpar_out"));
    ASSERT_NE(out, nullptr);
    const double er_eff = (*out)[5];
    EXPECT_GT(er_eff, 1.0);
    EXPECT_LT(er_eff, 12.9);

    // Propagation from the chain matrix: cosh(gamma l) = A.  The skin
    // effect's inner inductance adds to the phase, less and less as the
    // frequency rises, so the permittivity the phase gives falls towards
    // the solved one from above.
    const double len = 500e-6, c0 = 299792458.0;
    double before = 1e9;
    for (std::size_t k = 0; k < r.data.s.size(); ++k) {
        const auto& s = r.data.s[k];
        const std::complex<double> a = ((1.0 + s(0, 0)) * (1.0 - s(1, 1)) + s(0, 1) * s(1, 0)) / (2.0 * s(1, 0));
        const double beta = std::acosh(a).imag() / len;
        const double omega = 2 * 3.14159265358979323846 * r.data.freqs_hz[k];
        const double er = std::pow(beta * c0 / omega, 2);
        EXPECT_GE(er, er_eff) << r.data.freqs_hz[k];
        EXPECT_LT(er, before) << r.data.freqs_hz[k];
        EXPECT_NEAR(er, er_eff, 0.01 * er_eff) << r.data.freqs_hz[k];
        before = er;
    }
    EXPECT_NEAR(before, er_eff, 5e-4 * er_eff) << "at 40 GHz";
}

}  // namespace

namespace {

// The coupled-line examples run through the simulator's own path: S is
// reciprocal, and no port gets back more power than it sends in.
TEST(Example, CoupledLineExamplesAreReciprocalAndPassive) {
    mirtex::test::load_model(mirtex::test::kMirtexLibrary);
    auto& h = mirtex::host::Host::get();
    for (const char* name : {"coupler.net", "three_lines.net"}) {
        const mirtex::sim::Netlist nl = mirtex::sim::read_netlist(std::string(MIRTEX_SOURCE_DIR) + "/examples/" + name, h);
        mirtex::sim::Circuit c(nl, mirtex::sim::create_instances(nl, h));
        const mirtex::sim::RunResult r = mirtex::sim::run_sweep(c, nl, h);
        ASSERT_EQ(r.status, mirtex::sim::RunResult::Status::Ok) << name << ": " << r.why;
        for (const auto& s : r.data.s) {
            const auto n = s.rows();
            for (int j = 0; j < n; ++j) {
                double power = 0;
                for (int i = 0; i < n; ++i) {
                    EXPECT_NEAR(std::abs(s(i, j) - s(j, i)), 0.0, 1e-9) << name;
                    power += std::norm(s(i, j));
                }
                EXPECT_LE(power, 1.0 + 1e-9) << name << " port " << j;
            }
        }
        h.clear_instances();
    }
}

}  // namespace
