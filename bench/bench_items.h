// The process and technology the benchmarks share: one C_PROCES_DEFAULT
// (foundry BENCH) per process, whichever benchmark runs first makes it.
// Metal 1 is 1 um of gold, metal 2 3 um.
#pragma once

#include <utility>

#include "host.h"

namespace mirtex::bench {

inline void bench_process() {
    using host::Value;
    host::Host& h = host::Host::get();
    if (get_user_inst("C_PROCES_DEFAULT") == nullptr)
        h.create("C_PROCES", "C_PROCES_DEFAULT",
                 {{"FOUNDRY", Value::Strg("BENCH")}, {"GW_DEF", Value::Real(0)}, {"count", Value::Int(0)}});
    if (get_user_inst("C_TECH_BENCH") != nullptr) return;
    host::Params tech;
    for (auto [k, v] : {std::pair{"die_h0", 0.2e-6},
                        {"die_er0", 6.8},
                        {"die_td0", 1e-3},
                        {"cap_os1", 2e-6},
                        {"cap_l1", 1e-6},
                        {"die_h1", 3e-6},
                        {"die_er1", 1.0},
                        {"die_td1", 1e-4},
                        {"cap_os2", 3e-6},
                        {"cap_l2", 2e-6},
                        {"die_h2", 0.3e-6},
                        {"die_er2", 6.8},
                        {"die_td2", 2e-3},
                        {"res_l", 2e-6},
                        {"res_rs", 50.0},
                        {"t1", 1e-6},
                        {"rho1", 1.0},
                        {"t2", 3e-6},
                        {"rho2", 0.9}})
        tech.emplace_back(k, Value::Real(v));
    h.create("C_TECH", "C_TECH_BENCH", tech);
}

}  // namespace mirtex::bench
