#include "params/extrapolation.h"
#include "params/two_line.h"

#include <algorithm>
#include <vector>

#include "binding/messages.h"
#include "params/compound.h"
#include "params/item.h"
#include "params/two_line_layout.h"

namespace mirtex::params {
namespace {

struct KindInfo {
    const char* rule_label;  // the element as its rules name it
    const char* length;      // label of the element's own length
    const char* asymmetry;   // the warning when the strips' edges cannot both lie on the grid
    int* ipar;
    double* dpar;
};

KindInfo info(TwoLineKind kind) {
    switch (kind) {
        case TwoLineKind::Gap:
            return {"C_GAP", "GAP", "(W2-W1)/DL no integer -> asymmetrical gap ! ", gap_ipar, gap_dpar};
        case TwoLineKind::Step:
            return {"C_STEP", "SL", "(W2-W1)/DL no integer -> asymmetrical step ! ", step_ipar, step_dpar};
        case TwoLineKind::Taper:
            break;
    }
    return {"C_TAPER", "TL", "(W2-W1)/DL no integer -> asymmetrical taper ! ", taper_ipar, taper_dpar};
}

const CPW_LINETYP_TEXT kLine1Text = {"W1", "S1", "GW1", "LINE1->t", "LINE1->t", nullptr, nullptr};
const CPW_LINETYP_TEXT kLine2Text = {"W2", "S2", "GW2", "LINE2->t", "LINE2->t", nullptr, nullptr};

// The element's own length against its rule, before the line types are read.
int length_rule(Assembly& a, TwoLineKind kind, const char* label, double len) {
    const double h = a.DL() / 2;
    switch (kind) {
        case TwoLineKind::Gap:
            if (!(len >= h))
                return a.reject(format("%s(%s): GAP=%lg invalid value ! (GAP_min=%lg)", "C_GAP", a.name(), len, h));
            return 0;
        case TwoLineKind::Step:
            if (!(len >= 0))
                return a.reject(format("%s(%s):  SL=%lg invalid value ! (SL_min=0)", label, a.name(), len));
            return 0;
        case TwoLineKind::Taper:
            if (!(len >= h))
                return a.reject(format("%s(%s):  TL=%lg invalid value ! (TL_min=%lg)", "C_TAPER", a.name(), len, h));
            return 0;
    }
    return 0;
}

// Fills the vectors of the gap, step or taper and fits their dimensions.
int Check_Two_Line(Assembly& a, const KindInfo& k, const LineItem& l1, const LineItem& l2, double len) {
    if (k.ipar == nullptr || k.dpar == nullptr) return vectors_missing(a);
    const double DL = a.DL();
    const Frame3 f = frame3(a);
    // Line a is the narrower, line b the wider; equal widths keep the order.
    const bool swap = l1.rec.W > l2.rec.W;
    const LineItem& la = swap ? l2 : l1;
    const LineItem& lb = swap ? l1 : l2;
    const CPW_LINETYP &A = la.rec, &B = lb.rec;
    const LineUnits ua = units(A, DL), ub = units(B, DL);
    const bool ground_b = B.S != 0 && B.GW != 0;
    const double lh = half_units(len, DL);

    TwoLineInts in;
    const StripEdges ea = strip_edges(ua, A, f.M, f.x_max()), eb = strip_edges(ub, B, f.M, f.x_max());
    in.X11 = ea.ground_left, in.X12 = ea.strip_left, in.X13 = ea.strip_right, in.X14 = ea.ground_right;
    in.X21 = eb.ground_left, in.X22 = eb.strip_left, in.X23 = eb.strip_right, in.X24 = eb.ground_right;
    in.X0 = ground_b ? in.X21 + 1 - twice(ub.Gh) : 1;
    in.XE = ground_b ? in.X24 + twice(ub.Gh) - 1 : f.x_max();
    in.Z1 = f.MZ - itrunc(lh);
    in.Z2 = in.Z1 + twice(lh) + 1;
    put_stack(f, in);
    in.DREH = swap ? 1 : 0;
    write_layout(in, k.ipar);

    write_layout(layered_reals<TwoLineReals>(a, A.T), k.dpar);

    std::vector<FitDim> dims;
    head_dims(a, f, dims);
    dims.push_back({la.text.W, A.W, ua.Wh});
    dims.push_back({lb.text.W, B.W, ub.Wh});
    dims.push_back({la.text.S, A.S, ua.Sh});
    dims.push_back({lb.text.S, B.S, ub.Sh});
    // Only the ground that reaches furthest out bounds the solved region.
    const double outer_a = A.W / 2 + A.S + A.GW, outer_b = B.W / 2 + B.S + B.GW;
    if (outer_a >= outer_b) dims.push_back({la.text.GW, A.GW, ua.Gh});
    if (outer_b >= outer_a) dims.push_back({lb.text.GW, B.GW, ub.Gh});
    dims.push_back({k.length, len, lh});
    if (fit(a, dims) != 0) return 1;

    GeometryCheck g(a);
    const int xm = f.x_max();
    g.chain("L1", xm,
            {{"X0", in.X0, lb.text.GW, B.GW, 0},
             {"X21", in.X21, lb.text.S, B.S, 0},
             {"X22", in.X22, lb.text.S, B.S, 1},
             {"X23", in.X23, lb.text.W, B.W, 0},
             {"X24", in.X24, lb.text.S, B.S, 1},
             {"XE", in.XE, lb.text.GW, B.GW, 0}});
    g.chain("L1", xm,
            {{"X11", in.X11, la.text.S, A.S, 0},
             {"X12", in.X12, la.text.S, A.S, 1},
             {"X13", in.X13, la.text.W, A.W, 0},
             {"X14", in.X14, la.text.S, A.S, 1}});
    g.centred({"X12", in.X12, la.text.W, A.W, 0}, {"X13", in.X13, la.text.W, A.W, 0}, f.M);
    g.centred({"X22", in.X22, lb.text.W, B.W, 0}, {"X23", in.X23, lb.text.W, B.W, 0}, f.M);
    g.chain("L2", f.z_max(), {{"Z1", in.Z1, k.length, len, 0}, {"Z2", in.Z2, k.length, len, 1}});
    if (g.status() != 0) return 1;

    if (twice(ub.Wh - ua.Wh) % 2 != 0) {
        copy_bounded(TEXT, sizeof TEXT, k.asymmetry);
        New_Warning(a.warnings(), k.asymmetry);
    }
    warn_above(a.warnings(), la.text.T, A.CEN_MET, a.grid_text_.DL, A.T / DL, 5.0);
    return 0;
}

}  // namespace

int two_line_get(TwoLineKind kind, UserInstDef* inst, WARN** warnings, double* rho, double* rho_gnd, double* tand,
                 double* L1, double* L2) {
    const KindInfo k = info(kind);
    // The step speaks with its definition's name, the others with their own.
    const char* label = kind == TwoLineKind::Step && inst != nullptr && inst->def != nullptr && inst->def->name
                            ? inst->def->name
                            : k.rule_label;
    Assembly a(inst, warnings, label);
    if (a.begin() != 0) return 1;
    const double feed1 = real_param(inst, 0), feed2 = real_param(inst, 1), len = real_param(inst, 2);
    if (L1 != nullptr) *L1 = feed1;
    if (L2 != nullptr) *L2 = feed2;
    if (a.section_length(feed1, "L1") != 0 || a.section_length(feed2, "L2") != 0) return 1;
    if (a.grid(6, true) != 0) return 1;
    if (length_rule(a, kind, label, len) != 0 || a.bounded(k.length, len) != 0) return 1;

    LineItem l1, l2;
    if (a.line_type(3, l1, kLine1Text) != 0 || a.line_type(4, l2, kLine2Text) != 0) return 1;
    const CPW_LINETYP &r1 = l1.rec, &r2 = l2.rec;
    if (r1.CEN_MET != r2.CEN_MET)
        return a.reject(format("%s(%s): different CEN_MET in applied linetypes not allowed!", k.rule_label, a.name()));
    if (r1.GND_MET != r2.GND_MET)
        return a.reject(format("%s(%s): different GND_MET in applied linetypes not allowed!", k.rule_label, a.name()));
    if (kind == TwoLineKind::Step) {
        // A step whose wide strip covers the narrow line's strip and both its
        // slots needs a length: without one the two strips would touch the
        // ground edge to edge.
        const CPW_LINETYP& narrow = r1.W <= r2.W ? r1 : r2;
        const CPW_LINETYP& wide = r1.W <= r2.W ? r2 : r1;
        if (wide.W >= narrow.W + 2 * narrow.S && !(len >= a.DL() / 2))
            return a.reject(format("C_STEP(%s) :  %s < DL/2 invalid value !", a.name(), "SL"));
    }
    if (a.metals(l1) != 0 || a.metals(l2) != 0) return 1;

    const double DL = a.DL();
    const double wges = std::max(region_width(r1, DL), region_width(r2, DL));
    if (a.substrate(5, wges, tand) != 0) return 1;
    const double outer = std::max(outer_width(r1, r1.GW, DL), outer_width(r2, r2.GW, DL));
    if (a.box(wges, outer, len + 8 * DL) != 0) return 1;
    if (rho != nullptr) *rho = l1.rho;
    if (rho_gnd != nullptr) *rho_gnd = l1.rho_gnd;
    if (Check_Two_Line(a, k, l1, l2, len) != 0) return 1;
    if (a.feed(l1, feed1_ipar, feed1_dpar) != 0) return 1;
    return a.feed(l2, feed2_ipar, feed2_dpar);
}

}  // namespace mirtex::params
