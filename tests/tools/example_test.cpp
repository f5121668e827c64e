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
    // the solved one from above (from 1.2 % at 1 GHz on the 16 um strip).
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
        EXPECT_NEAR(er, er_eff, 0.015 * er_eff) << r.data.freqs_hz[k];
        before = er;
    }
    EXPECT_NEAR(before, er_eff, 5e-4 * er_eff) << "at 40 GHz";
}

}  // namespace

namespace {

// An example through the simulator's own path.
mirtex::sim::RunResult run_example(const char* name) {
    mirtex::test::load_model(mirtex::test::kMirtexLibrary);
    auto& h = mirtex::host::Host::get();
    h.clear_instances();
    const mirtex::sim::Netlist nl = mirtex::sim::read_netlist(std::string(MIRTEX_SOURCE_DIR) + "/examples/" + name, h);
    const std::vector<UserInstDef*> insts = mirtex::sim::create_instances(nl, h);
    mirtex::sim::Circuit c(nl, insts);
    mirtex::sim::RunResult r = mirtex::sim::run_sweep(c, nl, h);
    // Every solved element's values are in view after the run: the
    // description the summary prints, with the grid step they were solved at.
    using Describe = int (*)(UserInstDef*, double, char*, int);
    void* lib = dlopen(mirtex::test::kMirtexLibrary.c_str(), RTLD_NOW | RTLD_NOLOAD);
    void* fn = nullptr;
    reinterpret_cast<int (*)(const char*, void**)>(dlsym(lib, "sim_query_info"))("describeInstance", &fn);
    for (UserInstDef* inst : insts) {
        const std::string def = inst->def->name;
        if (def == "CxLIN" || def == "CxFEED" || inst->def->numExtNodes == 0 || r.status != mirtex::sim::RunResult::Status::Ok)
            continue;
        char buf[512];
        EXPECT_EQ(reinterpret_cast<Describe>(fn)(inst, 1e9, buf, sizeof buf), 0) << name << ": " << def;
        EXPECT_NE(buf[0], '\0') << name << ": " << def;
    }
    return r;
}

TEST(Example, CoupledLineExamplesAreReciprocalAndPassive) {
    for (const char* name : {"coupler.net", "three_lines.net"}) {
        const mirtex::sim::RunResult r = run_example(name);
        ASSERT_EQ(r.status, mirtex::sim::RunResult::Status::Ok) << name << ": " << r.why;
        mirtex::test::expect_reciprocal_and_passive(r.data, name);
    }
}

// The ends and discontinuities in their examples: reciprocal and passive
// at every frequency, and the open stub resonating where a quarter wave
// over its length plus the solved end's extra length puts it.
TEST(Example, DiscontinuityExamplesAreReciprocalPassiveAndTheStubResonatesOnTime) {
    for (const char* name : {"gap_filter.net", "step.net", "open_stub.net"}) {
        const mirtex::sim::RunResult r = run_example(name);
        ASSERT_EQ(r.status, mirtex::sim::RunResult::Status::Ok) << name << ": " << r.why;
        mirtex::test::expect_reciprocal_and_passive(r.data, name);
        if (std::string(name) != "open_stub.net") continue;

        // The open end's solved values: C_end, C', L', ZL, ER_eff.
        void* lib = dlopen(mirtex::test::kMirtexLibrary.c_str(), RTLD_NOW | RTLD_NOLOAD);
        ASSERT_NE(lib, nullptr);
        const double* e = *static_cast<double**>(dlsym(lib, "open_dpar_out"));
        const double c0 = 299792458.0, stub = 1000e-6 + e[0] / e[1];
        const double predicted = c0 / (4 * stub * std::sqrt(e[4]));
        // S11 passes through -1: its phase wraps from -180 to +180 degrees.
        double found = 0;
        for (std::size_t k = 1; k < r.data.s.size() && found == 0; ++k) {
            const std::complex<double> a = r.data.s[k - 1](0, 0), b = r.data.s[k](0, 0);
            if (a.real() < 0 && a.imag() < 0 && b.imag() >= 0) {
                const double t = a.imag() / (a.imag() - b.imag());
                found = r.data.freqs_hz[k - 1] + t * (r.data.freqs_hz[k] - r.data.freqs_hz[k - 1]);
            }
        }
        EXPECT_NEAR(found / predicted, 1.0, 0.01) << found << " Hz against " << predicted;
    }
}

// The junctions, the interdigital capacitor and the spiral in their examples:
// reciprocal and passive at every frequency, and the tee's branch stub notching the through line where
// its open quarter wave, less the branch arm's (negative) inductance, puts
// it: cot(beta l) = omega L3 / ZL with l the stub and the end's extra
// length.
TEST(Example, JunctionExamplesAreReciprocalPassiveAndTheTeeStubNotchesOnTime) {
    for (const char* name :
         {"air_bridges.net", "bend.net", "cross_stubs.net", "idc_series.net", "spiral.net", "tee_stub.net"}) {
        const mirtex::sim::RunResult r = run_example(name);
        ASSERT_EQ(r.status, mirtex::sim::RunResult::Status::Ok) << name << ": " << r.why;
        mirtex::test::expect_reciprocal_and_passive(r.data, name);
        if (std::string(name) != "tee_stub.net") continue;

        void* lib = dlopen(mirtex::test::kMirtexLibrary.c_str(), RTLD_NOW | RTLD_NOLOAD);
        ASSERT_NE(lib, nullptr);
        const double* e = *static_cast<double**>(dlsym(lib, "open_dpar_out"));  // C_end, C', L', ZL, ER_eff
        const double* t = *static_cast<double**>(dlsym(lib, "tee_dpar_out"));   // L3, L1, L2, ...
        const double c0 = 299792458.0, stub = 700e-6 + e[0] / e[1];
        double predicted = c0 / (4 * stub * std::sqrt(e[4]));
        for (int k = 0; k < 20; ++k) {
            const double w = 2 * 3.14159265358979323846 * predicted;
            const double beta_l = 3.14159265358979323846 / 2 - std::atan(w * t[0] / e[3]);
            predicted = beta_l * c0 / (2 * 3.14159265358979323846 * stub * std::sqrt(e[4]));
        }
        // S21 passes through zero nearly on a straight line in the complex
        // plane: the zero between the two samples around the smallest.
        std::size_t low = 1;
        for (std::size_t k = 1; k + 1 < r.data.s.size(); ++k)
            if (std::abs(r.data.s[k](1, 0)) < std::abs(r.data.s[low](1, 0))) low = k;
        const std::size_t k0 = std::abs(r.data.s[low - 1](1, 0)) < std::abs(r.data.s[low + 1](1, 0)) ? low - 1 : low;
        const std::complex<double> a = r.data.s[k0](1, 0), d = r.data.s[k0 + 1](1, 0) - a;
        const double u = -(std::conj(d) * a).real() / std::norm(d);
        const double found = r.data.freqs_hz[k0] + u * (r.data.freqs_hz[k0 + 1] - r.data.freqs_hz[k0]);
        EXPECT_NEAR(found / predicted, 1.0, 0.005) << found << " Hz against " << predicted;
    }
}

}  // namespace
