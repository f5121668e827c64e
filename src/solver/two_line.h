// What the gap, the step and the taper share: two lines on one axis, line
// 1 (the narrower) on planes 1..Z1, line 2 from plane Z2 on, and their
// reference cross-sections at the two ports.
#pragma once

#include <utility>

#include "params/two_line_layout.h"
#include "solver/frame3d.h"

namespace mirtex::solver {

struct Excess {
    double line1 = 0.0, line2 = 0.0;
};

struct PortLines {
    LineReference port[2];
    // C', L', ZL, ER_eff of port 1 and of port 2 into a result layout.
    template <class Results>
    void put(Results& r) const {
        r.C1_per_m = port[0].c, r.L1_per_m = port[0].l, r.ZL1 = port[0].zl, r.ER1_eff = port[0].er;
        r.C2_per_m = port[1].c, r.L2_per_m = port[1].l, r.ZL2 = port[1].zl, r.ER2_eff = port[1].er;
    }
};

// The builder puts the narrower line first (the solvers' geometry has it on
// planes 1..Z1); DREH set, the user's line 1 was the wider, and the ports'
// lines and each port's own value (a, b) go back to the user's order here,
// the one place the two are exchanged.
template <class Results>
void to_user_ports(Results& r, bool swapped, double Results::*a, double Results::*b) {
    if (!swapped) return;
    std::swap(r.*a, r.*b);
    std::swap(r.C1_per_m, r.C2_per_m), std::swap(r.L1_per_m, r.L2_per_m);
    std::swap(r.ZL1, r.ZL2), std::swap(r.ER1_eff, r.ER2_eff);
}

// The columns and planes of the builder's vectors: X0 and XE the outer
// edges of the grounds, Xk1 the last column of line k's left ground, Xk2
// and Xk3 its strip, Xk4 the first column of its right ground.
struct TwoLineSlots {
    int X0 = 0, XE = 0, X1[5] = {}, X2[5] = {};  // X1[1..4] = X11..X14, X2[1..4] = X21..X24
    int Z1 = 0, Z2 = 0;
    bool swapped = false;  // DREH: the user's line 1 is the wider
    int last = 0;          // last plane a charge may cover (2 L2/DL)

    const int* line(int k) const { return k == 1 ? X1 : X2; }
    // Grounds (0.0) and strip (v) of line k over planes y1..y2.
    void paint_line(BandGrid3& g, int k, int y1, int y2, double v) const;
    void paint_grounds(BandGrid3& g, int k, int y1, int y2) const;
    // Excess charge of each strip over its undisturbed line (F): line 1 over
    // planes 2..Z1 against plane 2, line 2 over Z2..last against plane last.
    Excess excess(const Frame3D& f) const;
    // The four reference runs: air and dielectric at port 1, then port 2.
    int references(const Frame3D& f, const char* const (&captions)[4], PortLines& out) const;
};

// The step and the taper: the metal of the electric run, the slots of the
// magnetic run (+1 left, -1 right, metal free) and the strip's columns in a
// plane of line 1's section.
struct StepShape {
    virtual ~StepShape() = default;
    virtual void paint_metal(BandGrid3& g, const TwoLineSlots& s, int planes) const = 0;
    virtual void paint_slots(BandGrid3& g, const TwoLineSlots& s, int planes) const = 0;
    virtual void strip(const TwoLineSlots& s, int y, int& x1, int& x2) const = 0;
};

// The step's or taper's solve: one dielectric run with the whole conductor
// at 1 V for the excess capacitance, the four reference runs, and the slot
// problem for the excess inductance; out as Calc_Step's.
int solve_step_like(const char* file, const char* ident, const char* info, int* ipar, double* dpar, double* dpar_out,
                    const StepShape& shape);

// Reads the frame and the slots from the element's vectors; 0 or the
// reported failure.
int two_line_frame(const int* ipar, const double* dpar, Frame3D& f, TwoLineSlots& s);

}  // namespace mirtex::solver
