// What the bend, the tee and the cross share: two to four arms, each a line
// type with an optional air bridge across it near the junction, all bridges
// on one dielectric.  The C_AIRTYP item of an arm also carries the length
// of the feed line at that port.
#pragma once

#include <cstddef>

#include "params/compound.h"
#include "params/extrapolation.h"
#include "params/junction_layout.h"

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
bool junction_bridged(const Arm* const* arms, std::size_t n);

// The real inputs every junction shares, its arms in the order given
// (arms[0] sets the metal rows unless a bridge does), each into its slots
// of the layout: stack materials, MET, ALPHA, BOUND, per arm its centre
// thickness and snapped W, S, BG, BW, the bridge dielectric, the version
// (the solver's record version: a new one keeps older records apart).
template <class Reals, std::size_t N>
Reals junction_reals(const Assembly& a, const Arm* const (&arms)[N], const ArmSlots<Reals> (&slots)[N],
                     const CPW_AIRTYP& die, double version = 1010.0) {
    const double DL = a.DL();
    Reals re;
    put_stack_materials(a, re);
    // The metal rows: the bridge level's height, or the first arm's strip.
    re.MET = junction_bridged(arms, N) ? 2 * die.die_h / (3 * DL) : 2 * arms[0]->line.rec.T / (3 * DL);
    re.ALPHA = a.grid_.ALPHA, re.BOUND = a.grid_.BOUND;
    for (std::size_t k = 0; k < N; ++k) {
        const Arm& arm = *arms[k];
        const ArmSlots<Reals>& s = slots[k];
        re.*s.T = arm.line.rec.T, re.*s.W = arm.u.Wh * DL, re.*s.S = arm.u.Sh * DL;
        re.*s.BG = arm.bridge.BGh * DL, re.*s.BW = arm.bridge.BWh * DL;
    }
    re.die_h = die.die_h, re.die_er = die.die_er, re.die_td = die.die_td;
    re.VER = version_stamp(version);
    return re;
}
// Fits the frame's and the arms' dimensions (W, then S, then BW, then BG
// of the arms in the order given) to the grid; 0 to go on.
int fit_arms(Assembly& a, const Frame3& f, const Arm* const* arms, int n);

// A straight pair of arms: the wider laid on axis, the narrower centred on
// it to the nearest half step.
struct PairEdges {
    StripEdges wide, narrow;
};
PairEdges pair_edges(const Arm& wide, const Arm& narrow, int axis, int wall, double DL);

// The chain of an arm's slot and strip edges across box (up to hi), names
// the four slots' names; the strip centred on axis.
void check_arm(GeometryCheck& g, const char* box, int hi, const Arm& arm, const char* const* names, const StripEdges& e,
               int axis);

// Line and bridge thickness warnings of the arms in the given order, then
// the two bridge-dielectric warnings (when there is a bridge).
void junction_warnings(Assembly& a, const Arm* const* arms, int n, const CPW_AIRTYP& die);

}  // namespace mirtex::params
