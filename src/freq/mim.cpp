// MIM capacitor: the two plates as a pair of coupled lines of the
// capacitor's length (bottom plate conductor 1, top plate conductor 2).
// The signal enters the bottom plate at its near end and leaves the top
// plate at its far end; the other two plate ends are open.
#include <new>

#include "freq/lumped.h"
#include "numeric/numeric.h"
#include "params/component_layout.h"

namespace {

// Dimensioned 1-based matrices for the multiconductor evaluation, made once
// per thread and kept: an evaluation at every frequency allocates nothing.
template <class H>
struct Owned {
    H* h = nullptr;
    ~Owned();
};
template <>
Owned<d2>::~Owned() { ofree_d2(&h); }
template <>
Owned<C2>::~Owned() { ofree_C2(&h); }

struct Work {
    Owned<d2> R, L, G, C;
    Owned<C2> Z;
    Work() {
        for (Owned<d2>* m : {&R, &L, &G, &C}) initmem_d2(&m->h, 1, 2, 1, 2, 0.0);
        initmem_C2(&Z.h, 1, 4, 1, 4, COMPLEX{0.0, 0.0});
    }
    bool ok() const { return R.h && L.h && G.h && C.h && Z.h; }
};

}  // namespace

extern "C" MIRTEX_API int Freq_Mim(const double* res, double tand_s, double tand_m, double sigma_bottom,
                                   double sigma_top, double length, double f, double, COMPLEX* Y) {
    using namespace mirtex::freq;
    for (int k = 0; k < 4; ++k) Y[k] = COMPLEX{0.0, 0.0};
    if (f == 0.0) return 0;  // the plates are open at direct current
    static thread_local Work W;
    if (!W.ok()) {
        // No work space: a NaN matrix that the driver refuses by name.
        for (int k = 0; k < 4; ++k) Y[k] = COMPLEX{std::nan(""), 0.0};
        return 1;
    }
    const double w = kTwoPi * f;
    const d2 r = mirtex::access(W.R.h), l = mirtex::access(W.L.h), g = mirtex::access(W.G.h),
             c = mirtex::access(W.C.h);
    const auto m = mirtex::params::read_layout<mirtex::params::MimResults>(res);
    const double Wb = m.W_BOT, Wt = m.W_TOP, Tb = m.T_BOT, Tt = m.T_TOP;
    // Every entry is written anew: the matrices are the last call's.
    r[1][1] = Tb > 0 ? skin_scaled(m.R00, 1.0 / (Tb * Wb * sigma_bottom), Tb, sigma_bottom, f, true) : 0.0;
    r[2][2] = Tt > 0 ? skin_scaled(m.R11, 1.0 / (Tt * Wt * sigma_top), Tt, sigma_top, f, true) : 0.0;
    l[1][1] = m.L00, l[1][2] = m.L01, l[2][1] = m.L10, l[2][2] = m.L11;
    c[1][1] = m.C00, c[1][2] = m.C01, c[2][1] = m.C10, c[2][2] = m.C11;
    g[1][1] = w * (tand_s * m.G00 + tand_m * m.G01);
    g[1][2] = -w * tand_m * m.G01;
    g[2][1] = -w * tand_m * m.G10;
    g[2][2] = w * (tand_s * m.G11 + tand_m * m.G10);
    const C2 z = mirtex::access(W.Z.h);
    for (int i = 1; i <= 4; ++i)
        for (int j = 1; j <= 4; ++j) z[i][j] = COMPLEX{0.0, 0.0};
    Calc_Multiline(2, W.R.h, W.L.h, W.G.h, W.C.h, w, length, W.Z.h);
    Y[0] = z[1][1];
    Y[1] = z[1][4];
    Y[2] = z[4][1];
    Y[3] = z[4][4];
    double det[2];
    Cmatinv(reinterpret_cast<double*>(Y), 2, reinterpret_cast<double*>(Y), 2, 2, det);
    return 0;
}
