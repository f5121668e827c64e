// The spiral inductor: a rectangular winding in an opening of the ground
// plane, line 1 running in from plane 1 to its outer end, line 2 leaving
// to the last plane from where the bridge sets the inner end down (both
// ends mirror planes).
//
// The winding is a chain of segments: line 1's stretch across the
// opening's gap to the outer end, each straight track of the winding, and
// the way out from the inner end over the bridge and line 2's stretch in
// the opening.  The lines outside the opening are the feed lines' (their
// lengths L1, L2 reach the opening's edges).  One run with the layers and
// the whole conductor at 1 V gives each segment its charge to ground, C =
// eps0 h Q.
//
// Inductance: the segments' partial inductances (Greenhouse), each a
// filament along its middle: its own, mu0 l / 2pi [ln(2 l / (w + t)) + 1/2
// + (w + t) / (3 l)], and its mutual inductance with every other segment
// (each pair's 2M shared between the two), Neumann's integral for parallel
// filaments a distance d apart, mu0 / 4pi [F(a2 - b1) - F(a2 - b2) - F(a1 -
// b1) + F(a1 - b2)] with F(x) = x asinh(x / d) - sqrt(x^2 + d^2), positive
// where the currents run the same way and negative across the winding;
// perpendicular segments do not couple.  The sum over the chain is the
// winding's inductance (its low-frequency value, the current sheet of
// Mohan et al. within 10 %).
//
// Resistances, per segment of width w and length l (the way out counted
// as the bridge's width BW): at 1 GHz the current flows on the top and
// bottom faces, R' = Rs l / (2 w) with Rs the reference metal's surface
// resistance at 1 GHz; at DC through the section, R_dc = l / (5.6e7 S/m w
// T).  Cs, bridging the ports: the bridge over the outer
// turns, eps0 die_er BW WT / die_h for each turn it crosses.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "binding/messages.h"
#include "cache/calc_file.h"
#include "numeric/memory.h"
#include "params/rind_layout.h"
#include "solver/junction.h"

