// The open end: the strip of the line ends at plane Z1; beyond it the
// grounds run on across the gap (GAP/DL planes) and a ground strip closes
// the slot region (WG/DL planes) before the grounded end wall.  The end's
// capacitance is the charge the strip holds beyond what the same length of
// undisturbed line holds.
#include <algorithm>
#include <cstring>

#include "binding/messages.h"
#include "cache/calc_file.h"
#include "solver/frame3d.h"

namespace mirtex::solver {
namespace {

// Slots: X0, XE, X1, X2, X3, X4, Z1, Z2, Z3, H3/DL, H2/DL, H1/DL, L1/DL,
// L2/DL, N5, GAP/DL, WG/DL; ER3, ER2, ER1, DL, MET, ALPHA, BOUND, VER.
constexpr int kIpar = 17, kDpar = 8, kOut = 5;

void paint_open(BandGrid3& g, const int* ip, int planes, int columns) {
    const int X0 = ip[0], XE = ip[1], X1 = ip[2], X2 = ip[3], X3 = ip[4], X4 = ip[5];
    const int Z1 = ip[6], Z2 = ip[7], Z3 = ip[8];
    g.paint(X0, X1, 1, Z1, 0.0);
    g.paint(X4, XE, 1, Z1, 0.0);
    g.paint(X2, X3, 1, Z1, 1.0);
    if (ip[15] != 0) {
        g.paint(X0, X1, Z1 + 1, Z2 - 1, 0.0);
        g.paint(X4, XE, Z1 + 1, Z2 - 1, 0.0);
    }
    if (ip[16] != 0) g.paint(1, columns, Z2, std::min(Z3, planes), 0.0);
}

}  // namespace
}  // namespace mirtex::solver

using namespace mirtex::solver;

extern "C" MIRTEX_API int Calc_Open(int /*plot: no diagnostic output*/, int* ipar, double* dpar, double* dpar_out) {
    static const char kFile[] = "cpw_open.cdb";
    static const char kIdent[] = "Tessaric Open";
    if (ReadCalc(kFile, kIdent, ipar, kIpar, dpar, kDpar, nullptr, 0, dpar_out, kOut) == 0) return 0;
    mirtex::send_info("Calculating C_OPEN");
    Frame3D f = frame3d(ipar + 9, dpar, 4, 5);
    if (!f.ok) return frame_failure(f.problem);
    const int Z1 = ipar[6], X2 = ipar[3], X3 = ipar[4];
    if (Z1 < 9 || X2 < 2 || X3 > 2 * f.st.nx)
        return frame_failure(
            mirtex::format("the strip (columns %d..%d, planes 1..%d) leaves no reference plane", X2, X3, Z1));

    BandGrid3 g(f.st, f.ny);
    if (!g) return g.status();
    g.ground(true);
    paint_open(g, ipar, f.planes(), f.columns());

    if (const int rc = run3(f, "1/3", f.layers()); rc != 0) return rc;
    const double q = strip_charge(f, X2, X3, 2, 2, f.e3, f.e2);
    const double Q = strip_charge(f, X2, X3, 2, Z1, f.e3, f.e2);
    LineReference line;
    if (const int rc = line_reference(f, "2/3", "3/3", port1_plane4(), X2, X3, line); rc != 0) return rc;

    double out[kOut] = {kEps0 * (Q - (Z1 - 1) * q) * f.dl * 0.5, line.c, line.l, line.zl, line.er};
    std::memcpy(dpar_out, out, sizeof out);
    WriteCalc(kFile, kIdent, ipar, kIpar, dpar, kDpar, nullptr, 0, dpar_out, kOut);
    return 0;
}
