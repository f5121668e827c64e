// The three-dimensional relaxation kernels on pit0 .. pit4: the layered
// problem of the electric runs, one cross-section plane of it, and the
// uniform-medium problem of the magnetic (slot) runs.  All three run the
// shared core of solver/sweep.h.
#include <cstring>

#include "binding/messages.h"
#include "solver/coarse3d.h"
#include "solver/grid3d.h"
#include "solver/sweep.h"

namespace mirtex::solver {

namespace {

// Per thread: the grid of the thread's own run.
thread_local d3* const* const kPit[kBandCount] = {&pit0, &pit1, &pit2, &pit4};

bool fail_layout(const char* kernel, int nx, int ny) {
    send_error("ERROR: %.*s: %s: the potential grid does not match its band layout (L1/DL=%d, L2/DL=%d)!",
               mirtex::run_label_length(), mirtex::run_label(), kernel, nx, ny);
    return false;
}

bool band_is(const d3* h, int columns, int rows, int planes) {
    return h != nullptr && lower_bound(h, 1) == 1 && upper_bound(h, 1) == columns && lower_bound(h, 2) == 1 &&
           upper_bound(h, 2) == rows && lower_bound(h, 3) == 1 && upper_bound(h, 3) == planes;
}

// The arrays hold the stack over a box of ny steps DL (a multiple of 4, so
// that the planes of all bands coincide).
bool grid_matches(const char* kernel, const BandStack& st, int ny) {
    bool ok = st.valid() && ny >= 4 && ny % 4 == 0;
    for (int b = 0; ok && b < kBandCount; ++b) ok = band_is(*kPit[b], st.columns(b), st.rows(b), band_planes(b, ny));
    return ok || fail_layout(kernel, st.nx, ny);
}

int relax_views(const char* kernel, const BandStack& st, int ny, const Layers& eps, double bound, double alpha,
                const std::vector<DielectricBlock>& blocks, Start start) {
    BandView views[kBandCount];
    for (int b = 0; b < kBandCount; ++b)
        views[b] = view3(access(*kPit[b]), st.columns(b), st.rows(b), band_planes(b, ny));
    return relax_space(kernel, st, ny, eps, bound, alpha, blocks, views, start);
}

}  // namespace

}  // namespace mirtex::solver

using namespace mirtex::solver;

extern "C" MIRTEX_API int iteration3(double e3, double e2, double e1, int nx, int m4, int m2, int k1, int rows0, int n4,
                                     int ny, int h1, int h2, double met, double bound, double alpha) {
    const BandStack st{nx, m4, m2, k1, rows0, n4, h1, h2, met};
    if (!grid_matches("iteration3", st, ny)) return kFailed;
    return relax_views("iteration3", st, ny, Layers{e3, e2, e1, -2.0 * h2}, bound, alpha, dielectric_blocks(),
                       Start::CyclesElseCoarse);
}

extern "C" MIRTEX_API int iteration3l(int nx, int m4, int m2, int k1, int ny, double bound, double alpha) {
    // The uniform problem has no layers and no cover argument: the rows
    // above the metal are those the arrays were made with.  A band 0 of 8
    // rows (a grid made for a thick metal) is taken with the step h in its
    // thickness rows, the medium being uniform.
    const int n4 = pit4 != nullptr ? static_cast<int>(mirtex::upper_bound(pit4, 2)) : 0;
    const int rows0 = pit0 != nullptr ? static_cast<int>(mirtex::upper_bound(pit0, 2)) : 0;
    const BandStack st{nx, m4, m2, k1, rows0, n4, 0, 0, rows0 == 8 ? 1.0 : 0.0};
    if (!grid_matches("iteration3l", st, ny)) return kFailed;
    // The magnetic problem has a uniform permeability: no blocks.
    return relax_views("iteration3l", st, ny, Layers{1.0, 1.0, 1.0, 0.0}, bound, alpha, {}, Start::Cycles);
}

extern "C" MIRTEX_API int iteration3z(double e3, double e2, double e1, int nx, int m4, int m2, int k1, int rows0,
                                      int n4, int ny, int h1, int h2, double met, double bound, double alpha) {
    const BandStack st{nx, m4, m2, k1, rows0, n4, h1, h2, met};
    // The arrays' own length; ny names the plane of band 4 to relax, which
    // is plane 2ny - 1 of band 2, 4ny - 3 of band 1 and 8ny - 7 of band 0.
    const int planes4 = pit4 != nullptr ? static_cast<int>(mirtex::upper_bound(pit4, 3)) : 0;
    const int box = 4 * (planes4 - 1);
    if (!grid_matches("iteration3z", st, box) || ny < 1 || ny > planes4) {
        if (ny < 1 || ny > planes4) fail_layout("iteration3z", nx, box);
        return kFailed;
    }
    BandView views[kBandCount];
    long nodes = 0;
    for (int b = 0; b < kBandCount; ++b) {
        const int y = (ny - 1) * (8 / kBandStep[b]) + 1;
        views[b] = view3_plane(mirtex::access(*kPit[b]), st.columns(b), st.rows(b), band_planes(b, box), y);
        nodes += static_cast<long>(st.columns(b)) * st.rows(b);
    }
    Plan plan(Stencil::Planar, st, Layers{e3, e2, e1, -2.0 * h2}, views, alpha);
    return relax("iteration3z", bound, sweep_cap(nodes), plan.free_nodes(), [&] { return plan.sweep(); });
}