namespace mirtex::solver {
namespace {

using params::RindInts, params::RindReals, params::RindResults, params::RindIntResults;

// A track as a filament: along x (or y) from a1 to a2 at the cross
// position c, all in metres, with the direction of its current.
struct Filament {
    bool along_x = true;
    double a1 = 0, a2 = 0, c = 0;
    int sign = 1;
};

double neumann_f(double x, double d) {
    return x * std::asinh(x / d) - std::sqrt(x * x + d * d);
}

// Mutual inductance of two parallel filaments (0 for perpendicular ones).
double mutual(const Filament& p, const Filament& q) {
    if (p.along_x != q.along_x) return 0.0;
    const double d = std::max(std::fabs(p.c - q.c), 1e-12);
    const double m =
        neumann_f(p.a2 - q.a1, d) - neumann_f(p.a2 - q.a2, d) - neumann_f(p.a1 - q.a1, d) + neumann_f(p.a1 - q.a2, d);
    return 1e-7 * m * p.sign * q.sign;  // mu0 / 4pi
}

struct Spiral {
    std::vector<Rect> grounds, conductor, lines;
    std::vector<Filament> track;  // one per segment
    std::vector<int> id;          // segment of each node of the metal plane
    std::vector<double> width;    // nodes across each segment
    int segments = 0;
};

Spiral spiral_layout(const int* ipar, const Frame3D& f) {
    const auto in = params::read_layout<RindInts>(ipar);
    const int X = f.columns(), Y = f.planes(), NN = in.NN;
    const int* rect = ipar + RindInts::kSlots;
    const int* tail = rect + 4 * NN;
    Spiral s;
    s.lines = {{in.X12, in.X13, 1, in.Z1 - 1}, {in.X12B, in.X13B, in.Z3 + 1, Y}};
    s.grounds = {{1, in.X11, 1, in.Z1 - 1},  {in.X14, X, 1, in.Z1 - 1},    {1, in.X21, in.Z1, in.Z3},
                 {in.X24, X, in.Z1, in.Z3}, {1, in.X11B, in.Z3 + 1, Y}, {in.X14B, X, in.Z3 + 1, Y}};
    const int wt = rect[3] - rect[2] + 1;  // the bottom track's rows
    const double h = 0.5 * f.dl;
    const bool mirrored = in.SIDE != 0;
    // Line 1's strip across the gap to the outer end, along y.
    s.conductor.push_back({in.X12, in.X13, in.Z1, rect[2] - 1});
    s.width.push_back(in.X13 - in.X12 + 1);
    s.track.push_back({false, in.Z1 * h, rect[2] * h, 0.5 * (in.X12 + in.X13) * h, 1});
    for (int k = 0; k < NN; ++k) {
        const int* r = rect + 4 * k;
        s.conductor.push_back({r[0], r[1], r[2], r[3]});
        s.width.push_back(wt);
        // Bottom and top tracks run along x, the sides along y; each ring
        // goes bottom, right, top, left (mirrored in x when wound the
        // other way).  The filament runs between the corners' centres.
        Filament t;
        t.along_x = k % 2 == 0;
        const double half = 0.5 * (wt - 1);
        if (t.along_x) {
            t.a1 = (r[0] + half) * h, t.a2 = (r[1] - half) * h, t.c = 0.5 * (r[2] + r[3]) * h;
            t.sign = (k % 4 == 0 ? 1 : -1) * (mirrored ? -1 : 1);
        } else {
            t.a1 = (r[2] + half) * h, t.a2 = (r[3] - half) * h, t.c = 0.5 * (r[0] + r[1]) * h;
            t.sign = k % 4 == 1 ? 1 : -1;
        }
        s.track.push_back(t);
    }
    // From the inner end over the bridge and down onto line 2, up to the
    // opening's edge, along y: from the middle of the innermost top track
    // (where its own filament ends) to half a step beyond the opening's
    // last row.  Counted from the track's first row to the last row's node
    // instead, the length would grow by half a track width less a step as
    // the grid refines.
    s.conductor.push_back({in.X12B, in.X13B, tail[2], in.Z3});
    s.width.push_back(in.X1B - in.X1A + 1);
    s.track.push_back({false, (tail[0] + 0.5 * (wt - 1)) * h, (in.Z3 + 0.5) * h, 0.5 * (in.X1A + in.X1B) * h, 1});
    s.segments = NN + 2;
    s.id.assign(static_cast<std::size_t>(X) * Y, -1);
    for (int k = 0; k < s.segments; ++k) {
        const Rect& r = s.conductor[k];
        for (int y = std::max(r.y1, 1); y <= std::min(r.y2, Y); ++y)
            for (int x = std::max(r.x1, 1); x <= std::min(r.x2, X); ++x)
                s.id[static_cast<std::size_t>(y - 1) * X + (x - 1)] = k;
    }
    return s;
}

}  // namespace
}  // namespace mirtex::solver

using namespace mirtex::solver;

