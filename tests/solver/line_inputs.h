// Line input vectors built slot by slot from a physical cross-section, the
// way the line input builder lays them out, so that the solver can be
// tested on its own.
#pragma once

#include <cmath>

namespace mirtex::test {

struct LineSpec {
    double W = 20e-6, S = 15e-6, GW = 0.0;      // centre strip, slots, ground strips (0: to the walls)
    double H1 = 0.0, H2 = 200e-6, H3 = 400e-6;  // lower layer, upper layer, cover height
    double L1 = 400e-6, DL = 2.5e-6, T = 0.0;   // box width, grid step, metal thickness
    double er3 = 1.0, er2 = 12.9, er1 = 12.9;
    double bound = 1e-6, alpha = 1.8;
};

struct LineVectors {
    int ipar[9];
    double dpar[10];
    double out[8];
};

inline double grid_round(double x) {
    return std::trunc(x + 0.50001);
}

inline LineVectors line_vectors(const LineSpec& s) {
    LineVectors v{};
    const double wh = grid_round(2 * s.W / s.DL) / 2, sh = grid_round(2 * s.S / s.DL) / 2,
                 gh = grid_round(2 * s.GW / s.DL) / 2;
    const int k = static_cast<int>(grid_round((s.H3 / s.DL - 7) / 4));
    v.ipar[0] = static_cast<int>(std::trunc(wh));
    v.ipar[1] = static_cast<int>(2 * wh);
    v.ipar[2] = static_cast<int>(2 * sh);
    v.ipar[3] = static_cast<int>(2 * gh);
    v.ipar[4] = 4 * k + 7;
    v.ipar[5] = static_cast<int>(grid_round(s.H2 / s.DL));
    v.ipar[6] = 4 * static_cast<int>(grid_round(s.H1 / (4 * s.DL)));
    v.ipar[7] = 4 * static_cast<int>(grid_round(s.L1 / (4 * s.DL)));
    v.ipar[8] = k;
    v.dpar[0] = s.er3;
    v.dpar[1] = s.er2;
    v.dpar[2] = s.er1;
    v.dpar[3] = s.DL;
    v.dpar[4] = wh * s.DL;
    v.dpar[5] = s.T;
    v.dpar[6] = s.T / s.DL >= 0.2 ? 2 * s.T / (3 * s.DL) : 0.0;
    v.dpar[7] = s.alpha;
    v.dpar[8] = s.bound;
    v.dpar[9] = 1010.0;
    return v;
}

// Complete elliptic integral of the first kind, by the arithmetic-geometric mean.
inline double ellip_k(double k) {
    double a = 1.0, b = std::sqrt(1.0 - k * k);
    for (int i = 0; i < 40 && std::fabs(a - b) > 1e-16 * a; ++i) {
        const double m = 0.5 * (a + b);
        b = std::sqrt(a * b);
        a = m;
    }
    return M_PI / (2.0 * a);
}

// K(k)/K(k') of the half plane bounded by a ground at distance h from the
// metal plane (h infinite: the open half plane).
inline double half_plane_ratio(double w, double s, double h) {
    const double k =
        std::isinf(h) ? w / (w + 2 * s) : std::tanh(M_PI * w / (4 * h)) / std::tanh(M_PI * (w + 2 * s) / (4 * h));
    return ellip_k(k) / ellip_k(std::sqrt(1 - k * k));
}

// Thin conductor-backed CPW with a cover, by conformal mapping and partial
// capacitances: every slot boundary taken as a magnetic wall, grounds of
// infinite width.  Substrate h of er under the metal, air up to the cover hc.
struct ConformalLine {
    double c, c_air, zl, er_eff;
};
inline ConformalLine conformal_cbcpw(double w, double s, double h, double er, double hc) {
    constexpr double eps0 = 8.8541843e-12, c0 = 299792458.0;
    const double up = half_plane_ratio(w, s, hc), down = half_plane_ratio(w, s, h);
    ConformalLine r;
    r.c = 2 * eps0 * (up + er * down);
    r.c_air = 2 * eps0 * (up + down);
    r.er_eff = r.c / r.c_air;
    r.zl = 1.0 / (c0 * std::sqrt(r.c * r.c_air));
    return r;
}

}  // namespace mirtex::test
