// What the end and discontinuity drivers share: their inputs are the feed
// lines alone, every one on the strip's metal.
#pragma once

#include "debug/reports.h"
#include "drivers/drivers.h"
#include "drivers/network.h"
#include "freq/circuits.h"
#include "params/params.h"
#include "solver/solver.h"

namespace mirtex::drivers {

struct FeedInputs {
    FeedPlan feeds;
};

// Feed lines of lengths L1 (and L2) on a metal of resistivity rho.
inline void set_feeds(FeedInputs& in, double rho, double tand, double L1, double L2 = 0.0) {
    in.feeds.tand = tand;
    in.feeds.length[0] = L1;
    in.feeds.length[1] = L2;
    in.feeds.sigma[0] = in.feeds.sigma[1] = conductivity(rho);
}

// The pieces of an end's or discontinuity's description, from its builder,
// frequency function, solver and debug label.
using EndGet = int (*)(UserInstDef*, WARN**, double* rho, double* tand, double* L);
using TwoPortGet = int (*)(UserInstDef*, WARN**, double* rho, double* rho_gnd, double* tand, double* L1, double* L2);
using LumpedFreq = void (*)(const double* res, double f, COMPLEX* Y);
using Solver3 = int (*)(int plot, int* ipar, double* dpar, double* dpar_out);

template <EndGet G>
int get_end(UserInstDef* inst, WARN** w, FeedInputs& in) {
    double rho = 0, tand = 0, L = 0;
    const int rc = G(inst, w, &rho, &tand, &L);
    set_feeds(in, rho, tand, L);
    return rc;
}

template <TwoPortGet G>
int get_two_port(UserInstDef* inst, WARN** w, FeedInputs& in) {
    double rho = 0, rho_gnd = 0, tand = 0, L1 = 0, L2 = 0;
    const int rc = G(inst, w, &rho, &rho_gnd, &tand, &L1, &L2);
    set_feeds(in, rho, tand, L1, L2);
    return rc;
}

// The element's own matrix from its solved values (*results) and its
// per-frequency debug row.
template <LumpedFreq F, double* const* Results, const char* Label>
void lumped_network(UserInstDef* inst, const FeedInputs&, double f, COMPLEX* Ye) {
    F(*Results, f, Ye);
    debug_dyn_empty(Label, inst->name);
}

template <Solver3 S>
int solve3(const ResultVectors& v) {
    return S(0, *v.ipar, *v.dpar, *v.dpar_out);
}

}  // namespace mirtex::drivers
