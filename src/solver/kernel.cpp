#include "solver/kernel.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "binding/messages.h"
#include "solver/sweep.h"

extern "C" {
MIRTEX_API thread_local d2* pot0 = nullptr;
MIRTEX_API thread_local d2* pot1 = nullptr;
MIRTEX_API thread_local d2* pot2 = nullptr;
MIRTEX_API thread_local d2* pot4 = nullptr;
MIRTEX_API thread_local d2 pot_0 = nullptr;
MIRTEX_API thread_local d2 pot_1 = nullptr;
MIRTEX_API thread_local d2 pot_2 = nullptr;
MIRTEX_API thread_local d2 pot_4 = nullptr;
}

namespace mirtex::solver {

// ------------------------------------------------------------ geometry

BandDepths band_depths(int q) {
    BandDepths d;
    d.k1 = (q % 2 != 0) ? 3 : 2;
    const int r = q - d.k1;
    if (r < 5) {
        d.m2 = r / 2;
        d.m4 = 0;
        return d;
    }
    d.m2 = 2;
    const int s = r - 4;
    if (s % 4 == 0) {
        d.m4 = s / 4;
    } else {
        d.m2 = 3;
        d.m4 = (s - 2) / 4;
    }
    return d;
}

std::string stack_from_slots(int h1, int h2, int nx, int n5, double met, bool thick, BandStack& st) {
    const int q = h1 + h2 - 1;
    if (q < 2 || h1 < 0 || h2 < 0) return format("substrate of %d + %d steps DL is thinner than the grid's 3", h2, h1);
    if (!(met >= 0.0) || !std::isfinite(met)) return format("metal step ratio MET=%lg invalid", met);
    const BandDepths d = band_depths(q);
    st = BandStack{nx, d.m4, d.m2, d.k1, thick ? 8 : 5, d.m4 + n5, h1, h2, thick ? met : 0.0};
    return {};
}

int BandStack::columns(int band) const {
    return 2 * nx / kBandStep[band] + 1;
}

int BandStack::rows(int band) const {
    switch (band) {
        case kBand0:
            return rows0;
        case kBand1:
            return k1 + 2;
        case kBand2:
            return m2 + 2;
        default:
            return n4;
    }
}

double BandStack::z(int band, int row) const {
    auto z0 = [this](int r) -> double {
        if (!thick() || r <= 3) return r - 3;
        if (r <= 6) return (r - 3) * met;
        return 3.0 * met + (r - 6);
    };
    const double top = z0(rows0);               // top row of band 0
    const double bottom1 = -2.0 - 2.0 * k1;     // band 1, row 1
    const double bottom2 = bottom1 - 4.0 * m2;  // band 2, row 1
    switch (band) {
        case kBand0:
            return z0(row);
        case kBand1:
            return row <= k1 ? -2.0 - 2.0 * (k1 - row + 1) : top + 2.0 * (row - k1);
        case kBand2:
            return row <= m2 ? bottom1 - 4.0 * (m2 - row + 1) : top + 4.0 + 4.0 * (row - m2);
        default:
            return row <= m4 ? bottom2 - 8.0 * (m4 - row + 1) : top + 12.0 + 8.0 * (row - m4);
    }
}

bool BandStack::valid() const {
    return nx >= 4 && nx % 4 == 0 && k1 >= 1 && m2 >= 0 && m4 >= 0 && n4 >= 1 && n4 >= m4 &&
           (rows0 == 5 || (rows0 == 8 && met > 0.0)) && h2 >= 0 && (m4 == 0 || m2 > 0);
}

std::vector<StackRow> BandStack::sweep_rows() const {
    std::vector<StackRow> out;
    auto add = [&](int band, int row, RowRef up, Link ul, RowRef down, Link dl) {
        StackRow s;
        s.self = {band, row};
        s.up = up;
        s.down = down;
        s.up_link = ul;
        s.down_link = dl;
        s.z = z(band, row);
        s.du = ul == Link::Absent ? 0.0 : z(up.band, up.row) - s.z;
        s.dl = dl == Link::Absent ? 0.0 : s.z - z(down.band, down.row);
        out.push_back(s);
    };
    const RowRef none{};
    // Band 4, lower rows (row 1 is the bottom wall).
    for (int r = 2; r <= m4; ++r)
        add(kBand4, r, r < m4 ? RowRef{kBand4, r + 1} : RowRef{kBand2, 1}, r < m4 ? Link::Same : Link::Finer,
            {kBand4, r - 1}, Link::Same);
    // Band 2, lower rows.
    for (int r = 1; r <= m2; ++r) {
        const bool top = r == m2, bottom = r == 1;
        add(kBand2, r, top ? RowRef{kBand1, 1} : RowRef{kBand2, r + 1}, top ? Link::Finer : Link::Same,
            bottom ? (m4 > 0 ? RowRef{kBand4, m4} : none) : RowRef{kBand2, r - 1},
            bottom ? (m4 > 0 ? Link::Coarser : Link::Absent) : Link::Same);
    }
    // Band 1, lower rows.
    for (int r = 1; r <= k1; ++r) {
        const bool top = r == k1, bottom = r == 1;
        add(kBand1, r, top ? RowRef{kBand0, 1} : RowRef{kBand1, r + 1}, top ? Link::Finer : Link::Same,
            bottom ? (m2 > 0 ? RowRef{kBand2, m2} : none) : RowRef{kBand1, r - 1},
            bottom ? (m2 > 0 ? Link::Coarser : Link::Absent) : Link::Same);
    }
    // Band 0.
    for (int r = 1; r <= rows0; ++r) {
        const bool top = r == rows0, bottom = r == 1;
        add(kBand0, r, top ? RowRef{kBand1, k1 + 1} : RowRef{kBand0, r + 1}, top ? Link::Coarser : Link::Same,
            bottom ? RowRef{kBand1, k1} : RowRef{kBand0, r - 1}, bottom ? Link::Coarser : Link::Same);
    }
    // Band 1, upper rows.
    add(kBand1, k1 + 1, {kBand1, k1 + 2}, Link::Same, {kBand0, rows0}, Link::Finer);
    add(kBand1, k1 + 2, {kBand2, m2 + 1}, Link::Coarser, {kBand1, k1 + 1}, Link::Same);
    // Band 2, upper rows.
    add(kBand2, m2 + 1, {kBand2, m2 + 2}, Link::Same, {kBand1, k1 + 2}, Link::Finer);
    add(kBand2, m2 + 2, n5() > 0 ? RowRef{kBand4, m4 + 1} : none, n5() > 0 ? Link::Coarser : Link::Absent,
        {kBand2, m2 + 1}, Link::Same);
    // Band 4, upper rows (row n4 is the cover).
    for (int r = m4 + 1; r <= n4 - 1; ++r)
        add(kBand4, r, {kBand4, r + 1}, Link::Same, r == m4 + 1 ? RowRef{kBand2, m2 + 2} : RowRef{kBand4, r - 1},
            r == m4 + 1 ? Link::Finer : Link::Same);
    return out;
}

// --------------------------------------------------------- permittivity

namespace {

// Integral over [za, zb] of f(eps) for the three layers.
template <class F>
double layered_integral(const Layers& l, double za, double zb, F f) {
    auto overlap = [&](double lo, double hi) { return std::max(0.0, std::min(zb, hi) - std::max(za, lo)); };
    const double inf = HUGE_VAL;
    return overlap(-inf, l.z21) * f(l.e1) + overlap(l.z21, 0.0) * f(l.e2) + overlap(0.0, inf) * f(l.e3);
}

}  // namespace

double Layers::eps_integral(double za, double zb) const {
    return layered_integral(*this, za, zb, [](double e) { return e; });
}

double Layers::inv_eps_integral(double za, double zb) const {
    return layered_integral(*this, za, zb, [](double e) { return 1.0 / e; });
}

Faces face_coefficients(const Layers& eps, double z, double du, double dl, double hx) {
    Faces f;
    if (du > 0.0) f.up = hx / eps.inv_eps_integral(z, z + du);
    if (dl > 0.0) f.down = hx / eps.inv_eps_integral(z - dl, z);
    // A missing neighbour is the mirror image of the one opposite, and so
    // is the half of the box towards it.
    if (du <= 0.0) {
        f.up = f.down;
        f.side = 2.0 * eps.eps_integral(z - 0.5 * dl, z) / hx;
    } else if (dl <= 0.0) {
        f.down = f.up;
        f.side = 2.0 * eps.eps_integral(z, z + 0.5 * du) / hx;
    } else {
        f.side = eps.eps_integral(z - 0.5 * dl, z + 0.5 * du) / hx;
    }
    return f;
}

Weights stencil_weights(const Faces& f, int lateral) {
    const double sum = lateral * f.side + f.up + f.down;
    return {f.side / sum, f.up / sum, f.down / sum};
}

RelaxCounters& relax_counters() {
    static RelaxCounters counters;
    return counters;
}

double sweep_equivalents(const RelaxCounters& before) {
    const RelaxCounters& now = relax_counters();
    const double sweeps = static_cast<double>((now.sweeps - now.coarse_sweeps) - (before.sweeps - before.coarse_sweeps));
    const double fine = static_cast<double>((now.node_updates - now.coarse_updates) -
                                            (before.node_updates - before.coarse_updates));
    if (!(fine > 0.0)) return sweeps;
    return sweeps * (1.0 + static_cast<double>(now.coarse_updates - before.coarse_updates) / fine);
}

long sweep_cap(long nodes) {
    return 1000 + 2 * nodes;
}

void report_no_convergence(long sweeps, double bound, double residual) {
    const int label_len = mirtex::run_label_length();
    const int run_len = static_cast<int>(strnlen(text_iteration, sizeof text_iteration));
    send_error(
        "ERROR: %.*s: run %.*s stopped after %ld sweeps: largest residual %lg still above BOUND=%lg! "
        "Failed to Calculate Element!",
        label_len, mirtex::run_label(), run_len, text_iteration, sweeps, residual, bound);
}

// ---------------------------------------------------- two-dimensional SOR

namespace {

bool band_matches(d2* h, int columns, int rows) {
    return h != nullptr && lower_bound(h, 1) == 1 && upper_bound(h, 1) == columns && lower_bound(h, 2) == 1 &&
           upper_bound(h, 2) == rows;
}

}  // namespace

}  // namespace mirtex::solver

