// Helpers of the mirtex-sim tests: loading model libraries into this
// process as the host does, and running a netlist text through the analysis.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <string>

#include "host.h"
#include "sim/analysis.h"
#include "sim/netlist.h"

namespace mirtex::test {

inline const std::string kIdealModel = std::string(MIRTEX_BUILD_DIR) + "/tests/libmirtex_ideal_model.so";
inline const std::string kMirtexLibrary = std::string(MIRTEX_BUILD_DIR) + "/libmirtex.so";
inline const std::string kSimulator = std::string(MIRTEX_BUILD_DIR) + "/mirtex-sim";

// Load a model library and boot its devices; fails the test if it cannot.
inline void load_model(const std::string& path) {
    std::string err;
    ASSERT_NE(host::load_library(path, err), nullptr) << err;
    ASSERT_TRUE(host::Host::get().boot_all());
}

// Parse, create and analyse; the run's status is the caller's to check.
inline sim::RunResult run_text(const std::string& text) {
    auto& h = host::Host::get();
    sim::Netlist nl = sim::parse_netlist(text, "test.net", h);
    sim::Circuit c(nl, sim::create_instances(nl, h));
    return sim::run_sweep(c, nl, h);
}

// S is finite and reciprocal, and no port gets back more power than it
// sends in.
inline void expect_reciprocal_and_passive(const sim::NetworkData& d, const std::string& name) {
    for (const auto& s : d.s) {
        ASSERT_TRUE(s.allFinite()) << name;
        for (int j = 0; j < s.cols(); ++j) {
            double power = 0;
            for (int i = 0; i < s.rows(); ++i) {
                EXPECT_NEAR(std::abs(s(i, j) - s(j, i)), 0.0, 1e-9) << name;
                power += std::norm(s(i, j));
            }
            EXPECT_LE(power, 1.0 + 1e-9) << name << " port " << j;
        }
    }
}

}  // namespace mirtex::test
