#include "params/compound.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "binding/messages.h"
#include "numeric/memory.h"
#include "params/item.h"

namespace mirtex::params {

Frame3 frame3(const Assembly& a) {
    const double DL = a.DL();
    Frame3 f;
    f.L1i = quad_units(a.grid_.L1, DL);
    f.L2i = quad_units(a.grid_.L2, DL);
    f.H1i = quad_units(a.sub_.H1, DL);
    f.H2i = whole_units(a.sub_.H2, DL);
    f.k = h3_k(a.sub_.H3, DL);
    f.H3i = 4 * f.k + 7;
    f.M = f.L1i + 1;
    f.MZ = f.L2i + 1;
    return f;
}

void head_dims(const Assembly& a, const Frame3& f, std::vector<FitDim>& dims) {
    dims.push_back({a.grid_text_.L1, a.grid_.L1, static_cast<double>(f.L1i)});
    dims.push_back({a.grid_text_.L2, a.grid_.L2, static_cast<double>(f.L2i)});
    dims.push_back({a.sub_text_.H3, a.sub_.H3, static_cast<double>(f.H3i)});
    dims.push_back({a.sub_text_.H2, a.sub_.H2, static_cast<double>(f.H2i)});
    dims.push_back({a.sub_text_.H1, a.sub_.H1, static_cast<double>(f.H1i)});
}

LineUnits units(const CPW_LINETYP& line, double DL) {
    return {half_units(line.W, DL), half_units(line.S, DL), half_units(line.GW, DL)};
}

StripEdges strip_edges(const LineUnits& u, const CPW_LINETYP& line, int axis, int wall) {
    StripEdges e;
    e.strip_left = axis - itrunc(u.Wh);
    e.strip_right = e.strip_left + twice(u.Wh) - 1;
    e.ground_left = line.S != 0 ? e.strip_left - 1 - twice(u.Sh) : 1;
    e.ground_right = line.S != 0 ? e.strip_right + 1 + twice(u.Sh) : wall;
    return e;
}

int vectors_missing(Assembly& a) {
    send_error("ERROR: %s: Memory Overflow! No input vectors for the element!", a.check_label());
    return 1;
}

int check_line(Assembly& a, CPW_LINETYP_TEXT& text, CPW_LINETYP& rec, LineInts& in, LineReals& re) {
    return check_line(a.check_label(), &a.grid_text_, &a.grid_, &a.sub_text_, &a.sub_, &text, &rec, in, re,
                      a.warnings());
}

int fit(Assembly& a, const std::vector<FitDim>& dims) {
    return fit_to_grid(a.check_label(), fit_tolerance(a.grid_.ACC), a.DL(), a.warnings(), dims.data(), dims.size());
}

int feed_lengths(Assembly& a, UserInstDef* inst, double* L1, double* L2) {
    const double feed1 = real_param(inst, 0), feed2 = real_param(inst, 1);
    if (L1 != nullptr) *L1 = feed1;
    if (L2 != nullptr) *L2 = feed2;
    return a.section_length(feed1, "L1") != 0 || a.section_length(feed2, "L2") != 0 ? 1 : 0;
}

int two_port_items(Assembly& a, UserInstDef* inst, int grid_index, int line1_index, LineItem& l1, LineItem& l2,
                   double* L1, double* L2) {
    static const CPW_LINETYP_TEXT kLine1 = {"W1", "S1", "GW1", "LINE1->t", "LINE1->t", nullptr, nullptr};
    static const CPW_LINETYP_TEXT kLine2 = {"W2", "S2", "GW2", "LINE2->t", "LINE2->t", nullptr, nullptr};
    if (a.begin() != 0 || feed_lengths(a, inst, L1, L2) != 0 || a.grid(grid_index, true) != 0) return 1;
    return a.line_type(line1_index, l1, kLine1) != 0 || a.line_type(line1_index + 1, l2, kLine2) != 0 ? 1 : 0;
}

int read_bridge(Assembly& a, int index, BridgeItem& b) {
    CPW_AIRTYP& r = b.rec;
    if (a.air_type(index, &b.TYPE, &r.BW, &r.BG, &r.BS, &r.DIE_IDX, &b.L) != 0) return 1;
    b.item = a.item_name(index);
    return 0;
}

void default_bridge_span(BridgeItem& b, const CPW_LINETYP& line) {
    if (b.rec.BS == -1.0 || b.rec.BS > line.S) b.rec.BS = line.S;
}

int check_bridge(Assembly& a, const BridgeItem& b, const CPW_LINETYP& line) {
    return AirtypTest(a.label(), a.name(), b.item, b.text.BW, b.text.BG, b.text.BS, "CEN_MET", b.text.TYP,
                      b.text.DIE_IDX, "DL", b.rec.BW, b.rec.BG, b.rec.BS, b.TYPE, line.CEN_MET, b.rec.DIE_IDX,
                      a.dielectric_count(), a.DL());
}

int bridge_dielectric(Assembly& a, BridgeItem& b, int metal) {
    CPW_AIRTYP& r = b.rec;
    if (b.TYPE != 0 && (metal < 1 || metal > a.metal_count())) {
        send_error("ERROR %s(%s): C_AIRTYP(%s): TYPE=%i invalid metal level ! (1..%d)", a.label(), a.name(), b.item,
                   b.TYPE, a.metal_count());
        return 1;
    }
    // AirtypTest has bounded DIE_IDX for a bridge; without one the base
    // dielectric stands in, so that the vectors never carry stale values.
    const int index = b.TYPE != 0 ? r.DIE_IDX : 0;
    if (!a.dielectric(index, r.die_h, r.die_er, r.die_td)) {
        send_error("ERROR %s(%s): C_AIRTYP(%s): DIE_IDX=%i invalid index !", a.label(), a.name(), b.item,
                   r.DIE_IDX);
        return 1;
    }
    if (b.TYPE == 0) return 0;
    return a.tech_test(foundries.entries[10][metal - 1], foundries.entries[11][metal - 1], metal, r.die_h, r.die_er,
                       r.die_td, index);
}

void warn_bridge_dielectric(Assembly& a, const CPW_AIRTYP& die) {
    warn_below(a.warnings(), "die_h", die.DIE_IDX, a.grid_text_.DL, die.die_h / a.DL(), 0.2);
    warn_above(a.warnings(), "die_h", die.DIE_IDX, a.grid_text_.DL, die.die_h / a.DL(), 5.0);
}

void bridge_units(BridgeItem& b, double DL) {
    b.BWh = half_units(b.rec.BW, DL);
    b.BGh = half_units(b.rec.BG, DL);
    b.BSh = half_units(b.rec.BS, DL);
}

namespace {

template <typename T>
bool size_vector(T*& v, int& count, int want) {
    if (v != nullptr && count == want) return true;
    if (v != nullptr) g_free(reinterpret_cast<char*>(v));
    v = want > 0 ? static_cast<T*>(g_malloc(static_cast<long>(want) * static_cast<long>(sizeof(T)))) : nullptr;
    count = v != nullptr ? want : 0;
    return v != nullptr;
}

}  // namespace

bool size_int_vector(int*& v, int& count, int want) { return size_vector(v, count, want); }
bool size_double_vector(double*& v, int& count, int want) { return size_vector(v, count, want); }

void GeometryCheck::chain(const char* box, int hi, std::initializer_list<Edge> edges) {
    if (failed_) return;
    const double box_value = box[1] == '1' ? a_.grid_.L1 : a_.grid_.L2;
    const Edge* prev = nullptr;
    for (const Edge& e : edges) {
        if (e.index < 1 || e.index > hi) {
            send_error("ERROR %s(%s) : %s=%lg does not fit into the box: %s=%d lies outside 1..%d (%s=%lg)",
                       a_.label(), a_.name(), e.dim, e.value, e.slot, e.index, hi, box, box_value);
            failed_ = true;
            return;
        }
        if (prev != nullptr && e.index < prev->index + e.gap) {
            send_error("ERROR %s(%s) : %s=%lg leaves no room on the grid (DL=%lg): %s=%d %s %s=%d", a_.label(),
                       a_.name(), e.dim, e.value, a_.DL(), e.slot, e.index, e.gap ? "not beyond" : "before",
                       prev->slot, prev->index);
            failed_ = true;
            return;
        }
        prev = &e;
    }
}

void GeometryCheck::centred(const Edge& first, const Edge& last, int axis) {
    if (failed_) return;
    const int twice_centre = first.index + last.index + 1;  // the strip covers first..last
    if (std::abs(twice_centre - 2 * axis) > 1) {
        send_error("ERROR %s(%s) : %s=%lg is not centred on the axis %d: %s=%d, %s=%d", a_.label(), a_.name(),
                   first.dim, first.value, axis, first.slot, first.index, last.slot, last.index);
        failed_ = true;
    }
}

int opening_frame(Assembly& a, const LineItem& l1, const LineItem& l2, double opening, double length, double* tand) {
    const double DL = a.DL();
    const double wges = std::max({region_width(l1.rec, DL), region_width(l2.rec, DL), opening});
    if (a.substrate(12, wges, tand) != 0) return 1;
    const double gw = std::max(l1.rec.GW, l2.rec.GW);
    const double across =
        std::max({outer_width(l1.rec, l1.rec.GW, DL), outer_width(l2.rec, l2.rec.GW, DL), opening + 2 * gw});
    return a.box(wges, across, length);
}

void line_dims(const LineItem& l1, const LineItem& l2, double DL, std::vector<FitDim>& dims) {
    for (const LineItem* l : {&l1, &l2}) {
        const LineUnits u = units(l->rec, DL);
        dims.push_back({l->text.W, l->rec.W, u.Wh});
        dims.push_back({l->text.S, l->rec.S, u.Sh});
    }
}

void line_chain(GeometryCheck& g, const Frame3& f, const LineItem& l, const StripEdges& e,
                const char* const (&names)[4]) {
    const CPW_LINETYP& r = l.rec;
    const CPW_LINETYP_TEXT& t = l.text;
    g.chain("L1", f.x_max(),
            {{names[0], e.ground_left, t.S, r.S, 0}, {names[1], e.strip_left, t.S, r.S, 1},
             {names[2], e.strip_right, t.W, r.W, 0}, {names[3], e.ground_right, t.S, r.S, 1}});
}

void check_line_across(GeometryCheck& g, const LineItem& line, int hi, int axis, const char* const* names, int x0,
                       const StripEdges& e, int xe) {
    const CPW_LINETYP& r = line.rec;
    const CPW_LINETYP_TEXT& t = line.text;
    g.chain("L1", hi,
            {{names[0], x0, t.GW, r.GW, 0},
             {names[1], e.ground_left, t.S, r.S, 0},
             {names[2], e.strip_left, t.S, r.S, 1},
             {names[3], e.strip_right, t.W, r.W, 0},
             {names[4], e.ground_right, t.S, r.S, 1},
             {names[5], xe, t.GW, r.GW, 0}});
    g.centred({names[2], e.strip_left, t.W, r.W, 0}, {names[3], e.strip_right, t.W, r.W, 0}, axis);
}

}  // namespace mirtex::params
