// The open end: the strip of the line ends at plane Z1; beyond it the
// grounds run on across the gap (GAP/DL planes) and a ground strip closes
// the slot region (WG/DL planes) before the grounded end wall.  The end's
// capacitance is the charge the strip holds beyond what the same length of
// undisturbed line holds.
#include <algorithm>

#include "binding/messages.h"
#include "params/end_layout.h"
#include "solver/frame3d.h"

namespace mirtex::solver {
namespace {

using params::OpenInts, params::OpenReals, params::OpenResults;
using params::read_layout;
const Record<OpenInts, OpenReals, OpenResults> kRecord{"cpw_open.cdb", "Tessaric Open"};

void paint_open(BandGrid3& g, const OpenInts& in, int planes, int columns) {
    g.paint(in.X0, in.X1, 1, in.Z1, 0.0);
    g.paint(in.X4, in.XE, 1, in.Z1, 0.0);
    g.paint(in.X2, in.X3, 1, in.Z1, 1.0);
    if (in.GAP_DL != 0) {
        g.paint(in.X0, in.X1, in.Z1 + 1, in.Z2 - 1, 0.0);
        g.paint(in.X4, in.XE, in.Z1 + 1, in.Z2 - 1, 0.0);
    }
    if (in.WG_DL != 0) g.paint(1, columns, in.Z2, std::min(in.Z3, planes), 0.0);
}

}  // namespace
}  // namespace mirtex::solver

using namespace mirtex::solver;

extern "C" MIRTEX_API int Calc_Open(int /*plot: no diagnostic output*/, int* ipar, double* dpar, double* dpar_out) {
    if (kRecord.read(ipar, dpar, nullptr, dpar_out) == 0) return 0;
    mirtex::send_info("Calculating C_OPEN");
    const auto in = read_layout<OpenInts>(ipar);
    Frame3D f = frame3d(in, read_layout<OpenReals>(dpar));
    if (!f.ok) return frame_failure(f.problem);
    const int Z1 = in.Z1, X2 = in.X2, X3 = in.X3;
    if (Z1 < 9 || X2 < 2 || X3 > 2 * f.st.nx)
        return frame_failure(
            mirtex::format("the strip (columns %d..%d, planes 1..%d) leaves no reference plane", X2, X3, Z1));

    BandGrid3 g(f.st, f.ny);
    if (!g) return g.status();
    g.ground(true);
    paint_open(g, in, f.planes(), f.columns());

    if (const int rc = run3(f, "1/3", f.layers()); rc != 0) return rc;
    const double q = strip_charge(f, X2, X3, 2, 2, f.e3, f.e2);
    const double Q = strip_charge(f, X2, X3, 2, Z1, f.e3, f.e2);
    LineReference line;
    if (const int rc = line_reference(f, "2/3", "3/3", port1_plane4(), X2, X3, line); rc != 0) return rc;

    OpenResults r;
    r.C_end = kEps0 * (Q - (Z1 - 1) * q) * f.dl * 0.5;
    r.C_per_m = line.c, r.L_per_m = line.l, r.ZL = line.zl, r.ER_eff = line.er;
    kRecord.write(ipar, dpar, r, dpar_out);
    return 0;
}
