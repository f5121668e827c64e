// Coupled lines C_2COUP .. C_10COUP: one cross-section of n lines between
// two ground strips, solved into the coupled vectors and root_coup, and
// evaluated at each frequency as a multiconductor section.  The host sees
// the 2n ends of the lines; the ground strips (first and last conductor of
// the cross-section) are held at ground at both ends, which is what taking
// the lines' rows and columns out of the full admittance matrix means.
#include "binding/messages.h"
#include "debug/reports.h"
#include "drivers/driver.h"
#include "freq/freq.h"
#include "numeric/numeric.h"
#include "solver/solver.h"

namespace mirtex::drivers {
namespace {

struct CoupInputs {
    double rho = 0.0;  // the lines' metal, relative to gold
    double L = 0.0;    // section length
};

constexpr const char* kLabel[] = {"", "", "C_2COUP", "C_3COUP", "C_4COUP", "C_5COUP",
                                  "C_6COUP", "C_7COUP", "C_8COUP", "C_9COUP", "C_10COUP"};
constexpr const char* kRun[] = {"", "", "C_2COUP(%s)", "C_3COUP(%s)", "C_4COUP(%s)", "C_5COUP(%s)",
                                "C_6COUP(%s)", "C_7COUP(%s)", "C_8COUP(%s)", "C_9COUP(%s)", "C_10COUP(%s)"};
#define MIRTEX_COUP_OOM(n) "ERROR: C_" #n "COUP(%s): Memory Overflow! Failed to Calculate Element!"
constexpr const char* kOutOfMemory[] = {"", "", MIRTEX_COUP_OOM(2), MIRTEX_COUP_OOM(3), MIRTEX_COUP_OOM(4),
                                        MIRTEX_COUP_OOM(5), MIRTEX_COUP_OOM(6), MIRTEX_COUP_OOM(7),
                                        MIRTEX_COUP_OOM(8), MIRTEX_COUP_OOM(9), MIRTEX_COUP_OOM(10)};
#undef MIRTEX_COUP_OOM

int solve_coup(const ResultVectors& v) {
    return Calc_Coup(*v.ipar, *v.dpar, *v.n_dpar, *v.ipar_out, v.dpar_out, v.n_dpar_out);
}

template <int N>
int get_coup(UserInstDef* inst, WARN** w, CoupInputs& in) {
    return cpw_coup_get(inst, w, &in.rho, &in.L, N);
}

// The three matrices of one frequency, released with the call.
struct C2Matrix {
    C2* h = nullptr;
    C2Matrix(int n) { initmem_C2(&h, 1, n, 1, n, COMPLEX{0.0, 0.0}); }
    ~C2Matrix() { ofree_C2(&h); }
    C2Matrix(const C2Matrix&) = delete;
    C2Matrix& operator=(const C2Matrix&) = delete;
};

template <int N>
bool evaluate_coup(UserInstDef* inst, const CoupInputs& in, double f, COMPLEX* host) {
    const int M = N + 2;  // the lines and the two ground strips
    C2Matrix Y(2 * M), ZL(M), Gamma(M);
    if (Y.h == nullptr || ZL.h == nullptr || Gamma.h == nullptr) {
        send_error(kOutOfMemory[N], inst->name);
        return false;
    }
    const double sigma = conductivity(in.rho);
    if (Freq_Coup(coup_ipar_out, coup_dpar_out, f, in.L, sigma, Y.h, ZL.h, Gamma.h) != 0) {
        send_error(kOutOfMemory[N], inst->name);
        return false;
    }
    // The report shows every conductor of the cross-section, the ground
    // strips first and last, so that its matrices are complete.
    debug_Coup("C_COUP", inst->name, M, f, in.L, sigma, access(Y.h), access(ZL.h), access(Gamma.h));
    const C2 y = access(Y.h);
    for (int i = 1; i <= N; ++i)
        for (int j = 1; j <= N; ++j) {
            host[(i - 1) * 2 * N + (j - 1)] = y[i + 1][j + 1];
            host[(i - 1) * 2 * N + (N + j - 1)] = y[i + 1][M + 1 + j];
            host[(N + i - 1) * 2 * N + (j - 1)] = y[M + 1 + i][j + 1];
            host[(N + i - 1) * 2 * N + (N + j - 1)] = y[M + 1 + i][M + 1 + j];
        }
    return true;
}

template <int N>
int coup_pre(UserInstDef* inst);

template <int N>
struct Coup {
    static inline const SolvedResult result[] = {
        {MIRTEX_RESULT_VECTORS(coup, coup, coup), kRun[N], kOutOfMemory[N], 10, solve_coup, "C_COUP"}};
    static inline const Element<CoupInputs> element = {kLabel[N],    get_coup<N>,       coup_pre<N>,
                                                       result,       evaluate_coup<N>, YMode::Counted};
    static inline WarningList pre_warnings, y_warnings;
};

template <int N>
int coup_pre(UserInstDef* inst) {
    return pre_step(Coup<N>::element, Coup<N>::pre_warnings, inst);
}

}  // namespace
}  // namespace mirtex::drivers

using namespace mirtex::drivers;

extern "C" {

MIRTEX_API int cpw_coup_pre(UserInstDef* inst, int n) {
    switch (n) {
#define MIRTEX_COUP_CASE(k) \
    case k: return coup_pre<k>(inst);
        MIRTEX_COUP_CASE(2) MIRTEX_COUP_CASE(3) MIRTEX_COUP_CASE(4) MIRTEX_COUP_CASE(5) MIRTEX_COUP_CASE(6)
        MIRTEX_COUP_CASE(7) MIRTEX_COUP_CASE(8) MIRTEX_COUP_CASE(9) MIRTEX_COUP_CASE(10)
#undef MIRTEX_COUP_CASE
        default: return 0;
    }
}

#define MIRTEX_COUP_Y(k)                                                                \
    MIRTEX_API int cpw_##k##coup_y(UserInstDef* inst, double omega, COMPLEX* y) {       \
        return y_step(Coup<k>::element, Coup<k>::y_warnings, inst, omega, y);           \
    }
MIRTEX_COUP_Y(2)
MIRTEX_COUP_Y(3)
MIRTEX_COUP_Y(4)
MIRTEX_COUP_Y(5)
MIRTEX_COUP_Y(6)
MIRTEX_COUP_Y(7)
MIRTEX_COUP_Y(8)
MIRTEX_COUP_Y(9)
MIRTEX_COUP_Y(10)
#undef MIRTEX_COUP_Y

}  // extern "C"
