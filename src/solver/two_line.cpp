#include "solver/two_line.h"

#include <cmath>
#include <algorithm>

#include "binding/messages.h"
#include "cache/calc_file.h"

namespace mirtex::solver {

void TwoLineSlots::paint_grounds(BandGrid3& g, int k, int y1, int y2) const {
    const int* x = line(k);
    g.paint(X0, x[1], y1, y2, 0.0);
    g.paint(x[4], XE, y1, y2, 0.0);
}

void TwoLineSlots::paint_line(BandGrid3& g, int k, int y1, int y2, double v) const {
    paint_grounds(g, k, y1, y2);
    g.paint(line(k)[2], line(k)[3], y1, y2, v);
}

Excess TwoLineSlots::excess(const Frame3D& f) const {
    auto q = [&](int k, int y1, int y2) { return strip_charge(f, line(k)[2], line(k)[3], y1, y2, f.e3, f.e2); };
    const double h = 0.5 * f.dl;
    Excess e;
    e.line1 = kEps0 * (q(1, 2, Z1) - (Z1 - 1) * q(1, 2, 2)) * h;
    e.line2 = kEps0 * (q(2, Z2, last) - (last - Z2 + 1) * q(2, last, last)) * h;
    return e;
}

int TwoLineSlots::references(const Frame3D& f, const char* const (&c)[4], PortLines& out) const {
    if (const int rc = line_reference(f, c[0], c[1], port1_plane4(), X1[2], X1[3], out.port[0]); rc != 0) return rc;
    return line_reference(f, c[2], c[3], port2_plane4(f), X2[2], X2[3], out.port[1]);
}

int two_line_frame(const int* ipar, const double* dpar, Frame3D& f, TwoLineSlots& s) {
    const auto in = params::read_layout<params::TwoLineInts>(ipar);
    f = frame3d(in, params::read_layout<params::TwoLineReals>(dpar));
    if (!f.ok) return frame_failure(f.problem);
    s.X0 = in.X0;
    s.XE = in.XE;
    const int x1[5] = {0, in.X11, in.X12, in.X13, in.X14}, x2[5] = {0, in.X21, in.X22, in.X23, in.X24};
    std::copy(x1, x1 + 5, s.X1);
    std::copy(x2, x2 + 5, s.X2);
    s.Z1 = in.Z1;
    s.Z2 = in.Z2;
    s.swapped = in.DREH != 0;
    s.last = 2 * f.ny;
    // Both reference planes must lie on their undisturbed lines, and the
    // strips inside the walls.
    const int port2 = 8 * port2_plane4(f) - 7;
    if (s.Z1 < 9 || s.Z2 > port2 || s.Z1 >= s.Z2 || s.X1[2] < 2 || s.X2[2] < 2 || s.X1[3] > 2 * f.st.nx ||
        s.X2[3] > 2 * f.st.nx)
        return frame_failure(
            format("the lines (planes 1..%d and %d..%d) leave no reference plane at a port", s.Z1, s.Z2, 2 * f.ny + 1));
    return 0;
}

int solve_step_like(const char* file, const char* ident, const char* info, int* ipar, double* dpar, double* dpar_out,
                    const StepShape& shape) {
    const Record<params::TwoLineInts, params::TwoLineReals, params::StepResults> record{file, ident};
    if (record.read(ipar, dpar, nullptr, dpar_out) == 0) return 0;
    send_info("%s", info);
    Frame3D f;
    TwoLineSlots s;
    if (const int rc = two_line_frame(ipar, dpar, f, s); rc != 0) return rc;
    BandGrid3 g(f.st, f.ny);
    if (!g) return g.status();
    g.ground(false);
    shape.paint_metal(g, s, f.planes());
    if (const int rc = run3(f, "1/6", f.layers()); rc != 0) return rc;

    // Line 1's section runs from plane 2 to the plane before line 2's strip
    // begins, line 2's from there to the last plane a charge may cover.
    const int n1 = s.Z2 - 2, n2 = s.last - s.Z2 + 1;
    double Q = 0.0;
    for (int y = 2; y < s.Z2; ++y) {
        int x1 = 0, x2 = 0;
        shape.strip(s, y, x1, x2);
        Q += strip_charge(f, x1, x2, y, y, f.e3, f.e2);
    }
    Q += strip_charge(f, s.X2[2], s.X2[3], s.Z2, s.last, f.e3, f.e2);
    const double q1 = strip_charge(f, s.X1[2], s.X1[3], 2, 2, f.e3, f.e2);
    const double q2 = strip_charge(f, s.X2[2], s.X2[3], s.last, s.last, f.e3, f.e2);
    PortLines lines;
    if (const int rc = s.references(f, {"2/6", "3/6", "4/6", "5/6"}, lines); rc != 0) return rc;

    // The slot problem on a fresh fine field; the coarse bands start from
    // what the electric runs left.
    g.refill_band0(false);
    shape.paint_slots(g, s, f.planes());
    if (const int rc = run3l(f, "6/6"); rc != 0) return rc;
    // The +1 slot's one-sided flux (all faces, as the short end's): per
    // plane of line 1 (plane 1), of line 2 (the last plane), and over the
    // planes of both sections.
    const int X = f.columns(), Y = f.planes();
    const double a = slot_flux(1.0, 1, X, Y), b = slot_flux(1.0, Y, X, Y);
    double T = 0.0;
    for (int y = 2; y <= s.last; ++y) T += slot_flux(1.0, y, X, Y);
    const double L = (T - n1 * a - n2 * b) * kMu0 * f.dl * 0.125;

    params::StepResults r;
    r.L1 = L * b / (a + b);
    r.L2 = L * a / (a + b);
    r.Cp = kEps0 * (Q - n1 * q1 - n2 * q2) * f.dl * 0.5;
    lines.put(r);
    to_user_ports(r, s.swapped, &params::StepResults::L1, &params::StepResults::L2);
    record.write(ipar, dpar, r, dpar_out);
    return 0;
}

}  // namespace mirtex::solver
