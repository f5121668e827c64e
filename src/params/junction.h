// What the bend, the tee and the cross share: two to four arms, each a line
// type with an optional air bridge across it near the junction, all bridges
// on one dielectric.  The C_AIRTYP item of an arm also carries the length
// of the feed line at that port.
#pragma once

#include "params/compound.h"

namespace mirtex::params {

struct Arm {
    LineItem line;
    BridgeItem bridge;
    LineUnits u;
    int code = 0;  // bridge code for the solver (0: no bridge)
};

// Reads the arms' line types and bridges (arm k from line_param[k],
// bridge_param[k]; labels "W1", "BW1", ... by arm number) and applies the
// junction rules in their order; 0 to go on.
int junction_items(Assembly& a, Arm* arms, int n, const int* line_param, const int* bridge_param);

// Metals of every arm, the bridges' common dielectric (into die), the
// substrate and the box; 0 to go on.
int junction_frame(Assembly& a, Arm* arms, int n, int sub_index, double* tand, CPW_AIRTYP& die);

// True when some arm has a bridge.
bool any_bridge(const Arm* arms, int n);

// The real inputs every junction shares, its n arms in the order given
// (arms[0] sets the metal rows unless a bridge does): stack materials,
// MET, ALPHA, BOUND; per arm its centre thickness at dp[7 + k] and W, S,
// BG, BW (snapped) at dp[7 + n + 4k ..]; then the bridge dielectric's
// die_h, die_er, die_td and the version.
void put_junction_reals(const Assembly& a, double* dp, const Arm* const* arms, int n, const CPW_AIRTYP& die);
// Fits the frame's and the arms' dimensions (W, then S, then BW, then BG
// of the arms in the order given) to the grid; 0 to go on.
int fit_arms(Assembly& a, const Frame3& f, const Arm* const* arms, int n);

// Line and bridge thickness warnings of the arms in the given order, then
// the two bridge-dielectric warnings (when there is a bridge).
void junction_warnings(Assembly& a, const Arm* const* arms, int n, const CPW_AIRTYP& die);

}  // namespace mirtex::params
