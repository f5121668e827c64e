// Helpers of the mirtex-sim tests: loading model libraries into this
// process as the host does, and running a netlist text through the analysis.
#pragma once

#include <gtest/gtest.h>

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

}  // namespace mirtex::test