extern "C" MIRTEX_API int iteration(double e3, double e2, double e1, int nx, int m4, int m2, int k1, int rows0, int n4,
                                    int h1, int h2, double met, double bound, double alpha) {
    using namespace mirtex::solver;
    const BandStack st{nx, m4, m2, k1, rows0, n4, h1, h2, met};
    d2* const handles[kBandCount] = {pot0, pot1, pot2, pot4};
    bool ok = st.valid();
    for (int b = 0; ok && b < kBandCount; ++b) ok = band_matches(handles[b], st.columns(b), st.rows(b));
    if (!ok) {
        mirtex::send_error(
            "ERROR: %.*s: the potential grid does not match its band layout (L1/DL=%d, rows %d/%d/%d/%d)!",
            mirtex::run_label_length(), mirtex::run_label(), nx, rows0, k1 + 2, m2 + 2,
            n4);
        return kFailed;
    }
    // Through each handle's own access pointer, which the globals pot_0 ..
    // pot_4 hold as well when the caller has set them.
    BandView views[kBandCount];
    for (int b = 0; b < kBandCount; ++b) views[b] = view2(mirtex::access(handles[b]), st.columns(b), st.rows(b));
    const Layers eps{e3, e2, e1, -2.0 * h2};
    Plan plan(Stencil::Planar, st, eps, views, alpha);
    long nodes = 0;
    for (int b = 0; b < kBandCount; ++b) nodes += static_cast<long>(st.columns(b)) * st.rows(b);
    return relax("iteration", bound, sweep_cap(nodes), plan.free_nodes(), [&] { return plan.sweep(); });
}
