// What the air bridge, the bend, the tee and the cross share: arms that
// leave the box through mirror planes, air bridges on them, the charge and
// the slot flux of the driven nodes, and the lumped values these give.
//
// An arm's section runs from its port (the mirror plane it leaves through)
// to its reference point: the axis of the line it meets.  Node k of the
// fine band covers [k - 1/2, k + 1/2]; the nodes on mirror planes are left
// out of every sum, so a section from the mirror plane 1 to the point a
// holds a - 3/2 nodes' worth of undisturbed line, and one to the far mirror
// plane P from a holds P - 1/2 - a.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

#include "params/junction_layout.h"
#include "solver/frame3d.h"

namespace mirtex::solver {

struct Rect {
    int x1 = 0, x2 = 0, y1 = 0, y2 = 0;
};

// An air bridge where an arm meets the junction.  Code 1 (and 3, a bridge
// on every arm): the bridge metal is the upper level, a deck over c1..c2
// along the arm, die_h above the metal plane (the top of the stack's metal
// rows), reaching across strip and slots from ground edge to ground edge
// and standing on posts there.  Code 2: the bridge metal is the lower
// level, so the strip itself climbs: it leaves the metal plane at l1, runs
// on the upper level and comes down at l2, while under it, over c1..c2, a
// crossing on the metal plane joins the grounds.
struct Bridge {
    int code = 0;
    int l1 = 0, l2 = 0, c1 = 0, c2 = 0;  // along the arm
};

struct JunctionArm {
    bool along_x = false;  // the strip runs along x: its cross-section is a column
    int port = 2;          // index of its port cross-section (2, or the last but one)
    int s1 = 0, s2 = 0;    // strip edges across the arm
    int g1 = 0, g2 = 0;    // last node of the low ground, first of the high one
    double n = 0.0;        // nodes' worth of undisturbed line in its section
    // The slot runs' ground tie across the arm, over cut..cut2 along it
    // (cut 0: none), where the junction begins: beyond it, on the port's
    // side, the arm carries the line's own mode or nothing.
    int cut = 0, cut2 = 0;
    // A tie as long as the arm's slot is wide, ending (or starting) at e,
    // and never over the port's cross-section.
    void tie_at(int e) {
        const int w = s1 - g1 - 1;
        if (port < e) {
            cut = std::max(e - w, port + 1);
            cut2 = e;
        } else {
            cut = e;
            cut2 = std::min(e + w, port - 1);
        }
    }
    Bridge bridge;

