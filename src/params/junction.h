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

// Per arm in the given order: its centre thickness into T[k] and W, S, BG,
// BW (snapped) into geo[4k..4k+3].
void put_arm_geometry(const Arm* const* arms, int n, double DL, double* T, double* geo);
// The arms' W, then S, then BW, then BG as grid-fit dimensions.
void arm_dims(const Arm* const* arms, int n, std::vector<FitDim>& dims);

// Line and bridge thickness warnings of the arms in the given order, then
// the two bridge-dielectric warnings (when there is a bridge).
void junction_warnings(Assembly& a, const Arm* const* arms, int n, const CPW_AIRTYP& die);

}  // namespace mirtex::params
