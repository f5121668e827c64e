// What the end and discontinuity solvers share: the grid read from their
// vectors, the runs with their captions, charges over the centre strips,
// the line references at the ports and the excess values.
#pragma once

#include <array>
#include <string>

#include "cache/calc_file.h"
#include "params/layout.h"
#include "solver/grid3d.h"
#include "solver/solver.h"

namespace mirtex::solver {


// The grid of a three-dimensional element: the stack slots (H3/DL, H2/DL,
// H1/DL, L1/DL, L2/DL, N5) and the materials.  ok false, with the reason,
// when the vectors describe no grid the kernels can work on.
struct Frame3D {
    bool ok = false;
    std::string problem;
    BandStack st;
    int ny = 0;
    double e3 = 1, e2 = 1, e1 = 1, dl = 0, alpha = 1.8, bound = 1e-5;

    int columns() const { return st.columns(kBand0); }
    int planes() const { return band_planes(kBand0, ny); }
    Layers layers() const { return {e3, e2, e1, -2.0 * st.h2}; }
    Layers air() const { return {1, 1, 1, -2.0 * st.h2}; }
};
// met 0 for a thin metal; thin = true keeps five rows in band 0 whatever
// met is (the short end's uniform problem).
Frame3D frame3d(const int* stack, double met, bool thin);
// The stack slots of a named integer layout, in the order frame3d takes them.
template <class Ints>
std::array<int, 6> stack_of(const Ints& in) {
    return {in.H3, in.H2, in.H1, in.L1, in.L2, in.N5};
}
// The frame of an element whose named layouts carry the stack, material,
// MET and relaxation slots.
template <class Ints, class Reals>
Frame3D frame3d(const Ints& in, const Reals& re) {
    const int stack[6] = {0, in.H2, in.H1, in.L1, in.L2, in.N5};  // the frame has no use for H3
    Frame3D f = frame3d(stack, re.MET, false);
    f.e3 = re.ER3, f.e2 = re.ER2, f.e1 = re.ER1, f.dl = re.DL;
    f.alpha = re.ALPHA, f.bound = re.BOUND;
    return f;
}

// Reports a frame or layout problem as the element's error; always kFailed.
int frame_failure(const std::string& problem);

// The kernels with the run caption set first; their status.
int run3(const Frame3D& f, const char* caption, const Layers& eps);
int run3l(const Frame3D& f, const char* caption);

// Flux of the conductor nodes over columns x1..x2 and planes y1..y2 of
// band 0 (ea above the metal plane, eb below).
double strip_charge(const Frame3D& f, int x1, int x2, int y1, int y2, double ea, double eb);

// One side's flux of the slot nodes held at value (+1 or -1) on the metal
// plane of band 0 plane y, in a uniform medium: half the flux through all
// faces of each node, the lateral faces at the slot's edges included.
// Planes 1 and `planes` are mirror planes.
double slot_flux(double value, int y, int columns, int planes);

// Per-unit-length values of the undisturbed line at a port, from the
// cross-section plane of band 4 plane4 (band 0 plane 8 plane4 - 7) relaxed
// alone in air and with the layers (bound 1e-5): C', L', ZL, ER_eff.
struct LineReference {
    double c = 0, l = 0, zl = 0, er = 0;
};
int line_reference(const Frame3D& f, const char* air_caption, const char* dielectric_caption, int plane4, int x1,
                   int x2, LineReference& out);

// The band 4 plane of the reference cross-section at each end of the box:
// band 0 plane 9 at port 1, plane 2 L2/DL - 7 at port 2.
inline int port1_plane4() {
    return 2;
}
inline int port2_plane4(const Frame3D& f) {
    return f.ny / 4;
}

// An element's record in its calculation file, its slot counts taken from
// its named layouts (Types: its integer results, where it has them).
struct NoTypes {
    static constexpr int kSlots = 0;
};
template <class Ints, class Reals, class Results, class Types = NoTypes>
struct Record {
    const char* file;
    const char* ident;
    // 0 on a hit, with the stored results in the out vectors.
    int read(const int* ipar, const double* dpar, int* ipar_out, double* dpar_out) const {
        return ReadCalc(file, ident, ipar, Ints::kSlots, dpar, Reals::kSlots, ipar_out, Types::kSlots, dpar_out,
                        Results::kSlots);
    }
    // The results into the out vectors, and appended to the file.
    void write(const int* ipar, const double* dpar, const Results& r, double* dpar_out, const Types& t = {},
               int* ipar_out = nullptr) const {
        params::write_layout(r, dpar_out);
        if constexpr (Types::kSlots > 0) params::write_layout(t, ipar_out);
        WriteCalc(file, ident, ipar, Ints::kSlots, dpar, Reals::kSlots, ipar_out, Types::kSlots, dpar_out,
                  Results::kSlots);
    }
};

}  // namespace mirtex::solver