    // Along a1..a2, across b1..b2.
    Rect rect(int a1, int a2, int b1, int b2) const { return along_x ? Rect{a1, a2, b1, b2} : Rect{b1, b2, a1, a2}; }
    Rect port_rect() const { return rect(port, port, s1, s2); }
    // The arm outside its tie, from the box's edge to the tie, ground edge
    // to ground edge; the tie itself.
    Rect outside(int last) const { return port < cut ? rect(1, cut - 1, g1, g2) : rect(cut2 + 1, last, g1, g2); }
    Rect tie() const { return rect(cut, cut2, g1, g2); }
};

// Empty when every bridge lies in order inside the box (l1 < c1 <= c2 <
// l2), else what is wrong, naming the arm.
std::string check_bridges(const std::vector<JunctionArm>& arms, const char* const* names, int last_x, int last_y);

// The electric run's bridges: lifted strips with their ends, crossings and
// posts painted over what the element painted on the metal plane, and the
// bridge dielectric (eps) filling the space between the levels where a
// bridge stands.
void paint_bridges(BandGrid3& g, const std::vector<JunctionArm>& arms, double eps);
// The slot problem's bridges.  The slot problem lives in the metal plane,
// where a crossing (code 2) joins the grounds across the slots and the
// strip: the slots stop there and their nodes become free.  A deck over
// the strip (codes 1 and 3) encloses the same loop between strip and
// ground, W wide and die_h high over BW, so it is taken alike.
void open_bridge_slots(BandGrid3& g, const std::vector<JunctionArm>& arms);

// A value that the kernels treat as free, for metal in the slot problem.
inline constexpr double kFree = 0.05;

// Flux leaving the band 0 nodes held at v in r, over every metal row, with
// the face coefficients the layered kernel used (eps, and the dielectric
// blocks when with_blocks).  Each node's faces are summed before the
// magnitude is taken; a node at the largest or smallest potential of the
// field sends flux out through all of them alike.
double node_flux(const Frame3D& f, const Layers& eps, bool with_blocks, double v, const Rect& r);

// The same over the nodes of r that id (one entry per column and plane of
// the metal plane, [(y - 1) X + x - 1]) marks as which: one conductor of
// several at the same potential.
// planar: the faces of the plane alone (a cross-section relaxed by itself,
// whose neighbouring planes hold another field).
double marked_flux(const Frame3D& f, const Layers& eps, double v, const std::vector<int>& id, int which, const Rect& r,
                   bool planar = false);

// The box without its mirror planes.
Rect interior(const Frame3D& f);

// Charges of one electric run: every strip node's, and each arm's at its
// port; Cp is eps0 h (Q - sum n_k q_k), C'_k = eps0 q_k.
struct ElectricResult {
    double Q = 0.0;
    std::vector<double> q;
    double stretches[5] = {};
    double cp(const Frame3D& f, const std::vector<JunctionArm>& arms) const;
};

// One slot run: the excess inductance of the current path it drives
// (mu0 DL/8 times the flux beyond the arms' undisturbed sections) and each
// arm's L' (mu0/4 times its port flux).
struct MagneticResult {
    double L = 0.0;
    std::vector<double> l;
};

// The metal pattern of a junction on the metal plane, and its slot
// regions.  The electric run holds the grounds at 0 and the strips at 1;
// a slot run holds each slot region at its value (+1 or -1) and leaves the
// metal free, with the regions beyond the grounds' outer edges at 0.
struct JunctionLayout {
    std::vector<Rect> grounds, strips, beyond;
    std::vector<std::vector<Rect>> slots;
    std::vector<JunctionArm> arms;
    bool mirror_x = true;  // arms leave through the side walls too
    // The charge of the first arm's strip is also wanted in the five
    // stretches its bridge marks: before, rising, over the crossing,
    // falling, after.
    bool stretches = false;
    bool bridged() const;
};

ElectricResult electric_charges(const Frame3D& f, const JunctionLayout& j);

// Empty when the layout can be solved on f, else what is wrong: a bridge
// without a bridge level (die_h 0), an unknown bridge code, a bridge or a
// strip outside the box.  names: the arms as the messages call them.
std::string junction_check(const Frame3D& f, const JunctionLayout& j, const char* const* names);

// The electric run with the stack's dielectrics (eps: the bridge
// dielectric) on a grid of its own, and its charges; 0 or the status.
int electric_run(const Frame3D& f, const JunctionLayout& j, double eps, const char* caption, ElectricResult& out);

// The slot runs, one per set of slot-region values, on a newly created
// grid without metal thickness (the slot problem is the dual of a thin
// metal plane, and thin rows of air over a slot would only stiffen the
// relaxation); 0 or the first failing run's status.  The slot problem is
// linear: each entry of derived, coefficients over the runs solved, adds
// the result of that combination of their slot values without a run.
//
// Arms with a ground tie (cut) split each slot region into its piece
// inside the junction and one piece per arm outside.  Outside, an arm
// whose slot regions differ in a run keeps their values (the line's mode)
// and an arm whose regions agree holds 0 in both slots (no current at
// all: a common value would drive its two grounds against each other).
// The inner pieces keep the run's values, which carry each arm's strip
// current unbroken through its tie, up to one common offset: the current
// circling the junction through the ties, set by the zero net flux of the
// inner pieces (the loop of grounds and ties is closed metal).  One more
// run, the inner pieces at 1 and the rest at 0 (its caption the last),
// gives that offset for every run.
int magnetic_runs(const Frame3D& f, const JunctionLayout& j, const std::vector<std::vector<double>>& values,
                  const std::vector<const char*>& captions, std::vector<MagneticResult>& out,
                  const std::vector<std::vector<double>>& derived = {});

// The slot runs of a junction for magnetic_runs: their values, captions
// and derived combinations.
struct SlotRuns {
    std::vector<std::vector<double>> values;
    std::vector<const char*> captions;
    std::vector<std::vector<double>> derived = {};
};

// The electric run and the slot runs side by side (they share no field,
// each has its grid); 0, or the electric run's failure before the slot
// runs'.
int junction_runs(const Frame3D& f, const JunctionLayout& j, double eps, const char* caption, const SlotRuns& slots,
                  ElectricResult& e, std::vector<MagneticResult>& runs);

// The surface resistance sqrt(pi f mu0 / sigma) at 1 GHz of the reference
// metal of the frequency functions' resistance scaling, 8.396 mOhm.  (The
// copper figures 1.72e-08 Ohm m and 8.24 mOhm would leave every scaled
// resistance 3.7 % and 1.9 % low.)
inline double surface_resistance_1ghz() {
    return std::sqrt(kPi * 1e9 * kMu0 / kRefSigma);
}

// ZL and ER_eff of a line from C' and L'.
void line_values(double c, double l, double* out4);
template <class Results>
void line_values(double c, double l, Results& r) {
    double v[4];
    line_values(c, l, v);
    r.C_per_m = v[0], r.L_per_m = v[1], r.ZL = v[2], r.ER_eff = v[3];
}

// An arm's inductance L and its undisturbed line (C', L' and what follows
// from them) into its result slots.
template <class Results>
void put_arm_line(Results& r, const params::ArmLine<Results>& s, double L, double c, double l) {
    double v[4];
    line_values(c, l, v);
    r.*s.L = L, r.*s.C_per_m = v[0], r.*s.L_per_m = v[1], r.*s.ZL = v[2], r.*s.ER_eff = v[3];
}
// An arm's thickness and geometry, copied from its input slots to its
// result slots for the frequency model's conductor resistance.
template <class Reals, class Results>
void copy_arm(const Reals& re, const params::ArmSlots<Reals>& from, Results& r, const params::ArmSlots<Results>& to) {
    r.*to.T = re.*from.T, r.*to.W = re.*from.W, r.*to.S = re.*from.S;
    r.*to.BG = re.*from.BG, r.*to.BW = re.*from.BW;
}

// The dielectric loss of the bridges: tan(delta) times the capacitance of
// the dielectric between each bridged strip and its crossing, the parallel
// plates of width W and length BW, die_h apart.
double bridge_loss(const std::vector<JunctionArm>& arms, const double* w, const double* bw, double die_h, double die_er,
                   double die_td);

}  // namespace mirtex::solver