extern "C" MIRTEX_API int Calc_Ind2(int /*plot: no diagnostic output*/, int* ipar, int n_ipar, double* dpar, int n_dpar,
                                    int* ipar_out, double** dpar_out, int* n_dpar_out) {
    namespace params = mirtex::params;
    static const char kFile[] = "cpw_ind.cdb";
    static const char kIdent[] = "Tessaric Inductor";
    const int NN = n_ipar < RindInts::kSlots ? 0 : params::read_layout<RindInts>(ipar).NN;
    if (NN < 3 || n_ipar != RindInts::kSlots + 4 * NN + 3 || n_dpar < RindReals::kSlots) {
        mirtex::send_error("ERROR: %.*s: a spiral of %d slots! Failed to Calculate Element!",
                           mirtex::run_label_length(), mirtex::run_label(), n_ipar);
        return kFailed;
    }
    const int N = params::rind_segments(NN), n_out = params::rind_result_slots(N);
    if (*dpar_out == nullptr || *n_dpar_out != n_out) {
        if (*dpar_out != nullptr) g_free(reinterpret_cast<char*>(*dpar_out));
        *dpar_out = static_cast<double*>(g_malloc(static_cast<long>(n_out) * static_cast<long>(sizeof(double))));
        *n_dpar_out = *dpar_out != nullptr ? n_out : 0;
        if (*dpar_out == nullptr) return kOutOfMemory;
    }
    double* out = *dpar_out;
    // Only NFP of the two integer results is solved (and filed); the other
    // is cleared so that the result the cache keeps holds no stale memory.
    ipar_out[RindIntResults::kSlots] = 0;
    if (ReadCalc(kFile, kIdent, ipar, n_ipar, dpar, n_dpar, ipar_out, RindIntResults::kSlots, out, n_out) == 0)
        return 0;
    mirtex::send_info("Calculating C_RIND");
    const auto in = params::read_layout<RindInts>(ipar);
    const auto re = params::read_layout<RindReals>(dpar);
    Frame3D f = frame3d(in, re);
    if (!f.ok) return frame_failure(f.problem);
    const Spiral s = spiral_layout(ipar, f);
    for (const Rect& r : s.conductor)
        if (r.x1 < 2 || r.x2 > f.columns() - 1 || r.y1 > r.y2)
            return frame_failure(mirtex::format("a track of the winding (columns %d..%d, planes %d..%d) leaves the box",
                                                r.x1, r.x2, r.y1, r.y2));

    std::vector<double> q(N);
    {
        BandGrid3 g(f.st, f.ny);
        if (!g) return g.status();
        g.ground(false);
        for (const Rect& r : s.grounds) g.paint(r.x1, r.x2, r.y1, r.y2, 0.0);
        for (const Rect& r : s.conductor) g.paint(r.x1, r.x2, r.y1, r.y2, 1.0);
        for (const Rect& r : s.lines) g.paint(r.x1, r.x2, r.y1, r.y2, 1.0);
        if (const int rc = run3(f, "1/1", f.layers()); rc != 0) return rc;
        for (int k = 0; k < N; ++k) q[k] = marked_flux(f, f.layers(), 1.0, s.id, k, interior(f));
    }

    const double h = 0.5 * f.dl, T = re.T, BW = re.BW * f.dl, WT = re.WF * f.dl;
    RindResults r;
    r.T = T;
    r.Cs = re.die_h > 0.0 ? kEps0 * re.die_er * BW * WT * std::max(0, in.TURN - 1) / re.die_h : 0.0;
    mirtex::params::write_layout(r, out);
    // Per segment: R' at 1 GHz, R at DC, L, C, each a column of N.
    double* R1_col = out + params::rind_column(params::kRindR1GHz, N);
    double* Rdc_col = out + params::rind_column(params::kRindRdc, N);
    double* L_col = out + params::rind_column(params::kRindL, N);
    double* C_col = out + params::rind_column(params::kRindC, N);
    for (int k = 0; k < N; ++k) {
        // Length along the middle (between the corners' centres) and width.
        const Filament& p = s.track[k];
        const double l = std::max(p.a2 - p.a1, h), w = s.width[k] * h;
        const double R1 = surface_resistance_1ghz() * l / (2.0 * w), Rdc = T > 0.0 ? l / (kRefSigma * w * T) : 0.0;
        double L = 2e-7 * l * (std::log(2.0 * l / (w + T)) + 0.5 + (w + T) / (3.0 * l));
        for (int j = 0; j < N; ++j)
            if (j != k) L += mutual(p, s.track[j]);
        R1_col[k] = R1;
        Rdc_col[k] = Rdc;
        L_col[k] = L;
        C_col[k] = kEps0 * h * q[k];
    }
    RindIntResults counts;
    counts.NFP = N;
    mirtex::params::write_layout(counts, ipar_out);
    WriteCalc(kFile, kIdent, ipar, n_ipar, dpar, n_dpar, ipar_out, RindIntResults::kSlots, out, n_out);
    return 0;
}
