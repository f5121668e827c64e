#include "solver/frame3d.h"

#include <cmath>
#include <cstring>

#include "binding/messages.h"

namespace mirtex::solver {

Frame3D frame3d(const int* stack, double met, bool thin) {
    Frame3D f;
    const int h2 = stack[1], h1 = stack[2], nx = stack[3], ny = stack[4], n5 = stack[5];
    f.problem = stack_from_slots(h1, h2, nx, n5, met, !thin && met != 0.0, f.st);
    if (!f.problem.empty()) return f;
    // The port references sit on band 0 planes 9 and 2 L2/DL - 7, which
    // need a box of at least 16 steps DL; the planes of all bands coincide
    // when L2/DL is a multiple of 4.
    if (n5 < 0 || !f.st.valid() || ny < 16 || ny % 4 != 0) {
        f.problem =
            format("box of L1/DL=%d, L2/DL=%d (multiples of 4, L2/DL at least 16) and N5=%d does not fit the grid", nx,
                   ny, n5);
        return f;
    }
    f.ny = ny;
    f.ok = true;
    return f;
}

int frame_failure(const std::string& problem) {
    send_error("ERROR: %.*s: %s! Failed to Calculate Element!",
               mirtex::run_label_length(), mirtex::run_label(), problem.c_str());
    return kFailed;
}

int run3(const Frame3D& f, const char* caption, const Layers& eps) {
    copy_bounded(text_iteration, sizeof text_iteration, caption);
    const BandStack& s = f.st;
    return iteration3(eps.e3, eps.e2, eps.e1, s.nx, s.m4, s.m2, s.k1, s.rows0, s.n4, f.ny, s.h1, s.h2, s.met, f.bound,
                      f.alpha);
}

int run3l(const Frame3D& f, const char* caption) {
    copy_bounded(text_iteration, sizeof text_iteration, caption);
    return iteration3l(f.st.nx, f.st.m4, f.st.m2, f.st.k1, f.ny, f.bound, f.alpha);
}

double strip_charge(const Frame3D& f, int x1, int x2, int y1, int y2, double ea, double eb) {
    double q = 0.0;
    charge(ea, eb, x1, x2, y1, y2, f.ny, f.st.nx, f.st.met, f.st.rows0, 0, &q);
    return q;
}

double slot_flux(double value, int y, int columns, int planes) {
    const d3 p = pit_0;
    const int yb = y > 1 ? y - 1 : y + 1, yf = y < planes ? y + 1 : y - 1;
    double s = 0.0;
    for (int x = 2; x < columns; ++x) {
        if (p[x][3][y] != value) continue;
        // Gauss's law of a thin metal node, as charge() has it with ea =
        // eb = 1: the faces above and below, and the in-plane faces summed
        // before the magnitude (the faces inside the slot cancel).
        s += std::fabs(value - p[x][4][y]) + std::fabs(value - p[x][2][y]) +
             std::fabs(4.0 * value - p[x + 1][3][y] - p[x - 1][3][y] - p[x][3][yb] - p[x][3][yf]);
    }
    return 0.5 * s;
}

int line_reference(const Frame3D& f, const char* air_caption, const char* dielectric_caption, int plane4, int x1,
                   int x2, LineReference& out) {
    const BandStack& s = f.st;
    const int plane0 = 8 * plane4 - 7;
    auto run = [&](const char* caption, const Layers& eps, double& q) {
        copy_bounded(text_iteration, sizeof text_iteration, caption);
        const int rc = iteration3z(eps.e3, eps.e2, eps.e1, s.nx, s.m4, s.m2, s.k1, s.rows0, s.n4, plane4, s.h1, s.h2,
                                   s.met, 1e-5, f.alpha);
        if (rc == 0) q = strip_charge(f, x1, x2, plane0, plane0, eps.e3, eps.e2);
        return rc;
    };
    double ca = 0.0, cd = 0.0;
    if (const int rc = run(air_caption, f.air(), ca); rc != 0) return rc;
    // Without dielectrics the second run would only polish the same field
    // (and move ER_eff off 1 by the bound): it is the air run.
    const Layers l = f.layers();
    if (l.e3 == 1.0 && l.e2 == 1.0 && l.e1 == 1.0)
        cd = ca;
    else if (const int rc = run(dielectric_caption, l, cd); rc != 0)
        return rc;
    out.c = kEps0 * cd;
    out.l = kMu0 / ca;
    out.zl = std::sqrt(out.l / out.c);
    out.er = cd / ca;
    return 0;
}

}  // namespace mirtex::solver
