// What the junction drivers share: feed lines at every port on the centre
// metal, and the solvers that also return the bridge codes.
#pragma once

#include "drivers/discontinuity.h"

namespace mirtex::drivers {

// Feed lines of the given lengths, all on a metal of resistivity rho.
inline void set_junction_feeds(FeedInputs& in, double rho, double tand, std::initializer_list<double> lengths) {
    in.feeds.tand = tand;
    int k = 0;
    for (double L : lengths) {
        in.feeds.length[k] = L;
        in.feeds.sigma[k] = conductivity(rho);
        ++k;
    }
}

using Solver3Int = int (*)(int plot, int* ipar, double* dpar, int* ipar_out, double* dpar_out);

template <Solver3Int S>
int solve3_int(const ResultVectors& v) {
    return S(0, *v.ipar, *v.dpar, *v.ipar_out, *v.dpar_out);
}

}  // namespace mirtex::drivers
