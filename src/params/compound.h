// What the builders of the three-dimensional elements share: the grid frame
// of the box, the air-bridge items, the work vectors whose size depends on
// the instance, and the geometry check every integer vector passes before a
// solver may paint from it.
//
// Lateral slots (names beginning with X) are half-step node indexes from 1
// to 2 L1/DL + 1 with the line axis at M = L1/DL + 1; longitudinal slots
// (names beginning with Z) are half-step indexes from 1 to 2 L2/DL + 1 with
// the element's reference plane at L2/DL + 1.  A strip of Wh steps laid on
// an axis starts at axis - trunc(Wh) and covers 2 Wh indexes; its slots and
// grounds follow outwards.
#pragma once

#include <initializer_list>
#include <vector>

#include "params/assembly.h"
#include "params/extrapolation.h"
#include "params/grid.h"
#include "params/line_vectors.h"

namespace mirtex::params {

// Box and stack of a three-dimensional element in grid counts.
struct Frame3 {
    int L1i = 0, L2i = 0, H1i = 0, H2i = 0, H3i = 0, k = 0;
    int M = 0;   // lateral axis, L1i + 1
    int MZ = 0;  // longitudinal reference plane, L2i + 1
    int x_max() const { return 2 * L1i + 1; }
    int z_max() const { return 2 * L2i + 1; }
};

// The frame of the assembly's grid and substrate (after the box and the
// automatic heights are known).
Frame3 frame3(const Assembly& a);

// H3/DL, H2/DL, H1/DL, L1/DL, L2/DL, N5 into the stack slots of a layout.
template <class Ints>
void put_stack(const Frame3& f, Ints& in) {
    in.H3 = f.H3i, in.H2 = f.H2i, in.H1 = f.H1i, in.L1 = f.L1i, in.L2 = f.L2i, in.N5 = f.k;
}

// The box and the heights as grid-fit dimensions, in the order every check
// function fits them: L1, L2, H3, H2, H1.
void head_dims(const Assembly& a, const Frame3& f, std::vector<FitDim>& dims);

// Half-step widths of a line.
LineUnits units(const CPW_LINETYP& line, double DL);

// A line laid on an axis: the slot edge (last ground index) on the left,
// the first and the last strip index, the slot edge on the right; without
// a slot the outer edges lie on the walls (1 and wall).
struct StripEdges {
    int ground_left, strip_left, strip_right, ground_right;
};
StripEdges strip_edges(const LineUnits& u, const CPW_LINETYP& line, int axis, int wall);
// The edges into four named slots.
inline void put_edges(const StripEdges& e, int& ground_left, int& strip_left, int& strip_right, int& ground_right) {
    ground_left = e.ground_left, strip_left = e.strip_left, strip_right = e.strip_right, ground_right = e.ground_right;
}

// ER3, ER2, ER1, DL into the material slots of a layout.
template <class Reals>
void put_stack_materials(const Assembly& a, Reals& re) {
    re.ER3 = a.sub_.ER3, re.ER2 = a.sub_.ER2, re.ER1 = a.sub_.ER1, re.DL = a.DL();
}

// The error of a builder that finds no work vectors; always 1.
int vectors_missing(Assembly& a);

// A line of the assembly's grid and substrate into named layouts
// (check_line under the element's label).
int check_line(Assembly& a, CPW_LINETYP_TEXT& text, CPW_LINETYP& rec, LineInts& in, LineReals& re);

// The named layouts into the host's vectors; 0, or 1 when there are none.
template <class Ints, class Reals>
int put_vectors(Assembly& a, const Ints& in, const Reals& re, int* ipar, double* dpar) {
    if (ipar == nullptr || dpar == nullptr) return vectors_missing(a);
    write_layout(in, ipar);
    write_layout(re, dpar);
    return 0;
}

// Grid fit of the dims in order under the element's check label.
int fit(Assembly& a, const std::vector<FitDim>& dims);

// Start of the two-port components (interdigital capacitor, spiral): process,
// feed lengths (parameters 0, 1), grid, the two line types; 0 to go on.
int two_port_items(Assembly& a, UserInstDef* inst, int grid_index, int line1_index, LineItem& l1, LineItem& l2,
                   double* L1, double* L2);

// The feed lengths of a two-port element (parameters 0 and 1), returned
// whatever follows; 0 when both are usable lengths.
int feed_lengths(Assembly& a, UserInstDef* inst, double* L1, double* L2);

// Metal thinner than a fifth of a step is solved as a sheet; thicker metal
// enters the stencils as its share of a step.
inline double met_of(double T, double DL) { return T / DL >= 0.2 ? 2 * T / (3 * DL) : 0.0; }

// The reals of an element on the layered stack whose strips are T thick:
// materials, metal rows, relaxation and the record version.
template <class Reals>
Reals layered_reals(const Assembly& a, double T) {
    Reals re;
    put_stack_materials(a, re);
    re.MET = met_of(T, a.DL());
    re.ALPHA = a.grid_.ALPHA, re.BOUND = a.grid_.BOUND;
    re.VER = version_stamp(1010.0);
    return re;
}

// trunc() of a half-step count, as an int.
inline int itrunc(double x) { return to_count(count_trunc(x)); }
// Twice a half-step count: the number of half-step indexes it covers.
inline int twice(double x) { return to_count(2.0 * x); }

// One referenced air-bridge type.
struct BridgeItem {
    CPW_AIRTYP rec{};
    CPW_AIRTYP_TEXT text{"TYPE", "BW", "BG", "BS", "die_h", "die_er", "die_td", "DIE_IDX"};
    const char* item = "";
    int TYPE = 0;      // as given: 0 none, 1 or 2 level, -1 over the whole junction
    double L = 0.0;    // the feed length the item carries
    double BWh = 0, BGh = 0, BSh = 0;
};

// Reads the C_AIRTYP item at parameter index (no checks).
int read_bridge(Assembly& a, int index, BridgeItem& b);
// A BS of -1, or one wider than the line's slot, spans exactly the slot.
void default_bridge_span(BridgeItem& b, const CPW_LINETYP& line);
// AirtypTest of the item against the line it crosses.
int check_bridge(Assembly& a, const BridgeItem& b, const CPW_LINETYP& line);
// The dielectric under the bridge (DIE_IDX 0: the base dielectric) into
// rec.die_h, die_er, die_td, checked with TechTest against the metal level.
int bridge_dielectric(Assembly& a, BridgeItem& b, int metal);
// The bridge dielectric's height against the step: thinner than a fifth
// of a step it vanishes from the grid, above five steps it is coarse.
void warn_bridge_dielectric(Assembly& a, const CPW_AIRTYP& die);
// Half-step units of the bridge dimensions.
void bridge_units(BridgeItem& b, double DL);

// A work vector whose length depends on the instance: resized to want
// entries (kept when it has that size); false when memory ran out, with the
// vector then null and its count 0.
bool size_int_vector(int*& v, int& count, int want);
bool size_double_vector(double*& v, int& count, int want);

// One edge of a chain: its slot name and index, the dimension that places
// it (label and value, for the message) and the least distance from the
// edge before it (0: may coincide, 1: must lie beyond).
struct Edge {
    const char* slot;
    int index;
    const char* dim;
    double value;
    int gap;
};

// The geometry check shared by all builders.  Each call looks at one chain
// of edges across (or along) the box: every index inside 1..hi and the
// edges in order, so that the solver can paint ground, slot, strip, slot,
// ground without reaching outside its arrays.  The first violation is
// reported as an error naming the element and the dimension; later calls
// then do nothing.
class GeometryCheck {
public:
    explicit GeometryCheck(Assembly& a) : a_(a) {}
    // box names the box dimension the chain lies in ("L1" or "L2").
    void chain(const char* box, int hi, std::initializer_list<Edge> edges);
    // A strip from first to last must sit on the axis (within the half
    // step that an odd number of half steps leaves).
    void centred(const Edge& first, const Edge& last, int axis);
    int status() const { return failed_ ? 1 : 0; }

private:
    Assembly& a_;
    bool failed_ = false;
};

// The substrate (item 12) and the box of an element in an opening of the
// ground plane between its two lines: as wide as the wider of the lines'
// regions and the opening, across it the opening with the wider ground on
// either side, and length along it.  0 to go on.
int opening_frame(Assembly& a, const LineItem& l1, const LineItem& l2, double opening, double length, double* tand);

// The W and S of an element's two connecting lines, fitted with it.
void line_dims(const LineItem& l1, const LineItem& l2, double DL, std::vector<FitDim>& dims);
// A connecting line's slot edge, strip and slot edge across the box, with
// the names of their slots.
void line_chain(GeometryCheck& g, const Frame3& f, const LineItem& l, const StripEdges& e,
                const char* const (&names)[4]);

// The chain across the box (L1, up to hi) of a line between its grounds'
// outer edges x0 and xe, with the slot and strip edges e between them,
// named names[0..5] in that order; its strip centred on axis.
void check_line_across(GeometryCheck& g, const LineItem& line, int hi, int axis, const char* const* names, int x0,
                       const StripEdges& e, int xe);

}  // namespace mirtex::params
