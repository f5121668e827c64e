#include "solver/line.h"

#include <algorithm>
#include <cmath>

#include "binding/messages.h"
#include "cache/calc_file.h"
#include "solver/grid3d.h"

namespace mirtex::solver {

namespace {

// Per thread: each names that thread's own grid.
thread_local d2** const kHandles[kBandCount] = {&pot0, &pot1, &pot2, &pot4};
thread_local d2* const kAccess[kBandCount] = {&pot_0, &pot_1, &pot_2, &pot_4};

}  // namespace

LineLayout line_layout(const params::LineInts& in, const params::LineReals& re) {
    LineLayout l;
    const int nx = in.L1, h2 = in.H2, h1 = in.H1, n5 = in.N5;
    const double met = re.MET;
    l.problem = stack_from_slots(h1, h2, nx, n5, met, met != 0.0, l.stack);
    if (!l.problem.empty()) return l;
    if (n5 < 0 || !l.stack.valid()) {
        l.problem = format("box of L1/DL=%d (a multiple of 4 is needed) and N5=%d does not fit the grid", nx, n5);
        return l;
    }
    // Fine columns 1 .. 2nx+1; the line axis is the middle column nx + 1, the
    // same axis every other element's cross-section is laid around.  A strip
    // of an even number of half steps cannot be centred on a column and lies
    // half a step to its right.
    const int last = 2 * nx + 1;
    const int a = nx + 1 - in.W;
    const int b = a + in.W2 - 1;
    l.centre = {a, b};
    int left_end = 1, right_start = last;
    if (in.S2 != 0) {
        left_end = a - in.S2 - 1;
        right_start = b + 1 + in.S2;
    }
    if (in.GW2 != 0) {
        l.grounds[0] = {std::max(1, left_end + 1 - in.GW2), left_end};
        l.grounds[1] = {right_start, std::min(last, right_start - 1 + in.GW2)};
    } else {
        l.grounds[0] = {1, left_end};
        l.grounds[1] = {right_start, last};
    }
    if (in.W2 < 1 || in.S2 < 0 || in.GW2 < 0 || a < 2 || b > last - 1 || left_end < 1 || left_end >= a ||
        right_start > last || right_start <= b) {
        l.problem = format("centre strip of %d and slots of %d half steps do not fit a box of %d half steps", in.W2,
                           in.S2, 2 * nx);
        return l;
    }
    l.ok = true;
    return l;
}

LineGrid::LineGrid(const BandStack& st) : st_(st) {
    if (!grid_allowed(st, 0)) {
        refused_ = true;
        return;
    }
    for (int b = kBandCount - 1; b >= 0; --b) {
        if (*kHandles[b] != nullptr) {  // another solve holds the grids
            release();
            return;
        }
        initmem_d2(kHandles[b], 1, st.columns(b), 1, st.rows(b), 0.05);
        if (*kHandles[b] == nullptr) {
            release();
            return;
        }
        owned_[b] = true;
        *kAccess[b] = access(*kHandles[b]);
    }
    ok_ = true;
}

LineGrid::~LineGrid() {
    release();
}

void LineGrid::release() {
    for (int b = 0; b < kBandCount; ++b) {
        if (!owned_[b]) continue;
        ofree_d2(kHandles[b]);
        *kAccess[b] = nullptr;
        owned_[b] = false;
    }
    ok_ = false;
}

void LineGrid::ground() {
    for (int b = 0; b < kBandCount; ++b) {
        d2 p = *kAccess[b];
        for (int r = 1; r <= st_.rows(b); ++r) p[1][r] = p[st_.columns(b)][r] = 0.0;
    }
    auto zero_row = [&](int b, int r) {
        for (int x = 1; x <= st_.columns(b); ++x) (*kAccess[b])[x][r] = 0.0;
    };
    // The bottom ground is the lowest row of the deepest lower band present.
    // Band 2 with no lower rows (m2 = 0) starts with its upper rows, so its
    // row 1 is then not the bottom.
    if (st_.m4 > 0)
        zero_row(kBand4, 1);
    else if (st_.m2 > 0)
        zero_row(kBand2, 1);
    else
        zero_row(kBand1, 1);
    if (st_.n5() > 0)
        zero_row(kBand4, st_.n4);
    else
        zero_row(kBand2, st_.m2 + 2);
}

void LineGrid::paint(const LineLayout& layout) {
    d2 p = pot_0;
    for (int r = 3; r <= st_.metal_top_row(); ++r) {
        for (int x = layout.centre.first; x <= layout.centre.last; ++x) p[x][r] = 1.0;
        for (const ConductorSpan& g : layout.grounds)
            for (int x = g.first; x <= g.last; ++x) p[x][r] = 0.0;
    }
}

void LineGrid::fill_start() {
    for (int b = 0; b < kBandCount; ++b) {
        d2 p = *kAccess[b];
        for (int x = 1; x <= st_.columns(b); ++x)
            for (int r = 1; r <= st_.rows(b); ++r) p[x][r] = 0.05;
    }
}

void LineGrid::paint(const ConductorSpan* spans, int n, int driven) {
    d2 p = pot_0;
    for (int r = 3; r <= st_.metal_top_row(); ++r)
        for (int c = 0; c < n; ++c)
            for (int x = spans[c].first; x <= spans[c].last; ++x) p[x][r] = c == driven ? 1.0 : 0.0;
}

int solve_line(const LineLayout& layout, const params::LineReals& re, LineSums& sums) {
    const BandStack& st = layout.stack;
    const double alpha = re.ALPHA, bound = re.BOUND;
    auto run = [&](const char* caption, double e3, double e2, double e1, ChargeSums& out) {
        copy_bounded(text_iteration, sizeof text_iteration, caption);
        const int rc =
            iteration(e3, e2, e1, st.nx, st.m4, st.m2, st.k1, st.rows0, st.n4, st.h1, st.h2, st.met, bound, alpha);
        if (rc == 0) out = charge2d(st, pot_0, layout.centre, layout.grounds, 2, Layers{e3, e2, e1, -2.0 * st.h2});
        return rc;
    };
    const int rc = run("1/2", 1.0, 1.0, 1.0, sums.air);
    if (rc != 0) return rc;
    return run("2/2", re.ER3, re.ER2, re.ER1, sums.dielectric);
}

namespace {

// A stored cross-section is physical only with positive C', L', ZL and
// ER_eff and with losses that do not feed energy into the line.
bool line_result_is_physical(const int*, int, const double* out, int n) {
    if (n < params::LineResults::kSlots) return true;  // not a cross-section's record
    const auto r = params::read_layout<params::LineResults>(out);
    return r.C_per_m > 0 && r.L_per_m > 0 && r.R_per_m >= 0 && r.G_per_m >= 0 && r.ZL > 0 && r.ER_eff > 0;
}
[[maybe_unused]] const bool kLineCheck = mirtex::register_result_check("cpw_line.cdb", line_result_is_physical);

}  // namespace

}  // namespace mirtex::solver

