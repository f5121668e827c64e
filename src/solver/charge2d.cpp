#include "solver/charge2d.h"

#include <cmath>

namespace mirtex::solver {

namespace {

struct MetalRow {
    int row;
    Faces faces;    // flux coefficients of a node on this row
    double du, dl;  // spacings to the rows above and below (units h)
};

// Flux out of a conductor through the faces of its nodes.
double conductor_flux(d2 p, int columns, ConductorSpan c, const MetalRow* rows, int n_rows) {
    double q = 0.0;
    for (int k = 0; k < n_rows; ++k) {
        const MetalRow& m = rows[k];
        const int r = m.row;
        for (int x = c.first; x <= c.last; ++x) {
            const double v = p[x][r];
            // Neighbours inside the same conductor carry no flux: they hold
            // the same potential, so their differences vanish on their own.
            q += m.faces.up * (v - p[x][r + 1]) + m.faces.down * (v - p[x][r - 1]);
            if (x > 1) q += m.faces.side * (v - p[x - 1][r]);
            if (x < columns) q += m.faces.side * (v - p[x + 1][r]);
        }
    }
    return q;
}

// Surface-current sums of one conductor: current through each face is its
// height (units h) times the potential step across it; the loss sum adds
// current squared over height.
void current_sums(d2 p, int columns, ConductorSpan c, const BandStack& st, const MetalRow* rows, int n_rows,
                  double& sum, double& squares) {
    const int bottom = 3, top = st.metal_top_row();
    for (int x = c.first; x <= c.last; ++x) {
        const double v = p[x][bottom];
        const bool out_left = x == c.first && x > 1;
        const bool out_right = x == c.last && x < columns;
        const double below = v - p[x][bottom - 1];
        const double above = v - p[x][top + 1];
        if (!st.thick()) {
            if (out_left || out_right) {
                // At the edge of a strip the faces below, above and beside
                // form one value: the edge current concentrates there.
                double j = below + above;
                if (out_left) j += v - p[x - 1][bottom];
                if (out_right) j += v - p[x + 1][bottom];
                j = std::fabs(j);
                sum += j;
                squares += j * j;
            } else {
                sum += std::fabs(below) + std::fabs(above);
                squares += below * below + above * above;
            }
            continue;
        }
        // Thick metal: bottom and top faces are one step wide; the side faces
        // of the edge columns are as tall as the rows' boxes, (1 + MET)/2 at
        // the corners and MET inside the thickness.  Corner nodes keep their
        // faces apart.
        sum += std::fabs(below) + std::fabs(above);
        squares += below * below + above * above;
        for (int k = 0; k < n_rows; ++k) {
            const int r = rows[k].row;
            const double height = 0.5 * (rows[k].du + rows[k].dl);
            for (int side = 0; side < 2; ++side) {
                const bool out = side == 0 ? out_left : out_right;
                if (!out) continue;
                const double d = std::fabs(p[x][r] - p[side == 0 ? x - 1 : x + 1][r]);
                sum += height * d;
                squares += height * d * d;
            }
        }
    }
}

}  // namespace

ChargeSums charge2d(const BandStack& st, d2 p0, ConductorSpan driven, const ConductorSpan* grounds, int n_grounds,
                    const Layers& eps) {
    MetalRow rows[4];
    int n_rows = 0;
    for (int r = 3; r <= st.metal_top_row(); ++r) {
        MetalRow& m = rows[n_rows++];
        m.row = r;
        const double z = st.z(kBand0, r);
        m.du = st.z(kBand0, r + 1) - z;
        m.dl = z - st.z(kBand0, r - 1);
        m.faces = face_coefficients(eps, z, m.du, m.dl, 1.0);
    }
    const int columns = st.columns(kBand0);
    ChargeSums out;
    if (!driven.empty()) {
        out.charge = conductor_flux(p0, columns, driven, rows, n_rows);
        current_sums(p0, columns, driven, st, rows, n_rows, out.qs, out.ss);
    }
    for (int g = 0; g < n_grounds; ++g) {
        if (grounds[g].empty()) continue;
        out.ground_charge -= conductor_flux(p0, columns, grounds[g], rows, n_rows);
        current_sums(p0, columns, grounds[g], st, rows, n_rows, out.qg, out.sg);
    }
    return out;
}

}  // namespace mirtex::solver
