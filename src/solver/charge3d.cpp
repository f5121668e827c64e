// Gauss's law and surface currents on the finest band of the
// three-dimensional grid, pit_0 [x][row][y]: the metal plane is row 3, a
// thick metal spans rows 3 to 6 with vertical step MET x h, the in-plane
// step is h in x and y.
#include <cmath>

#include "numeric/hooks.h"
#include "solver/grid3d.h"

namespace {

bool conductor(double v) {
    return v == 0.0 || v == 1.0 || v == -1.0;
}

}  // namespace

// The flux leaving the conductor nodes of a rectangle of planes and
// columns.  The in-plane faces of a node are summed before the magnitude is
// taken, so that faces between two nodes of one conductor cancel; each
// vertical face counts by itself.  Faces of a thick metal: the side faces
// are MET times as tall as a thin metal's, the links through the thickness
// 1/MET as strong.
extern "C" MIRTEX_API int charge(double ea, double eb, int x1, int x2, int y1, int y2, int ny, int nx, double met,
                                 int rows0, int faces, double* sum) {
    if (x1 < 2 || x2 > 2 * nx || y1 < 2 || y2 > 2 * ny) return 1;
    *sum = 0.0;
    if (y1 > y2) return 0;
    const d3 p = pit_0;
    const bool thick = rows0 == 8;
    const bool bottom = !thick || faces != 2, top = thick && faces != 1;
    double s = 0.0;
    for (int y = y1; y <= y2; ++y) {
        for (int x = x1; x <= x2; ++x) {
            auto lateral = [&](int r) {
                const double v = p[x][r][y];
                return std::fabs(4.0 * v - p[x + 1][r][y] - p[x - 1][r][y] - p[x][r][y + 1] - p[x][r][y - 1]);
            };
            if (bottom && conductor(p[x][3][y])) {
                const double v = p[x][3][y];
                if (!thick)
                    s += ea * std::fabs(v - p[x][4][y]) + eb * std::fabs(v - p[x][2][y]) + 0.5 * (ea + eb) * lateral(3);
                else
                    s += eb * std::fabs(v - p[x][2][y]) + ea / met * std::fabs(v - p[x][4][y]) +
                         0.5 * (ea * met + eb) * lateral(3);
            }
            if (!thick || faces == 1) continue;
            if (faces != 2) {
                for (int r = 4; r <= 5; ++r) {
                    const double v = p[x][r][y];
                    if (!conductor(v)) continue;
                    s += ea / met * std::fabs(2.0 * v - p[x][r - 1][y] - p[x][r + 1][y]) + ea * met * lateral(r);
                }
            }
            if (top && conductor(p[x][6][y])) {
                const double v = p[x][6][y];
                s += ea / met * std::fabs(v - p[x][5][y]) + ea * std::fabs(v - p[x][7][y]) +
                     0.5 * ea * (met + 1.0) * lateral(6);
            }
        }
    }
    *sum = s;
    return 0;
}

// The resistance figure of a conductor run.  In each cross-section of the
// run (a plane for a current along y, a column for one along x) every node
// of the conductor on the chosen metal row carries the surface-current
// density J of its faces: the potential steps to its free neighbours above
// and below; a node at the side of the conductor adds its outward side
// face, in a thin metal within one magnitude with its vertical faces (the
// cross-section rule), in a thick metal by itself and MET times as tall.
// With S = sum J and Q = sum J^2, Q / S^2 is the resistance of the
// cross-section per sheet resistance and step when the current spreads
// like the charge, 1 / S its inverse weight.
extern "C" MIRTEX_API void current(int x1, int x2, int y1, int y2, int ny, int nx, double met, int rows0, int layer,
                                   int dir, double* inverse_sum, double* ratio_sum) {
    if (x1 < 2 || 2 * nx < x2 || y1 < 2 || 2 * ny < y2) {
        Error_Message(" Error ! Border of rectangle not correct !", "Cancel");
        return;
    }
    if (dir != 1 && dir != 2) {
        Error_Message(" Error ! direction not defined !", "Cancel");
        return;
    }
    const d3 p = pit_0;
    const bool thick = rows0 == 8 && layer != 0;
    const int r = thick && layer == 2 ? 6 : 3;
    auto metal = [](double v) { return std::fabs(v) == 1.0; };
    // Cross-sections: planes y (current along y) or columns x (along x); the
    // nodes of a cross-section run across the other index.
    const int c1 = dir == 1 ? y1 : x1, c2 = dir == 1 ? y2 : x2;
    const int n1 = dir == 1 ? x1 : y1, n2 = dir == 1 ? x2 : y2;
    auto at = [&](int c, int n, int row) -> double { return dir == 1 ? p[n][row][c] : p[c][row][n]; };
    for (int c = c1; c <= c2; ++c) {
        double S = 0.0, Q = 0.0;
        for (int n = n1; n <= n2; ++n) {
            const double v = at(c, n, r);
            if (!metal(v)) continue;
            const double below = at(c, n, r - 1), above = at(c, n, r + 1);
            const double sides[2] = {at(c, n - 1, r), at(c, n + 1, r)};
            double J = 0.0;
            if (!thick) {
                double k = 0.0, rest = 0.0;
                bool edge = false;
                for (double o : sides)
                    if (!metal(o)) {
                        edge = true;
                        k += 1.0;
                        rest += o;
                    }
                J = edge ? std::fabs((k + 2.0) * v - below - above - rest)
                         : std::fabs(v - below) + std::fabs(v - above);
            } else {
                if (!metal(below)) J += std::fabs(v - below);
                if (!metal(above)) J += std::fabs(v - above);
                for (double o : sides)
                    if (!metal(o)) J += met * std::fabs(v - o);
            }
            S += J;
            Q += J * J;
        }
        if (S > 0.0) {
            *ratio_sum += Q / (S * S);
            *inverse_sum += 1.0 / S;
        }
    }
}