extern "C" MIRTEX_API int Calc_Line(int /*plot: no diagnostic output*/, int* ipar, double* dpar, double* dpar_out) {
    using namespace mirtex::solver;
    static const char kFile[] = "cpw_line.cdb";
    static const char kIdent[] = "Tessaric Line";
    using mirtex::params::LineInts, mirtex::params::LineReals, mirtex::params::LineResults;
    if (ReadCalc(kFile, kIdent, ipar, LineInts::kSlots, dpar, LineReals::kSlots, nullptr, 0, dpar_out,
                 LineResults::kSlots) == 0)
        return 0;
    mirtex::send_info("Calculating C_LINE");

    const auto re = mirtex::params::read_layout<LineReals>(dpar);
    const LineLayout layout = line_layout(mirtex::params::read_layout<LineInts>(ipar), re);
    if (!layout.ok) {
        mirtex::send_error("ERROR: %.*s: %s! Failed to Calculate Element!",
                           mirtex::run_label_length(), mirtex::run_label(),
                           layout.problem.c_str());
        return kFailed;
    }
    LineGrid grid(layout.stack);
    if (!grid) return grid.status();
    grid.ground();
    grid.paint(layout);
    LineSums sums;
    const int rc = solve_line(layout, re, sums);
    if (rc != 0) return rc;

    const double dl = re.DL;
    const double ca = sums.air.charge, cd = sums.dielectric.charge;
    const ChargeSums& s = sums.dielectric;
    auto loss = [dl](double sq, double q) { return q > 0.0 ? sq / (dl * q * q) : 0.0; };
    LineResults r;
    r.C_per_m = kEps0 * cd;
    r.L_per_m = kMu0 / ca;
    r.R_per_m = 0.01648 * (loss(s.ss, s.qs) + loss(s.sg, s.qg));
    r.G_per_m = kEps0 * (cd - 0.5 * ca);
    r.ZL = std::sqrt(r.L_per_m / r.C_per_m);
    r.ER_eff = r.C_per_m * r.L_per_m / (kEps0 * kMu0);
    r.W = re.W;
    r.T = re.T;
    mirtex::params::write_layout(r, dpar_out);
    WriteCalc(kFile, kIdent, ipar, LineInts::kSlots, dpar, LineReals::kSlots, nullptr, 0, dpar_out,
              LineResults::kSlots);
    return 0;
}
