#include "solver/two_line.h"

#include <cmath>
#include <cstring>
#include <utility>

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

void PortLines::put(double* out) const {
    for (const LineReference& p : port) {
        *out++ = p.c;
        *out++ = p.l;
        *out++ = p.zl;
        *out++ = p.er;
    }
}

void store_two_line(const char* file, const char* ident, int* ipar, double* dpar, double* out, bool swapped,
                    double* dpar_out) {
    if (swapped) {
        std::swap(out[0], out[1]);
        for (int i = 3; i < 7; ++i) std::swap(out[i], out[i + 4]);
    }
    std::memcpy(dpar_out, out, 11 * sizeof(double));
    WriteCalc(file, ident, ipar, 19, dpar, 8, nullptr, 0, dpar_out, 11);
}

int two_line_frame(const int* ipar, const double* dpar, Frame3D& f, TwoLineSlots& s) {
    f = frame3d(ipar + 12, dpar, 4, 5);
    if (!f.ok) return frame_failure(f.problem);
    s.X0 = ipar[0];
    s.XE = ipar[1];
    for (int i = 1; i <= 4; ++i) {
        s.X1[i] = ipar[1 + i];
        s.X2[i] = ipar[5 + i];
    }
    s.Z1 = ipar[10];
    s.Z2 = ipar[11];
    s.swapped = ipar[18] != 0;
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
    constexpr int kIpar = 19, kDpar = 8, kOut = 11;
    if (ReadCalc(file, ident, ipar, kIpar, dpar, kDpar, nullptr, 0, dpar_out, kOut) == 0) return 0;
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

    double out[kOut] = {L * b / (a + b), L * a / (a + b), kEps0 * (Q - n1 * q1 - n2 * q2) * f.dl * 0.5};
    lines.put(out + 3);
    store_two_line(file, ident, ipar, dpar, out, s.swapped, dpar_out);
    return 0;
}

}  // namespace mirtex::solver
